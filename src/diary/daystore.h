// The diary store: one note per day, kept in the order of reading and adding.
// QtCore only.
//
// A note is held as the diary file holds it: its lines in code page 1251,
// each ended by CR LF. Notes read from a file point into the file's bytes,
// which the store keeps; a note is decoded only when a day is shown and
// encoded only when the notepad changes it, and saving copies bytes.
#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <bitset>
#include <cstring>
#include <initializer_list>
#include <unordered_map>
#include <vector>

namespace kelto {

struct TDayRecord {
    QDate Date;
    // The note's lines in code page 1251, every one ended by CR LF; a line
    // itself holds no LF. May point into a file buffer its store keeps.
    QByteArray Note;
    qint32 LineCount = 0;

    TDayRecord() = default;
    // Encodes `lines`: what code page 1251 cannot hold becomes "?", a line
    // feed inside a line a blank.
    TDayRecord(const QDate& date, const QStringList& lines);
    TDayRecord(const QDate& date, QByteArray note, qint32 lineCount)
        : Date(date)
        , Note(std::move(note))
        , LineCount(lineCount)
    {
    }

    QStringList Lines() const;
    // The note's bytes as stored, for matching without decoding.
    QByteArrayView Raw() const { return Note; }
};

// Code page 1251 lines, each followed by CR LF, and back.
QByteArray EncodeNoteLines(const QStringList& lines);
QStringList DecodeNoteLines(QByteArrayView note);

// Calls `line(start, length)` for each line of [from, to), the length without
// its LF or the CR before it: a note's lines as the file and the store split them.
template <typename TLine> void ForEachNoteLine(const char* from, const char* to, TLine&& line)
{
    while (from < to) {
        const char* lf = static_cast<const char*>(std::memchr(from, '\n', size_t(to - from)));
        const char* stop = lf ? lf : to;
        qsizetype len = stop - from;
        if (len > 0 && from[len - 1] == '\r')
            --len;
        line(from, len);
        from = lf ? lf + 1 : to;
    }
}

// The store: records in store order, with an index by month for the note
// rules. Iterating visits the records in store order; a record's Raw() bytes
// are what log.cnf holds, so a search can run over the whole diary without
// building a string.
class TDayList {
public:
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = TDayRecord;
        using difference_type = std::ptrdiff_t;
        using pointer = const TDayRecord*;
        using reference = const TDayRecord&;

        const_iterator() = default;
        reference operator*() const { return *m_p; }
        pointer operator->() const { return m_p; }
        const_iterator& operator++()
        {
            ++m_p;
            skip();
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator t = *this;
            ++*this;
            return t;
        }
        bool operator==(const const_iterator& o) const { return m_p == o.m_p; }
        bool operator!=(const const_iterator& o) const { return m_p != o.m_p; }

    private:
        friend class TDayList;
        const_iterator(const TDayRecord* p, const TDayRecord* end)
            : m_p(p)
            , m_end(end)
        {
            skip();
        }
        void skip()
        {
            while (m_p != m_end && m_p->LineCount < 0)
                ++m_p;
        }
        const TDayRecord* m_p = nullptr;
        const TDayRecord* m_end = nullptr;
    };

    TDayList() = default;
    TDayList(std::initializer_list<TDayRecord> records);
    // A copy shares the notes' bytes with the original (nothing changes them
    // in place), so it may be handed to another thread as a snapshot.
    TDayList(const TDayList& other);
    TDayList(TDayList&& other) noexcept;
    TDayList& operator=(const TDayList& other);
    TDayList& operator=(TDayList&& other) noexcept;
    ~TDayList() = default;

    qsizetype size() const { return m_live; }
    bool isEmpty() const { return m_live == 0; }
    void clear();
    void reserve(qsizetype n) { m_slots.reserve(std::size_t(m_dead + std::max<qsizetype>(n, 0))); }

    const_iterator begin() const { return {m_slots.data(), m_slots.data() + m_slots.size()}; }
    const_iterator end() const
    {
        const TDayRecord* e = m_slots.data() + m_slots.size();
        return {e, e};
    }

    // By position in store order. Cheap while nothing was removed; after a
    // removal the first positional read closes the gaps (which moves records,
    // so hold no reference across it).
    const TDayRecord& at(qsizetype i) const;
    const TDayRecord& operator[](qsizetype i) const { return at(i); }
    const TDayRecord& first() const { return at(0); }
    const TDayRecord& last() const { return at(m_live - 1); }

    void append(TDayRecord record);

    // Keeps the bytes that records appended afterwards point into.
    void keepBuffer(const QByteArray& bytes) { m_buffers.append(bytes); }

    // Stable by date, ascending, in place.
    void sortByDate();

    // The positions (in the record array) of the records of one month, in
    // store order. For the note rules.
    const std::vector<qint32>* monthSlots(int year, int month) const;
    TDayRecord& slot(qint32 s) { return m_slots[std::size_t(s)]; }
    const TDayRecord& slot(qint32 s) const { return m_slots[std::size_t(s)]; }
    void removeSlot(qint32 s);

private:
    static qint32 MonthKey(const QDate& d) { return qint32(d.year()) * 12 + d.month() - 1; }
    void compact() const;
    void rebuildIndex() const;

    // Removed records stay in place, marked by a negative line count, until
    // a positional read or a sort closes the gaps: removing from the middle of
    // a long diary then costs no more than editing.
    mutable std::vector<TDayRecord> m_slots;
    mutable std::unordered_map<qint32, std::vector<qint32>> m_months;
    mutable std::vector<qint32>* m_lastMonth = nullptr;
    qint32 m_lastKey = 0;
    qsizetype m_live = 0;
    mutable qsizetype m_dead = 0;
    QList<QByteArray> m_buffers;
};

// Day-of-month numbers 1..31 of the shown month that carry a note.
using TMarkedDays = std::bitset<32>;

// True when some character of some line is neither a blank nor a NUL.
bool NoteHasText(const QStringList& lines);

// Stores `lines` as the note of `selected`, or removes the first record of
// that date when the lines hold no text.
void StoreNote(TDayList& store, const QDate& selected, const QStringList& lines);

// The notepad's plain text (paragraphs separated by "\n") as the store holds
// a note: every paragraph a line, a final empty paragraph not counted. Built
// in one pass, so a note of a million lines costs no million strings.
struct TNoteText {
    QByteArray Note;
    qint32 LineCount = 0;
    bool HasText = false;
};
TNoteText NoteFromPlainText(const QString& text);
// The same rule as the list form above, for a note built by NoteFromPlainText.
void StoreNoteText(TDayList& store, const QDate& selected, const TNoteText& note);

// The lines the notepad shows for `selected`: every record of that date, in
// store order, one after the other.
QStringList LoadDayNote(const TDayList& store, const QDate& selected);

// The notepad edits a note only while Qt's text layout keeps up with it: a
// keystroke within 100 ms and nothing left to lay out soon after it is shown.
// A note of more lines, or with a longer line, is shown read-only with one
// line saying why, and stays in the store as it is.
inline constexpr qsizetype MaxNotepadLines = 50000;
inline constexpr qsizetype MaxNotepadLineLength = 200000;
bool NoteFitsNotepad(const QStringList& lines);
// The same for the notepad's text, its lines parted by '\n'.
bool NoteTextFitsNotepad(QStringView text);
// "Заметка слишком велика для блокнота: N строк. Она сохранена без изменений."
QString NoteTooLargeText(qsizetype lines);
// Why a paste into the notepad was refused; it would make the note `lines`
// lines long.
QString PasteTooLargeText(qsizetype lines);
// "1 строка", "2 строки", "5 строк": a count with the Russian form of its noun.
QString RussianCount(qsizetype n, const QString& one, const QString& few, const QString& many);

TMarkedDays UpdateMarkedDays(const TDayList& store, int year, int month);

// Sorts by date, ascending, in place.
void SortByDate(TDayList& store);

// Dates in the diary files: dd.MM.yyyy, the same on every machine.
QString DiaryDateText(const QDate& date);
// An invalid date when the text is not one.
QDate ParseDiaryDate(const QString& text);

} // namespace kelto
