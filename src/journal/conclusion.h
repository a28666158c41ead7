// The conclusion on paper without the painting: its table's rows made of
// entries, the split of the rows over pages, and conclusion.cnf that
// remembers the fields the user types. QtCore only.
#pragma once
#include "journal/journalentry.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace kelto {

// One line of the conclusion's table.
struct TConclusionRow {
    QString joint;
    QString films;       // film / section: "3 сн., 100 × 240"
    QString sensitivity; // reached
    QString defects;
    QString verdict;
    bool operator==(const TConclusionRow&) const = default;
};
TConclusionRow ConclusionRowOf(const TJournalEntry& entry);

// The rows of each page: pages after the first have `otherRoom` for rows
// (the table's header is repeated on each), the first `firstRoom` (the
// conclusion's header fields above); the signatures (`signatures` high)
// follow the last row, on a page of their own when they do not fit. A row
// taller than a page gets a page of its own. `heights` in any one unit.
// The result: the count of rows on each page (the last may be 0: only the
// signatures).
QList<int> ConclusionPageRows(const QList<double>& heights, double firstRoom, double otherRoom, double signatures);

// "Лист 1 из 3".
QString SheetText(int page, int pages);

// conclusion.cnf: UTF-8 with a byte-order mark (one without it is read as
// code page 1251), CR LF, one value per line:
//  1 organization, 2 place of control, 3 customer and contract, 4 object,
//  5 drawing number, 6 category of the joints, 7 method and standard,
//  8 means of control, 9 norms of assessment, 10 performer, 11 his
//  qualification, 12 the one who checked, 13 his qualification.
QByteArray ConclusionFileBytes(const TConclusion& conclusion);
inline constexpr int ConclusionFileLines = 13;
// The lines read from the file into `conclusion`, in the order above; how
// many were taken (every one: each is free text).
int TakeConclusionLines(const QStringList& lines, TConclusion& conclusion);

} // namespace kelto
