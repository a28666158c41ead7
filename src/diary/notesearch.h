// Finding notes: a query matched against a note's code page 1251 bytes,
// case-insensitive and with "ё" taken as "е". QtCore only.
#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace kelto {

// 256 bytes: each code page 1251 byte to the byte it is compared as. Capitals
// fold to small letters (Latin and Cyrillic), "Ё" and "ё" to "е"; a tab, CR and
// LF fold to a space.
const unsigned char* Cp1251FoldTable();

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
// matches nothing.
class TNoteMatcher {
public:
    explicit TNoteMatcher(const QString& query);

    bool IsEmpty() const { return m_folded.isEmpty(); }
    bool Matches(QByteArrayView noteBytes) const { return Find(noteBytes).start >= 0; }
    // The first match, in bytes of `noteBytes`.
    TNoteSpan Find(QByteArrayView noteBytes) const;

private:
    QByteArray m_folded; // the query folded, blank runs made one space
};

// A span in a note's bytes as characters of the notepad, where a line break
// (CR LF in the bytes) is one character.
TNoteSpan NotepadSpan(QByteArrayView noteBytes, const TNoteSpan& byteSpan);

} // namespace kelto
