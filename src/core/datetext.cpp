#include "core/datetext.h"

#include <array>

namespace kelto {

namespace {

constexpr std::array<int, 3> PartLength = {2, 2, 4};

bool EndsPart(QChar c)
{
    return c == QLatin1Char('.') || c == QLatin1Char(',') || c == QLatin1Char('/') || c == QLatin1Char(' ');
}

bool InBounds(const QDate& d)
{
    return d.isValid() && d.year() >= FirstDateYear && d.year() <= LastDateYear;
}

} // namespace

QString DateMask()
{
    return QStringLiteral("ДД.ММ.ГГГГ");
}

QString DateText(const QDate& date)
{
    return date.toString(QStringLiteral("dd.MM.yyyy"));
}

QString DateFieldText(const QString& typed)
{
    std::array<QString, 3> parts;
    size_t part = 0;
    for (const QChar c : typed) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            if (parts[part].size() == PartLength[part]) {
                if (part + 1 == parts.size())
                    continue;
                ++part;
            }
            parts[part] += c;
        } else if (EndsPart(c) && !parts[part].isEmpty() && part + 1 < parts.size()) {
            // "9." is the ninth: the part is complete, the next one begins.
            parts[part] = parts[part].rightJustified(PartLength[part], QLatin1Char('0'));
            ++part;
        }
    }
    QString out = parts[0];
    for (size_t i = 1; i <= part; ++i)
        out += QLatin1Char('.') + parts[i];
    return out;
}

std::optional<QDate> DateOfText(const QString& text)
{
    const QString shown = DateFieldText(text);
    if (shown.size() != 10)
        return std::nullopt;
    const QDate d(shown.mid(6, 4).toInt(), shown.mid(3, 2).toInt(), shown.left(2).toInt());
    if (!InBounds(d))
        return std::nullopt;
    return d;
}

QString DateTextProblem(const QString& text)
{
    const QString shown = DateFieldText(text);
    if (shown.isEmpty())
        return QStringLiteral("Укажите дату");
    if (shown.size() != 10)
        return QStringLiteral("Допишите дату: %1").arg(shown);
    if (!DateOfText(shown))
        return QStringLiteral("Нет такой даты: %1").arg(shown);
    return QString();
}

TDatePart DatePartAt(int position)
{
    if (position <= 2)
        return TDatePart::Day;
    return position <= 5 ? TDatePart::Month : TDatePart::Year;
}

QDate StepDate(const QDate& date, TDatePart part, int steps)
{
    QDate next;
    switch (part) {
    case TDatePart::Day: next = date.addDays(steps); break;
    case TDatePart::Month: next = date.addMonths(steps); break;
    case TDatePart::Year: next = date.addYears(steps); break;
    }
    return InBounds(next) ? next : date;
}

TYearText ClassifyYearText(const QString& text)
{
    if (text.size() > 4)
        return TYearText::Impossible;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return TYearText::Impossible;
    if (text.size() < 4)
        return TYearText::Unfinished;
    return text == QLatin1String("0000") ? TYearText::Impossible : TYearText::Year;
}

QString YearText(int year)
{
    return QString::number(year).rightJustified(4, QLatin1Char('0'));
}

} // namespace kelto
