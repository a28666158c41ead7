// journal.cnf read and written; the journal server's schema, rights,
// conclusion numbers and error texts against a real PostgreSQL.
#include "journalserver/journalsettings.h"
#include "journalserver/serverdb.h"
#include "journal/sqlitestore.h"
#include "journalserver/labstore.h"
#include "journalserver/movetoserver.h"
#include "journalserver/serverstore.h"

#include "files.h"
#include "folder.h"
#include "pgserver.h"
#include "table.h"

#include <QSet>
#include <QThread>
#include <QUuid>
#include <QtTest>
#include <future>
#include <thread>

using namespace kelto;
using namespace kelto::testing;

Q_DECLARE_METATYPE(kelto::TJournalSettings)
Q_DECLARE_METATYPE(kelto::TJournalColumn)

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

TJournalEntry Entry(const QString& joint)
{
    TJournalEntry e;
    e.date = QDate(2026, 12, 9);
    e.object = QStringLiteral("Газопровод Ду 219, ПК 12");
    e.joint = joint;
    e.pipe = QStringLiteral("219 × 8");
    e.material = QStringLiteral("сталь 20");
    e.method = QStringLiteral("ГОСТ 7512-82, схема 5б");
    e.source = QStringLiteral("Ир-192");
    e.sourceSerial = QStringLiteral("1234");
    e.films = 3;
    e.filmSize = QStringLiteral("100 × 400");
    e.sensitivity = QStringLiteral("0,4 мм");
    e.defects = QStringLiteral("Аа 1,5");
    e.verdict = TVerdict::Fit;
    e.performer = QStringLiteral("Иванов И. И.");
    e.note = QStringLiteral("Труба; \"кавычки\", ёлка");
    return e;
}

QSqlError DatabaseError(const QString& text, const QString& code = {})
{
    return QSqlError(QString(), text, QSqlError::StatementError, code);
}

} // namespace

// A store call that must succeed; the reason is shown when it does not.
#define DONE(call)                                                                                                     \
    do {                                                                                                               \
        const TStoreResult done = (call);                                                                              \
        QVERIFY2(done.IsDone(), qPrintable(done.reason));                                                              \
    } while (false)

class TestJournalServer : public QObject {
    Q_OBJECT

    TTestServer m_server;
    QString m_findDatabase;

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
        // The list's and the search's indexes, and again when a database lacks them.
        const QString indexes = QStringLiteral("SELECT count(*) FROM pg_indexes WHERE indexname IN "
                                               "('entries_list', 'entries_search')");
        QSqlQuery q(connection.Database());
        QVERIFY(q.exec(indexes) && q.next());
        QCOMPARE(q.value(0).toInt(), 2);
        QVERIFY(q.exec(QStringLiteral("DROP INDEX entries_list, entries_search")));
        QCOMPARE(PrepareServerSchema(connection.Database()).state, TSchemaState::Ready);
        QVERIFY(q.exec(indexes) && q.next());
        QCOMPARE(q.value(0).toInt(), 2);
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

    void olderSchemaUpgraded()
    {
        KELTO_REQUIRE_SERVER(m_server);
        const QString database = m_server.NewDatabase();
        QCOMPARE(m_server.Exec(ServerSchemaSql(), database), QString());
        QCOMPARE(m_server.Exec(QStringLiteral("UPDATE kelto_schema SET version = 1"), database), QString());
        QCOMPARE(m_server.Exec(QStringLiteral("INSERT INTO entries (joint) VALUES ('12')"), database), QString());
        TServerJournalStore store(At(database), QString());
        DONE(store.Open());
        QCOMPARE(store.SchemaVersion(), ServerSchemaVersion);
        QCOMPARE(store.Count(), 1);
    }

    void schemaOfANewerProgramIsLeftAlone()
    {
        KELTO_REQUIRE_SERVER(m_server);
        const QString database = m_server.NewDatabase();
        QCOMPARE(m_server.Exec(ServerSchemaSql(), database), QString());
        QCOMPARE(m_server.Exec(QStringLiteral("UPDATE kelto_schema SET version = 99"), database), QString());
        TServerConnection connection;
        QCOMPARE(connection.Open(At(database), QString()), std::nullopt);
        const TSchemaOutcome outcome = PrepareServerSchema(connection.Database());
        QCOMPARE(outcome.state, TSchemaState::Newer);
        QVERIFY2(outcome.message.contains(QStringLiteral("версия схемы 99")), qPrintable(outcome.message));
    }

    // Two technicians saving conclusions at the same moment never share a
    // number: 1 000 saves each give 2 000 numbers, 1 to 2 000.
    void concurrentConclusionNumbers()
    {
        KELTO_REQUIRE_SERVER(m_server);
        const TJournalSettings settings = At(m_server.NewDatabase());
        DONE(TServerJournalStore(settings, QString()).Open());
        QStringList failures[2];
        auto saver = [&settings](QStringList* failures) {
            TServerJournalStore store(settings, QString());
            for (int i = 0; i < 1000 && failures->isEmpty(); ++i) {
                TConclusion conclusion;
                conclusion.date = QDate(2026, 3, 1);
                if (const TStoreResult r = store.SaveConclusion(conclusion); !r.IsDone())
                    failures->append(r.reason);
            }
        };
        std::unique_ptr<QThread> threads[2] = {std::unique_ptr<QThread>(QThread::create(saver, &failures[0])),
                                               std::unique_ptr<QThread>(QThread::create(saver, &failures[1]))};
        for (auto& thread : threads)
            thread->start();
        for (auto& thread : threads)
            QVERIFY(thread->wait(120000));
        QCOMPARE(failures[0] + failures[1], QStringList());
        QSqlDatabase db = m_server.Connect(settings.database);
        QSqlQuery query(db);
        QVERIFY(query.exec(QStringLiteral(
            "SELECT count(*), count(DISTINCT number), min(number), max(number) FROM conclusions WHERE year = 2026")));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toInt(), 2000);
        QCOMPARE(query.value(1).toInt(), 2000);
        QCOMPARE(query.value(2).toInt(), 1);
        QCOMPARE(query.value(3).toInt(), 2000);
    }

    void entriesRoundTrip()
    {
        KELTO_REQUIRE_SERVER(m_server);
        TServerJournalStore store(At(m_server.NewDatabase()), QString());
        QVERIFY(store.Open().IsDone());
        TJournalEntry entry = Entry(QStringLiteral("Стык 12"));
        DONE(store.Save(entry));
        QVERIFY(entry.id > 0);
        QCOMPARE(entry.revision, 1);
        QVERIFY(entry.createdBy.startsWith(m_server.AdminUser()));
        const QList<TJournalEntry> back = store.Load(store.Find({}));
        QCOMPARE(back.size(), 1);
        QVERIFY(back[0].SameText(Entry(QStringLiteral("Стык 12"))));
        QCOMPARE(back[0].createdBy, entry.createdBy);
        QCOMPARE(store.Count(), 1);
        QCOMPARE(store.SchemaVersion(), ServerSchemaVersion);
    }

    // A save over someone else's newer save is refused with theirs shown; a
    // save from their revision goes through.
    void changeCheck()
    {
        KELTO_REQUIRE_SERVER(m_server);
        const TJournalSettings settings = At(m_server.NewDatabase());
        TServerJournalStore mine(settings, QString()), theirs(settings, QString());
        TJournalEntry opened = Entry(QStringLiteral("Стык 1"));
        DONE(mine.Save(opened));
        TJournalEntry other = theirs.Load({opened.id}).value(0);
        other.defects = QStringLiteral("пора 2 мм");
        DONE(theirs.Save(other));
        const qint64 mark = mine.ChangeMark();

        opened.defects = QStringLiteral("без дефектов");
        const TStoreResult refused = mine.Save(opened);
        QCOMPARE(refused.kind, TStoreResult::Changed);
        QVERIFY(refused.theirs);
        QCOMPARE(refused.theirs->defects, QStringLiteral("пора 2 мм"));
        QCOMPARE(refused.reason,
                 QStringLiteral("Запись изменена пользователем %1 в %2")
                     .arg(other.changedBy, other.changedAt.toLocalTime().toString(QStringLiteral("HH:mm"))));
        QCOMPARE(theirs.Load({opened.id}).value(0).defects, QStringLiteral("пора 2 мм"));
        QCOMPARE(mine.ChangeMark(), mark);

        opened.revision = refused.theirs->revision;
        DONE(mine.Save(opened));
        QCOMPARE(theirs.Load({opened.id}).value(0).defects, QStringLiteral("без дефектов"));
        QVERIFY(theirs.ChangeMark() > mark);
    }

    void deletedLeaveTheListUntilShown()
    {
        KELTO_REQUIRE_SERVER(m_server);
        TServerJournalStore store(At(m_server.NewDatabase()), QString());
        TJournalEntry kept = Entry(QStringLiteral("Стык 1")), gone = Entry(QStringLiteral("Стык 2"));
        DONE(store.Save(kept));
        DONE(store.Save(gone));
        DONE(store.Delete(gone.id));
        QCOMPARE(store.Find({}), QList<qint64>{kept.id});
        TJournalQuery all;
        all.withDeleted = true;
        all.sortBy = TJournalColumn::Number;
        QCOMPARE(store.Find(all), (QList<qint64>{gone.id, kept.id}));
        QVERIFY(store.Load({gone.id}).value(0).deleted);
        QCOMPARE(store.Count(), 1);
        DONE(store.Undelete(gone.id));
        QCOMPARE(store.Count(), 2);
        QCOMPARE(store.Delete(999).kind, TStoreResult::Missing);
    }

    void find_data()
    {
        Columns<QString, int, TJournalColumn, bool, QStringList>({"text", "verdict", "sortBy", "descending", "joints"});
        QTest::newRow("all, newest first") << "" << -1 << TJournalColumn::Date << true << QStringList{"3", "2", "1"};
        QTest::newRow("by joint, rising") << "" << -1 << TJournalColumn::Joint << false << QStringList{"1", "2", "3"};
        QTest::newRow("case folded") << "ПОРА" << -1 << TJournalColumn::Date << true << QStringList{"2"};
        QTest::newRow("ё as е") << "ЕЛКА" << -1 << TJournalColumn::Number << false << QStringList{"1", "2", "3"};
        QTest::newRow("one field at a time") << "трещиной пора" << -1 << TJournalColumn::Date << true << QStringList{};
        QTest::newRow("a month") << "02.2026" << -1 << TJournalColumn::Date << true << QStringList{"2"};
        QTest::newRow("verdict") << "" << int(TVerdict::Repair) << TJournalColumn::Date << true << QStringList{"2"};
        QTest::newRow("nothing") << "шлак" << -1 << TJournalColumn::Date << true << QStringList{};
        QTest::newRow("a percent sign is no wildcard") << "%" << -1 << TJournalColumn::Date << true << QStringList{};
        QTest::newRow("an underscore is no wildcard") << "0_4" << -1 << TJournalColumn::Date << true << QStringList{};
    }
    void find()
    {
        const auto [text, verdict, sortBy, descending, joints] = Fetch<QString, int, TJournalColumn, bool, QStringList>(
            {"text", "verdict", "sortBy", "descending", "joints"});
        KELTO_REQUIRE_SERVER(m_server);
        // One journal for every row: the rows only ask.
        if (m_findDatabase.isEmpty()) {
            m_findDatabase = m_server.NewDatabase();
            TServerJournalStore filling(At(m_findDatabase), QString());
            for (auto [joint, day, defects, found] :
                 {std::tuple{"1", 10, "труба с трещиной", TVerdict::Cut}, std::tuple{"2", 40, "пора", TVerdict::Repair},
                  std::tuple{"3", 70, "", TVerdict::Fit}}) {
                TJournalEntry e = Entry(QString::fromUtf8(joint));
                e.date = QDate(2026, 1, 1).addDays(day);
                e.defects = QString::fromUtf8(defects);
                e.verdict = found;
                DONE(filling.Save(e));
            }
        }
        TServerJournalStore store(At(m_findDatabase), QString());
        TJournalQuery query;
        query.text = text;
        if (verdict >= 0)
            query.verdict = TVerdict(verdict);
        query.sortBy = sortBy;
        query.descending = descending;
        QStringList got;
        for (const TJournalEntry& e : store.Load(store.Find(query)))
            got.append(e.joint);
        QCOMPARE(got, joints);
    }

    void conclusions()
    {
        KELTO_REQUIRE_SERVER(m_server);
        TServerJournalStore store(At(m_server.NewDatabase()), QString());
        TJournalEntry a = Entry(QStringLiteral("1")), b = Entry(QStringLiteral("2"));
        DONE(store.Save(a));
        DONE(store.Save(b));
        QCOMPARE(store.NextConclusionNumber(2026), 1);
        TConclusion first;
        first.date = QDate(2026, 5, 4);
        first.organization = QStringLiteral("Лаборатория НК");
        first.entryIds = {b.id, a.id};
        DONE(store.SaveConclusion(first));
        QCOMPARE(first.number, (TConclusionNumber{1, 2026}));
        QCOMPARE(store.Load({a.id}).value(0).conclusion, QStringLiteral("1/2026"));
        TJournalQuery byNumber;
        byNumber.text = QStringLiteral("1/2026");
        QCOMPARE(store.Find(byNumber).size(), 2);
        QCOMPARE(store.NextConclusionNumber(2026), 2);

        TConclusion twice;
        twice.number = {1, 2026};
        QCOMPARE(store.SaveConclusion(twice).kind, TStoreResult::NumberTaken);
        twice.number = {17, 2026};
        DONE(store.SaveConclusion(twice));
        QCOMPARE(store.NextConclusionNumber(2026), 18);
        QCOMPARE(store.NextConclusionNumber(2027), 1);

        const auto back = store.LoadConclusion({1, 2026});
        QVERIFY(back);
        QCOMPARE(back->organization, QStringLiteral("Лаборатория НК"));
        QCOMPARE(back->entryIds, (QList<qint64>{b.id, a.id}));
        QCOMPARE(back->date, QDate(2026, 5, 4));
        QCOMPARE(store.LoadConclusion({5, 2026}), std::nullopt);
    }

    // An entry with a mark of its own (moved, or sent after the connection
    // returned) arrives once however often it is sent.
    void savedOnceByItsMark()
    {
        KELTO_REQUIRE_SERVER(m_server);
        TServerJournalStore store(At(m_server.NewDatabase()), QString());
        bool inserted = false;
        TJournalEntry first = Entry(QStringLiteral("7")), again = Entry(QStringLiteral("7"));
        DONE(store.SaveOnce(first, QStringLiteral("m1"), &inserted));
        QVERIFY(inserted);
        DONE(store.SaveOnce(again, QStringLiteral("m1"), &inserted));
        QVERIFY(!inserted);
        QCOMPARE(again.id, first.id);
        QCOMPARE(store.Count(), 1);
    }

    // The server stopped under an open store: the save fails with the
    // reason, nothing is half written, and the next save after the restart
    // connects again by itself.
    void serverStoppedAndBack()
    {
        KELTO_REQUIRE_SERVER(m_server);
        TServerJournalStore store(At(m_server.NewDatabase()), QString());
        TJournalEntry before = Entry(QStringLiteral("1"));
        DONE(store.Save(before));
        QVERIFY(m_server.Stop());
        TJournalEntry during = Entry(QStringLiteral("2"));
        const TStoreResult failed = store.Save(during);
        QVERIFY(m_server.Restart());
        QCOMPARE(failed.kind, TStoreResult::Failed);
        QVERIFY2(failed.reason.startsWith(QStringLiteral("Сервер журнала недоступен: ")), qPrintable(failed.reason));
        QCOMPARE(during.id, 0);
        DONE(store.Save(during));
        QCOMPARE(store.Count(), 2);
    }

    // The whole list of a search is read on a thread that keeps its
    // connection: one lost with a restarted server is opened anew.
    void findJobOutlivesARestart()
    {
        KELTO_REQUIRE_SERVER(m_server);
        TServerJournalStore store(At(m_server.NewDatabase()), QString());
        TJournalEntry e = Entry(QStringLiteral("1"));
        DONE(store.Save(e));
        const TJournalStore::TFindJob job = store.FindJob({});
        QVERIFY(job);
        std::promise<void> firstDone, restarted;
        TStoreResult first, second;
        QList<qint64> ids;
        std::thread worker([&, wait = restarted.get_future()] {
            job(&first);
            firstDone.set_value();
            wait.wait();
            ids = job(&second);
        });
        firstDone.get_future().wait();
        const bool back = m_server.Stop() && m_server.Restart();
        restarted.set_value();
        worker.join();
        QVERIFY(back);
        QVERIFY2(first.IsDone() && second.IsDone(), qPrintable(first.reason + second.reason));
        QCOMPARE(ids, QList<qint64>{e.id});
    }

    // Saved while the server is away: kept in journal.db as unsent, shown in
    // the list, sent once when it is back.
    void unsentEntriesArriveOnce()
    {
        KELTO_REQUIRE_SERVER(m_server);
        TempProgramFolder folder;
        const TJournalSettings settings = At(m_server.NewDatabase());
        TLabJournalStore lab(settings, QString(), folder.File("journal.db"));
        DONE(lab.Open());
        TJournalEntry before = Entry(QStringLiteral("1"));
        DONE(lab.Save(before));
        QVERIFY(!before.unsent);

        QVERIFY(m_server.Stop());
        TJournalEntry during = Entry(QStringLiteral("2"));
        DONE(lab.Save(during));
        QVERIFY(during.unsent);
        QVERIFY(during.id < 0);
        QVERIFY(!lab.Online());
        QVERIFY2(lab.OfflineText().startsWith(QStringLiteral("Сервер журнала недоступен: ")),
                 qPrintable(lab.OfflineText()));
        QCOMPARE(lab.UnsentCount(), 1);
        QCOMPARE(lab.Find({}), (QList<qint64>{during.id, before.id}));
        QVERIFY(!lab.FindJob({})); // offline: the list is the store's own, at once
        QVERIFY(lab.Load({during.id}).value(0).unsent);
        during.defects = QStringLiteral("подрез");
        DONE(lab.Save(during));
        QCOMPARE(lab.UnsentCount(), 1);

        QVERIFY(m_server.Restart());
        QCOMPARE(lab.SendUnsent(), 1);
        QCOMPARE(lab.SendUnsent(), 0);
        QCOMPARE(lab.UnsentCount(), 0);
        TServerJournalStore server(settings, QString());
        const QList<TJournalEntry> there = server.Load(server.Find({}));
        QCOMPARE(there.size(), 2);
        QCOMPARE(there[0].defects, QStringLiteral("подрез"));
    }

    // The server took the entry but its answer never came: sent again, it
    // still arrives once.
    void lostAnswerArrivesOnce()
    {
        KELTO_REQUIRE_SERVER(m_server);
        TempProgramFolder folder;
        const TJournalSettings settings = At(m_server.NewDatabase());
        TServerJournalStore server(settings, QString());
        DONE(server.Open());
        QVERIFY(m_server.Stop());
        {
            TLabJournalStore lab(settings, QString(), folder.File("journal.db"));
            DONE(lab.Open());
            TJournalEntry entry = Entry(QStringLiteral("5"));
            DONE(lab.Save(entry));
        }
        QVERIFY(m_server.Restart());
        QString origin;
        {
            QSqlDatabase local = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("peek"));
            local.setDatabaseName(folder.File("journal.db"));
            QVERIFY(local.open());
            QSqlQuery q(local);
            QVERIFY(q.exec(QStringLiteral("SELECT origin FROM server_outbox")) && q.next());
            origin = q.value(0).toString();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("peek"));
        TJournalEntry arrived = Entry(QStringLiteral("5"));
        DONE(server.SaveOnce(arrived, origin));
        TLabJournalStore lab(settings, QString(), folder.File("journal.db"));
        DONE(lab.Open());
        QCOMPARE(lab.UnsentCount(), 0);
        QCOMPARE(server.Count(), 1);
    }

    // An entry changed offline while someone else changed it on the server:
    // it waits, and the user's next save shows both versions.
    void offlineChangeMeetsTheirs()
    {
        KELTO_REQUIRE_SERVER(m_server);
        TempProgramFolder folder;
        const TJournalSettings settings = At(m_server.NewDatabase());
        TLabJournalStore lab(settings, QString(), folder.File("journal.db"));
        DONE(lab.Open());
        TJournalEntry mine = Entry(QStringLiteral("1"));
        DONE(lab.Save(mine));
        TServerJournalStore other(settings, QString());
        TJournalEntry theirs = other.Load({mine.id}).value(0);

        QVERIFY(m_server.Stop());
        mine.defects = QStringLiteral("моё");
        DONE(lab.Save(mine));
        QVERIFY(m_server.Restart());
        theirs.defects = QStringLiteral("их");
        DONE(other.Save(theirs));

        QCOMPARE(lab.SendUnsent(), 0);
        QCOMPARE(lab.UnsentCount(), 1);
        QCOMPARE(lab.Load({mine.id}).value(0).defects, QStringLiteral("моё"));
        const TStoreResult met = lab.Save(mine);
        QCOMPARE(met.kind, TStoreResult::Changed);
        QCOMPARE(met.theirs->defects, QStringLiteral("их"));
        mine.revision = met.theirs->revision;
        DONE(lab.Save(mine));
        QCOMPARE(lab.UnsentCount(), 0);
        QCOMPARE(other.Load({mine.id}).value(0).defects, QStringLiteral("моё"));
    }

    // No server at start: the journal opens on what it has and keeps saves.
    void startsWithoutTheServer()
    {
        TempProgramFolder folder;
        TLabJournalStore lab(
            ServerAt(folder.Path() + QStringLiteral("nosocket"), 5432, QStringLiteral("j"), QStringLiteral("u")),
            QString(), folder.File("journal.db"));
        DONE(lab.Open());
        QVERIFY(!lab.Online());
        QCOMPARE(lab.OfflineText(),
                 QStringLiteral("Сервер журнала недоступен: сервер не найден по этому адресу и порту"));
        TJournalEntry entry = Entry(QStringLiteral("1"));
        DONE(lab.Save(entry));
        QCOMPARE(lab.UnsentCount(), 1);
        QCOMPARE(lab.Count(), 1);
        QVERIFY(!lab.SaveConclusion(*std::make_unique<TConclusion>()).IsDone());
    }

    // journal.db moved to the server once, in one transaction: entries (a
    // deleted one stays deleted) and conclusions; a second run copies none.
    void moveFromTheFile()
    {
        KELTO_REQUIRE_SERVER(m_server);
        TempProgramFolder folder;
        TSqliteJournalStore file(folder.File("journal.db"));
        DONE(file.Open());
        TJournalEntry a = Entry(QStringLiteral("1")), b = Entry(QStringLiteral("2")), gone = Entry(QStringLiteral("3"));
        for (TJournalEntry* e : {&a, &b, &gone})
            DONE(file.Save(*e));
        DONE(file.Delete(gone.id));
        TConclusion conclusion;
        conclusion.number = {17, 2026};
        conclusion.date = QDate(2026, 5, 4);
        conclusion.entryIds = {b.id, a.id};
        DONE(file.SaveConclusion(conclusion));

        TServerJournalStore server(At(m_server.NewDatabase()), QString());
        const TMoveOutcome moved = MoveToServer(file, server);
        DONE(moved.result);
        QCOMPARE(MoveOutcomeText(moved), QStringLiteral("Перенесено на сервер: 3 записи и 1 заключение."));
        QCOMPARE(server.Count(), 2);
        const auto there = server.LoadConclusion({17, 2026});
        QVERIFY(there);
        QCOMPARE(server.Load(there->entryIds).value(0).joint, QStringLiteral("2"));
        QCOMPARE(server.Load(there->entryIds).value(1).conclusion, QStringLiteral("17/2026"));

        const TMoveOutcome again = MoveToServer(file, server);
        QCOMPARE(MoveOutcomeText(again), QStringLiteral("Нечего переносить: все записи журнала уже на сервере."));
        TJournalQuery all;
        all.withDeleted = true;
        QCOMPARE(server.Find(all).size(), 3);
    }

    void moveCountedInRussian_data()
    {
        Columns<int, int, QString>({"entries", "conclusions", "text"});
        QTest::newRow("one") << 1 << 1 << "Перенесено на сервер: 1 запись и 1 заключение.";
        QTest::newRow("few") << 22 << 3 << "Перенесено на сервер: 22 записи и 3 заключения.";
        QTest::newRow("many") << 11 << 0 << "Перенесено на сервер: 11 записей и 0 заключений.";
        QTest::newRow("hundreds") << 112 << 105 << "Перенесено на сервер: 112 записей и 105 заключений.";
    }
    void moveCountedInRussian()
    {
        const auto [entries, conclusions, text] = Fetch<int, int, QString>({"entries", "conclusions", "text"});
        QCOMPARE(MoveOutcomeText({{}, entries, conclusions}), text);
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
