// journal.cnf read and written; the journal server's schema, rights,
// conclusion numbers and error texts against a real PostgreSQL.
#include "journalserver/journalsettings.h"
#include "journalserver/serverdb.h"

#include "files.h"
#include "folder.h"
#include "pgserver.h"
#include "table.h"

#include <QSet>
#include <QThread>
#include <QUuid>
#include <QtTest>

using namespace kelto;
using namespace kelto::testing;

Q_DECLARE_METATYPE(kelto::TJournalSettings)

namespace {

TJournalSettings ServerAt(const QString& host, int port, const QString& database, const QString& user)
{
    TJournalSettings settings;
    settings.place = TJournalPlace::Server;
    settings.host = host;
    settings.port = port;
    settings.database = database;
    settings.user = user;
    return settings;
}

TJournalSettings Lab()
{
    return ServerAt(QStringLiteral("lab.example"), 5433, QStringLiteral("журнал"), QStringLiteral("ivanov"));
}

QSqlError DatabaseError(const QString& text, const QString& code = {})
{
    return QSqlError(QString(), text, QSqlError::StatementError, code);
}

} // namespace

class TestJournalServer : public QObject {
    Q_OBJECT

    TTestServer m_server;

    TJournalSettings At(const QString& database, const QString& user = {}) const
    {
        return ServerAt(m_server.Host(), m_server.Port(), database, user.isEmpty() ? m_server.AdminUser() : user);
    }

private slots:
    void settingsRead_data()
    {
        Columns<QByteArray, TJournalSettings>({"file", "settings"});
        TJournalSettings local = Lab();
        local.place = TJournalPlace::Local;
        TJournalSettings required = Lab();
        required.sslMode = QStringLiteral("require");
        QTest::newRow("server") << QByteArray(
            "server\r\nlab.example\r\n5433\r\n\xe6\xf3\xf0\xed\xe0\xeb\r\nivanov\r\nprefer\r\n")
                                << Lab();
        QTest::newRow("local keeps the fields")
            << QByteArray("local\r\nlab.example\r\n5433\r\n\xe6\xf3\xf0\xed\xe0\xeb\r\nivanov\r\nprefer\r\n") << local;
        QTest::newRow("lone LF, no last end")
            << QByteArray("server\nlab.example\n5433\n\xe6\xf3\xf0\xed\xe0\xeb\nivanov\nrequire") << required;
        QTest::newRow("empty") << QByteArray() << TJournalSettings{};
        QTest::newRow("five lines") << QByteArray("server\r\nh\r\n5432\r\nd\r\nu\r\n") << TJournalSettings{};
        QTest::newRow("unknown place") << QByteArray("Server\r\nh\r\n5432\r\nd\r\nu\r\nprefer\r\n")
                                       << TJournalSettings{};
        QTest::newRow("port zero") << QByteArray("server\r\nh\r\n0\r\nd\r\nu\r\nprefer\r\n") << TJournalSettings{};
        QTest::newRow("port too big") << QByteArray("server\r\nh\r\n65536\r\nd\r\nu\r\nprefer\r\n")
                                      << TJournalSettings{};
        QTest::newRow("port with a space")
            << QByteArray("server\r\nh\r\n 5432\r\nd\r\nu\r\nprefer\r\n") << TJournalSettings{};
        QTest::newRow("unknown sslmode") << QByteArray("server\r\nh\r\n5432\r\nd\r\nu\r\nmaybe\r\n")
                                         << TJournalSettings{};
        QTest::newRow("binary") << QByteArray("\x00\x01\x02\r\n\r\n\r\n\r\n\r\n\r\n", 12) << TJournalSettings{};
    }
    void settingsRead()
    {
        const auto [file, settings] = Fetch<QByteArray, TJournalSettings>({"file", "settings"});
        QCOMPARE(ParseJournalSettings(file), settings);
    }

    void settingsSavedThroughTheFolder()
    {
        TempProgramFolder folder;
        QCOMPARE(ReadJournalSettings(), TJournalSettings{});
        QCOMPARE(SaveJournalSettings(Lab()), std::nullopt);
        QCOMPARE(Get(folder.File("journal.cnf")),
                 QByteArray("server\r\nlab.example\r\n5433\r\n\xe6\xf3\xf0\xed\xe0\xeb\r\nivanov\r\nprefer\r\n"));
        QCOMPARE(ReadJournalSettings(), Lab());
    }

    void errorTexts_data()
    {
        Columns<QString, QString>({"server", "russian"});
        QTest::newRow("host") << "could not translate host name \"lab\" to address: Name or service not known"
                              << "имя сервера «lab» не найдено";
        QTest::newRow("password") << "FATAL:  password authentication failed for user \"ivanov\""
                                  << "неверный пароль пользователя «ivanov»";
        QTest::newRow("no password") << "fe_sendauth: no password supplied"
                                     << "сервер требует пароль";
        QTest::newRow("database") << "FATAL:  database \"jrn\" does not exist"
                                  << "на сервере нет базы данных «jrn»";
        QTest::newRow("role") << "FATAL:  role \"petrov\" does not exist"
                              << "на сервере нет пользователя «petrov»";
        QTest::newRow("refused") << "connection to server at \"10.0.0.5\", port 5432 failed: Connection refused"
                                 << "сервер не принимает соединения по этому адресу и порту";
        QTest::newRow("socket")
            << "connection to server on socket \"/tmp/.s.PGSQL.5432\" failed: No such file or directory"
            << "сервер не найден по этому адресу и порту";
        QTest::newRow("timeout") << "timeout expired"
                                 << "сервер не ответил вовремя";
        QTest::newRow("dropped") << "server closed the connection unexpectedly"
                                 << "соединение с сервером прервано";
        QTest::newRow("other") << "ERROR:  something odd\nDETAIL: more"
                               << "сервер ответил: ERROR:  something odd";
    }
    void errorTexts()
    {
        const auto [server, russian] = Fetch<QString, QString>({"server", "russian"});
        QCOMPARE(ServerErrorText(DatabaseError(server)), russian);
    }

    void sqlStatements_data()
    {
        Columns<QString, QStringList>({"script", "statements"});
        QTest::newRow("two") << "BEGIN;\nCREATE TABLE a (x int);\n" << QStringList{"BEGIN", "CREATE TABLE a (x int)"};
        QTest::newRow("comment with ;") << "-- a; b\nSELECT 1;" << QStringList{"SELECT 1"};
        QTest::newRow("quoted ;") << "SELECT ';--';SELECT 2" << QStringList{"SELECT ';--'", "SELECT 2"};
        QTest::newRow("dollar body") << "CREATE FUNCTION f() AS $$ SELECT 1; SELECT 2 $$;\nSELECT 3;"
                                     << QStringList{"CREATE FUNCTION f() AS $$ SELECT 1; SELECT 2 $$", "SELECT 3"};
        QTest::newRow("tagged body") << "DO $b$ BEGIN PERFORM '$$;'; END $b$;"
                                     << QStringList{"DO $b$ BEGIN PERFORM '$$;'; END $b$"};
    }
    void sqlStatements()
    {
        const auto [script, statements] = Fetch<QString, QStringList>({"script", "statements"});
        QCOMPARE(SqlStatements(script), statements);
    }

    void connectionLost_data()
    {
        Columns<QString, QString, bool>({"text", "code", "lost"});
        QTest::newRow("dropped") << "server closed the connection unexpectedly"
                                 << "" << true;
        QTest::newRow("admin shutdown") << "terminating connection due to administrator command"
                                        << "57P01" << true;
        QTest::newRow("class 08") << "x"
                                  << "08006" << true;
        QTest::newRow("duplicate number") << "duplicate key value violates unique constraint"
                                          << "23505" << false;
        QTest::newRow("no rights") << "permission denied for table entries"
                                   << "42501" << false;
    }
    void connectionLost()
    {
        const auto [text, code, lost] = Fetch<QString, QString, bool>({"text", "code", "lost"});
        QCOMPARE(IsConnectionLost(DatabaseError(text, code)), lost);
    }

    // The test's own server is reached through its socket folder only.
    void serverListensOnItsSocketOnly()
    {
        KELTO_REQUIRE_SERVER(m_server);
        QSqlDatabase db = m_server.Connect(QStringLiteral("postgres"));
        QSqlQuery query(db);
        QVERIFY(query.exec(QStringLiteral("SELECT current_setting('listen_addresses'), inet_server_addr() IS NULL")));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toString(), QString());
        QVERIFY(query.value(1).toBool());
        QVERIFY(QFileInfo(m_server.Host()).isDir());
        QCOMPARE(QFileInfo(m_server.Host()).permissions() & (QFile::ReadOther | QFile::ExeOther), QFile::Permissions());
    }

    void schemaMadeOnAnEmptyDatabase()
    {
        KELTO_REQUIRE_SERVER(m_server);
        const QString database = m_server.NewDatabase();
        TServerConnection connection;
        QCOMPARE(connection.Open(At(database), QString()), std::nullopt);
        QCOMPARE(ServerSchemaVersionOf(connection.Database()), 0);
        QCOMPARE(PrepareServerSchema(connection.Database()).state, TSchemaState::Made);
        QCOMPARE(ServerSchemaVersionOf(connection.Database()), ServerSchemaVersion);
        QCOMPARE(PrepareServerSchema(connection.Database()).state, TSchemaState::Ready);
    }

    // A technician without the right to create tables is told which SQL the
    // administrator runs; once run, the same technician works.
    void schemaWithoutRightsNamesTheSql()
    {
        KELTO_REQUIRE_SERVER(m_server);
        const QString database = m_server.NewDatabase();
        QCOMPARE(m_server.Exec(QStringLiteral(
                     "DO $$BEGIN CREATE ROLE tech LOGIN; EXCEPTION WHEN duplicate_object THEN NULL; END$$")),
                 QString());
        TServerConnection tech;
        QCOMPARE(tech.Open(At(database, QStringLiteral("tech")), QString()), std::nullopt);
        const TSchemaOutcome refused = PrepareServerSchema(tech.Database());
        QCOMPARE(refused.state, TSchemaState::NoRights);
        QVERIFY2(refused.message.contains(QLatin1String("journal-server.sql")), qPrintable(refused.message));
        QCOMPARE(ServerSchemaVersionOf(tech.Database()), 0);

        QCOMPARE(m_server.Exec(QString::fromUtf8(Get(QStringLiteral(KELTO_SERVER_SQL))), database), QString());
        QCOMPARE(m_server.Exec(QStringLiteral("GRANT kelto_journal TO tech"), database), QString());
        QCOMPARE(PrepareServerSchema(tech.Database()).state, TSchemaState::Ready);
        QSqlDatabase db = tech.Database();
        QVERIFY(db.transaction());
        QCOMPARE(TakeConclusionNumber(db, 2026), 1);
        QVERIFY(db.commit());
    }

    void schemaOfANewerProgramIsLeftAlone()
    {
        KELTO_REQUIRE_SERVER(m_server);
        const QString database = m_server.NewDatabase();
        QCOMPARE(m_server.Exec(ServerSchemaSql(), database), QString());
        QCOMPARE(m_server.Exec(QStringLiteral("UPDATE kelto_schema SET version = 2"), database), QString());
        TServerConnection connection;
        QCOMPARE(connection.Open(At(database), QString()), std::nullopt);
        const TSchemaOutcome outcome = PrepareServerSchema(connection.Database());
        QCOMPARE(outcome.state, TSchemaState::Newer);
        QVERIFY2(outcome.message.contains(QStringLiteral("версия схемы 2")), qPrintable(outcome.message));
    }

    // Two technicians saving conclusions at the same moment never share a
    // number: 1 000 saves each give 2 000 numbers, 1 to 2 000.
    void concurrentConclusionNumbers()
    {
        KELTO_REQUIRE_SERVER(m_server);
        const QString database = m_server.NewDatabase();
        QCOMPARE(m_server.Exec(ServerSchemaSql(), database), QString());
        const TJournalSettings settings = At(database);
        QStringList failures[2];
        auto saver = [&settings](QStringList* failures) {
            TServerConnection connection;
            if (auto reason = connection.Open(settings, QString())) {
                failures->append(*reason);
                return;
            }
            QSqlDatabase db = connection.Database();
            for (int i = 0; i < 1000 && failures->isEmpty(); ++i) {
                db.transaction();
                const auto number = TakeConclusionNumber(db, 2026);
                QSqlQuery insert(db);
                insert.prepare(QStringLiteral("INSERT INTO conclusions (uid, year, number) VALUES (?, 2026, ?)"));
                insert.addBindValue(QUuid::createUuid().toString(QUuid::WithoutBraces));
                insert.addBindValue(number.value_or(-1));
                if (!number || !insert.exec() || !db.commit())
                    failures->append(insert.lastError().text() + db.lastError().text());
            }
        };
        std::unique_ptr<QThread> threads[2] = {std::unique_ptr<QThread>(QThread::create(saver, &failures[0])),
                                               std::unique_ptr<QThread>(QThread::create(saver, &failures[1]))};
        for (auto& thread : threads)
            thread->start();
        for (auto& thread : threads)
            QVERIFY(thread->wait(120000));
        QCOMPARE(failures[0] + failures[1], QStringList());
        QSqlDatabase db = m_server.Connect(database);
        QSqlQuery query(db);
        QVERIFY(query.exec(
            QStringLiteral("SELECT count(*), count(DISTINCT number), min(number), max(number) FROM conclusions")));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toInt(), 2000);
        QCOMPARE(query.value(1).toInt(), 2000);
        QCOMPARE(query.value(2).toInt(), 1);
        QCOMPARE(query.value(3).toInt(), 2000);
    }

    void openSaysWhyInRussian()
    {
        KELTO_REQUIRE_SERVER(m_server);
        TServerConnection connection;
        QCOMPARE(connection.Open(At(QStringLiteral("nojournal")), QString()),
                 QStringLiteral("на сервере нет базы данных «nojournal»"));
        QCOMPARE(connection.Open(At(QStringLiteral("postgres"), QStringLiteral("nobody_here")), QString()),
                 QStringLiteral("на сервере нет пользователя «nobody_here»"));
        QVERIFY(!connection.IsOpen());
    }
};

QTEST_GUILESS_MAIN(TestJournalServer)
#include "test_journalserver.moc"
