#include "diary/daystore.h"

#include "core/cp1251.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace kelto {

namespace {

// The encoder's table: the code page's own, with -1 for what it cannot hold,
// so that one look-up per character both converts and checks.
struct TEncodeTable {
    std::array<qint16, 65536> toByte{};

    TEncodeTable()
    {
        const unsigned char* from = Cp1251FromUnicodeTable();
        for (std::size_t u = 0; u < toByte.size(); ++u)
            toByte[u] = from[u] ? qint16(from[u]) : qint16(-1);
        toByte[0] = 0;
        // A line feed inside a line would split it and throw every count
        // after it out of step, so it is written as a blank.
        toByte[u'\n'] = ' ';
    }
};

const TEncodeTable& Tables()
{
    static const TEncodeTable table;
    return table;
}

// Appends `text` in code page 1251 at `dst`; returns the new end. A character
// the code page cannot hold becomes '?', a surrogate pair one '?'.
char* EncodeInto(char* dst, QStringView text)
{
    const auto& t = Tables().toByte;
    const char16_t* src = text.utf16();
    const qsizetype n = text.size();
    // One table look-up per character: diary text mixes Cyrillic and ASCII
    // so closely that an ASCII fast path mostly mispredicts.
    for (qsizetype i = 0; i < n; ++i) {
        const qint16 b = t[src[i]];
        if (Q_LIKELY(b >= 0)) {
            *dst++ = char(b);
            continue;
        }
        if (QChar::isHighSurrogate(src[i]) && i + 1 < n && QChar::isLowSurrogate(src[i + 1]))
            ++i;
        *dst++ = '?';
    }
    return dst;
}

QString DecodeLine(const char* data, qsizetype size)
{
    const char16_t* t = Cp1251ToUnicodeTable();
    QString out(size, Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    for (qsizetype i = 0; i < size; ++i)
        dst[i] = t[static_cast<unsigned char>(data[i])];
    return out;
}

} // namespace

QByteArray EncodeNoteLines(const QStringList& lines)
{
    qsizetype bound = 0;
    for (const QString& l : lines)
        bound += l.size() + 2;
    QByteArray out(bound, Qt::Uninitialized);
    char* const begin = out.data();
    char* p = begin;
    for (const QString& l : lines) {
        p = EncodeInto(p, l);
        *p++ = '\r';
        *p++ = '\n';
    }
    out.truncate(p - begin);
    return out;
}

QStringList DecodeNoteLines(QByteArrayView note)
{
    QStringList out;
    ForEachNoteLine(note.data(), note.data() + note.size(),
                    [&out](const char* start, qsizetype len) { out.append(DecodeLine(start, len)); });
    return out;
}

TDayRecord::TDayRecord(const QDate& date, const QStringList& lines)
    : Date(date)
    , Note(EncodeNoteLines(lines))
    , LineCount(qint32(lines.size()))
{
}

QStringList TDayRecord::Lines() const
{
    return DecodeNoteLines(Note);
}

TDayList::TDayList(std::initializer_list<TDayRecord> records)
{
    m_slots.reserve(records.size());
    for (const TDayRecord& r : records)
        append(r);
}

TDayList::TDayList(const TDayList& other)
    : m_slots(other.m_slots)
    , m_months(other.m_months)
    , m_live(other.m_live)
    , m_dead(other.m_dead)
    , m_buffers(other.m_buffers)
{
}

TDayList::TDayList(TDayList&& other) noexcept
    : m_slots(std::move(other.m_slots))
    , m_months(std::move(other.m_months))
    , m_live(other.m_live)
    , m_dead(other.m_dead)
    , m_buffers(std::move(other.m_buffers))
{
    other.clear();
}

TDayList& TDayList::operator=(const TDayList& other)
{
    if (this != &other)
        *this = TDayList(other);
    return *this;
}

TDayList& TDayList::operator=(TDayList&& other) noexcept
{
    if (this != &other) {
        m_slots = std::move(other.m_slots);
        m_months = std::move(other.m_months);
        m_live = other.m_live;
        m_dead = other.m_dead;
        m_buffers = std::move(other.m_buffers);
        // The look-up shortcut points into a map: never carried over.
        m_lastMonth = nullptr;
        other.clear();
    }
    return *this;
}

void TDayList::clear()
{
    m_slots.clear();
    m_months.clear();
    m_lastMonth = nullptr;
    m_buffers.clear();
    m_live = 0;
    m_dead = 0;
}

const TDayRecord& TDayList::at(qsizetype i) const
{
    Q_ASSERT(i >= 0 && i < m_live);
    if (m_dead)
        compact();
    return m_slots[std::size_t(i)];
}

void TDayList::append(TDayRecord record)
{
    const qint32 s = qint32(m_slots.size());
    const qint32 key = MonthKey(record.Date);
    m_slots.push_back(std::move(record));
    ++m_live;
    // A diary file mostly runs day after day: the month of the record before
    // saves a look-up in the index.
    if (!m_lastMonth || m_lastKey != key) {
        m_lastMonth = &m_months[key];
        m_lastKey = key;
    }
    m_lastMonth->push_back(s);
}

const std::vector<qint32>* TDayList::monthSlots(int year, int month) const
{
    const auto it = m_months.find(qint32(year) * 12 + month - 1);
    return it == m_months.end() ? nullptr : &it->second;
}

void TDayList::removeSlot(qint32 s)
{
    TDayRecord& r = m_slots[std::size_t(s)];
    if (r.LineCount < 0)
        return;
    auto it = m_months.find(MonthKey(r.Date));
    if (it != m_months.end()) {
        auto& v = it->second;
        v.erase(std::remove(v.begin(), v.end(), s), v.end());
        if (v.empty()) {
            if (m_lastMonth == &v)
                m_lastMonth = nullptr;
            m_months.erase(it);
        }
    }
    r.Note = QByteArray();
    r.LineCount = -1;
    --m_live;
    ++m_dead;
    // Closing the gaps costs a walk of the whole store; done only once
    // they take up a good share of it, so it stays cheap per removal.
    if (m_dead > 1024 && m_dead > m_live)
        compact();
}

void TDayList::compact() const
{
    if (!m_dead)
        return;
    m_slots.erase(std::remove_if(m_slots.begin(), m_slots.end(), [](const TDayRecord& r) { return r.LineCount < 0; }),
                  m_slots.end());
    m_dead = 0;
    rebuildIndex();
}

void TDayList::rebuildIndex() const
{
    m_months.clear();
    m_lastMonth = nullptr;
    for (qint32 s = 0; s < qint32(m_slots.size()); ++s)
        m_months[MonthKey(m_slots[std::size_t(s)].Date)].push_back(s);
}

void TDayList::sortByDate()
{
    compact();
    // Stable, so that two records of one date keep the order the user saw.
    std::stable_sort(m_slots.begin(), m_slots.end(),
                     [](const TDayRecord& a, const TDayRecord& b) { return a.Date < b.Date; });
    rebuildIndex();
}

bool NoteHasText(const QStringList& lines)
{
    for (const QString& line : lines)
        for (QChar c : line)
            if (c.unicode() != 0x20 && c.unicode() != 0x00)
                return true;
    return false;
}

void StoreNote(TDayList& store, const QDate& selected, const QStringList& lines)
{
    TNoteText note;
    note.HasText = NoteHasText(lines);
    if (note.HasText)
        note.Note = EncodeNoteLines(lines);
    note.LineCount = qint32(lines.size());
    StoreNoteText(store, selected, note);
}

TNoteText NoteFromPlainText(const QString& text)
{
    TNoteText out;
    const qsizetype n = text.size();
    if (n == 0)
        return out;
    const char16_t* src = reinterpret_cast<const char16_t*>(text.constData());
    const bool endsWithBreak = src[n - 1] == u'\n';
    const qsizetype breaks = text.count(QLatin1Char('\n'));
    out.LineCount = qint32(breaks + (endsWithBreak ? 0 : 1));
    for (qsizetype i = 0; i < n && !out.HasText; ++i)
        out.HasText = src[i] != 0x20 && src[i] != 0x00 && src[i] != u'\n';
    if (!out.HasText)
        return out;
    // Every paragraph break becomes CR LF; the last line gets its own.
    QByteArray bytes(n + breaks + 2, Qt::Uninitialized);
    char* const begin = bytes.data();
    char* p = begin;
    qsizetype from = 0;
    while (from < n) {
        qsizetype to = from;
        while (to < n && src[to] != u'\n')
            ++to;
        p = EncodeInto(p, QStringView(src + from, to - from));
        *p++ = '\r';
        *p++ = '\n';
        from = to + 1;
    }
    bytes.truncate(p - begin);
    out.Note = bytes;
    return out;
}

void StoreNoteText(TDayList& store, const QDate& selected, const TNoteText& text)
{
    if (!selected.isValid())
        return;
    const bool hasText = text.HasText;
    const QByteArray& note = text.Note;
    bool found = false;
    if (const std::vector<qint32>* month = store.monthSlots(selected.year(), selected.month())) {
        // A copy: removing a record changes the month's list.
        const std::vector<qint32> ids = *month;
        for (qint32 s : ids) {
            TDayRecord& r = store.slot(s);
            if (r.Date != selected)
                continue;
            found = true;
            if (hasText) {
                // A hand-edited file may hold the date twice: each copy gets
                // the same note, so whichever survives a later edit is current.
                if (r.Note != note)
                    r.Note = note;
                r.LineCount = text.LineCount;
                continue;
            }
            // Only the first copy goes; the next Delete or Backspace takes the
            // next one, exactly as the notepad then shows it.
            store.removeSlot(s);
            return;
        }
    }
    if (!found && hasText)
        store.append(TDayRecord(selected, note, text.LineCount));
}

bool NoteFitsNotepad(const QStringList& lines)
{
    if (lines.size() > MaxNotepadLines)
        return false;
    qsizetype total = 0;
    for (const QString& line : lines) {
        if (line.size() > MaxNotepadLineLength)
            return false;
        total += line.size() + 1;
    }
    // Many long lines cost the layout as much as one very long one.
    return total <= MaxNotepadLines * 100;
}

bool NoteTextFitsNotepad(QStringView text)
{
    // Counted as NoteFitsNotepad counts the lines, without making them.
    qsizetype lines = 0, line = 0, total = 0;
    for (const QChar c : text) {
        if (c != QLatin1Char('\n')) {
            if (++line > MaxNotepadLineLength)
                return false;
            continue;
        }
        if (++lines > MaxNotepadLines)
            return false;
        total += line + 1;
        line = 0;
    }
    if (line > 0) {
        ++lines;
        total += line + 1;
    }
    return lines <= MaxNotepadLines && total <= MaxNotepadLines * 100;
}

QString RussianCount(qsizetype n, const QString& one, const QString& few, const QString& many)
{
    const qsizetype tens = n % 100, units = n % 10;
    const QString& noun = tens >= 11 && tens <= 14 ? many : units == 1 ? one : units >= 2 && units <= 4 ? few : many;
    return QString::number(n) + QLatin1Char(' ') + noun;
}

namespace {
QString LinesCount(qsizetype lines)
{
    return RussianCount(lines, QStringLiteral("строка"), QStringLiteral("строки"), QStringLiteral("строк"));
}
} // namespace

QString NoteTooLargeText(qsizetype lines)
{
    return QStringLiteral("Заметка слишком велика для блокнота: %1. Она сохранена без изменений.").arg(LinesCount(lines));
}

QString PasteTooLargeText(qsizetype lines)
{
    return QStringLiteral("Текст не вставлен: с ним заметка стала бы слишком велика для блокнота (%1). "
                          "Текст остаётся в буфере обмена.")
        .arg(LinesCount(lines));
}

QStringList LoadDayNote(const TDayList& store, const QDate& selected)
{
    QStringList out;
    if (!selected.isValid())
        return out;
    if (const std::vector<qint32>* month = store.monthSlots(selected.year(), selected.month()))
        for (qint32 s : *month) {
            const TDayRecord& r = store.slot(s);
            if (r.Date == selected)
                out += r.Lines();
        }
    return out;
}

TMarkedDays UpdateMarkedDays(const TDayList& store, int year, int month)
{
    TMarkedDays marked;
    if (!QDate(year, month, 1).isValid())
        return marked;
    if (const std::vector<qint32>* ids = store.monthSlots(year, month))
        for (qint32 s : *ids)
            marked.set(std::size_t(store.slot(s).Date.day()));
    return marked;
}

void SortByDate(TDayList& store)
{
    store.sortByDate();
}

QString DiaryDateText(const QDate& date)
{
    if (!date.isValid())
        return QString();
    // Built by hand rather than with QDate::toString: the pattern must not
    // depend on the locale, and a year below 1000 still needs four digits.
    return QString::asprintf("%02d.%02d.%04d", date.day(), date.month(), date.year());
}

QDate ParseDiaryDate(const QString& text)
{
    if (text.size() != 10 || text.at(2) != QLatin1Char('.') || text.at(5) != QLatin1Char('.'))
        return QDate();
    auto number = [&text](int from, int count, int& value) {
        value = 0;
        for (int i = from; i < from + count; ++i) {
            const char16_t c = text.at(i).unicode();
            if (c < u'0' || c > u'9')
                return false;
            value = value * 10 + int(c - u'0');
        }
        return true;
    };
    int d = 0, m = 0, y = 0;
    if (!number(0, 2, d) || !number(3, 2, m) || !number(6, 4, y))
        return QDate();
    // QDate(0, ...) is invalid: there is no year zero, and the notes run
    // from year 1 to 9999 like the year field.
    return QDate(y, m, d);
}

} // namespace kelto
