// What a date field takes from the keyboard, without the field: the text it
// shows while digits are typed, the date that text names, what is wrong with
// it, and the step of ↑/↓ on the part under the caret. QtCore only.
#pragma once
#include <QDate>
#include <QString>
#include <optional>

namespace kelto {

// Dates outside these years are slips of the keyboard, never a date of work.
inline constexpr int FirstDateYear = 1900, LastDateYear = 2100;

// The mask the field shows while it is empty.
QString DateMask(); // "ДД.ММ.ГГГГ"

// "dd.MM.yyyy".
QString DateText(const QDate& date);

// Whatever was typed, as the field shows it: digits fill the day, the month
// and the year in turn, a point (or a comma, a slash, a space) ends a part
// early ("9.8.2026" → "09.08.2026"), anything else and digits beyond the
// year are dropped. "09082026" → "09.08.2026", "0908" → "09.08".
QString DateFieldText(const QString& typed);

// The date the text names, when it exists and lies within the years above.
std::optional<QDate> DateOfText(const QString& text);

// Empty when the text names a date; else the hint that says why not:
// "Укажите дату", "Допишите дату: 09.08.20", "Нет такой даты: 31.02.2026".
QString DateTextProblem(const QString& text);

enum class TDatePart { Day, Month, Year };
// The part of "dd.MM.yyyy" a caret at `position` stands in (or just after).
TDatePart DatePartAt(int position);
// `date` moved by `steps` in `part`; the day is kept within the month, and
// a step beyond the years above leaves the date as it was.
QDate StepDate(const QDate& date, TDatePart part, int steps);

// The diary's year field: four digits, years 0001 to 9999. A text no year
// can grow out of is refused as it is typed; a shorter one is unfinished.
enum class TYearText { Impossible, Unfinished, Year };
TYearText ClassifyYearText(const QString& text);
// The year as the field shows it: "2026", "0001".
QString YearText(int year);

} // namespace kelto
