#include "diary/monthpage.h"

#include <algorithm>

namespace kelto {

int DaysPerMonth(int year, int month)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return days[month - 1] + (month == 2 && leap ? 1 : 0);
}

int MonthOffset(int year, int month, int startOfWeek)
{
    // Weekday of the first, 1 = Sunday .. 7 = Saturday.
    const int w = QDate(year, month, 1).dayOfWeek() % 7 + 1;
    const int a = (w - startOfWeek + 7) % 7;
    return a == 0 ? -5 : 2 - a;
}

int DayAtCell(int year, int month, int offset, int col, int row)
{
    if (col < 0 || col >= 7 || row < 1 || row >= 7)
        return 0;
    const int n = offset + col + 7 * (row - 1);
    return n >= 1 && n <= DaysPerMonth(year, month) ? n : 0;
}

QPoint CellOfDay(int offset, int day)
{
    const int k = day - offset;
    return {k % 7, k / 7 + 1};
}

int DayWithinMonth(int year, int month, int day)
{
    return std::min(day, DaysPerMonth(year, month));
}

QDate DateAfterGridKey(const QDate& d, int key, bool ctrl)
{
    QDate to;
    switch (key) {
    case Qt::Key_Left: to = d.addDays(-1); break;
    case Qt::Key_Right: to = d.addDays(1); break;
    case Qt::Key_Up: to = d.addDays(-7); break;
    case Qt::Key_Down: to = d.addDays(7); break;
    // addMonths and addYears keep the day inside a shorter month.
    case Qt::Key_PageUp: to = ctrl ? d.addYears(-1) : d.addMonths(-1); break;
    case Qt::Key_PageDown: to = ctrl ? d.addYears(1) : d.addMonths(1); break;
    case Qt::Key_Home: to = QDate(d.year(), d.month(), 1); break;
    case Qt::Key_End: to = QDate(d.year(), d.month(), DaysPerMonth(d.year(), d.month())); break;
    default: return {};
    }
    return to.isValid() && to.year() >= 1 && to.year() <= 9999 ? to : QDate();
}

QString EmptyNotePlaceholder(const QDate& d)
{
    // Fixed Russian names: the notepad speaks Russian whatever the locale.
    static const char16_t* const months[12] = {u"января", u"февраля", u"марта",    u"апреля",  u"мая",    u"июня",
                                               u"июля",   u"августа", u"сентября", u"октября", u"ноября", u"декабря"};
    static const char16_t* const weekdays[7]
        = {u"понедельник", u"вторник", u"среда", u"четверг", u"пятница", u"суббота", u"воскресенье"};
    if (!d.isValid())
        return {};
    return QStringLiteral("Заметка на %1 %2 %3 года, %4")
        .arg(d.day())
        .arg(QString::fromUtf16(months[d.month() - 1]))
        .arg(d.year())
        .arg(QString::fromUtf16(weekdays[d.dayOfWeek() - 1]));
}

TCellLook DayCellLook(const QDate& cellDate, const QDate& today, bool marked, bool current)
{
    TCellLook look;
    const bool weekend = cellDate.dayOfWeek() >= 6;
    if (marked) {
        const bool past = cellDate < today;
        look.fill = past ? TCellFill::PastNote : TCellFill::Note;
        look.bold = true;
        look.frame = current;
        if (weekend)
            look.text = past ? TCellText::Red : TCellText::White;
    } else if (current) {
        look.text = TCellText::HighlightedText;
    } else if (weekend) {
        look.text = TCellText::Red;
    }
    return look;
}

} // namespace kelto
