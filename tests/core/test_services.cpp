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
enum class THeld { Running, Ended, Stale, Foreign };
// What stands in the snapshot writer's way.
enum class TWriteFault { None, Folder, NoMemory };

} // namespace

Q_DECLARE_METATYPE(THeld)
Q_DECLARE_METATYPE(TWriteFault)

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
            writer.Write(path, [i, fault]() -> QByteArray {
                if (fault == TWriteFault::NoMemory)
                    throw std::bad_alloc();
                return QByteArray(200000 * i, char('0' + i));
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
        QVERIFY(!rule.Pending());
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
        Columns<THeld, bool>({"held", "secondRuns"});
        // clang-format off
        QTest::newRow("a copy running")         << THeld::Running << false;
        QTest::newRow("the copy ended")         << THeld::Ended   << true;
        QTest::newRow("left by a dead copy")    << THeld::Stale   << true;
        QTest::newRow("a copy on another host") << THeld::Foreign << false;
        // clang-format on
    }
    void folderWithoutLocksUsesALockFile()
    {
        QFETCH(THeld, held);
        QFETCH(bool, secondRuns);
        QTemporaryDir folder;
        const TInstanceGuard::TFlock noLocks = [](int, int) {
            errno = ENOLCK;
            return -1;
        };
        auto first = std::make_unique<TInstanceGuard>();
        first->SetFlock(noLocks);
        QVERIFY(first->Acquire(folder.path()));
        const QString lock = folder.filePath(TInstanceGuard::FolderLockFileName());
        QVERIFY(QFile::exists(lock));
        if (held != THeld::Running)
            first.reset();
        const QByteArray host = QSysInfo::machineHostName().toUtf8();
        if (held == THeld::Stale)
            QVERIFY(!WriteFileAtomically(lock, "999999999\n" + host + "\n"));
        if (held == THeld::Foreign)
            QVERIFY(!WriteFileAtomically(lock, "1\nelsewhere.invalid\n"));
        TInstanceGuard second;
        second.SetFlock(noLocks);
        QCOMPARE(second.Acquire(folder.path()), secondRuns);
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
