// The control journal on the laboratory's PostgreSQL server: a TJournalStore
// like journal.db, so the window, the conclusion and the CSV do not know
// which one they talk to. Several technicians at once: the change check by
// revision, who and when (the database user, and the operating system's user
// where it differs), deleting as a mark, conclusion numbers taken in the
// saving transaction. QtCore + QtSql.
#pragma once
#include "journal/journalstore.h"
#include "journalserver/journalsettings.h"
#include "journalserver/serverdb.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QStringList>
#include <functional>

namespace kelto {

// "Сервер журнала недоступен: <reason>".
QString ServerUnreachableText(const QString& reason);

class TServerJournalStore : public TJournalStore {
public:
    // `password` is this run's, kept in memory only; empty lets libpq read
    // ~/.pgpass or PGPASSFILE.
    TServerJournalStore(const TJournalSettings& settings, const QString& password);

    QString Place() const override;
    TStoreResult Open() override;
    bool IsOpen() const override;
    KELTO_JOURNAL_STORE_CALLS
    QList<qint64> FindFirst(const TJournalQuery& query, qsizetype count, TStoreResult* failure = nullptr) override;
    TFindJob FindJob(const TJournalQuery& query) override;

    qint64 ChangeMark() override;

    // Saves an entry that has a mark of its own (an entry moved from
    // journal.db or sent after the connection returned): a second save of
    // the same mark writes nothing and gives the stored entry back, so
    // nothing arrives twice. `inserted` says whether it was new.
    TStoreResult SaveOnce(TJournalEntry& entry, const QString& origin, bool* inserted = nullptr);
    // The same for a conclusion: its entries are named by their marks.
    TStoreResult SaveConclusionOnce(TConclusion& conclusion, const QString& origin, const QStringList& entryOrigins,
                                    bool* inserted = nullptr);

    // Runs `body` in one transaction: committed when it returns Done.
    TStoreResult InTransaction(const std::function<TStoreResult()>& body);

    // The reason of the last connection failure, empty while connected.
    QString LastFailure() const { return m_lastFailure; }
    // A failure learnt elsewhere (an attempt on another thread).
    void NoteFailure(const QString& reason) { m_lastFailure = reason; }
    // How long a connection may wait for the server (libpq's connect_timeout).
    void SetConnectTimeout(int seconds) { m_timeoutSeconds = seconds; }
    int ConnectTimeout() const { return m_timeoutSeconds; }
    const TJournalSettings& Settings() const { return m_settings; }
    const QString& Password() const { return m_password; }

private:
    QSqlDatabase Db() const;
    TStoreResult FailWith(const QSqlError& error);
    TStoreResult Reconnect();
    TStoreResult InsertEntry(TJournalEntry& entry, const QString& origin);
    TStoreResult InsertConclusion(TConclusion& conclusion, const QString& origin);
    std::optional<TJournalEntry> LoadOne(qint64 id);
    // The number a one-row, one-column query gives; 0 on failure.
    qint64 Number(const QString& sql);

    TJournalSettings m_settings;
    QString m_password;
    TServerConnection m_connection;
    QString m_lastFailure;
    QString m_osUser;
    int m_timeoutSeconds = 5;
    bool m_inTransaction = false;
    bool m_broken = false; // the connection was lost; opened anew by the next call
};

} // namespace kelto
