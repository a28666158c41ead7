// The diary store: one note per day, kept in the order of reading and adding.
// QtCore only.
#pragma once
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <bitset>

namespace kelto {

struct TDayRecord {
    QDate Date;
    QStringList Lines;
};

using DayList = QList<TDayRecord>;

// Day-of-month numbers 1..31 of the shown month that carry a note.
using TMarkedDays = std::bitset<32>;

// True when some character of some line is neither a blank nor a NUL.
bool NoteHasText(const QStringList& lines);

// Stores `lines` as the note of `selected`, or removes the first record of
// that date when the lines hold no text.
void SaveDayNote(DayList& store, const QDate& selected, const QStringList& lines);

// The lines the notepad shows for `selected`: every record of that date, in
// store order, one after the other.
QStringList LoadDayNote(const DayList& store, const QDate& selected);

TMarkedDays UpdateMarkedDays(const DayList& store, int year, int month);

// Sorts by date, ascending, in place.
void SortByDate(DayList& store);

// Dates in the diary files: dd.MM.yyyy, the same on every machine.
QString DiaryDateText(const QDate& date);
// An invalid date when the text is not one.
QDate ParseDiaryDate(const QString& text);

} // namespace kelto
