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
// The file's check of every page runs on while the window shows its first
// rows; a failure is told by the window (TfJournal::storeDamaged) and met
// with StartNewJournal.
std::unique_ptr<TJournalStore> OpenFileJournal(const QString& path);
// The file at `path` failed: the box naming it and `reason`; when the user
// agrees, the file is set aside untouched and the new empty journal's store
// returned, else nothing (the window stays closed). No store may hold the
// file open then.
std::unique_ptr<TJournalStore> StartNewJournal(const QString& path, const QString& reason);

} // namespace kelto
