#include "journalserver/labstore.h"

#include "journal/journalrules.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

#include <algorithm>

namespace kelto {

namespace {

const QString Unreachable = QStringLiteral("Сервер журнала недоступен: ");

// An attempt to reach the server, on the probe's thread: it may wait this long.
constexpr int ProbeTimeoutSeconds = 3;
// The store's own connection is opened on the window's thread only after an
// attempt reached the server; it waits less.
constexpr int OpenTimeoutSeconds = 2;
// How long opening the journal, or a save whose connection went, waits for an attempt.
constexpr int ActionWaitMs = 1500;
// While the server is away, an attempt once in a few seconds.
constexpr qint64 RetryMs = 3000;

bool IsUnreachable(const TStoreResult& result)
{
    return result.kind == TStoreResult::Failed && result.reason.startsWith(Unreachable);
}

QString NewOrigin()
{
    return QStringLiteral("kelto:") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

} // namespace

QByteArray EntryToJson(const TJournalEntry& e)
{
    const QJsonObject o{{QStringLiteral("id"), e.id},
                        {QStringLiteral("date"), e.date.toString(Qt::ISODate)},
                        {QStringLiteral("object"), e.object},
                        {QStringLiteral("joint"), e.joint},
                        {QStringLiteral("pipe"), e.pipe},
                        {QStringLiteral("material"), e.material},
                        {QStringLiteral("method"), e.method},
                        {QStringLiteral("source"), e.source},
                        {QStringLiteral("sourceSerial"), e.sourceSerial},
                        {QStringLiteral("films"), e.films},
                        {QStringLiteral("filmSize"), e.filmSize},
                        {QStringLiteral("sensitivity"), e.sensitivity},
                        {QStringLiteral("defects"), e.defects},
                        {QStringLiteral("verdict"), VerdictText(e.verdict)},
                        {QStringLiteral("conclusion"), e.conclusion},
                        {QStringLiteral("performer"), e.performer},
                        {QStringLiteral("note"), e.note},
                        {QStringLiteral("revision"), e.revision},
                        {QStringLiteral("createdBy"), e.createdBy},
                        {QStringLiteral("createdAt"), e.createdAt.toString(Qt::ISODateWithMs)},
                        {QStringLiteral("changedBy"), e.changedBy},
                        {QStringLiteral("changedAt"), e.changedAt.toString(Qt::ISODateWithMs)},
                        {QStringLiteral("deleted"), e.deleted}};
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

TJournalEntry EntryFromJson(const QByteArray& json)
{
    const QJsonObject o = QJsonDocument::fromJson(json).object();
    auto text = [&o](const char* key) { return o.value(QLatin1String(key)).toString(); };
    TJournalEntry e;
    e.id = o.value(QLatin1String("id")).toInteger();
    e.date = QDate::fromString(text("date"), Qt::ISODate);
    e.object = text("object");
    e.joint = text("joint");
    e.pipe = text("pipe");
    e.material = text("material");
    e.method = text("method");
    e.source = text("source");
    e.sourceSerial = text("sourceSerial");
    e.films = o.value(QLatin1String("films")).toInt();
    e.filmSize = text("filmSize");
    e.sensitivity = text("sensitivity");
    e.defects = text("defects");
    e.verdict = VerdictFromText(text("verdict")).value_or(TVerdict::NotAssessed);
    e.conclusion = text("conclusion");
    e.performer = text("performer");
    e.note = text("note");
    e.revision = o.value(QLatin1String("revision")).toInteger();
    e.createdBy = text("createdBy");
    e.createdAt = QDateTime::fromString(text("createdAt"), Qt::ISODateWithMs);
    e.changedBy = text("changedBy");
    e.changedAt = QDateTime::fromString(text("changedAt"), Qt::ISODateWithMs);
    e.deleted = o.value(QLatin1String("deleted")).toBool();
    return e;
}

TLabJournalStore::TLabJournalStore(const TJournalSettings& settings, const QString& password, const QString& localFile)
    : m_server(settings, password)
    , m_localFile(localFile)
{
    m_server.SetConnectTimeout(OpenTimeoutSeconds);
}

TLabJournalStore::~TLabJournalStore()
{
    if (m_localName.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_localName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_localName);
}

QString TLabJournalStore::Place() const
{
    return m_server.Place();
}

QSqlDatabase TLabJournalStore::Local() const
{
    return QSqlDatabase::database(m_localName, false);
}

TStoreResult TLabJournalStore::OpenLocal()
{
    if (m_localName.isEmpty()) {
        m_localName = QStringLiteral("kelto-unsent-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_localName).setDatabaseName(m_localFile);
    }
    QSqlDatabase db = Local();
    if (!db.isOpen() && !db.open())
        return TStoreResult::Fail(QStringLiteral("Не удалось открыть %1: %2").arg(m_localFile, db.lastError().text()));
    QSqlQuery q(db);
    // A reported save survives a power cut, as every save of journal.db does.
    for (const char* sql : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=FULL",
                            "CREATE TABLE IF NOT EXISTS server_outbox (seq INTEGER PRIMARY KEY AUTOINCREMENT, "
                            "kind TEXT NOT NULL, origin TEXT, server_id INTEGER, entry TEXT NOT NULL, "
                            "saved_at TEXT NOT NULL)"})
        if (!q.exec(QLatin1String(sql)))
            return TStoreResult::Fail(
                QStringLiteral("Не удалось открыть %1: %2").arg(m_localFile, q.lastError().text()));
    return {};
}

TStoreResult TLabJournalStore::Open()
{
    if (const TStoreResult local = OpenLocal(); !local.IsDone())
        return local;
    StartProbe();
    return FinishOpen(m_probe.Take(ActionWaitMs));
}

TStoreResult TLabJournalStore::OpenAfter(const TProbeResult& attempt)
{
    if (const TStoreResult local = OpenLocal(); !local.IsDone())
        return local;
    return FinishOpen(attempt);
}

TStoreResult TLabJournalStore::FinishOpen(const std::optional<TProbeResult>& probe)
{
    if (!probe || !probe->reached) {
        // Not reached yet: the journal opens on what it has, the attempt goes on.
        Settle(probe);
        if (!probe)
            m_server.NoteFailure(QStringLiteral("сервер не ответил вовремя"));
        m_online = false;
        return {};
    }
    const TStoreResult server = m_server.Open();
    m_online = server.IsDone();
    m_sinceTry.start();
    if (!m_online && !IsUnreachable(server))
        return server; // the schema: the administrator's SQL, or a newer program
    if (m_online)
        SendUnsent();
    return {};
}

bool TLabJournalStore::IsOpen() const
{
    return Local().isOpen();
}

int TLabJournalStore::SchemaVersion()
{
    return TryServer() ? m_server.SchemaVersion() : CurrentJournalSchema;
}

QString TLabJournalStore::OfflineText() const
{
    return m_online ? QString() : Unreachable + m_server.LastFailure();
}

bool TLabJournalStore::TryServer()
{
    if (m_server.IsOpen())
        return m_online = true;
    if (Settle(m_probe.Take()))
        return true;
    m_online = false;
    if (!m_probe.Running() && (!m_sinceTry.isValid() || m_sinceTry.elapsed() >= RetryMs))
        StartProbe();
    return false;
}

void TLabJournalStore::StartProbe()
{
    m_probe.Start(m_server.Settings(), m_server.Password(), ProbeTimeoutSeconds);
    m_sinceTry.start();
}

bool TLabJournalStore::Settle(const std::optional<TProbeResult>& probe)
{
    if (!probe)
        return false;
    m_sinceTry.start();
    if (!probe->reached) {
        m_server.NoteFailure(probe->reason);
        return m_online = false;
    }
    return m_online = m_server.Open().IsDone();
}

bool TLabJournalStore::ReachNow(int waitMs)
{
    StartProbe();
    return Settle(m_probe.Take(waitMs));
}

void TLabJournalStore::NoteServer(const TStoreResult& result)
{
    if (IsUnreachable(result))
        m_online = false;
}

QList<TLabJournalStore::TWaiting> TLabJournalStore::Waiting()
{
    QList<TWaiting> out;
    QSqlQuery q(Local());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT seq, kind, origin, server_id, entry FROM server_outbox ORDER BY seq")))
        return out;
    while (q.next())
        out.append({q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString(), q.value(3).toLongLong(),
                    EntryFromJson(q.value(4).toByteArray())});
    return out;
}

std::optional<TLabJournalStore::TWaiting> TLabJournalStore::WaitingFor(qint64 id)
{
    for (const TWaiting& w : Waiting())
        if ((id < 0 && w.seq == -id) || (id > 0 && w.serverId == id && w.kind == QLatin1String("save")))
            return w;
    return std::nullopt;
}

TJournalEntry TLabJournalStore::Shown(const TWaiting& w) const
{
    TJournalEntry e = w.entry;
    e.id = w.serverId > 0 ? w.serverId : -w.seq;
    e.unsent = true;
    return e;
}

TStoreResult TLabJournalStore::Keep(const TWaiting& w)
{
    QSqlQuery q(Local());
    if (w.seq > 0) {
        q.prepare(QStringLiteral("UPDATE server_outbox SET entry = ?, saved_at = datetime('now') WHERE seq = ?"));
        q.addBindValue(QString::fromUtf8(EntryToJson(w.entry)));
        q.addBindValue(w.seq);
    } else {
        q.prepare(QStringLiteral("INSERT INTO server_outbox (kind, origin, server_id, entry, saved_at) "
                                 "VALUES (?, ?, ?, ?, datetime('now'))"));
        q.addBindValue(w.kind);
        q.addBindValue(w.origin);
        q.addBindValue(w.serverId);
        q.addBindValue(QString::fromUtf8(EntryToJson(w.entry)));
    }
    if (!q.exec())
        return TStoreResult::Fail(
            OfflineText() + QStringLiteral("; запись не сохранена и в %1: %2").arg(m_localFile, q.lastError().text()));
    return {};
}

bool TLabJournalStore::Forget(qint64 seq)
{
    QSqlQuery q(Local());
    q.prepare(QStringLiteral("DELETE FROM server_outbox WHERE seq = ?"));
    q.addBindValue(seq);
    return q.exec();
}

TStoreResult TLabJournalStore::KeepSave(TJournalEntry& entry, const QString& origin)
{
    TWaiting w;
    if (auto waiting = WaitingFor(entry.id))
        w = *waiting;
    else
        w = {0, QStringLiteral("save"), origin.isEmpty() ? NewOrigin() : origin, std::max<qint64>(entry.id, 0), {}};
    w.entry = entry;
    if (const TStoreResult kept = Keep(w); !kept.IsDone())
        return kept;
    if (entry.id == 0) {
        QSqlQuery q(Local());
        if (q.exec(QStringLiteral("SELECT last_insert_rowid()")) && q.next())
            entry.id = -q.value(0).toLongLong();
    }
    entry.unsent = true;
    return {};
}

TStoreResult TLabJournalStore::KeepMark(qint64 id, bool deleted)
{
    if (id < 0) {
        auto w = WaitingFor(id);
        if (!w)
            return {TStoreResult::Missing, QStringLiteral("Записи в журнале нет."), std::nullopt};
        w->entry.deleted = deleted;
        return Keep(*w);
    }
    return Keep({0, deleted ? QStringLiteral("delete") : QStringLiteral("undelete"), QString(), id, m_known.value(id)});
}

int TLabJournalStore::UnsentCount()
{
    QSqlQuery q(Local());
    return q.exec(QStringLiteral("SELECT count(*) FROM server_outbox")) && q.next() ? q.value(0).toInt() : 0;
}

int TLabJournalStore::SendUnsent()
{
    if (!m_server.IsOpen()) {
        m_online = m_server.Open().IsDone();
        if (!m_online)
            return 0;
    }
    int sent = 0;
    for (const TWaiting& w : Waiting()) {
        TStoreResult r;
        TJournalEntry e = w.entry;
        if (w.kind == QLatin1String("save") && w.serverId == 0) {
            // Sent once by its mark, even when an earlier answer was lost.
            r = m_server.SaveOnce(e, w.origin);
            if (r.IsDone() && w.entry.deleted)
                r = m_server.Delete(e.id);
        } else if (w.kind == QLatin1String("save")) {
            e.id = w.serverId;
            r = m_server.Save(e);
            // Ours arrived before its answer was lost: theirs is ours.
            if (r.kind == TStoreResult::Changed && r.theirs && r.theirs->SameText(w.entry))
                r = {};
        } else {
            r = w.kind == QLatin1String("delete") ? m_server.Delete(w.serverId) : m_server.Undelete(w.serverId);
            if (r.kind == TStoreResult::Missing)
                r = {};
        }
        if (IsUnreachable(r)) {
            m_online = false;
            break;
        }
        // A change someone else made meanwhile waits for the user's choice.
        if (!r.IsDone())
            continue;
        if (!Forget(w.seq))
            break;
        if (e.id > 0)
            m_known.insert(e.id, e);
        ++sent;
    }
    return sent;
}

namespace {

bool FoundBy(const TJournalQuery& query, const TJournalSearchKey& key, const TJournalEntry& e)
{
    return (query.withDeleted || !e.deleted) && (!query.verdict || e.verdict == *query.verdict) && EntryMatches(e, key);
}

} // namespace

QList<qint64> TLabJournalStore::Find(const TJournalQuery& query, TStoreResult* failure)
{
    return FindFirst(query, -1, failure);
}

QList<qint64> TLabJournalStore::FindFirst(const TJournalQuery& query, qsizetype count, TStoreResult* failure)
{
    QList<qint64> ids;
    bool fromServer = false;
    if (TryServer()) {
        TStoreResult r;
        ids = m_server.FindFirst(query, count, &r);
        NoteServer(r);
        fromServer = r.IsDone();
        if (fromServer)
            m_lastFound = ids;
    }
    const TJournalSearchKey key = JournalSearchKey(query.text);
    if (!fromServer) {
        // What the window had: the last list's order, then the rest, newest first.
        QList<qint64> order = m_lastFound;
        QList<qint64> rest = m_known.keys();
        std::sort(rest.begin(), rest.end(), std::greater<>());
        for (qint64 id : rest)
            if (!order.contains(id))
                order.append(id);
        for (qint64 id : order)
            if (auto it = m_known.constFind(id); it != m_known.cend() && FoundBy(query, key, *it))
                ids.append(id);
    }
    if (failure)
        *failure = {};
    return UnsentFound(query) + ids;
}

QList<qint64> TLabJournalStore::UnsentFound(const TJournalQuery& query)
{
    const TJournalSearchKey key = JournalSearchKey(query.text);
    QList<qint64> unsent;
    for (const TWaiting& w : Waiting())
        if (w.serverId == 0 && FoundBy(query, key, w.entry))
            unsent.append(-w.seq);
    std::reverse(unsent.begin(), unsent.end());
    return unsent;
}

TJournalStore::TFindJob TLabJournalStore::FindJob(const TJournalQuery& query)
{
    if (!m_online)
        return {};
    TFindJob onServer = m_server.FindJob(query);
    if (!onServer)
        return {};
    // The waiting entries are read here: the job's thread has only the server.
    return [onServer, unsent = UnsentFound(query)](TStoreResult* failure) {
        TStoreResult r;
        const QList<qint64> ids = onServer(&r);
        if (r.FailedInto(failure))
            return QList<qint64>();
        return unsent + ids;
    };
}

QList<TJournalEntry> TLabJournalStore::Load(const QList<qint64>& ids, TStoreResult* failure)
{
    QHash<qint64, TJournalEntry> waiting;
    for (const TWaiting& w : Waiting())
        if (w.kind == QLatin1String("save"))
            waiting.insert(w.serverId > 0 ? w.serverId : -w.seq, Shown(w));
    QList<qint64> fromServer;
    for (qint64 id : ids)
        if (id > 0 && !waiting.contains(id))
            fromServer.append(id);
    if (!fromServer.isEmpty() && TryServer()) {
        TStoreResult r;
        for (const TJournalEntry& e : m_server.Load(fromServer, &r))
            m_known.insert(e.id, e);
        NoteServer(r);
    }
    QList<TJournalEntry> out;
    for (qint64 id : ids) {
        if (auto it = waiting.constFind(id); it != waiting.cend())
            out.append(*it);
        else if (auto known = m_known.constFind(id); known != m_known.cend())
            out.append(*known);
    }
    if (failure)
        *failure = {};
    return out;
}

qint64 TLabJournalStore::Count()
{
    qint64 unsent = 0;
    for (const TWaiting& w : Waiting())
        unsent += w.serverId == 0 && !w.entry.deleted;
    if (TryServer())
        return m_server.Count() + unsent;
    return std::count_if(m_known.cbegin(), m_known.cend(), [](const TJournalEntry& e) { return !e.deleted; }) + unsent;
}

TStoreResult TLabJournalStore::Save(TJournalEntry& entry)
{
    if (!TryServer() || (SendUnsent(), !m_online))
        return KeepSave(entry, QString());
    if (auto w = WaitingFor(entry.id); w && entry.id < 0)
        return KeepSave(entry, QString()); // its first save has not gone yet
    const QString origin = entry.id == 0 ? NewOrigin() : QString();
    auto send = [&](TJournalEntry& e) { return e.id == 0 ? m_server.SaveOnce(e, origin) : m_server.Save(e); };
    TJournalEntry attempt = entry;
    TStoreResult r = send(attempt);
    // A connection that went while idle (a restarted server) is opened anew once.
    if (IsUnreachable(r) && ReachNow(ActionWaitMs)) {
        attempt = entry;
        r = send(attempt);
    }
    if (IsUnreachable(r)) {
        m_online = false;
        return KeepSave(entry, origin);
    }
    if (r.IsDone()) {
        if (auto w = WaitingFor(attempt.id))
            Forget(w->seq);
        entry = attempt;
        m_known.insert(entry.id, entry);
    }
    return r;
}

TStoreResult TLabJournalStore::SetDeleted(qint64 id, bool deleted)
{
    if (id < 0 || !TryServer())
        return KeepMark(id, deleted);
    const TStoreResult r = m_server.SetDeleted(id, deleted);
    NoteServer(r);
    if (IsUnreachable(r))
        return KeepMark(id, deleted);
    if (r.IsDone() && m_known.contains(id))
        m_known[id].deleted = deleted;
    return r;
}

int TLabJournalStore::NextConclusionNumber(int year)
{
    return TryServer() ? m_server.NextConclusionNumber(year) : 1;
}

TStoreResult TLabJournalStore::SaveConclusion(TConclusion& conclusion)
{
    // The number is the laboratory's: only the server gives it.
    if (!TryServer() || (SendUnsent(), !m_online))
        return TStoreResult::Fail(OfflineText()
                                  + QStringLiteral(". Номер заключения даёт сервер лаборатории: сохраните заключение, "
                                                   "когда он станет доступен."));
    if (std::any_of(conclusion.entryIds.cbegin(), conclusion.entryIds.cend(), [](qint64 id) { return id < 0; }))
        return TStoreResult::Fail(QStringLiteral("В заключении есть записи, ещё не отправленные на сервер."));
    const TStoreResult r = m_server.SaveConclusion(conclusion);
    NoteServer(r);
    return r;
}

std::optional<TConclusion> TLabJournalStore::LoadConclusion(const TConclusionNumber& number)
{
    return TryServer() ? m_server.LoadConclusion(number) : std::nullopt;
}

qint64 TLabJournalStore::ChangeMark()
{
    if (!TryServer())
        return 0;
    SendUnsent();
    // Lost while sending: asked again once the server answers an attempt.
    return m_server.IsOpen() ? m_server.ChangeMark() : 0;
}

QString TLabJournalStore::StateText()
{
    QStringList parts;
    if (!m_online)
        parts << OfflineText();
    if (const int unsent = UnsentCount())
        parts << QStringLiteral("Не отправлено на сервер записей: %1 (будут отправлены, когда сервер ответит)")
                     .arg(unsent);
    return parts.join(QStringLiteral(". "));
}

} // namespace kelto
