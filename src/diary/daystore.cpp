#include "diary/daystore.h"

#include <algorithm>

namespace kelto {

bool NoteHasText(const QStringList& lines)
{
    for (const QString& line : lines)
        for (QChar c : line)
            if (c.unicode() != 0x20 && c.unicode() != 0x00)
                return true;
    return false;
}

void SaveDayNote(DayList& store, const QDate& selected, const QStringList& lines)
{
    if (!selected.isValid())
        return;
    const bool hasText = NoteHasText(lines);
    bool found = false;
    for (qsizetype i = 0; i < store.size(); ++i) {
        if (store.at(i).Date != selected)
            continue;
        found = true;
        if (hasText) {
            // A hand-edited file may hold the date twice: each copy gets the
            // same note, so whichever survives a later edit is current.
            store[i].Lines = lines;
            continue;
        }
        // Only the first copy goes; the next Delete or Backspace takes the
        // next one, exactly as the notepad then shows it.
        store.removeAt(i);
        return;
    }
    if (!found && hasText)
        store.append(TDayRecord{selected, lines});
}

QStringList LoadDayNote(const DayList& store, const QDate& selected)
{
    QStringList out;
    for (const TDayRecord& r : store)
        if (r.Date == selected)
            out += r.Lines;
    return out;
}

TMarkedDays UpdateMarkedDays(const DayList& store, int year, int month)
{
    TMarkedDays marked;
    const QDate first(year, month, 1);
    if (!first.isValid())
        return marked;
    // Compared as day numbers: taking year and month apart for every record
    // of a large diary would cost more than the walk itself.
    const qint64 from = first.toJulianDay();
    const qint64 to = from + first.daysInMonth();
    for (const TDayRecord& r : store) {
        const qint64 jd = r.Date.toJulianDay();
        if (r.Date.isValid() && jd >= from && jd < to)
            marked.set(std::size_t(jd - from + 1));
    }
    return marked;
}

void SortByDate(DayList& store)
{
    // Stable, so that two records of one date keep the order the user saw.
    std::stable_sort(store.begin(), store.end(),
                     [](const TDayRecord& a, const TDayRecord& b) { return a.Date < b.Date; });
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
