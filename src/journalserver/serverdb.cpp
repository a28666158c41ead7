#include "journalserver/serverdb.h"

#include "journal/journalstore.h"

#include <QFile>

#include <algorithm>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <pwd.h>
#include <unistd.h>

namespace kelto {

namespace {

const char* const Driver = "QPSQL";

// SQLSTATE 42501: insufficient_privilege; 42P07: a table made meanwhile.
bool IsNoRights(const QSqlError& error)
{
    return error.nativeErrorCode() == QLatin1String("42501");
}

QString Quoted(const QString& text)
{
    return QStringLiteral("«") + text + QStringLiteral("»");
}

bool Run(QSqlDatabase db, const QString& sql, QSqlError* error = nullptr)
{
    QSqlQuery query(db);
    if (query.exec(sql))
        return true;
    if (error)
        *error = query.lastError();
    return false;
}

// The statements of a script one by one in one transaction of their own (the
// driver would report only the first result of a script sent whole).
bool RunScript(QSqlDatabase db, const QString& script, QSqlError* error)
{
    if (!db.transaction()) {
        *error = db.lastError();
        return false;
    }
    for (const QString& statement : SqlStatements(script)) {
        const QString word = statement.section(QLatin1Char(' '), 0, 0).toUpper();
        if (word == QLatin1String("BEGIN") || word == QLatin1String("COMMIT"))
            continue;
        if (!Run(db, statement, error)) {
            db.rollback();
            return false;
        }
    }
    if (db.commit())
        return true;
    *error = db.lastError();
    db.rollback();
    return false;
}

// The steps from `version` up to ServerSchemaVersion. The server's schema
// keeps the file's version numbers, so a store of either kind says the same.
static_assert(ServerSchemaVersion == CurrentJournalSchema,
              "journal-server.sql and UpgradeSteps follow the version of journal.db");
QString UpgradeSteps(int version)
{
    QString steps;
    // 1 -> 2: the file's version 2 changed nothing the server keeps.
    if (version < 2)
        steps += QStringLiteral("UPDATE kelto_schema SET version = 2;\n");
    return steps;
}

QString NoRightsMessage(const QString& what)
{
    return what
        + QStringLiteral(" Попросите администратора сервера выполнить файл %1 из папки программы "
                         "(psql -d <база> -f %1) и выдать вам права роли kelto_journal.")
              .arg(QLatin1String(ServerSqlFileName));
}

struct TUnwaited {
    std::mutex mutex;
    std::condition_variable idle;
    bool ending = false;
    int busy = 0; // unwaited threads touching shared state now
};

// Never destroyed: an unwaited thread may still look at it while the
// program's own objects are taken apart.
TUnwaited& Unwaited()
{
    static auto* unwaited = new TUnwaited;
    return *unwaited;
}

thread_local bool t_unwaited = false;
thread_local bool t_busy = false;

// Before the wait for a server's answer: the program may end meanwhile.
void LeaveShared()
{
    if (!t_unwaited || !t_busy)
        return;
    TUnwaited& u = Unwaited();
    std::lock_guard lock(u.mutex);
    t_busy = false;
    --u.busy;
    u.idle.notify_all();
}

// After it: a program that ended meanwhile keeps this thread here until
// the process is gone, rather than let it touch what was taken apart.
void EnterShared()
{
    if (!t_unwaited || t_busy)
        return;
    TUnwaited& u = Unwaited();
    std::unique_lock lock(u.mutex);
    if (u.ending) {
        lock.unlock();
        for (;;)
            std::this_thread::sleep_for(std::chrono::hours(1));
    }
    t_busy = true;
    ++u.busy;
}

} // namespace

void MarkUnwaitedThread()
{
    t_unwaited = true;
    EnterShared();
}

void UnmarkUnwaitedThread()
{
    LeaveShared();
    t_unwaited = false;
}

void EndUnwaitedThreads()
{
    TUnwaited& u = Unwaited();
    std::unique_lock lock(u.mutex);
    u.ending = true;
    u.idle.wait(lock, [&u] { return u.busy == 0; });
}

QStringList SqlStatements(const QString& script)
{
    QStringList statements;
    QString current;
    QString dollarTag; // inside $tag$ ... $tag$ when not empty
    const qsizetype size = script.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = script.at(i);
        if (!dollarTag.isEmpty()) {
            if (script.mid(i, dollarTag.size()) == dollarTag) {
                current += dollarTag;
                i += dollarTag.size() - 1;
                dollarTag.clear();
            } else {
                current += c;
            }
            continue;
        }
        if (c == u'-' && i + 1 < size && script.at(i + 1) == u'-') {
            while (i < size && script.at(i) != u'\n')
                ++i;
            current += u'\n';
            continue;
        }
        if (c == u'\'') {
            const qsizetype end = script.indexOf(u'\'', i + 1);
            const qsizetype stop = end < 0 ? size - 1 : end;
            current += script.mid(i, stop - i + 1);
            i = stop;
            continue;
        }
        if (c == u'$') {
            static const QRegularExpression tag(QStringLiteral("\\$[A-Za-z_]*\\$"));
            const QRegularExpressionMatch match
                = tag.match(script, i, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption);
            if (match.hasMatch()) {
                dollarTag = match.captured();
                current += dollarTag;
                i += dollarTag.size() - 1;
                continue;
            }
        }
        if (c == u';') {
            if (!current.trimmed().isEmpty())
                statements.append(current.trimmed());
            current.clear();
            continue;
        }
        current += c;
    }
    if (!current.trimmed().isEmpty())
        statements.append(current.trimmed());
    return statements;
}

QString ServerSchemaSql()
{
    QFile file(QStringLiteral(":/journalserver/journal-server.sql"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString ServerErrorText(const QSqlError& error)
{
    const QString text = error.databaseText().isEmpty() ? error.driverText() : error.databaseText();
    struct TRule {
        const char* pattern;
        const char* russian;
    };
    // libpq's and the server's words, most telling first; %1 is the name caught.
    static const TRule rules[] = {
        {R"re(could not translate host name "([^"]*)")re", "имя сервера %1 не найдено"},
        {R"re(password authentication failed for user "([^"]*)")re", "неверный пароль пользователя %1"},
        {R"re(no password supplied)re", "сервер требует пароль"},
        {R"re(role "([^"]*)" does not exist)re", "на сервере нет пользователя %1"},
        {R"re(database "([^"]*)" does not exist)re", "на сервере нет базы данных %1"},
        {R"re(no pg_hba.conf entry)re", "сервер не пускает этого пользователя с этого компьютера (pg_hba.conf)"},
        {R"re(server does not support SSL)re", "сервер не поддерживает шифрованное соединение"},
        {R"re(SSL|certificate)re", "ошибка шифрованного соединения"},
        {R"re(timeout expired)re", "сервер не ответил вовремя"},
        {R"re(Connection refused)re", "сервер не принимает соединения по этому адресу и порту"},
        {R"re(No such file or directory)re", "сервер не найден по этому адресу и порту"},
        {R"re(No route to host|Network is unreachable)re", "нет сети до сервера"},
        {R"re(the database system is (starting up|shutting down))re", "сервер запускается или останавливается"},
        {R"re(terminating connection|server closed the connection|no connection to the server|connection to server was lost|could not send data|could not receive data)re",
         "соединение с сервером прервано"},
        {R"re(permission denied)re", "нет прав на это действие"},
        {R"re(too many connections)re", "на сервере слишком много соединений"},
    };
    for (const TRule& rule : rules) {
        const QRegularExpressionMatch match = QRegularExpression(QLatin1String(rule.pattern)).match(text);
        if (match.hasMatch()) {
            const QString russian = QString::fromUtf8(rule.russian);
            return match.lastCapturedIndex() >= 1 && russian.contains(QLatin1String("%1"))
                ? russian.arg(Quoted(match.captured(1)))
                : russian;
        }
    }
    const QString first = text.section(QLatin1Char('\n'), 0, 0).trimmed();
    return first.isEmpty() ? QStringLiteral("сервер не отвечает") : QStringLiteral("сервер ответил: ") + first;
}

bool IsConnectionLost(const QSqlError& error)
{
    if (error.type() == QSqlError::ConnectionError)
        return true;
    const QString code = error.nativeErrorCode();
    // Class 08: connection exceptions; 57P01-57P03: the server shutting down.
    if (code.startsWith(QLatin1String("08")) || code.startsWith(QLatin1String("57P")))
        return true;
    static const QRegularExpression lost(
        QStringLiteral("server closed the connection|no connection to the server|connection to server was lost|"
                       "could not send data|could not receive data|terminating connection|connection not open|"
                       "Connection refused|No such file or directory|timeout expired"));
    return lost.match(error.databaseText() + QLatin1Char('\n') + error.driverText()).hasMatch();
}

bool IsPasswordRefused(const QSqlError& error)
{
    // SQLSTATE 28P01: invalid_password; libpq's own words when none was given.
    static const QRegularExpression refused(
        QStringLiteral("password authentication failed|no password supplied|password is required"));
    return error.nativeErrorCode() == QLatin1String("28P01")
        || refused.match(error.databaseText() + QLatin1Char('\n') + error.driverText()).hasMatch();
}

QString OsUserName()
{
    if (const passwd* pw = getpwuid(geteuid()); pw && pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return qEnvironmentVariable("USER");
}

TServerConnection::~TServerConnection()
{
    Close();
}

std::optional<QString> TServerConnection::Open(const TJournalSettings& settings, const QString& password,
                                               int timeoutSeconds)
{
    Close();
    m_passwordRefused = false;
    if (!QSqlDatabase::isDriverAvailable(QLatin1String(Driver)))
        return QStringLiteral("в папке программы нет драйвера PostgreSQL (qt/sqldrivers/libqsqlpsql.so)");
    m_name = QStringLiteral("kelto-journal-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QLatin1String(Driver), m_name);
        db.setHostName(settings.host);
        db.setPort(settings.port);
        db.setDatabaseName(settings.database);
        db.setUserName(settings.user);
        db.setPassword(password);
        // A server that goes away from under an open connection (a network
        // cable, a host switched off) ends the waiting query within seconds,
        // not after the system's retransmissions of many minutes, which the
        // window would wait through.
        db.setConnectOptions(QStringLiteral("sslmode=%1;connect_timeout=%2;application_name=Kelto;"
                                            "keepalives_idle=10;keepalives_interval=3;keepalives_count=3;"
                                            "tcp_user_timeout=%3")
                                 .arg(settings.sslMode)
                                 .arg(timeoutSeconds)
                                 .arg(std::max(timeoutSeconds, 5) * 2000));
    }
    QString reason;
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        LeaveShared();
        const bool opened = db.open();
        EnterShared();
        if (opened)
            return std::nullopt;
        reason = ServerErrorText(db.lastError());
        m_passwordRefused = IsPasswordRefused(db.lastError());
    }
    Close();
    return reason;
}

void TServerConnection::Close()
{
    if (m_name.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
    m_name.clear();
}

bool TServerConnection::IsOpen() const
{
    return !m_name.isEmpty() && QSqlDatabase::database(m_name, false).isOpen();
}

QSqlDatabase TServerConnection::Database() const
{
    return QSqlDatabase::database(m_name, false);
}

TConnectionCheck CheckServerConnection(const TJournalSettings& settings, const QString& password)
{
    TServerConnection connection;
    if (const auto reason = connection.Open(settings, password))
        return {false, connection.PasswordRefused(), QStringLiteral("Нет соединения: ") + *reason + QLatin1Char('.'),
                *reason};
    const auto version = ServerSchemaVersionOf(connection.Database());
    QString state;
    if (!version)
        state = QStringLiteral("таблицы журнала не прочитаны: ") + ServerErrorText(connection.Database().lastError());
    else if (*version == 0)
        state = QStringLiteral("таблиц журнала ещё нет, они будут созданы при первом подключении (нужны права "
                               "на создание таблиц, иначе администратор выполняет %1)")
                    .arg(QLatin1String(ServerSqlFileName));
    else if (*version > ServerSchemaVersion)
        state = QStringLiteral("журнал сделан более новой версией программы (версия схемы %1)").arg(*version);
    else
        state = QStringLiteral("журнал на месте (версия схемы %1)").arg(*version);
    return {true, false, QStringLiteral("Соединение установлено: ") + state + QLatin1Char('.'), {}};
}

QString ServerIndexSql()
{
    const QString sql = ServerSchemaSql();
    const QString begin = QStringLiteral("-- speed: begin");
    const qsizetype from = sql.indexOf(begin);
    const qsizetype to = sql.indexOf(QStringLiteral("-- speed: end"));
    return from < 0 || to < from ? QString() : sql.mid(from + begin.size(), to - from - begin.size());
}

bool EnsureServerIndexes(QSqlDatabase db)
{
    QSqlQuery query(db);
    if (query.exec(QStringLiteral("SELECT count(*) FROM pg_indexes WHERE tablename = 'entries' "
                                  "AND indexname IN ('entries_list', 'entries_search')"))
        && query.next() && query.value(0).toInt() == 2)
        return true;
    // A user who may not add them: the journal as it is (the search slower).
    QSqlError error;
    return RunScript(db, ServerIndexSql(), &error);
}

std::optional<int> ServerSchemaVersionOf(QSqlDatabase db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT to_regclass('kelto_schema') IS NOT NULL")) || !query.next())
        return std::nullopt;
    if (!query.value(0).toBool())
        return 0;
    if (!query.exec(QStringLiteral("SELECT max(version) FROM kelto_schema")) || !query.next())
        return std::nullopt;
    return query.value(0).toInt();
}

TSchemaOutcome PrepareServerSchema(QSqlDatabase db)
{
    const auto version = ServerSchemaVersionOf(db);
    if (!version)
        return {TSchemaState::Failed, ServerErrorText(db.lastError())};
    if (*version == ServerSchemaVersion) {
        EnsureServerIndexes(db);
        return {TSchemaState::Ready, {}};
    }
    if (*version > ServerSchemaVersion)
        return {TSchemaState::Newer,
                QStringLiteral("Журнал на сервере сделан более новой версией программы (версия схемы %1, "
                               "эта программа знает версию %2). Обновите программу.")
                    .arg(*version)
                    .arg(ServerSchemaVersion)};
    // An empty database gets the whole file; an older schema its steps from
    // its version on; either in one transaction.
    QSqlError error;
    const bool empty = *version == 0;
    if (RunScript(db, empty ? ServerSchemaSql() : UpgradeSteps(*version), &error))
        return {empty ? TSchemaState::Made : TSchemaState::Upgraded, {}};
    if (IsNoRights(error))
        return {TSchemaState::NoRights,
                NoRightsMessage(
                    empty ? QStringLiteral("На сервере ещё нет таблиц журнала, а у пользователя нет прав их создать.")
                          : QStringLiteral(
                                "Таблицы журнала на сервере старой версии (%1), а у пользователя нет прав их обновить.")
                                .arg(*version))};
    // Another program made them at the same moment: theirs are as good.
    if (const auto again = ServerSchemaVersionOf(db); again && *again == ServerSchemaVersion)
        return {TSchemaState::Ready, {}};
    return {TSchemaState::Failed, ServerErrorText(error)};
}

std::optional<int> TakeConclusionNumber(QSqlDatabase db, int year)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT kelto_take_conclusion_number(?)"));
    query.addBindValue(year);
    if (!query.exec() || !query.next())
        return std::nullopt;
    return query.value(0).toInt();
}

} // namespace kelto
