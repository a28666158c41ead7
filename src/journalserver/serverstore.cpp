#include "journalserver/serverstore.h"
#include "journal/journalrow.h"

#include "journal/journalrules.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <memory>
#include <utility>

namespace kelto {

namespace {

// SQLSTATE 23505: unique_violation.
constexpr const char* UniqueViolation = "23505";

const QString EntryColumns = QStringLiteral(
    "id, revision, test_date, object, joint, pipe, material, method, source, source_serial, films, film_size, "
    "sensitivity, defects, verdict, conclusion, performer, note, created_at, created_db, created_os, changed_at, "
    "changed_db, changed_os, deleted_at IS NOT NULL");
// What a save writes, in the order BindEntry binds it.
const QString WrittenColumns = QStringLiteral(
    "test_date, object, joint, pipe, material, method, source, source_serial, films, film_size, sensitivity, "
    "defects, verdict, conclusion, performer, note, search");
constexpr int WrittenCount = 17;

// "?, ?, …": the places of `count` bound values.
QString Placeholders(int count)
{
    QStringList marks;
    for (int i = 0; i < count; ++i)
        marks.append(QStringLiteral("?"));
    return marks.join(QStringLiteral(", "));
}

QString Who(const QString& database, const QString& os)
{
    return os.isEmpty() || os == database ? database : database + QStringLiteral(" (") + os + QLatin1Char(')');
}

QVariant DateValue(const QDate& date)
{
    return date.isValid() ? QVariant(date) : QVariant(QMetaType(QMetaType::QDate));
}


void BindEntry(QSqlQuery& query, const TJournalEntry& e)
{
    for (const QVariant& value : TypedFieldValues(e, ServerRowForm))
        query.addBindValue(value);
    query.addBindValue(TextValue(EntrySearchText(e)));
}

TJournalEntry EntryOf(const QSqlQuery& q)
{
    TJournalEntry e;
    e.id = q.value(0).toLongLong();
    e.revision = q.value(1).toLongLong();
    int c = ReadTypedFields(q, 2, ServerRowForm, e);
    e.createdAt = q.value(c++).toDateTime();
    e.createdBy = Who(q.value(c).toString(), q.value(c + 1).toString());
    c += 2;
    e.changedAt = q.value(c++).toDateTime();
    e.changedBy = Who(q.value(c).toString(), q.value(c + 1).toString());
    c += 2;
    e.deleted = q.value(c).toBool();
    return e;
}

QString ArrayText(const QList<qint64>& ids)
{
    QStringList parts;
    for (qint64 id : ids)
        parts.append(QString::number(id));
    return QLatin1Char('{') + parts.join(QLatin1Char(',')) + QLatin1Char('}');
}

QList<qint64> ArrayOf(const QString& text)
{
    QList<qint64> ids;
    QString inner = text;
    inner.remove(QLatin1Char('{')).remove(QLatin1Char('}'));
    for (const QString& part : inner.split(QLatin1Char(','), Qt::SkipEmptyParts))
        ids.append(part.toLongLong());
    return ids;
}

QString SortExpression(TJournalColumn column)
{
    switch (column) {
    case TJournalColumn::Number: return QStringLiteral("id");
    case TJournalColumn::Date: return QStringLiteral("test_date");
    case TJournalColumn::Object: return QStringLiteral("object");
    case TJournalColumn::Joint: return QStringLiteral("joint");
    case TJournalColumn::Pipe: return QStringLiteral("pipe");
    case TJournalColumn::Method: return QStringLiteral("method");
    case TJournalColumn::Source: return QStringLiteral("source");
    case TJournalColumn::Films: return QStringLiteral("films");
    case TJournalColumn::Sensitivity: return QStringLiteral("sensitivity");
    case TJournalColumn::Defects: return QStringLiteral("defects");
    case TJournalColumn::Verdict: {
        // In the verdicts' own order, not their words'.
        QString byOrder = QStringLiteral("CASE verdict");
        for (TVerdict v : AllVerdicts())
            byOrder += QStringLiteral(" WHEN '%1' THEN %2").arg(VerdictText(v)).arg(int(v));
        return byOrder + QStringLiteral(" END");
    }
    // "17/2026" by its year, then its number.
    case TJournalColumn::Conclusion:
        return QStringLiteral("(substring(conclusion from '/(\\d{1,6})\\s*$'))::int %1, "
                              "(substring(conclusion from '^\\s*(\\d{1,6})'))::int");
    case TJournalColumn::Performer: return QStringLiteral("performer");
    }
    return QStringLiteral("id");
}

// "%text%" for LIKE, the text's own "%", "_" and "\\" taken literally.
QString LikePattern(QString text)
{
    text.replace(QLatin1String("\\"), QLatin1String("\\\\"))
        .replace(QLatin1String("%"), QLatin1String("\\%"))
        .replace(QLatin1String("_"), QLatin1String("\\_"));
    return QLatin1Char('%') + text + QLatin1Char('%');
}

QJsonObject ConclusionFields(const TConclusion& c)
{
    return {{QStringLiteral("organization"), c.organization},
            {QStringLiteral("place"), c.place},
            {QStringLiteral("customer"), c.customer},
            {QStringLiteral("object"), c.object},
            {QStringLiteral("drawing"), c.drawing},
            {QStringLiteral("jointCategory"), c.jointCategory},
            {QStringLiteral("methodStandard"), c.methodStandard},
            {QStringLiteral("means"), c.means},
            {QStringLiteral("norms"), c.norms},
            {QStringLiteral("performer"), c.performer},
            {QStringLiteral("performerQualification"), c.performerQualification},
            {QStringLiteral("checker"), c.checker},
            {QStringLiteral("checkerQualification"), c.checkerQualification}};
}

void TakeConclusionFields(TConclusion& c, const QJsonObject& f)
{
    auto text = [&f](const char* key) { return f.value(QLatin1String(key)).toString(); };
    c.organization = text("organization");
    c.place = text("place");
    c.customer = text("customer");
    c.object = text("object");
    c.drawing = text("drawing");
    c.jointCategory = text("jointCategory");
    c.methodStandard = text("methodStandard");
    c.means = text("means");
    c.norms = text("norms");
    c.performer = text("performer");
    c.performerQualification = text("performerQualification");
    c.checker = text("checker");
    c.checkerQualification = text("checkerQualification");
}

int YearOf(const TConclusion& c)
{
    if (c.number.year > 0)
        return c.number.year;
    return (c.date.isValid() ? c.date : QDate::currentDate()).year();
}

} // namespace

QString ServerUnreachableText(const QString& reason)
{
    return QStringLiteral("Сервер журнала недоступен: ") + reason;
}

TServerJournalStore::TServerJournalStore(const TJournalSettings& settings, const QString& password)
    : m_settings(settings)
    , m_password(password)
    , m_osUser(OsUserName())
{
}

QString TServerJournalStore::Place() const
{
    const QString host = m_settings.host.isEmpty() ? QStringLiteral("localhost") : m_settings.host;
    return QStringLiteral("база «%1» на сервере %2:%3").arg(m_settings.database, host).arg(m_settings.port);
}

TStoreResult TServerJournalStore::Open()
{
    m_inTransaction = false;
    m_broken = false;
    if (auto reason = m_connection.Open(m_settings, m_password, m_timeoutSeconds)) {
        m_lastFailure = *reason;
        return TStoreResult::Fail(ServerUnreachableText(*reason));
    }
    const TSchemaOutcome schema = PrepareServerSchema(Db());
    if (schema.state == TSchemaState::Ready || schema.state == TSchemaState::Made
        || schema.state == TSchemaState::Upgraded) {
        m_lastFailure.clear();
        return {};
    }
    m_connection.Close();
    m_lastFailure = schema.message;
    return TStoreResult::Fail(schema.message);
}

bool TServerJournalStore::IsOpen() const
{
    return !m_broken && m_connection.IsOpen();
}

QSqlDatabase TServerJournalStore::Db() const
{
    return m_connection.Database();
}

TStoreResult TServerJournalStore::Reconnect()
{
    if (IsOpen())
        return {};
    return Open();
}

TStoreResult TServerJournalStore::FailWith(const QSqlError& error)
{
    const QString reason = ServerErrorText(error);
    if (IsConnectionLost(error)) {
        // A dropped connection is opened anew by the next call.
        // Closed by the next Open, when no query of this call holds it.
        m_broken = true;
        m_inTransaction = false;
        m_lastFailure = reason;
        return TStoreResult::Fail(ServerUnreachableText(reason));
    }
    return TStoreResult::Fail(QStringLiteral("Сервер журнала отказал: ") + reason);
}

int TServerJournalStore::SchemaVersion()
{
    if (!Reconnect().IsDone())
        return 0;
    return ServerSchemaVersionOf(Db()).value_or(0);
}

TStoreResult TServerJournalStore::InTransaction(const std::function<TStoreResult()>& body)
{
    if (m_inTransaction)
        return body();
    if (auto open = Reconnect(); !open.IsDone())
        return open;
    QSqlDatabase db = Db();
    if (!db.transaction()) {
        // A connection that went while idle (a restarted server): nothing was
        // sent yet, so once more on a new one.
        const TStoreResult failed = FailWith(db.lastError());
        db = QSqlDatabase();
        if (IsOpen() || !Open().IsDone())
            return failed;
        db = Db();
        if (!db.transaction())
            return FailWith(db.lastError());
    }
    m_inTransaction = true;
    TStoreResult result = body();
    if (!m_inTransaction) // the connection went meanwhile
        return result;
    m_inTransaction = false;
    if (!result.IsDone()) {
        db.rollback();
        return result;
    }
    if (db.commit())
        return result;
    const TStoreResult failed = FailWith(db.lastError());
    if (IsOpen())
        db.rollback();
    return failed;
}

namespace {

// The ids `query` finds through `db`, in its order; at most `limit` of them
// when it is not negative (the server picks the index that gets them
// soonest). Empty on failure, with `error` set.
QList<qint64> FindOn(const QSqlDatabase& db, const TJournalQuery& query, qsizetype limit, QSqlError* error)
{
    QList<qint64> ids;
    QStringList where;
    QVariantList values;
    if (!query.withDeleted)
        where << QStringLiteral("deleted_at IS NULL");
    if (query.verdict) {
        where << QStringLiteral("verdict = ?");
        values << VerdictText(*query.verdict);
    }
    const TJournalSearchKey key = JournalSearchKey(query.text);
    if (!key.folded.isEmpty()) {
        // LIKE rather than strpos: the trigram index answers it.
        const QString piece = LikePattern(key.folded);
        if (key.NamesDate()) {
            where << QStringLiteral("(search LIKE ? OR test_date BETWEEN ? AND ?)");
            values << piece << key.from << key.to;
        } else {
            where << QStringLiteral("search LIKE ?");
            values << piece;
        }
    }
    const QString direction = query.descending ? QStringLiteral("DESC") : QStringLiteral("ASC");
    QString order = SortExpression(query.sortBy);
    order = order.contains(QLatin1String("%1")) ? order.arg(direction) + QLatin1Char(' ') + direction
                                                : order + QLatin1Char(' ') + direction;
    QString sql
        = QStringLiteral("SELECT id FROM entries%1 ORDER BY %2 NULLS LAST, id %3")
              .arg(where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND ")), order,
                   direction);
    if (limit >= 0)
        sql += QStringLiteral(" LIMIT %1").arg(limit);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(sql);
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec()) {
        *error = q.lastError();
        return ids;
    }
    ids.reserve(q.size() > 0 ? q.size() : 0);
    while (q.next())
        ids.append(q.value(0).toLongLong());
    return ids;
}

} // namespace

QList<qint64> TServerJournalStore::Find(const TJournalQuery& query, TStoreResult* failure)
{
    return FindFirst(query, -1, failure);
}

QList<qint64> TServerJournalStore::FindFirst(const TJournalQuery& query, qsizetype count, TStoreResult* failure)
{
    if (Reconnect().FailedInto(failure))
        return {};
    QSqlError error;
    QList<qint64> ids = FindOn(Db(), query, count, &error);
    if (error.isValid())
        FailWith(error).FailedInto(failure);
    return ids;
}

TJournalStore::TFindJob TServerJournalStore::FindJob(const TJournalQuery& query)
{
    if (!IsOpen())
        return {};
    return [settings = m_settings, password = m_password, timeout = m_timeoutSeconds, query](TStoreResult* failure) {
        // One connection a job thread, kept while the thread lives (closed on
        // it when it ends): a search costs the server a query, not a new
        // backend. A connection found lost is opened anew once.
        thread_local std::unique_ptr<TServerConnection> connection;
        thread_local std::pair<TJournalSettings, QString> openedWith;
        for (int attempt = 0;; ++attempt) {
            if (!connection || !connection->IsOpen() || openedWith != std::pair(settings, password)) {
                connection = std::make_unique<TServerConnection>();
                if (const std::optional<QString> why = connection->Open(settings, password, timeout)) {
                    connection.reset();
                    TStoreResult::Fail(*why).FailedInto(failure);
                    return QList<qint64>();
                }
                openedWith = {settings, password};
            }
            QSqlError error;
            QList<qint64> ids = FindOn(connection->Database(), query, -1, &error);
            if (!error.isValid())
                return ids;
            connection.reset();
            if (attempt > 0 || !IsConnectionLost(error)) {
                TStoreResult::Fail(ServerErrorText(error)).FailedInto(failure);
                return QList<qint64>();
            }
        }
    };
}

QList<TJournalEntry> TServerJournalStore::Load(const QList<qint64>& ids, TStoreResult* failure)
{
    QList<TJournalEntry> entries;
    if (ids.isEmpty())
        return entries;
    if (Reconnect().FailedInto(failure))
        return entries;
    QSqlQuery q(Db());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM entries WHERE id = ANY(?::bigint[])").arg(EntryColumns));
    q.addBindValue(ArrayText(ids));
    if (!q.exec()) {
        FailWith(q.lastError()).FailedInto(failure);
        return entries;
    }
    QHash<qint64, TJournalEntry> found;
    while (q.next()) {
        TJournalEntry e = EntryOf(q);
        found.insert(e.id, std::move(e));
    }
    entries.reserve(found.size());
    for (qint64 id : ids)
        if (auto it = found.constFind(id); it != found.cend())
            entries.append(*it);
    return entries;
}

std::optional<TJournalEntry> TServerJournalStore::LoadOne(qint64 id)
{
    const QList<TJournalEntry> one = Load({id});
    if (one.isEmpty())
        return std::nullopt;
    return one.first();
}

qint64 TServerJournalStore::Number(const QString& sql)
{
    if (!Reconnect().IsDone())
        return 0;
    QSqlQuery q(Db());
    if (!q.exec(sql) || !q.next()) {
        FailWith(q.lastError());
        return 0;
    }
    return q.value(0).toLongLong();
}

qint64 TServerJournalStore::Count()
{
    return Number(QStringLiteral("SELECT count(*) FROM entries WHERE deleted_at IS NULL"));
}

TStoreResult TServerJournalStore::InsertEntry(TJournalEntry& entry, const QString& origin)
{
    QSqlQuery q(Db());
    q.prepare(QStringLiteral("INSERT INTO entries (%1, origin, created_os, changed_os) VALUES (%2) "
                             "ON CONFLICT (origin) DO NOTHING RETURNING %3")
                  .arg(WrittenColumns, Placeholders(WrittenCount + 3), EntryColumns));
    BindEntry(q, entry);
    q.addBindValue(origin.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(origin));
    q.addBindValue(m_osUser);
    q.addBindValue(m_osUser);
    if (!q.exec())
        return FailWith(q.lastError());
    if (!q.next())
        return {TStoreResult::Missing, {}, std::nullopt}; // the mark was there already
    entry = EntryOf(q);
    return {};
}

TStoreResult TServerJournalStore::Save(TJournalEntry& entry)
{
    if (entry.id == 0)
        return InTransaction([&] { return InsertEntry(entry, QString()); });
    return InTransaction([&]() -> TStoreResult {
        QSqlQuery q(Db());
        q.prepare(QStringLiteral("UPDATE entries SET (%1) = (%2), revision = revision + 1, changed_at = now(), "
                                 "changed_os = ?, changed_db = current_user WHERE id = ? AND revision = ? RETURNING %3")
                      .arg(WrittenColumns, Placeholders(WrittenCount), EntryColumns));
        BindEntry(q, entry);
        q.addBindValue(m_osUser);
        q.addBindValue(entry.id);
        q.addBindValue(entry.revision);
        if (!q.exec())
            return FailWith(q.lastError());
        if (q.next()) {
            entry = EntryOf(q);
            return {};
        }
        const auto theirs = LoadOne(entry.id);
        if (!IsOpen())
            return TStoreResult::Fail(ServerUnreachableText(m_lastFailure));
        if (!theirs)
            return {TStoreResult::Missing, QStringLiteral("Записи № %1 в журнале нет.").arg(entry.id), std::nullopt};
        return {TStoreResult::Changed,
                QStringLiteral("Запись изменена пользователем %1 в %2")
                    .arg(theirs->changedBy, theirs->changedAt.toLocalTime().toString(QStringLiteral("HH:mm"))),
                theirs};
    });
}

TStoreResult TServerJournalStore::SetDeleted(qint64 id, bool deleted)
{
    return InTransaction([&]() -> TStoreResult {
        QSqlQuery q(Db());
        q.prepare(
            deleted ? QStringLiteral("UPDATE entries SET deleted_at = now(), deleted_os = ?, deleted_db = current_user "
                                     "WHERE id = ? RETURNING id")
                    : QStringLiteral("UPDATE entries SET deleted_at = NULL, deleted_os = NULL, deleted_db = NULL "
                                     "WHERE id = ? RETURNING id"));
        if (deleted)
            q.addBindValue(m_osUser);
        q.addBindValue(id);
        if (!q.exec())
            return FailWith(q.lastError());
        if (!q.next())
            return {TStoreResult::Missing, QStringLiteral("Записи № %1 в журнале нет.").arg(id), std::nullopt};
        return {};
    });
}

int TServerJournalStore::NextConclusionNumber(int year)
{
    if (!Reconnect().IsDone())
        return 1;
    QSqlQuery q(Db());
    q.prepare(QStringLiteral("SELECT GREATEST(COALESCE((SELECT last FROM conclusion_counters WHERE year = ?), 0), "
                             "COALESCE((SELECT max(number) FROM conclusions WHERE year = ?), 0)) + 1"));
    q.addBindValue(year);
    q.addBindValue(year);
    if (!q.exec() || !q.next()) {
        FailWith(q.lastError());
        return 1;
    }
    return q.value(0).toInt();
}

TStoreResult TServerJournalStore::InsertConclusion(TConclusion& conclusion, const QString& origin)
{
    const int year = YearOf(conclusion);
    int number = conclusion.number.number;
    if (number <= 0) {
        const auto taken = TakeConclusionNumber(Db(), year);
        if (!taken)
            return FailWith(Db().lastError());
        number = *taken;
    }
    QSqlQuery q(Db());
    q.prepare(QStringLiteral("INSERT INTO conclusions (year, number, made_on, fields, entry_ids, origin, created_os) "
                             "VALUES (?, ?, ?, ?::jsonb, ?::bigint[], ?, ?) ON CONFLICT (origin) DO NOTHING "
                             "RETURNING id, created_at, created_db, created_os"));
    q.addBindValue(year);
    q.addBindValue(number);
    q.addBindValue(DateValue(conclusion.date));
    q.addBindValue(QString::fromUtf8(QJsonDocument(ConclusionFields(conclusion)).toJson(QJsonDocument::Compact)));
    q.addBindValue(ArrayText(conclusion.entryIds));
    q.addBindValue(origin.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(origin));
    q.addBindValue(m_osUser);
    if (!q.exec()) {
        if (q.lastError().nativeErrorCode() == QLatin1String(UniqueViolation))
            return {TStoreResult::NumberTaken,
                    QStringLiteral("Заключение № %1 уже есть в журнале. Выберите другой номер.")
                        .arg(ConclusionNumberText({number, year})),
                    std::nullopt};
        return FailWith(q.lastError());
    }
    if (!q.next())
        return {TStoreResult::Missing, {}, std::nullopt}; // moved before
    conclusion.id = q.value(0).toLongLong();
    conclusion.number = {number, year};
    conclusion.createdAt = q.value(1).toDateTime();
    conclusion.createdBy = Who(q.value(2).toString(), q.value(3).toString());

    QSqlQuery entries(Db());
    entries.prepare(QStringLiteral("UPDATE entries SET conclusion = ?, search = ?, revision = revision + 1, "
                                   "changed_at = now(), changed_os = ?, changed_db = current_user WHERE id = ?"));
    for (TJournalEntry& entry : Load(conclusion.entryIds)) {
        entry.conclusion = ConclusionNumberText(conclusion.number);
        entries.addBindValue(entry.conclusion);
        entries.addBindValue(EntrySearchText(entry));
        entries.addBindValue(m_osUser);
        entries.addBindValue(entry.id);
        if (!entries.exec())
            return FailWith(entries.lastError());
    }
    if (!IsOpen())
        return TStoreResult::Fail(ServerUnreachableText(m_lastFailure));
    return {};
}

TStoreResult TServerJournalStore::SaveConclusion(TConclusion& conclusion)
{
    const bool taken = conclusion.number.number <= 0;
    TConclusion attempt = conclusion;
    TStoreResult result = InTransaction([&] { return InsertConclusion(attempt, QString()); });
    // A number typed by hand elsewhere at the same moment: the next one.
    if (taken && result.kind == TStoreResult::NumberTaken) {
        attempt = conclusion;
        result = InTransaction([&] { return InsertConclusion(attempt, QString()); });
    }
    if (result.IsDone())
        conclusion = attempt;
    return result;
}

std::optional<TConclusion> TServerJournalStore::LoadConclusion(const TConclusionNumber& number)
{
    if (!Reconnect().IsDone())
        return std::nullopt;
    QSqlQuery q(Db());
    q.prepare(
        QStringLiteral("SELECT id, made_on, fields, entry_ids, created_at, created_db, created_os FROM conclusions "
                       "WHERE year = ? AND number = ?"));
    q.addBindValue(number.year);
    q.addBindValue(number.number);
    if (!q.exec()) {
        FailWith(q.lastError());
        return std::nullopt;
    }
    if (!q.next())
        return std::nullopt;
    TConclusion c;
    c.id = q.value(0).toLongLong();
    c.number = number;
    c.date = q.value(1).toDate();
    TakeConclusionFields(c, QJsonDocument::fromJson(q.value(2).toString().toUtf8()).object());
    c.entryIds = ArrayOf(q.value(3).toString());
    c.createdAt = q.value(4).toDateTime();
    c.createdBy = Who(q.value(5).toString(), q.value(6).toString());
    return c;
}

qint64 TServerJournalStore::ChangeMark()
{
    // A sequence not used yet shows its first value as last_value too: the
    // first change would not move the mark.
    return Number(QStringLiteral("SELECT CASE WHEN is_called THEN last_value ELSE 0 END FROM journal_changes"));
}

TStoreResult TServerJournalStore::SaveOnce(TJournalEntry& entry, const QString& origin, bool* inserted)
{
    return InTransaction([&]() -> TStoreResult {
        TJournalEntry copy = entry;
        copy.id = 0;
        TStoreResult r = InsertEntry(copy, origin);
        if (inserted)
            *inserted = r.IsDone();
        if (r.kind == TStoreResult::Missing) {
            QSqlQuery q(Db());
            q.prepare(QStringLiteral("SELECT %1 FROM entries WHERE origin = ?").arg(EntryColumns));
            q.addBindValue(origin);
            if (!q.exec())
                return FailWith(q.lastError());
            if (!q.next())
                return TStoreResult::Fail(QStringLiteral("Сервер журнала отказал: запись не найдена"));
            copy = EntryOf(q);
            r = {};
        }
        if (r.IsDone())
            entry = copy;
        return r;
    });
}

TStoreResult TServerJournalStore::SaveConclusionOnce(TConclusion& conclusion, const QString& origin,
                                                     const QStringList& entryOrigins, bool* inserted)
{
    return InTransaction([&]() -> TStoreResult {
        TConclusion copy = conclusion;
        copy.entryIds.clear();
        QSqlQuery q(Db());
        q.prepare(QStringLiteral("SELECT id FROM entries WHERE origin = ?"));
        for (const QString& entryOrigin : entryOrigins) {
            q.addBindValue(entryOrigin);
            if (!q.exec())
                return FailWith(q.lastError());
            if (q.next())
                copy.entryIds.append(q.value(0).toLongLong());
        }
        TStoreResult r = InsertConclusion(copy, origin);
        if (inserted)
            *inserted = r.IsDone();
        if (r.kind == TStoreResult::Missing)
            r = {};
        if (r.IsDone())
            conclusion = copy;
        return r;
    });
}

} // namespace kelto
