// The arithmetic of one month page of the grid and the colour rule of its
// day cells, apart from any widget. QtCore only.
#pragma once
#include <QDate>
#include <QPoint>
#include <QString>

namespace kelto {

// Days of `month` (1..12) in `year`; 0 for a month out of range.
int DaysPerMonth(int year, int month);

// The day number the first cell of the first day row would hold (1 or less):
// the grid always shows at least one day of the previous week before the
// first when the month starts on the week's first day.
// `startOfWeek`: 0 = Sunday .. 6 = Saturday.
int MonthOffset(int year, int month, int startOfWeek);

// The day a cell of the 7 × 7 grid holds (row 0 is the weekday header), 0 for
// a blank cell or the header.
int DayAtCell(int year, int month, int offset, int col, int row);

// The cell of `day` on a page with `offset`.
QPoint CellOfDay(int offset, int day);

// A day kept inside a shorter month: 31 January becomes 28 or 29 February.
int DayWithinMonth(int year, int month, int day);

// Where a navigation key of the grid takes the selected date `d`: the arrows
// cross the month's and the year's edges; PageUp / PageDown keep the day in
// the month before / after (the last day of a shorter month), with `ctrl` in
// the year before / after; Home / End go to the month's first / last day.
// Invalid for any other key and for a date beyond the years 1 to 9999.
QDate DateAfterGridKey(const QDate& d, int key, bool ctrl);

// The notepad's placeholder for an empty note of `d`:
// "Заметка на 8 декабря 2026 года, вторник".
QString EmptyNotePlaceholder(const QDate& d);

// How a day cell is coloured: marked days are filled (grey when past, red
// from today on) and bold; weekend numbers are red, or white on red.
// The current (selected) cell must stay visible: a marked one keeps its fill
// and gets a frame in the highlight colour; an unmarked one lies on the
// highlight colour, so its number takes the highlighted-text colour (a red
// weekend number on the selection colour cannot be read).
enum class TCellFill { None, PastNote, Note };
enum class TCellText { Black, Red, White, HighlightedText };
struct TCellLook {
    TCellFill fill = TCellFill::None;
    TCellText text = TCellText::Black;
    bool bold = false;
    bool frame = false; // a frame in the highlight colour round the cell
};
TCellLook DayCellLook(const QDate& cellDate, const QDate& today, bool marked, bool current = false);

} // namespace kelto
