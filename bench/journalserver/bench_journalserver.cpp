// The control journal on a laboratory's server with 100 000 entries: the
// window's first rows after it is asked for (goal 300 ms), a search keystroke
// (50 ms), saving one entry (30 ms). The server is a throwaway PostgreSQL of
// the benchmark's own: a fresh cluster in a temporary folder, a Unix socket
// in that folder only, owned by an unprivileged user when run as root, with
// fsync on as a real server has it, stopped and removed at the end. Where it
// cannot start, the benchmark says so and skips.
#include "core/programfolder.h"
#include "../journal/journalsearch.h"
#include "journal/journalrules.h"
#include "journal/view/tfjournal.h"
#include "journalserver/labstore.h"
#include "journalserver/serverstore.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>

#include <csignal>
#include <memory>
#include <pwd.h>
#include <unistd.h>

using namespace kelto;

namespace {

constexpr int Entries = 100000;
constexpr int Distinct = 200; // saved through the store; the rest are their copies
constexpr int Port = 5432;    // in the cluster's own socket folder: no clash with another server

TJournalEntry Sample(int i)
{
    TJournalEntry e;
    e.date = QDate(2020, 1, 1).addDays(i % 2500);
    e.object = QStringLiteral("Газопровод участок %1").arg(i % 40);
    e.joint = QStringLiteral("Т-%1").arg(i);
    e.pipe = QStringLiteral("219 × 8 мм");
    e.material = QStringLiteral("сталь 09Г2С");
    e.method = QStringLiteral("ГОСТ 7512-82, схема 5б");
    e.source = QStringLiteral("Ir-192");
    e.sourceSerial = QStringLiteral("1234");
    e.films = 3;
    e.filmSize = QStringLiteral("100×240");
    e.sensitivity = QStringLiteral("0,2 мм");
    e.defects = i % 3 ? QStringLiteral("пора 0,5 мм, шлак 1 мм") : QString();
    e.verdict = static_cast<TVerdict>(i % 4);
    e.performer = QStringLiteral("Иванов И. И.");
    return e;
}

// The throwaway cluster: initdb and postgres from Debian's package, run as
// `nobody` through setpriv when the benchmark runs as root, dying with it.
class TCluster {
public:
    TCluster() { m_skip = Start(); }
    ~TCluster() { Stop(); }

    const QString& Skip() const { return m_skip; }
    QString Host() const { return m_dir.path(); }

private:
    QStringList AsOwner(const QString& program, const QStringList& args) const
    {
        QStringList argv{QStringLiteral("--pdeathsig"), QStringLiteral("TERM"), QStringLiteral("--")};
        if (geteuid() == 0) {
            const passwd* nobody = getpwnam("nobody");
            argv = QStringList{QStringLiteral("--reuid"), QString::number(nobody ? nobody->pw_uid : 65534),
                               QStringLiteral("--regid"), QString::number(nobody ? nobody->pw_gid : 65534),
                               QStringLiteral("--clear-groups")}
                + argv;
        }
        return argv + QStringList{QStringLiteral("env"), QStringLiteral("HOME=") + m_dir.path(),
                                  QStringLiteral("LC_ALL=C.UTF-8"), program}
            + args;
    }

    QString Start()
    {
        QString bin;
        for (int version = 20; version >= 13 && bin.isEmpty(); --version)
            if (QFile::exists(QStringLiteral("/usr/lib/postgresql/%1/bin/initdb").arg(version)))
                bin = QStringLiteral("/usr/lib/postgresql/%1/bin/").arg(version);
        if (bin.isEmpty())
            return QStringLiteral("PostgreSQL is not installed (no /usr/lib/postgresql/*/bin/initdb)");
        if (!m_dir.isValid())
            return QStringLiteral("no temporary folder");
        if (geteuid() == 0) {
            const passwd* nobody = getpwnam("nobody");
            if (!nobody || chown(QFile::encodeName(m_dir.path()).constData(), nobody->pw_uid, nobody->pw_gid) != 0)
                return QStringLiteral("the folder cannot be given to the user nobody");
        }
        const QString data = m_dir.filePath(QStringLiteral("data"));
        QProcess initdb;
        initdb.setProcessChannelMode(QProcess::MergedChannels);
        initdb.start(QStringLiteral("setpriv"),
                     AsOwner(bin + QStringLiteral("initdb"),
                             {QStringLiteral("-D"), data, QStringLiteral("-U"), QStringLiteral("kelto"),
                              QStringLiteral("--auth=trust"), QStringLiteral("-E"), QStringLiteral("UTF8"),
                              QStringLiteral("--locale=C.UTF-8"), QStringLiteral("--no-sync")}));
        if (!initdb.waitForFinished(120000) || initdb.exitCode() != 0)
            return QStringLiteral("initdb failed: ") + QString::fromLocal8Bit(initdb.readAll()).right(300);
        m_server.setProcessChannelMode(QProcess::MergedChannels);
        m_server.setStandardOutputFile(m_dir.filePath(QStringLiteral("postgres.log")));
        m_server.start(QStringLiteral("setpriv"),
                       AsOwner(bin + QStringLiteral("postgres"),
                               {QStringLiteral("-D"), data, QStringLiteral("-k"), m_dir.path(), QStringLiteral("-p"),
                                QString::number(Port), QStringLiteral("-c"), QStringLiteral("listen_addresses="),
                                QStringLiteral("-c"), QStringLiteral("max_connections=20")}));
        const QString socket = m_dir.filePath(QStringLiteral(".s.PGSQL.%1").arg(Port));
        for (QDeadlineTimer deadline(30000); !deadline.hasExpired();) {
            if (m_server.state() == QProcess::NotRunning)
                return QStringLiteral("postgres ended at start (see its log)");
            if (QFile::exists(socket) && Answers())
                return {};
            QThread::msleep(50);
        }
        return QStringLiteral("postgres did not accept connections within 30 s");
    }

    bool Answers() const
    {
        TServerConnection connection;
        return !connection.Open(Settings(QStringLiteral("postgres")), QString(), 2);
    }

    void Stop()
    {
        if (m_server.state() == QProcess::NotRunning)
            return;
        // A fast shutdown: SIGINT to postgres (setpriv execs it, so it is the process itself).
        ::kill(pid_t(m_server.processId()), SIGINT);
        if (!m_server.waitForFinished(20000)) {
            m_server.kill();
            m_server.waitForFinished(5000);
        }
    }

public:
    TJournalSettings Settings(const QString& database) const
    {
        TJournalSettings s;
        s.place = TJournalPlace::Server;
        s.host = m_dir.path();
        s.port = Port;
        s.database = database;
        s.user = QStringLiteral("kelto");
        return s;
    }

private:
    QTemporaryDir m_dir{QStringLiteral("/tmp/kelto-bench-pg-XXXXXX")};
    QProcess m_server;
    QString m_skip;
};

// The cluster with a journal of `Entries`: distinct entries through the
// store, then copied by the server (their folded search text with them).
struct TBigJournal {
    TCluster cluster;
    QTemporaryDir folder;
    QString skip;

    TBigJournal()
    {
        SetProgramFolder(folder.path() + QLatin1Char('/'));
        skip = cluster.Skip();
        if (skip.isEmpty())
            skip = Fill();
    }

    TJournalSettings Settings() const { return cluster.Settings(QStringLiteral("journal")); }

    QString Fill()
    {
        {
            TServerConnection admin;
            if (auto why = admin.Open(cluster.Settings(QStringLiteral("postgres")), QString()))
                return *why;
            QSqlQuery q(admin.Database());
            if (!q.exec(QStringLiteral("CREATE DATABASE journal")))
                return q.lastError().text();
        }
        TServerJournalStore store(Settings(), QString());
        if (const TStoreResult r = store.Open(); !r.IsDone())
            return r.reason;
        for (int i = 0; i < Distinct; ++i) {
            TJournalEntry e = Sample(i);
            if (const TStoreResult r = store.Save(e); !r.IsDone())
                return r.reason;
        }
        TServerConnection connection;
        if (auto why = connection.Open(Settings(), QString()))
            return *why;
        QSqlQuery q(connection.Database());
        const QString cols = QStringLiteral("object, joint, pipe, material, method, source, source_serial, films, "
                                            "film_size, sensitivity, defects, verdict, conclusion, performer, note, "
                                            "search, created_os, changed_os");
        // A journal grows day by day: 40 entries a day over some seven years.
        if (!q.exec(QStringLiteral("INSERT INTO entries (test_date, %1) SELECT DATE '2019-01-01' + ((c * %2 + id) / 40)::int, "
                                   "%1 FROM entries, generate_series(1, %3) AS c WHERE id <= %2")
                        .arg(cols)
                        .arg(Distinct)
                        .arg(Entries / Distinct - 1))
            || !q.exec(QStringLiteral("VACUUM ANALYZE entries")))
            return q.lastError().text();
        return {};
    }
};

// Made at the first benchmark, gone before the application goes.
std::unique_ptr<TBigJournal>& TheJournal()
{
    static std::unique_ptr<TBigJournal> journal;
    return journal;
}

TBigJournal& Journal()
{
    if (!TheJournal())
        TheJournal() = std::make_unique<TBigJournal>();
    return *TheJournal();
}

std::unique_ptr<TfJournal> OpenWindow()
{
    auto store = std::make_unique<TLabJournalStore>(Journal().Settings(), QString(),
                                                    Journal().folder.filePath(QStringLiteral("journal.db")));
    store->Open();
    auto window = std::make_unique<TfJournal>(std::move(store));
    window->show();
    QApplication::processEvents();
    return window;
}

#define REQUIRE_JOURNAL(state)                                                                                         \
    if (!Journal().skip.isEmpty())                                                                                     \
        return (state).SkipWithError(("SKIPPED, no test server: " + Journal().skip.toStdString()).c_str());

} // namespace

// Ctrl+J: the store opened (the server reached, its schema checked, the
// unsent entries looked at), the window built, shown and painted with its first rows.
static void BM_ServerJournalFirstRows(benchmark::State& state)
{
    REQUIRE_JOURNAL(state)
    for (auto _ : state) {
        auto window = OpenWindow();
        benchmark::DoNotOptimize(window->grab());
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ServerJournalFirstRows)->Unit(benchmark::kMillisecond);

// One keystroke in the search field: the query and the table's first rows.
// Arg 0: a joint's number (few found), 1: a word in every entry (all found),
// 2: a month.
static void BM_ServerJournalSearchKeystroke(benchmark::State& state)
{
    REQUIRE_JOURNAL(state)
    auto window = OpenWindow();
    kelto::bench::TimeSearch(state, *window, false);
}
BENCHMARK(BM_ServerJournalSearchKeystroke)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The same search until its whole list is in and counted in the status line
// (the first rows show before; the rest is read on another thread).
static void BM_ServerJournalSearchWholeList(benchmark::State& state)
{
    REQUIRE_JOURNAL(state)
    auto window = OpenWindow();
    kelto::bench::TimeSearch(state, *window, true);
}
BENCHMARK(BM_ServerJournalSearchWholeList)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// "Сохранить": one changed entry through the store the window uses, one
// transaction on the server, its commit flushed to disk.
static void BM_ServerJournalSaveEntry(benchmark::State& state)
{
    REQUIRE_JOURNAL(state)
    TLabJournalStore store(Journal().Settings(), QString(), Journal().folder.filePath(QStringLiteral("journal.db")));
    store.Open();
    TJournalEntry e = store.Load({1}).value(0);
    int i = 0;
    for (auto _ : state) {
        e.defects = QStringLiteral("пора %1 мм").arg(++i);
        if (const TStoreResult r = store.Save(e); !r.IsDone() || e.unsent)
            return state.SkipWithError("the entry did not reach the server");
    }
}
BENCHMARK(BM_ServerJournalSaveEntry)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (!Journal().skip.isEmpty())
        fprintf(stderr, "SKIPPED: the benchmark's own PostgreSQL server is not available: %s\n",
                qPrintable(Journal().skip));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    TheJournal().reset(); // the server stopped, its folder removed
    return 0;
}
