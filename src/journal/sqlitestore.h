// The control journal in the file journal.db of the program folder: SQLite
// through Qt SQL (QSQLITE). WAL with synchronous=FULL, so a save reported
// done survives a power cut; foreign keys on; every change one transaction;
// the schema version in PRAGMA user_version, upgraded with every row kept.
// Before the first change of each day the file is copied whole (VACUUM INTO)
// to backup/journal-YYYY-MM-DD.db; 30 copies are kept. QtCore and QtSql only.
#pragma once
#include "journal/journalstore.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <future>

namespace kelto {

inline constexpr int KeptJournalBackups = 30;
// journal.db's own schema version: the entries of CurrentJournalSchema and,
// from 3 on, the search's index beside them (which no server keeps).
inline constexpr int FileJournalSchema = 3;
static_assert(FileJournalSchema >= CurrentJournalSchema);

// "journal.db" in the program folder.
QString JournalFilePath();
// "journal-2026-12-09.db".
QString JournalBackupName(const QDate& day);
// Of the names in the backup folder, the journal copies beyond `keep`: those
// dated after `today` (the clock was set back) first, then the oldest. Other
// names never appear.
QStringList JournalBackupsToDelete(const QStringList& fileNames, const QDate& today, int keep = KeptJournalBackups);
// "journal.db.bad-2026-12-09" (with "-2", "-3" … when that name is taken):
// where a damaged journal is put aside.
QString DamagedJournalPath(const QString& path, const QDate& day);

class TSqliteJournalStore final : public TJournalStore {
public:
    explicit TSqliteJournalStore(const QString& path = JournalFilePath());
    ~TSqliteJournalStore() override;
    TSqliteJournalStore(const TSqliteJournalStore&) = delete;
    TSqliteJournalStore& operator=(const TSqliteJournalStore&) = delete;

    QString Place() const override { return m_path; }
    TStoreResult Open() override;
    bool IsOpen() const override { return m_open; }
    KELTO_JOURNAL_STORE_CALLS
    TStoreResult ForEachEntry(const QList<qint64>& ids, const std::function<void(const TJournalEntry&)>& each) override;
    QList<qint64> FindFirst(const TJournalQuery& query, qsizetype count, TStoreResult* failure = nullptr) override;
    TFindJob FindJob(const TJournalQuery& query) override;

    // Open reads every page of the file on a thread of its own instead of
    // before it returns (the first rows show meanwhile); changes wait for
    // that check, and a file that fails it takes none (BackgroundCheck says
    // Damaged). An upgrade of the schema is checked before, as ever.
    void SetCheckLater(bool later) { m_checkLater = later; }
    std::optional<TStoreResult> BackgroundCheck() override;

    // After Open said Damaged and the user agreed: the file (and its -wal and
    // -shm) renamed untouched to DamagedJournalPath, and a new empty journal
    // opened. The failure when the rename or the new journal fails.
    TStoreResult SetAsideAndStartNew();
    // The damaged file's new name after SetAsideAndStartNew.
    QString SetAsidePath() const { return m_setAside; }

    // The schema of an older version, for the upgrade's tests: a new file at
    // `path` made as that version made it.
    static TStoreResult CreateOldSchema(const QString& path, int version);

private:
    TStoreResult Change(const std::function<TStoreResult()>& work);
    TStoreResult EnsureOpen();
    void Close();
    TStoreResult BackUpOfDay();
    // The check's result, waited for when it still runs.
    TStoreResult CheckResult();
    TStoreResult ReadEntries(const QList<qint64>& ids, bool stamps, const std::function<void(const TJournalEntry&)>& each);

    QString m_path;
    QString m_connection;
    QString m_setAside;
    bool m_open = false;
    QDate m_backedUp; // the day whose copy exists
    bool m_checkLater = false;
    std::future<TStoreResult> m_check; // the check running on its thread
    TStoreResult m_checked;            // its result once taken
};

} // namespace kelto
