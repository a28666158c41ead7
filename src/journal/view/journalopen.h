// Opening the file journal journal.db when the journal is first used: a file
// that is no journal or fails its check is named in a box with what is
// wrong; it is kept untouched as journal.db.bad-<date>, and a new empty
// journal started only when the user agrees.
#pragma once
#include "journal/journalstore.h"

#include <QString>
#include <memory>

namespace kelto {

// The store, opened; nothing when the file is damaged and the user keeps it
// (the journal window stays closed). A store that could not open for
// another reason (a read-only folder, a full disk) is returned after a box:
// its next save tries again.
std::unique_ptr<TJournalStore> OpenFileJournal(const QString& path);

} // namespace kelto
