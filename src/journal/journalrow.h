// An entry's typed fields as a row of a store's table: one order (date,
// object … note) and one reading for journal.db and the laboratory's
// server alike. The stores differ only in how a column holds the date and
// the verdict. QtCore + QtSql.
#pragma once
#include "journal/journalentry.h"

#include <QSqlQuery>
#include <QVariantList>

namespace kelto {

struct TRowForm {
    bool dateAsText = false;    // ISO text (journal.db) or a date column (the server)
    bool verdictAsText = false; // its word (the server) or its number (journal.db)
};
inline constexpr TRowForm FileRowForm{true, false};
inline constexpr TRowForm ServerRowForm{false, true};
inline constexpr int TypedFieldCount = 16;

// An empty text as '' (a null QString binds as NULL, which the columns refuse).
QVariant TextValue(const QString& text);
// The typed fields in the row's order, for binding.
QVariantList TypedFieldValues(const TJournalEntry& entry, TRowForm form);
// The typed fields read from `row`'s columns from `first` on, into `entry`;
// the column after them.
int ReadTypedFields(const QSqlQuery& row, int first, TRowForm form, TJournalEntry& entry);

} // namespace kelto
