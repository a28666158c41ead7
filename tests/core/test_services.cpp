// The program's services that need no window: the autosave's timing, the
// snapshot writer, the termination watch and the single-instance guard, on
// QtCore alone.
#include "core/autosave.h"
#include "core/instanceguard.h"
#include "core/snapshotwriter.h"
#include "core/termination.h"
#include "core/textfile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include "files.h"
#include "table.h"

#include <cerrno>
#include <csignal>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace kelto;
using namespace kelto::testing;

namespace {

// Who holds the folder's lock file when a second copy starts.
enum class THeld {
    Running,
    Ended,
    Stale,
    Foreign,
    ForeignClosed, // the user confirms the other host's copy is closed
    Empty,
    PidOnly,       // a record cut after the process id
    NotThisProgram, // a live process of this host that is another program
    Huge,          // a 1 GB file that begins like a record
    Folder,
    DanglingLink,
    Fifo,
};
// What stands in the snapshot writer's way.
enum class TWriteFault { None, Folder, NoMemory };

} // namespace

Q_DECLARE_METATYPE(THeld)
Q_DECLARE_METATYPE(TWriteFault)
Q_DECLARE_METATYPE(kelto::TInstanceGuard::TRefusal)

namespace {
QString FolderLockName()
{
    return kelto::TInstanceGuard::FolderLockFileName();
}
} // namespace

class TestServices : public QObject {
    Q_OBJECT
private slots:
    // The autosave's worker: the file ends up with the latest snapshot, and
    // every outcome, a failure included, arrives on the window's thread.
    // clang-format off
    void snapshotWriter_data()
    {
        Column<TWriteFault>("fault", {
            {"writes the latest snapshot", TWriteFault::None},
            {"reports a failure", TWriteFault::Folder},
            {"reports running out of memory", TWriteFault::NoMemory},
        });
    }
    // clang-format on
    void snapshotWriter()
    {
        QFETCH(TWriteFault, fault);
        const bool blocked = fault != TWriteFault::None;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("log.cnf"));
        if (fault == TWriteFault::Folder)
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("log.cnf")));
        TSnapshotWriter writer;
        QStringList errors;
        bool onOwnThread = true;
        connect(&writer, &TSnapshotWriter::written, this, [&](const QString&, const QString& error) {
            errors << error;
            onOwnThread = onOwnThread && QThread::currentThread() == thread();
        });
        for (int i = 1; i <= 3; ++i)
            writer.WriteWith(path, [path, i, fault]() -> std::optional<QString> {
                if (fault == TWriteFault::NoMemory)
                    throw std::bad_alloc();
                return WriteFileAtomically(path, QByteArray(200000 * i, char('0' + i)));
            });
        writer.Wait();
        QCoreApplication::sendPostedEvents();
        QVERIFY(!errors.isEmpty() && errors.size() <= 3);
        QVERIFY(onOwnThread);
        QCOMPARE(errors.last().isEmpty(), !blocked);
        if (!blocked)
            QCOMPARE(*ReadWholeFile(path), QByteArray(600000, '3'));
        if (fault == TWriteFault::NoMemory)
            QCOMPARE(errors.last(), QStringLiteral("недостаточно памяти"));
    }

    void autosaveRule()
    {
        TAutoSave rule(300);
        QSignalSpy due(&rule, &TAutoSave::due);
        QElapsedTimer clock;
        clock.start();
        rule.Changed();
        while (clock.elapsed() < 1000) {
            rule.Changed(); // a change every 20 ms does not push it back
            QTest::qWait(20);
        }
        QVERIFY2(due.count() >= 2, qPrintable(QString::number(due.count())));
        rule.Cancel();
        const auto before = due.count();
        QTest::qWait(400);
        QCOMPARE(due.count(), before);
    }

    // Each ending signal arrives once, as itself, on the event loop's thread
    // and not inside the handler.
    void terminationSignalsArriveOnTheLoop()
    {
        TTerminationWatch watch;
        QSignalSpy requested(&watch, &TTerminationWatch::requested);
        for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
            QVERIFY(::raise(sig) == 0);
            QCOMPARE(requested.count(), 0); // only the pipe was written
            QTRY_COMPARE(requested.count(), 1);
            QCOMPARE(requested.takeFirst().at(0).toInt(), sig);
        }
    }

    // Two copies share a program folder from two users' sessions (their own
    // runtime folders): the folder's lock refuses the second; different
    // folders of different users both run.
    // clang-format off
    void oneCopyPerProgramFolder_data()
    {
        Columns<bool, bool, bool>({"sameFolder", "sameRuntime", "secondRuns"});
        QTest::newRow("one folder, two users") << true << false << false;
        QTest::newRow("one folder, one user") << true << true << false;
        QTest::newRow("two folders, one user") << false << true << false;
        QTest::newRow("two folders, two users") << false << false << true;
    }
    // clang-format on
    void oneCopyPerProgramFolder()
    {
        auto [sameFolder, sameRuntime, secondRuns]
            = Fetch<bool, bool, bool>({"sameFolder", "sameRuntime", "secondRuns"});
        QTemporaryDir a, b, runA, runB;
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runA.path()));
        TInstanceGuard first, second;
        QVERIFY(first.Acquire(a.path()));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(sameRuntime ? runA.path() : runB.path()));
        const bool runs = second.Acquire(sameFolder ? a.path() : b.path());
        qputenv("XDG_RUNTIME_DIR", runtime);
        QCOMPARE(runs, secondRuns);
    }

    // Without a runtime folder the lock lies in a folder of the user's own:
    // another user's file in the shared place cannot stop the start.
    void lockWithoutRuntimeFolderIsPrivate()
    {
        QTemporaryDir tmp;
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR"), tmpdir = qgetenv("TMPDIR");
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", QFile::encodeName(tmp.path()));
        const QString own = tmp.filePath(QStringLiteral("kelto-%1").arg(::geteuid()));
        TInstanceGuard guard;
        const QString path = guard.LockPath();
        const bool acquired = guard.Acquire();
        struct stat st { };
        const bool statted = ::lstat(QFile::encodeName(own).constData(), &st) == 0;
        // Someone else's folder in that place is not used.
        TInstanceGuard other;
        if (::geteuid() == 0) {
            QVERIFY(::chown(QFile::encodeName(own).constData(), 65534, 65534) == 0);
            QVERIFY(other.LockPath().isEmpty());
            QVERIFY(other.Acquire());
        }
        qputenv("XDG_RUNTIME_DIR", runtime);
        qputenv("TMPDIR", tmpdir);
        QCOMPARE(path, own + QStringLiteral("/kelto"));
        QVERIFY(acquired);
        QVERIFY(statted);
        QCOMPARE(int(st.st_mode & 0777), 0700);
    }

    // Where the folder's file system has no locks, a lock file in the
    // folder keeps the diary to one copy; one left by a copy gone from this
    // host does not stop the start.
    void folderWithoutLocksUsesALockFile_data()
    {
        using R = TInstanceGuard::TRefusal;
        Columns<THeld, bool, R>({"held", "secondRuns", "refusal"});
        // clang-format off
        QTest::newRow("a copy running")           << THeld::Running        << false << R::Running;
        QTest::newRow("the copy ended")           << THeld::Ended          << true  << R::None;
        QTest::newRow("left by a dead copy")      << THeld::Stale          << true  << R::None;
        QTest::newRow("a copy on another host")   << THeld::Foreign        << false << R::OtherHost;
        QTest::newRow("another host's, closed")   << THeld::ForeignClosed  << true  << R::None;
        QTest::newRow("empty file")               << THeld::Empty          << true  << R::None;
        QTest::newRow("only a process id")        << THeld::PidOnly        << true  << R::None;
        QTest::newRow("a live other program")     << THeld::NotThisProgram << true  << R::None;
        QTest::newRow("1 GB file")                << THeld::Huge           << true  << R::None;
        QTest::newRow("a folder")                 << THeld::Folder         << false << R::NotAFile;
        QTest::newRow("a dangling link")          << THeld::DanglingLink   << false << R::NotAFile;
        QTest::newRow("a FIFO")                   << THeld::Fifo           << false << R::NotAFile;
        // clang-format on
    }
    void folderWithoutLocksUsesALockFile()
    {
        QFETCH(THeld, held);
        QFETCH(bool, secondRuns);
        QFETCH(TInstanceGuard::TRefusal, refusal);
        QTemporaryDir folder;
        const TInstanceGuard::TFlock noLocks = [](int, int) {
            errno = ENOLCK;
            return -1;
        };
        auto first = std::make_unique<TInstanceGuard>();
        first->SetFlock(noLocks);
        QVERIFY(first->Acquire(folder.path()));
        const QString lock = folder.filePath(TInstanceGuard::FolderLockFileName());
        const QByteArray path = QFile::encodeName(lock);
        QVERIFY(QFile::exists(lock));
        if (held != THeld::Running)
            first.reset();
        const QByteArray host = QSysInfo::machineHostName().toUtf8();
        const QByteArray elsewhere = "1\nelsewhere.invalid\n";
        switch (held) {
        case THeld::Running:
        case THeld::Ended: break;
        case THeld::Stale: QVERIFY(!WriteFileAtomically(lock, "999999999\n" + host + "\n")); break;
        case THeld::Foreign:
        case THeld::ForeignClosed: QVERIFY(!WriteFileAtomically(lock, elsewhere)); break;
        case THeld::Empty: Put(lock, ""); break;
        case THeld::PidOnly: Put(lock, QByteArray::number(qint64(::getppid()))); break;
        case THeld::NotThisProgram: Put(lock, QByteArray::number(qint64(::getppid())) + "\n" + host + "\n"); break;
        case THeld::Huge:
            Put(lock, QByteArray::number(qint64(::getppid())) + "\n" + host + "\n");
            QVERIFY(::truncate(path.constData(), qint64(1) << 30) == 0);
            break;
        case THeld::Folder: QVERIFY(QDir(folder.path()).mkdir(FolderLockName())); break;
        case THeld::DanglingLink: QVERIFY(QFile::link(folder.filePath("gone"), lock)); break;
        case THeld::Fifo: QVERIFY(::mkfifo(path.constData(), 0644) == 0); break;
        }
        QStringList asked;
        TInstanceGuard second;
        second.SetFlock(noLocks);
        QCOMPARE(second.Acquire(folder.path(),
                                [&](const QString& file, const QString& other) {
                                    asked << file << other;
                                    return held == THeld::ForeignClosed;
                                }),
                 secondRuns);
        QCOMPARE(second.Refusal(), refusal);
        const bool foreign = held == THeld::Foreign || held == THeld::ForeignClosed;
        QCOMPARE(asked, foreign ? (QStringList{lock, "elsewhere.invalid"}) : QStringList());
        if (refusal == TInstanceGuard::TRefusal::NotAFile)
            QCOMPARE(second.RefusedLockPath(), lock);
        // A lock taken over is this process's complete record, and the only
        // file the guard left beside it.
        if (secondRuns && held != THeld::Ended)
            QCOMPARE(Get(lock), QByteArray::number(qint64(::getpid())) + "\n" + host + "\n");
        if (secondRuns)
            QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
                     QStringList{FolderLockName()});
    }

    // A record is judged by the process's executable, not by its id alone.
    void lockRecordJudgedByTheProcess()
    {
        const QByteArray host = QSysInfo::machineHostName().toUtf8();
        const auto judge = [](const QByteArray& text) { return JudgeLockRecord(text, text.size()); };
        QVERIFY(RunsThisProgram(::getpid()));
        QVERIFY(!RunsThisProgram(::getppid()));
        QCOMPARE(judge(QByteArray::number(qint64(::getppid())) + "\n" + host + "\n"), TLockHolder::Stale);
        QCOMPARE(judge("+1\n" + host + "\n"), TLockHolder::Stale);
        QCOMPARE(judge("1\n" + host + "\nmore\n"), TLockHolder::Stale);
        QCOMPARE(judge("1\nother\n"), TLockHolder::OtherHost);
        QCOMPARE(JudgeLockRecord("1\nother\n", 4096), TLockHolder::Stale); // read only in part
    }

    void lockIsFreedWhenTheHolderGoes()
    {
        {
            TInstanceGuard first;
            QVERIFY(first.Acquire());
        }
        TInstanceGuard again;
        QVERIFY(again.Acquire());
    }
};

QTEST_GUILESS_MAIN(TestServices)
#include "test_services.moc"
