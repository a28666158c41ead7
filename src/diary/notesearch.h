// Finding notes: a query matched against a note's code page 1251 bytes,
// case-insensitive, with "ё" taken as "е" and the Cyrillic and Latin
// look-alike letters (а/a, е/e, о/o, р/p, с/c, у/y, х/x) taken as one; and
// a query that reads as a date finds the notes of that day, month or year.
// QtCore only.
#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <utility>

namespace kelto {

// 256 bytes: each code page 1251 byte to the byte it is compared as. Capitals
// fold to small letters (Latin and Cyrillic), "Ё" and "ё" to "е", and the
// seven Cyrillic letters that look like Latin ones to those ("х" to "x"); a
// tab, CR and LF fold to a space.
const unsigned char* Cp1251FoldTable();

// "14.05.2025", "5.2025" or "2025": the first and last day named; both
// invalid when the text is no date. (The control journal finds by it too.)
std::pair<QDate, QDate> DateRangeOf(const QString& query);

// A match inside a note's bytes.
struct TNoteSpan {
    qsizetype start = -1; // -1: no match
    qsizetype length = 0;
};

// Built once per query: the query is encoded to code page 1251 once and
// folded. The note is its lines joined as log.cnf holds them (CR LF between
// lines). Line breaks: a run of blanks in the query (spaces or tabs) matches
// any run of blanks and line breaks in the note, so "шов 12" finds "шов" at
// the end of one line and "12" at the start of the next, as the user typed
// them. Blanks at the query's ends are dropped; a query of blanks only
// matches nothing, nor does one holding a character that code page 1251
// cannot hold (no note can hold it).
class TNoteMatcher {
public:
    explicit TNoteMatcher(const QString& query);

    bool IsEmpty() const { return m_folded.isEmpty(); }
    bool Matches(QByteArrayView noteBytes) const { return Find(noteBytes).start >= 0; }
    // A query that reads as a date, "14.05.2025", "05.2025" or "2025" (day and
    // month of one or two digits, the year of four), names that day, month
    // or year; the notes of those days are found as well as the notes whose
    // text holds the query.
    bool NamesDate(const QDate& noteDate) const { return m_from.isValid() && noteDate >= m_from && noteDate <= m_to; }
    bool Matches(const QDate& noteDate, QByteArrayView noteBytes) const
    {
        return NamesDate(noteDate) || Matches(noteBytes);
    }
    // The first match, in bytes of `noteBytes`.
    TNoteSpan Find(QByteArrayView noteBytes) const;
    // Calls `onFound(i)` for each of `count` notes that matches, in order;
    // `noteAt(i)` gives note i as {date, bytes}. The notes a few places
    // ahead are fetched into the cache meanwhile: a note found near its
    // start costs little more than the wait for its memory.
    template <class NoteAt, class OnFound>
    void ForEachMatch(qsizetype count, const NoteAt& noteAt, const OnFound& onFound) const
    {
        constexpr qsizetype ahead = 24;
        for (qsizetype i = 0; i < count; ++i) {
            if (i + ahead < count)
                __builtin_prefetch(noteAt(i + ahead).second.data());
            const auto [date, bytes] = noteAt(i);
            if (Matches(date, bytes))
                onFound(i);
        }
    }

private:
    // The match whose anchor byte lies at `a`, or none: the query before the
    // anchor compared backwards, the rest forwards.
    TNoteSpan MatchAt(const unsigned char* p, qsizetype n, qsizetype a) const;

    QByteArray m_folded; // the query folded, blank runs made one space
    // The anchor: the query's byte that is rarest in Russian text. A keystroke
    // over a large diary mostly scans for the bytes that fold to it, so the
    // rarer it is, the fewer places are compared.
    qsizetype m_anchor = 0;
    unsigned char m_anchorBytes[16] = {};
    int m_anchorCount = 0; // 0: more than 16 fold to it, scanned byte by byte
    // 0x20 where the bytes come in pairs of two cases: the scan sets that bit
    // in the text and keeps only the small letters to compare with.
    unsigned char m_anchorCase = 0;
    // A neighbour of the anchor that is no blank (+1 or -1; 0: none): a
    // candidate must have both, which on real text leaves few places.
    int m_pairOffset = 0;
    unsigned char m_pairBytes[16] = {};
    int m_pairCount = 0;
    unsigned char m_pairCase = 0;
    QDate m_from, m_to; // the days a date query names; invalid: none
};

// What a found note's row shows: about `width` characters round the first
// match (the note's start when there is none), line breaks as spaces, "…"
// where the note was cut, and where the match lies in that text.
struct TNoteFragment {
    QString text;
    qsizetype matchStart = -1; // -1: no match shown
    qsizetype matchLength = 0;
};
TNoteFragment NoteFragment(QByteArrayView noteBytes, const TNoteSpan& match, int width = 60);

// A span in a note's bytes as characters of the notepad, where a line break
// (CR LF in the bytes) is one character.
TNoteSpan NotepadSpan(QByteArrayView noteBytes, const TNoteSpan& byteSpan);

} // namespace kelto
