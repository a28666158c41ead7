#include "journal/sqlitestore.h"
#include "journal/journalrow.h"
#include "core/clock.h"
#include "core/programfolder.h"
#include "journal/journalrules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>
#include <algorithm>
#include <atomic>
#include <chrono>

namespace kelto {

namespace {

// The typed columns of an entry in one order for every statement.
constexpr const char* EntryColumns[] = {"date",       "object",      "joint",   "pipe",       "material", "method",
                                        "source",     "source_serial", "films", "film_size",  "sensitivity",
                                        "defects",    "verdict",     "conclusion", "performer", "note"};
constexpr int EntryColumnCount = int(std::size(EntryColumns));
constexpr const char* KeptColumns = "id, revision, deleted, created_by, created_at, changed_by, changed_at";

constexpr const char* ConclusionColumns[]
    = {"year",     "number",    "date",      "organization", "place",          "customer",
       "object",   "drawing",   "joint_category", "method_standard", "means", "norms",
       "performer", "performer_qualification", "checker", "checker_qualification"};

QString Joined(const char* const* names, int count, const QString& pattern)
{
    QStringList parts;
    for (int i = 0; i < count; ++i)
        parts << QString(pattern).replace(QLatin1String("%1"), QLatin1String(names[i]));
    return parts.join(QLatin1String(", "));
}


QString Stamp(const QDateTime& t)
{
    return t.toString(Qt::ISODateWithMs);
}

// `stamps`: who made and changed it and when, left out where nobody reads
// them (parsing local times costs more than the rest of a row).
TJournalEntry EntryFrom(const QSqlQuery& q, bool stamps = true)
{
    TJournalEntry e;
    int c = ReadTypedFields(q, 0, FileRowForm, e);
    const auto text = [&] { return q.value(c++).toString(); };
    e.id = q.value(c++).toLongLong();
    e.revision = q.value(c++).toLongLong();
    e.deleted = q.value(c++).toBool();
    if (!stamps)
        return e;
    e.createdBy = text();
    e.createdAt = QDateTime::fromString(text(), Qt::ISODateWithMs);
    e.changedBy = text();
    e.changedAt = QDateTime::fromString(text(), Qt::ISODateWithMs);
    return e;
}

QString SelectEntries()
{
    return QStringLiteral("SELECT %1, %2 FROM entries ")
        .arg(Joined(EntryColumns, EntryColumnCount, QStringLiteral("%1")), QLatin1String(KeptColumns));
}

// SQLite's result codes as the user is told them.
QString ReasonOf(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok) & 0xFF;
    switch (ok ? code : -1) {
    case 5:
    case 6: return QStringLiteral("журнал занят другой программой");
    case 8: return QStringLiteral("папка программы или файл журнала доступны только для чтения");
    case 10: return QStringLiteral("ошибка чтения или записи на диске");
    case 11: return QStringLiteral("файл журнала повреждён");
    case 13: return QStringLiteral("на диске нет места");
    case 14: return QStringLiteral("файл журнала не открывается: нет доступа к папке программы");
    case 19: return QStringLiteral("запись не принята: нарушены правила журнала");
    case 26: return QStringLiteral("файл не является базой данных журнала");
    default: break;
    }
    return QStringLiteral("ошибка базы данных журнала (%1)").arg(error.nativeErrorCode().isEmpty() ? error.text() : error.nativeErrorCode());
}

QString OsUser()
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    return user;
}

// The schema of each version: version 1 lacked the search text and who
// made and changed what.
const QStringList& SchemaV1()
{
    static const QStringList s{
        QStringLiteral("CREATE TABLE entries(id INTEGER PRIMARY KEY, date TEXT NOT NULL, object TEXT NOT NULL DEFAULT '',"
                       " joint TEXT NOT NULL DEFAULT '', pipe TEXT NOT NULL DEFAULT '', material TEXT NOT NULL DEFAULT '',"
                       " method TEXT NOT NULL DEFAULT '', source TEXT NOT NULL DEFAULT '', source_serial TEXT NOT NULL DEFAULT '',"
                       " films INTEGER NOT NULL DEFAULT 0, film_size TEXT NOT NULL DEFAULT '', sensitivity TEXT NOT NULL DEFAULT '',"
                       " defects TEXT NOT NULL DEFAULT '', verdict INTEGER NOT NULL DEFAULT 0, conclusion TEXT NOT NULL DEFAULT '',"
                       " performer TEXT NOT NULL DEFAULT '', note TEXT NOT NULL DEFAULT '', revision INTEGER NOT NULL DEFAULT 1,"
                       " deleted INTEGER NOT NULL DEFAULT 0)"),
        QStringLiteral("CREATE INDEX entries_date ON entries(date, id)"),
        QStringLiteral("CREATE TABLE conclusions(id INTEGER PRIMARY KEY, year INTEGER NOT NULL, number INTEGER NOT NULL,"
                       " date TEXT NOT NULL, organization TEXT, place TEXT, customer TEXT, object TEXT, drawing TEXT,"
                       " joint_category TEXT, method_standard TEXT, means TEXT, norms TEXT, performer TEXT,"
                       " performer_qualification TEXT, checker TEXT, checker_qualification TEXT, UNIQUE(year, number))"),
        QStringLiteral("CREATE TABLE conclusion_entries(conclusion_id INTEGER NOT NULL REFERENCES conclusions(id),"
                       " entry_id INTEGER NOT NULL REFERENCES entries(id), position INTEGER NOT NULL,"
                       " PRIMARY KEY(conclusion_id, position))"),
        QStringLiteral("PRAGMA user_version = 1"),
    };
    return s;
}

const QStringList& UpgradeToV2()
{
    static const QStringList s{
        QStringLiteral("ALTER TABLE entries ADD COLUMN search TEXT NOT NULL DEFAULT ''"),
        QStringLiteral("ALTER TABLE entries ADD COLUMN created_by TEXT NOT NULL DEFAULT ''"),
        QStringLiteral("ALTER TABLE entries ADD COLUMN created_at TEXT NOT NULL DEFAULT ''"),
        QStringLiteral("ALTER TABLE entries ADD COLUMN changed_by TEXT NOT NULL DEFAULT ''"),
        QStringLiteral("ALTER TABLE entries ADD COLUMN changed_at TEXT NOT NULL DEFAULT ''"),
        QStringLiteral("ALTER TABLE conclusions ADD COLUMN created_by TEXT NOT NULL DEFAULT ''"),
        QStringLiteral("ALTER TABLE conclusions ADD COLUMN created_at TEXT NOT NULL DEFAULT ''"),
        QStringLiteral("PRAGMA user_version = 2"),
    };
    return s;
}

// Version 3: a trigram index over the folded search text, so a search reads
// the entries holding the typed text instead of the folded text of every
// entry. Kept up by triggers, whoever writes the table.
const QStringList& UpgradeToV3()
{
    static const QStringList s{
        QStringLiteral("CREATE VIRTUAL TABLE entries_search USING fts5(search, content = 'entries',"
                       " content_rowid = 'id', tokenize = 'trigram case_sensitive 1')"),
        QStringLiteral("CREATE TRIGGER entries_search_add AFTER INSERT ON entries BEGIN"
                       " INSERT INTO entries_search(rowid, search) VALUES(new.id, new.search); END"),
        QStringLiteral("CREATE TRIGGER entries_search_drop AFTER DELETE ON entries BEGIN"
                       " INSERT INTO entries_search(entries_search, rowid, search) VALUES('delete', old.id, old.search); END"),
        QStringLiteral("CREATE TRIGGER entries_search_change AFTER UPDATE OF search ON entries BEGIN"
                       " INSERT INTO entries_search(entries_search, rowid, search) VALUES('delete', old.id, old.search);"
                       " INSERT INTO entries_search(rowid, search) VALUES(new.id, new.search); END"),
        QStringLiteral("INSERT INTO entries_search(entries_search) VALUES('rebuild')"),
        QStringLiteral("PRAGMA user_version = 3"),
    };
    return s;
}

// The index finds texts of three characters or more; a shorter query reads
// every entry's text.
bool IndexFinds(const QString& folded)
{
    return folded.toUcs4().size() >= 3;
}

// The folded text as one phrase of the index's query language: its trigrams
// in a row, which is the text itself inside an entry's text.
QString IndexPhrase(const QString& folded)
{
    return QLatin1Char('"') + QString(folded).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

QString SortColumn(TJournalColumn c)
{
    switch (c) {
    case TJournalColumn::Number: return QStringLiteral("id");
    case TJournalColumn::Date: return QStringLiteral("date");
    case TJournalColumn::Object: return QStringLiteral("object");
    case TJournalColumn::Joint: return QStringLiteral("joint");
    case TJournalColumn::Pipe: return QStringLiteral("pipe");
    case TJournalColumn::Method: return QStringLiteral("method");
    case TJournalColumn::Source: return QStringLiteral("source");
    case TJournalColumn::Films: return QStringLiteral("films");
    case TJournalColumn::Sensitivity: return QStringLiteral("sensitivity");
    case TJournalColumn::Defects: return QStringLiteral("defects");
    case TJournalColumn::Verdict: return QStringLiteral("verdict");
    case TJournalColumn::Conclusion: return QStringLiteral("conclusion");
    case TJournalColumn::Performer: return QStringLiteral("performer");
    }
    return QStringLiteral("id");
}

} // namespace

QString JournalFilePath()
{
    return ProgramFolder() + QStringLiteral("journal.db");
}

QString JournalBackupName(const QDate& day)
{
    return QStringLiteral("journal-%1.db").arg(day.toString(Qt::ISODate));
}

namespace {
QDate JournalBackupDay(const QString& name)
{
    static const QString prefix = QStringLiteral("journal-");
    static const QString suffix = QStringLiteral(".db");
    if (name.size() != prefix.size() + 10 + suffix.size() || !name.startsWith(prefix) || !name.endsWith(suffix))
        return {};
    const QDate day = QDate::fromString(name.mid(prefix.size(), 10), Qt::ISODate);
    return day.isValid() && JournalBackupName(day) == name ? day : QDate();
}
} // namespace

QStringList JournalBackupsToDelete(const QStringList& fileNames, const QDate& today, int keep)
{
    QList<std::pair<QDate, QString>> copies;
    for (const QString& name : fileNames)
        if (const QDate day = JournalBackupDay(name); day.isValid() && day != today)
            copies.append({day, name});
    // Future ones first, then the oldest; today's copy is kept always.
    std::sort(copies.begin(), copies.end(), [&](const auto& a, const auto& b) {
        const bool fa = a.first > today, fb = b.first > today;
        return fa != fb ? fa : (fa ? a.first > b.first : a.first < b.first);
    });
    const bool hasToday = std::any_of(fileNames.begin(), fileNames.end(),
                                      [&](const QString& n) { return JournalBackupDay(n) == today; });
    const qsizetype excess = copies.size() + (hasToday ? 1 : 0) - keep;
    QStringList out;
    for (qsizetype i = 0; i < excess && i < copies.size(); ++i)
        out << copies[i].second;
    return out;
}

QString DamagedJournalPath(const QString& path, const QDate& day)
{
    const QString base = path + QStringLiteral(".bad-") + day.toString(Qt::ISODate);
    QString candidate = base;
    for (int n = 2; QFileInfo::exists(candidate); ++n)
        candidate = base + QStringLiteral("-%1").arg(n);
    return candidate;
}

TSqliteJournalStore::TSqliteJournalStore(const QString& path)
    : m_path(path)
{
    static std::atomic<int> serial{0};
    m_connection = QStringLiteral("kelto-journal-%1").arg(++serial);
}

TSqliteJournalStore::~TSqliteJournalStore()
{
    Close();
}

void TSqliteJournalStore::Close()
{
    if (m_check.valid())
        m_check.wait();
    m_check = {};
    m_checked = {};
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
    m_open = false;
}

namespace {

// A failed statement: Damaged when SQLite found the file broken or no
// database, else Failed; the reason in Russian.
TStoreResult FailureOf(const QSqlError& e)
{
    const int code = e.nativeErrorCode().toInt() & 0xFF;
    return {code == 11 || code == 26 ? TStoreResult::Damaged : TStoreResult::Failed, ReasonOf(e), std::nullopt};
}

// Every page of the file read (PRAGMA quick_check) through `q`: nothing
// when it passes.
std::optional<TStoreResult> CheckFails(QSqlQuery& q)
{
    if (!q.exec(QStringLiteral("PRAGMA quick_check")))
        return FailureOf(q.lastError());
    QStringList problems;
    while (q.next())
        problems << q.value(0).toString().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    q.finish();
    if (problems == QStringList{QStringLiteral("ok")})
        return std::nullopt;
    // The first fault SQLite names, not the page-by-page list of a box's height.
    problems.removeIf([](const QString& line) { return line.startsWith(QLatin1String("***")); });
    QString reason = QStringLiteral("проверка целостности не пройдена: %1").arg(problems.value(0));
    if (problems.size() > 1)
        reason += QStringLiteral(" (и ещё неисправностей: %1)").arg(problems.size() - 1);
    return TStoreResult{TStoreResult::Damaged, reason, std::nullopt};
}

// `use` given a read-only connection of its own to `path`, for a thread of
// its own (Qt's connections belong to the thread that made them); the
// reason when the file does not open.
std::optional<QString> OnOwnConnection(const QString& path, const QString& connection,
                                       const std::function<void(const QSqlDatabase&)>& use)
{
    std::optional<QString> failed;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=3000"));
        if (db.open())
            use(db);
        else
            failed = ReasonOf(db.lastError());
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return failed;
}

// The check of every page on a connection of its own. A check that could
// not run (the file busy) says nothing of the file: the journal's own
// connection reports such faults as they come.
TStoreResult CheckOnOwnConnection(const QString& path, const QString& connection)
{
    std::optional<TStoreResult> wrong;
    OnOwnConnection(path, connection, [&wrong](const QSqlDatabase& db) {
        QSqlQuery q(db);
        wrong = CheckFails(q);
    });
    if (wrong && wrong->kind == TStoreResult::Damaged)
        return *wrong;
    return {};
}

// Runs statements in order; the first failure's reason.
std::optional<QString> RunAll(QSqlDatabase& db, const QStringList& statements)
{
    QSqlQuery q(db);
    for (const QString& s : statements)
        if (!q.exec(s))
            return ReasonOf(q.lastError());
    return std::nullopt;
}

// What is wrong with a file that should be a journal; nothing when it reads as one.
std::optional<QString> NotADatabase(const QString& path)
{
    QFile f(path);
    if (!f.exists() || !f.open(QIODevice::ReadOnly))
        return std::nullopt; // a file that cannot be read is the open's to report
    const QByteArray head = f.read(16);
    if (head.isEmpty())
        return std::nullopt; // empty: SQLite takes it as a new database
    if (head != QByteArray("SQLite format 3\0", 16))
        return QStringLiteral("файл не является базой данных журнала");
    return std::nullopt;
}

} // namespace

TStoreResult TSqliteJournalStore::Open()
{
    Close();
    if (const auto wrong = NotADatabase(m_path))
        return {TStoreResult::Damaged, *wrong, std::nullopt};
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    if (!db.isValid())
        return TStoreResult::Fail(QStringLiteral("в папке программы нет драйвера SQLite (qt/sqldrivers)"));
    db.setDatabaseName(m_path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000"));
    if (!db.open())
        return TStoreResult::Fail(ReasonOf(db.lastError()));
    const auto fail = [&](TStoreResult::TKind kind, const QString& why) {
        db = QSqlDatabase();
        Close();
        return TStoreResult{kind, why, std::nullopt};
    };
    QSqlQuery q(db);
    q.exec(QStringLiteral("PRAGMA cache_size = -16384"));
    // The schema read at once: a file whose first pages are no database is
    // told before any row shows.
    if (!q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
        const TStoreResult r = FailureOf(q.lastError());
        return fail(r.kind, r.reason);
    }
    q.finish();
    q.exec(QStringLiteral("PRAGMA user_version"));
    const int version = q.next() ? q.value(0).toInt() : -1;
    q.finish();
    // Every page is read before an upgrade writes into the file; else, when
    // asked, on a thread of its own while the first rows show.
    const bool checkNow = !m_checkLater || version < FileJournalSchema;
    if (checkNow)
        if (const auto wrong = CheckFails(q))
            return fail(wrong->kind, wrong->reason);
    if (const auto why = RunAll(db, {QStringLiteral("PRAGMA foreign_keys = ON"), QStringLiteral("PRAGMA journal_mode = WAL"),
                                     QStringLiteral("PRAGMA synchronous = FULL")}))
        return fail(TStoreResult::Failed, *why);
    if (version > FileJournalSchema)
        return fail(TStoreResult::Failed,
                    QStringLiteral("журнал записан более новой версией программы (версия схемы %1)").arg(version));
    if (version < FileJournalSchema) {
        bool hasTables = false;
        if (q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table'")) && q.next())
            hasTables = q.value(0).toInt() > 0;
        q.finish();
        if (version == 0 && hasTables)
            return fail(TStoreResult::Damaged, QStringLiteral("в файле нет таблиц журнала"));
        // Every step in one transaction: an upgrade cut short leaves the older schema whole.
        if (!db.transaction())
            return fail(TStoreResult::Failed, ReasonOf(db.lastError()));
        std::optional<QString> why;
        if (version == 0)
            why = RunAll(db, SchemaV1());
        if (!why && version < 2)
            why = RunAll(db, UpgradeToV2());
        m_open = true; // the search texts are filled through the store's own reads
        if (!why && version < 2) {
            QSqlQuery ids(db);
            ids.exec(QStringLiteral("SELECT id FROM entries"));
            QList<qint64> all;
            while (ids.next())
                all << ids.value(0).toLongLong();
            ids.finish();
            QSqlQuery up(db);
            up.prepare(QStringLiteral("UPDATE entries SET search = ? WHERE id = ?"));
            for (const TJournalEntry& e : Load(all)) {
                up.addBindValue(EntrySearchText(e));
                up.addBindValue(e.id);
                if (!up.exec()) {
                    why = ReasonOf(up.lastError());
                    break;
                }
            }
        }
        if (!why)
            why = RunAll(db, UpgradeToV3());
        if (why || !db.commit()) {
            const QString reason = why ? *why : ReasonOf(db.lastError());
            db.rollback();
            return fail(TStoreResult::Failed, reason);
        }
    }
    // The table's order read from the index alone, the deleted left out
    // there: the first rows of a large journal at once. An index only, so
    // no schema version; a read-only journal does without it.
    q.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS entries_live ON entries(deleted, date, id)"));
    q.finish();
    m_open = true;
    if (!checkNow)
        m_check = std::async(std::launch::async, CheckOnOwnConnection, m_path, m_connection + QStringLiteral("-check"));
    return {};
}

TStoreResult TSqliteJournalStore::EnsureOpen()
{
    if (m_open)
        return {};
    return Open();
}

int TSqliteJournalStore::SchemaVersion()
{
    if (!EnsureOpen().IsDone())
        return -1;
    QSqlQuery q(QSqlDatabase::database(m_connection));
    return q.exec(QStringLiteral("PRAGMA user_version")) && q.next() ? q.value(0).toInt() : -1;
}

TStoreResult TSqliteJournalStore::BackUpOfDay()
{
    const QDate today = Today();
    if (m_backedUp == today)
        return {};
    const QString folder = QFileInfo(m_path).absolutePath() + QStringLiteral("/backup/");
    const QString target = folder + JournalBackupName(today);
    if (!QFileInfo::exists(target)) {
        if (!QDir().mkpath(folder))
            return TStoreResult::Fail(QStringLiteral("папка копий журнала не создаётся"));
        const QString part = target + QStringLiteral(".part");
        QFile::remove(part);
        QSqlQuery q(QSqlDatabase::database(m_connection));
        QString quoted = part;
        quoted.replace(QLatin1Char('\''), QLatin1String("''"));
        if (!q.exec(QStringLiteral("VACUUM INTO '%1'").arg(quoted))) {
            QFile::remove(part);
            return TStoreResult::Fail(ReasonOf(q.lastError()));
        }
        if (!QFile::rename(part, target)) {
            QFile::remove(part);
            return TStoreResult::Fail(QStringLiteral("копия журнала не переименовывается"));
        }
    }
    m_backedUp = today;
    for (const QString& old : JournalBackupsToDelete(QDir(folder).entryList(QDir::Files), today))
        QFile::remove(folder + old);
    return {};
}

std::optional<TStoreResult> TSqliteJournalStore::BackgroundCheck()
{
    if (m_check.valid() && m_check.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return std::nullopt;
    return CheckResult();
}

TStoreResult TSqliteJournalStore::CheckResult()
{
    if (m_check.valid())
        m_checked = m_check.get();
    return m_checked;
}

TStoreResult TSqliteJournalStore::Change(const std::function<TStoreResult()>& work)
{
    if (TStoreResult r = EnsureOpen(); !r.IsDone())
        return r;
    // Nothing is written into a file before it passed its check.
    if (TStoreResult r = CheckResult(); !r.IsDone())
        return r;
    // A copy that fails costs no save; it is tried again at the next change.
    BackUpOfDay();
    QSqlDatabase db = QSqlDatabase::database(m_connection);
    if (!db.transaction())
        return TStoreResult::Fail(ReasonOf(db.lastError()));
    TStoreResult r = work();
    if (r.IsDone() && !db.commit())
        r = TStoreResult::Fail(ReasonOf(db.lastError()));
    if (!r.IsDone())
        db.rollback();
    return r;
}

namespace {

// The ids `query` finds through `db`, in its order; at most `limit` of them
// when it is not negative. Empty on failure (`failure` told).
QList<qint64> FindThrough(const QSqlDatabase& db, const TJournalQuery& query, qsizetype limit, TStoreResult* failure)
{
    const TJournalSearchKey key = JournalSearchKey(query.text);
    const QString direction = query.descending ? QStringLiteral(" DESC") : QStringLiteral(" ASC");
    QString order = QStringLiteral(" ORDER BY ") + SortColumn(query.sortBy) + direction;
    if (query.sortBy != TJournalColumn::Number)
        order += QStringLiteral(", id") + direction;
    const QString tail = limit < 0 ? QString() : QStringLiteral(" LIMIT %1").arg(limit);
    auto textWhere = [&key](bool indexed) {
        const QString text = indexed ? QStringLiteral("id IN (SELECT rowid FROM entries_search WHERE entries_search MATCH :text)")
                                     : QStringLiteral("instr(search, :text) > 0");
        return key.NamesDate() ? QStringLiteral("(%1 OR date BETWEEN :from AND :to)").arg(text) : text;
    };
    QList<qint64> ids;
    auto run = [&](const QString& sql, bool indexed) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.prepare(sql);
        if (!key.folded.isEmpty()) {
            q.bindValue(QStringLiteral(":text"), indexed ? IndexPhrase(key.folded) : key.folded);
            if (key.NamesDate()) {
                q.bindValue(QStringLiteral(":from"), key.from.toString(Qt::ISODate));
                q.bindValue(QStringLiteral(":to"), key.to.toString(Qt::ISODate));
            }
        }
        if (query.verdict)
            q.bindValue(QStringLiteral(":verdict"), int(*query.verdict));
        if (!q.exec()) {
            TStoreResult::Fail(ReasonOf(q.lastError())).FailedInto(failure);
            return false;
        }
        while (q.next())
            ids << q.value(0).toLongLong();
        return true;
    };
    const QString verdict = query.verdict ? QStringLiteral(" AND verdict = :verdict") : QString();
    const QString live = query.withDeleted ? QString() : QStringLiteral(" WHERE deleted = 0");
    const bool ordered = query.sortBy == TJournalColumn::Date || query.sortBy == TJournalColumn::Number;
    if (limit >= 0 && !key.folded.isEmpty() && ordered) {
        // A text found in most entries fills the first rows from the newest
        // few thousand, read in order by an index, without the search index
        // listing every entry first; a rarer text is left to that index.
        constexpr int Nearest = 2000;
        const QString sql = QStringLiteral("SELECT id FROM (SELECT id, date, verdict, search FROM entries%1%2 LIMIT %3)"
                                           " WHERE %4%5%2%6")
                                .arg(live, order)
                                .arg(Nearest)
                                .arg(textWhere(false), verdict, tail);
        if (!run(sql, false))
            return {};
        if (ids.size() >= limit)
            return ids;
        ids.clear();
    }
    QStringList where;
    if (!query.withDeleted)
        where << QStringLiteral("deleted = 0");
    const bool indexed = IndexFinds(key.folded);
    if (!key.folded.isEmpty())
        where << textWhere(indexed);
    if (query.verdict)
        where << QStringLiteral("verdict = :verdict");
    QString sql = QStringLiteral("SELECT id FROM entries");
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    if (!run(sql + order + tail, indexed))
        return {};
    return ids;
}

} // namespace

QList<qint64> TSqliteJournalStore::Find(const TJournalQuery& query, TStoreResult* failure)
{
    return FindFirst(query, -1, failure);
}

QList<qint64> TSqliteJournalStore::FindFirst(const TJournalQuery& query, qsizetype count, TStoreResult* failure)
{
    if (EnsureOpen().FailedInto(failure))
        return {};
    return FindThrough(QSqlDatabase::database(m_connection), query, count, failure);
}

TJournalStore::TFindJob TSqliteJournalStore::FindJob(const TJournalQuery& query)
{
    if (!m_open)
        return {};
    return [path = m_path, base = m_connection, query](TStoreResult* failure) {
        static std::atomic<int> serial{0};
        QList<qint64> ids;
        const std::optional<QString> unopened
            = OnOwnConnection(path, base + QStringLiteral("-find-%1").arg(++serial),
                              [&](const QSqlDatabase& db) { ids = FindThrough(db, query, -1, failure); });
        if (unopened)
            TStoreResult::Fail(*unopened).FailedInto(failure);
        return ids;
    };
}

QList<TJournalEntry> TSqliteJournalStore::Load(const QList<qint64>& ids, TStoreResult* failure)
{
    QList<TJournalEntry> out;
    out.reserve(ids.size());
    if (ReadEntries(ids, true, [&](const TJournalEntry& e) { out << e; }).FailedInto(failure))
        return {};
    return out;
}

TStoreResult TSqliteJournalStore::ForEachEntry(const QList<qint64>& ids,
                                               const std::function<void(const TJournalEntry&)>& each)
{
    return ReadEntries(ids, false, each);
}

TStoreResult TSqliteJournalStore::ReadEntries(const QList<qint64>& ids, bool stamps,
                                              const std::function<void(const TJournalEntry&)>& each)
{
    if (TStoreResult r = EnsureOpen(); !r.IsDone())
        return r;
    QSqlQuery q(QSqlDatabase::database(m_connection));
    q.setForwardOnly(true);
    constexpr qsizetype chunk = 500;
    QHash<qint64, TJournalEntry> byId;
    for (qsizetype from = 0; from < ids.size(); from += chunk) {
        const qsizetype to = std::min(ids.size(), from + chunk);
        QStringList list;
        for (qsizetype i = from; i < to; ++i)
            list << QString::number(ids[i]);
        if (!q.exec(SelectEntries() + QStringLiteral("WHERE id IN (%1)").arg(list.join(QLatin1Char(',')))))
            return TStoreResult::Fail(ReasonOf(q.lastError()));
        byId.clear();
        while (q.next()) {
            TJournalEntry e = EntryFrom(q, stamps);
            byId.insert(e.id, std::move(e));
        }
        // A query over a broken page ends early with its error, not with fewer rows.
        if (q.lastError().isValid())
            return TStoreResult::Fail(ReasonOf(q.lastError()));
        for (qsizetype i = from; i < to; ++i)
            if (auto it = byId.constFind(ids[i]); it != byId.cend())
                each(*it);
    }
    return {};
}

qint64 TSqliteJournalStore::Count()
{
    if (!EnsureOpen().IsDone())
        return 0;
    QSqlQuery q(QSqlDatabase::database(m_connection));
    return q.exec(QStringLiteral("SELECT count(*) FROM entries WHERE deleted = 0")) && q.next() ? q.value(0).toLongLong() : 0;
}

TStoreResult TSqliteJournalStore::Save(TJournalEntry& entry)
{
    TJournalEntry saved = entry;
    TStoreResult r = Change([&]() -> TStoreResult {
        QSqlDatabase db = QSqlDatabase::database(m_connection);
        QSqlQuery q(db);
        saved.changedAt = Now();
        saved.changedBy = OsUser();
        if (saved.id != 0) {
            q.prepare(QStringLiteral("SELECT revision FROM entries WHERE id = ?"));
            q.addBindValue(saved.id);
            if (!q.exec())
                return TStoreResult::Fail(ReasonOf(q.lastError()));
            if (!q.next())
                return {TStoreResult::Missing, QStringLiteral("записи № %1 нет в журнале").arg(saved.id), std::nullopt};
            if (q.value(0).toLongLong() != saved.revision) {
                q.finish();
                const QList<TJournalEntry> theirs = Load({saved.id});
                return {TStoreResult::Changed, QStringLiteral("запись № %1 изменена после того, как была открыта").arg(saved.id),
                        theirs.value(0)};
            }
            q.finish();
            q.prepare(QStringLiteral("UPDATE entries SET %1, search = ?, revision = revision + 1, changed_by = ?,"
                                     " changed_at = ? WHERE id = ?")
                          .arg(Joined(EntryColumns, EntryColumnCount, QStringLiteral("%1 = ?"))));
            ++saved.revision;
        } else {
            saved.createdAt = saved.changedAt;
            saved.createdBy = saved.changedBy;
            saved.revision = 1;
            q.prepare(QStringLiteral("INSERT INTO entries(%1, search, changed_by, changed_at, created_by, created_at,"
                                     " revision) VALUES(%2, ?, ?, ?, ?, ?, 1)")
                          .arg(Joined(EntryColumns, EntryColumnCount, QStringLiteral("%1")),
                               Joined(EntryColumns, EntryColumnCount, QStringLiteral("?"))));
        }
        for (const QVariant& v : TypedFieldValues(saved, FileRowForm))
            q.addBindValue(v);
        q.addBindValue(EntrySearchText(saved));
        q.addBindValue(TextValue(saved.changedBy));
        q.addBindValue(Stamp(saved.changedAt));
        if (saved.id != 0) {
            q.addBindValue(saved.id);
        } else {
            q.addBindValue(TextValue(saved.createdBy));
            q.addBindValue(Stamp(saved.createdAt));
        }
        if (!q.exec())
            return TStoreResult::Fail(ReasonOf(q.lastError()));
        if (saved.id == 0)
            saved.id = q.lastInsertId().toLongLong();
        return {};
    });
    if (r.IsDone())
        entry = saved;
    return r;
}

TStoreResult TSqliteJournalStore::SetDeleted(qint64 id, bool deleted)
{
    return Change([&]() -> TStoreResult {
        QSqlQuery q(QSqlDatabase::database(m_connection));
        q.prepare(QStringLiteral("UPDATE entries SET deleted = ?, revision = revision + 1, changed_by = ?, changed_at = ?"
                                 " WHERE id = ?"));
        q.addBindValue(deleted ? 1 : 0);
        q.addBindValue(TextValue(OsUser()));
        q.addBindValue(Stamp(Now()));
        q.addBindValue(id);
        if (!q.exec())
            return TStoreResult::Fail(ReasonOf(q.lastError()));
        if (q.numRowsAffected() != 1)
            return {TStoreResult::Missing, QStringLiteral("записи № %1 нет в журнале").arg(id), std::nullopt};
        return {};
    });
}

int TSqliteJournalStore::NextConclusionNumber(int year)
{
    if (!EnsureOpen().IsDone())
        return 1;
    QSqlQuery q(QSqlDatabase::database(m_connection));
    q.prepare(QStringLiteral("SELECT coalesce(max(number), 0) + 1 FROM conclusions WHERE year = ?"));
    q.addBindValue(year);
    return q.exec() && q.next() ? q.value(0).toInt() : 1;
}

TStoreResult TSqliteJournalStore::SaveConclusion(TConclusion& conclusion)
{
    TConclusion saved = conclusion;
    if (saved.number.year == 0)
        saved.number.year = saved.date.isValid() ? saved.date.year() : Today().year();
    TStoreResult r = Change([&]() -> TStoreResult {
        QSqlDatabase db = QSqlDatabase::database(m_connection);
        QSqlQuery q(db);
        if (saved.number.number == 0) {
            q.prepare(QStringLiteral("SELECT coalesce(max(number), 0) + 1 FROM conclusions WHERE year = ?"));
            q.addBindValue(saved.number.year);
            if (!q.exec() || !q.next())
                return TStoreResult::Fail(ReasonOf(q.lastError()));
            saved.number.number = q.value(0).toInt();
        } else {
            q.prepare(QStringLiteral("SELECT 1 FROM conclusions WHERE year = ? AND number = ?"));
            q.addBindValue(saved.number.year);
            q.addBindValue(saved.number.number);
            if (!q.exec())
                return TStoreResult::Fail(ReasonOf(q.lastError()));
            if (q.next())
                return {TStoreResult::NumberTaken,
                        QStringLiteral("номер заключения %1 уже занят").arg(ConclusionNumberText(saved.number)),
                        std::nullopt};
        }
        q.finish();
        saved.createdAt = Now();
        saved.createdBy = OsUser();
        q.prepare(QStringLiteral("INSERT INTO conclusions(%1, created_by, created_at) VALUES(%2, ?, ?)")
                      .arg(Joined(ConclusionColumns, int(std::size(ConclusionColumns)), QStringLiteral("%1")),
                           Joined(ConclusionColumns, int(std::size(ConclusionColumns)), QStringLiteral("?"))));
        for (const QVariant& v : QVariantList{saved.number.year, saved.number.number, saved.date.toString(Qt::ISODate),
                                              TextValue(saved.organization), TextValue(saved.place), TextValue(saved.customer), TextValue(saved.object),
                                              TextValue(saved.drawing), TextValue(saved.jointCategory), TextValue(saved.methodStandard), TextValue(saved.means),
                                              TextValue(saved.norms), TextValue(saved.performer), TextValue(saved.performerQualification),
                                              TextValue(saved.checker), TextValue(saved.checkerQualification), TextValue(saved.createdBy),
                                              Stamp(saved.createdAt)})
            q.addBindValue(v);
        if (!q.exec())
            return TStoreResult::Fail(ReasonOf(q.lastError()));
        saved.id = q.lastInsertId().toLongLong();
        const QString number = ConclusionNumberText(saved.number);
        QList<TJournalEntry> entries = Load(saved.entryIds);
        if (entries.size() != saved.entryIds.size())
            return {TStoreResult::Missing, QStringLiteral("запись заключения не найдена в журнале"), std::nullopt};
        QSqlQuery link(db);
        link.prepare(QStringLiteral("INSERT INTO conclusion_entries(conclusion_id, entry_id, position) VALUES(?, ?, ?)"));
        QSqlQuery mark(db);
        mark.prepare(QStringLiteral("UPDATE entries SET conclusion = ?, search = ?, revision = revision + 1,"
                                    " changed_by = ?, changed_at = ? WHERE id = ?"));
        for (qsizetype i = 0; i < entries.size(); ++i) {
            TJournalEntry& e = entries[i];
            link.addBindValue(saved.id);
            link.addBindValue(e.id);
            link.addBindValue(int(i));
            e.conclusion = number;
            mark.addBindValue(number);
            mark.addBindValue(EntrySearchText(e));
            mark.addBindValue(TextValue(saved.createdBy));
            mark.addBindValue(Stamp(saved.createdAt));
            mark.addBindValue(e.id);
            if (!link.exec())
                return TStoreResult::Fail(ReasonOf(link.lastError()));
            if (!mark.exec())
                return TStoreResult::Fail(ReasonOf(mark.lastError()));
        }
        return {};
    });
    if (r.IsDone())
        conclusion = saved;
    return r;
}

std::optional<TConclusion> TSqliteJournalStore::LoadConclusion(const TConclusionNumber& number)
{
    if (!EnsureOpen().IsDone())
        return std::nullopt;
    QSqlDatabase db = QSqlDatabase::database(m_connection);
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT id, %1, created_by, created_at FROM conclusions WHERE year = ? AND number = ?")
                  .arg(Joined(ConclusionColumns, int(std::size(ConclusionColumns)), QStringLiteral("%1"))));
    q.addBindValue(number.year);
    q.addBindValue(number.number);
    if (!q.exec() || !q.next())
        return std::nullopt;
    TConclusion c;
    int i = 0;
    const auto text = [&] { return q.value(i++).toString(); };
    c.id = q.value(i++).toLongLong();
    c.number.year = q.value(i++).toInt();
    c.number.number = q.value(i++).toInt();
    c.date = QDate::fromString(text(), Qt::ISODate);
    for (QString* field : {&c.organization, &c.place, &c.customer, &c.object, &c.drawing, &c.jointCategory,
                           &c.methodStandard, &c.means, &c.norms, &c.performer, &c.performerQualification, &c.checker,
                           &c.checkerQualification, &c.createdBy})
        *field = text();
    c.createdAt = QDateTime::fromString(text(), Qt::ISODateWithMs);
    q.finish();
    q.prepare(QStringLiteral("SELECT entry_id FROM conclusion_entries WHERE conclusion_id = ? ORDER BY position"));
    q.addBindValue(c.id);
    if (q.exec())
        while (q.next())
            c.entryIds << q.value(0).toLongLong();
    return c;
}

TStoreResult TSqliteJournalStore::SetAsideAndStartNew()
{
    Close();
    m_setAside = DamagedJournalPath(m_path, Today());
    if (!QFile::rename(m_path, m_setAside))
        return TStoreResult::Fail(QStringLiteral("файл не переименовывается в %1").arg(QFileInfo(m_setAside).fileName()));
    // The damaged file's companions go with it, so the new journal never reads them.
    for (const char* tail : {"-wal", "-shm"})
        if (QFileInfo::exists(m_path + QLatin1String(tail)))
            QFile::rename(m_path + QLatin1String(tail), m_setAside + QLatin1String(tail));
    return Open();
}

TStoreResult TSqliteJournalStore::CreateOldSchema(const QString& path, int version)
{
    const QString connection = QStringLiteral("kelto-journal-old");
    std::optional<QString> why;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        if (!db.open())
            why = ReasonOf(db.lastError());
        else if (version >= 1)
            why = RunAll(db, SchemaV1());
        if (!why && version >= 2)
            why = RunAll(db, UpgradeToV2());
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return why ? TStoreResult::Fail(*why) : TStoreResult{};
}

} // namespace kelto
