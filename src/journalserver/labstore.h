// The journal as the window sees it when journal.cnf names a server: the
// laboratory's server while it answers, and, while it does not, the entries
// saved meanwhile kept in journal.db ("не отправлено") and sent in order when
// it answers again, with the change check. A save is either on the server
// or among the unsent, never half: a new entry carries a mark of its own, so
// a save whose answer was lost arrives once. QtCore + QtSql.
#pragma once
#include "journalserver/serverprobe.h"
#include "journalserver/serverstore.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSqlDatabase>

namespace kelto {

class TLabJournalStore : public TJournalStore {
public:
    // `localFile`: journal.db, where the unsent entries wait.
    TLabJournalStore(const TJournalSettings& settings, const QString& password, const QString& localFile);
    ~TLabJournalStore() override;

    QString Place() const override;
    // Opens the local waiting room and tries the server; an unreachable
    // server is no failure (Online() says so).
    TStoreResult Open() override;
    // The same after an attempt to reach the server made just now (on a
    // thread of its own, while the window waited): nothing waited for here
    // but the store's own connection once the server answered.
    TStoreResult OpenAfter(const TProbeResult& attempt);
    bool IsOpen() const override;
    KELTO_JOURNAL_STORE_CALLS
    QList<qint64> FindFirst(const TJournalQuery& query, qsizetype count, TStoreResult* failure = nullptr) override;
    TFindJob FindJob(const TJournalQuery& query) override;

    qint64 ChangeMark() override;
    // The server out of reach and the entries waiting, as the window says them.
    QString StateText() override;

    // Whether the server answered last time; else the line the window shows
    // ("Сервер журнала недоступен: …").
    bool Online() const { return m_online; }
    QString OfflineText() const;
    // The entries waiting to be sent, and sending them (in the order they
    // were saved); how many arrived.
    int UnsentCount();
    int SendUnsent();

    TServerJournalStore& Server() { return m_server; }

private:
    struct TWaiting {
        qint64 seq = 0;
        QString kind; // "save", "delete", "undelete"
        QString origin;
        qint64 serverId = 0;
        TJournalEntry entry;
    };
    QSqlDatabase Local() const;
    QList<TWaiting> Waiting();
    // The waiting new entries `query` finds, the newest first.
    QList<qint64> UnsentFound(const TJournalQuery& query);
    std::optional<TWaiting> WaitingFor(qint64 id);
    TStoreResult Keep(const TWaiting& waiting);
    bool Forget(qint64 seq);
    // Whether the server is open now. When it is not, an attempt to reach
    // it runs on the probe's thread (once in a few seconds) and this call
    // never waits for it: the window keeps answering while the server is away.
    bool TryServer();
    // An attempt now, waited for at most `waitMs` (a user's own action).
    bool ReachNow(int waitMs);
    void StartProbe();
    // The store's connection opened once an attempt reached the server.
    bool Settle(const std::optional<TProbeResult>& probe);
    void NoteServer(const TStoreResult& result);
    TStoreResult OpenLocal();
    TStoreResult FinishOpen(const std::optional<TProbeResult>& attempt);
    TStoreResult KeepSave(TJournalEntry& entry, const QString& origin);
    TStoreResult KeepMark(qint64 id, bool deleted);
    TJournalEntry Shown(const TWaiting& waiting) const;

    TServerJournalStore m_server;
    QString m_localFile;
    QString m_localName;
    bool m_online = false;
    QElapsedTimer m_sinceTry;
    // The entries last read from the server, for the list while it is away.
    QHash<qint64, TJournalEntry> m_known;
    QList<qint64> m_lastFound;
    // An attempt under way when the store goes ends on its own thread.
    TServerProbe m_probe;
};

// The entry as the waiting room keeps it (JSON, every field).
QByteArray EntryToJson(const TJournalEntry& entry);
TJournalEntry EntryFromJson(const QByteArray& json);

} // namespace kelto
