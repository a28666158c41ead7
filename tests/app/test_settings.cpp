// ini.cnf at start, on switching autostart and after a plug-in choice; the
// XDG autostart entry, always in a temporary configuration folder.
#include "app/autostart.h"
#include "app/instanceclaim.h"
#include "app/settingsfile.h"
#include "core/cp1251.h"
#include "core/programfolder.h"
#include "gui/report.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "files.h"
#include "messages.h"
#include "table.h"

#include <cerrno>
#include <sys/stat.h>

using namespace kelto;

using namespace kelto::testing;

namespace {

// The plug-in paths the start-up step asked for.
struct LoadRecorder {
    QStringList paths;
    bool result = true;
    std::function<bool(const QString&)> fn()
    {
        return [this](const QString& p) {
            paths << p;
            // The file is looked at only after the load.
            return result;
        };
    }
};

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_config;

    QString Ini() const { return SettingsPath(); }
    // The line a first start writes: the default plug-in, relative.
    QByteArray Default() const { return ToCp1251(QStringLiteral("plugins/стандарт.plg")); }
    // "<folder>" in a table stands for ProgramFolder().
    static QString Expand(QString s) { return s.replace("<folder>", ProgramFolder()); }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        const QString program = m_dir.path() + "/Кельто программа";
        QDir(program).removeRecursively();
        QVERIFY(QDir().mkpath(program));
        SetProgramFolder(program);
        m_config = m_dir.path() + "/config";
        QDir(m_config).removeRecursively();
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config));
        SetAutostartExecutable("/opt/Кельто/bin/kelto");
    }

    void paths()
    {
        QCOMPARE(SettingsPath(), ProgramFolder() + "ini.cnf");
        QCOMPARE(DefaultPluginPath(), ProgramFolder() + "plugins/стандарт.plg");
    }

    // clang-format off
    void startupPluginStep_data()
    {
        Columns<bool, QByteArray>({"exists", "content"});
        QTest::addColumn<QString>("loaded"); // "" means the default plug-in
        QTest::newRow("remembered") << true << ToCp1251("/x/тёмный.plg\r\n1\r\n") << "/x/тёмный.plg";
        QTest::newRow("relative, /") << true << ToCp1251("plugins/тёмный.plg\r\n1\r\n") << "<folder>plugins/тёмный.plg";
        QTest::newRow("relative, \\") << true << ToCp1251("plugins\\тёмный.plg\r\n") << "<folder>plugins/тёмный.plg";
        QTest::newRow("relative, mixed") << true << QByteArray("a\\b/c.plg\r\n") << "<folder>a/b/c.plg";
        QTest::newRow("relative, leaving the folder") << true << QByteArray("../x.plg\r\n") << "<folder>../x.plg";
        QTest::newRow("absolute, \\, no such file") << true << QByteArray("\\x\\a.plg\r\n") << "/x/a.plg";
        QTest::newRow("absolute, / then \\, no such file") << true << QByteArray("/x\\a.plg\r\n") << "/x/a.plg";
        QTest::newRow("no trimming") << true << QByteArray(" /x/a.plg \r\n") << "<folder> /x/a.plg ";
        QTest::newRow("cp1251 bytes") << true << QByteArray("/x/\xf2\xb8\xec\xed\xfb\xe9.plg") << "/x/тёмный.plg";
        QTest::newRow("empty first line") << true << QByteArray("\r\n1\r\n") << "";
        QTest::newRow("empty file") << true << QByteArray() << "";
        QTest::newRow("LF ends") << true << QByteArray("/x/a.plg\n0\n") << "/x/a.plg";
    }
    // clang-format on
    void startupPluginStep()
    {
        auto [content, loaded] = Fetch<QByteArray, QString>({"content", "loaded"});
        Put(Ini(), content);
        for (bool result : {true, false}) {
            LoadRecorder rec;
            rec.result = result;
            StartupPluginStep(rec.fn());
            QCOMPARE(rec.paths, QStringList{loaded.isEmpty() ? DefaultPluginPath() : Expand(loaded)});
            QCOMPARE(Get(Ini()), content);
        }
    }

    // clang-format off
    void firstStartWithoutFile_data()
    {
        Column<bool>("loads", {
            {"plug-in loads", true},
            {"plug-in fails", false},
        });
    }
    // clang-format on
    void firstStartWithoutFile()
    {
        QFETCH(bool, loads);
        LoadRecorder rec;
        rec.result = loads;
        StartupPluginStep(rec.fn());
        QCOMPARE(rec.paths, QStringList{DefaultPluginPath()});
        QCOMPARE(Get(Ini()), Default() + "\r\n");
        QVERIFY(!ReadAutoStartFlag());
    }

    // The first start's file may wait until the window is up; a plug-in
    // chosen in between is not written over.
    void firstStartFileWaits_data()
    {
        QTest::addColumn<QByteArray>("between");
        QTest::addColumn<QByteArray>("after");
        // clang-format off
        QTest::newRow("nothing in between") << QByteArray()               << Default() + "\r\n";
        QTest::newRow("a choice between")   << QByteArray("b.plg\r\n0\r\n") << QByteArray("b.plg\r\n0\r\n");
        // clang-format on
    }
    void firstStartFileWaits()
    {
        QFETCH(QByteArray, between);
        QFETCH(QByteArray, after);
        LoadRecorder rec;
        std::function<void()> pending;
        StartupPluginStep(rec.fn(), [&](std::function<void()> write) { pending = std::move(write); });
        QVERIFY(!QFileInfo::exists(Ini()));
        if (!between.isEmpty())
            Put(Ini(), between);
        pending();
        QCOMPARE(Get(Ini()), after);
    }

    // Whatever stands at ini.cnf that cannot be read (a folder, a FIFO that
    // once hung the start, a link to an endless device): the default plug-in,
    // autostart off, one box naming the file, and it is never written over.
    // clang-format off
    void unreadableFile_data()
    {
        Column<QString>("kind", {
            {"folder", "folder"},
            {"FIFO", "fifo"},
            {"link to /dev/zero", "zero"},
        });
    }
    // clang-format on
    void unreadableFile()
    {
        QFETCH(QString, kind);
        if (kind == "folder")
            QVERIFY(QDir().mkdir(Ini()));
        else if (kind == "fifo")
            QCOMPARE(mkfifo(QFile::encodeName(Ini()).constData(), 0600), 0);
        else
            QVERIFY(QFile::link("/dev/zero", Ini()));
        const QFileInfo before(Ini());
        QList<TMessageRequest> boxes;
        LoadRecorder rec;
        {
            const testing::MessageRecorder messages;
            StartupPluginStep(rec.fn());
            boxes = messages.boxes;
        }
        QCOMPARE(rec.paths, QStringList{DefaultPluginPath()});
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes[0].text.contains(QDir::toNativeSeparators(Ini())), qPrintable(boxes[0].text));
        QCOMPARE(boxes[0].caption, QStringLiteral("Кельто"));
        QVERIFY(!ReadAutoStartFlag());
        QVERIFY(!SwitchAutoStart(true)); // the entry is written, the file stays
        RewriteAfterPluginChoice(ProgramFolder() + "plugins/тёмный.plg");
        const QFileInfo after(Ini());
        QCOMPARE(after.isSymLink(), before.isSymLink());
        QCOMPARE(after.isDir(), before.isDir());
        QCOMPARE(after.isFile(), before.isFile());
        QCOMPARE(after.lastModified(), before.lastModified());
    }

    // clang-format off
    void autoStartFlag_data()
    {
        Columns<QByteArray, bool>({"content", "on"});
        QTest::newRow("0") << QByteArray("p\r\n0\r\n") << false;
        QTest::newRow("1") << QByteArray("p\r\n1\r\n") << true;
        QTest::newRow("other text") << QByteArray("p\r\nда\r\n") << true;
        QTest::newRow("0 with blank before") << QByteArray("p\r\n 0\r\n") << true;
        QTest::newRow("0 with blank after") << QByteArray("p\r\n0 \r\n") << true;
        QTest::newRow("00") << QByteArray("p\r\n00") << true;
        QTest::newRow("empty second line") << QByteArray("p\r\n\r\n") << true;
        QTest::newRow("0 without line end") << QByteArray("p\r\n0") << false;
        QTest::newRow("missing") << QByteArray("p\r\n") << false;
        QTest::newRow("one line, no end") << QByteArray("p") << false;
        QTest::newRow("empty file") << QByteArray() << false;
        QTest::newRow("empty first line, 1") << QByteArray("\r\n1\r\n") << true;
        QTest::newRow("third line ignored") << QByteArray("p\r\n0\r\n1\r\n") << false;
    }
    // clang-format on
    void autoStartFlag()
    {
        auto [content, on] = Fetch<QByteArray, bool>({"content", "on"});
        Put(Ini(), content);
        QCOMPARE(ReadAutoStartFlag(), on);
    }

    void autoStartFlagWithoutFile() { QVERIFY(!ReadAutoStartFlag()); }

    // clang-format off
    void switchAutoStart_data()
    {
        Columns<bool, QByteArray, bool>({"exists", "before", "on"});
        QTest::addColumn<QStringList>("after"); // "<default>" stands for the default plug-in's line
        QTest::newRow("on, empty file") << true << QByteArray() << true << QStringList{"<default>", "1"};
        QTest::newRow("off, no file") << false << QByteArray() << false << QStringList{"<default>", "0"};
        QTest::newRow("one line") << true << QByteArray("/x/a.plg\r\n") << true << QStringList{"/x/a.plg", "1"};
        QTest::newRow("four lines keep 3 and 4") << true << ToCp1251("/x/a.plg\r\n1\r\nтри\r\nfour\r\n") << false << QStringList{"/x/a.plg", "0", "три", "four"};
        QTest::newRow("empty first line kept") << true << QByteArray("\r\n0\r\n") << true << QStringList{"", "1"};
    }
    // clang-format on
    void switchAutoStart()
    {
        auto [exists, before, on, after]
            = Fetch<bool, QByteArray, bool, QStringList>({"exists", "before", "on", "after"});
        if (exists)
            Put(Ini(), before);
        QCOMPARE(SwitchAutoStart(on), std::nullopt);
        after.replaceInStrings("<default>", "plugins/стандарт.plg");
        QCOMPARE(Get(Ini()), JoinCrLf(after));
        QCOMPARE(ReadAutoStartFlag(), on);
        QVERIFY(QFile::exists(AutostartEntryPath()));
    }

    void failedRegistrationLeavesFileAlone()
    {
        // The configuration folder is a plain file: no autostart folder can
        // be made in it.
        Put(m_dir.path() + "/config-file", "x");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path() + "/config-file"));
        Put(Ini(), "/x/a.plg\r\n0\r\n");
        const auto err = SwitchAutoStart(true);
        QVERIFY(err.has_value());
        QVERIFY(!err->isEmpty());
        QCOMPARE(Get(Ini()), QByteArray("/x/a.plg\r\n0\r\n"));
        QVERIFY(!ReadAutoStartFlag());
    }

    // clang-format off
    void pluginChoice_data()
    {
        Columns<bool, QByteArray, QByteArray>({"exists", "before", "after"});
        QTest::newRow("autostart on stays on") << true << QByteArray("/x/old.plg\r\n1\r\n") << QByteArray("/y/\xed\xee\xe2\xfb\xe9.plg\r\n1\r\n");
        QTest::newRow("four lines") << true << QByteArray("a\r\n0\r\nc\r\nd\r\n") << QByteArray("/y/\xed\xee\xe2\xfb\xe9.plg\r\n0\r\nc\r\nd\r\n");
        QTest::newRow("no file") << false << QByteArray() << QByteArray("/y/\xed\xee\xe2\xfb\xe9.plg\r\n");
        QTest::newRow("empty file") << true << QByteArray() << QByteArray("/y/\xed\xee\xe2\xfb\xe9.plg\r\n");
    }
    // clang-format on
    void pluginChoice()
    {
        auto [exists, before, after] = Fetch<bool, QByteArray, QByteArray>({"exists", "before", "after"});
        if (exists)
            Put(Ini(), before);
        RewriteAfterPluginChoice("/y/новый.plg");
        QCOMPARE(Get(Ini()), after);
    }

    void pathsOutsideCodePage()
    {
        // 1251 has no kana: such a path would come back as '?'s. Inside the
        // folder only the relative part is written, which fits.
        const QString program = m_dir.path() + "/カ/";
        QVERIFY(QDir().mkpath(program));
        SetProgramFolder(program);
        LoadRecorder rec;
        StartupPluginStep(rec.fn());
        QCOMPARE(Get(Ini()), Default() + "\r\n");
        StartupPluginStep(rec.fn());
        QCOMPARE(rec.paths, (QStringList{DefaultPluginPath(), DefaultPluginPath()}));

        Put(Ini(), "/x/a.plg\r\n1\r\n");
        RewriteAfterPluginChoice(m_dir.path() + "/キ/other.plg");
        QCOMPARE(Get(Ini()), QByteArray("/x/a.plg\r\n1\r\n"));
        RewriteAfterPluginChoice(program + "other.plg");
        QCOMPARE(Get(Ini()), QByteArray("other.plg\r\n1\r\n"));

        QFile::remove(Ini());
        QVERIFY(!SwitchAutoStart(true));
        QCOMPARE(Get(Ini()), Default() + "\r\n1\r\n");
    }

    // Where the folder cannot be locked, a lock file of another host asks
    // whether that copy is closed and names the file and the host; a lock
    // file that is no file is named in the refusal.
    // clang-format off
    void lockFileBoxes_data()
    {
        Columns<QByteArray, int, bool, QString>({"planted", "answer", "runs", "named"});
        QTest::newRow("other host, still open") << QByteArray("7\nlab-2\n") << int(QMessageBox::No)  << false << "lab-2";
        QTest::newRow("other host, closed")     << QByteArray("7\nlab-2\n") << int(QMessageBox::Yes) << true  << "lab-2";
        QTest::newRow("a folder")               << QByteArray("<folder>")   << int(QMessageBox::Ok)  << false << "kelto.lock";
    }
    // clang-format on
    void lockFileBoxes()
    {
        auto [planted, answer, runs, named] = Fetch<QByteArray, int, bool, QString>({"planted", "answer", "runs", "named"});
        const QString folder = m_dir.path() + "/shared";
        QDir(folder).removeRecursively();
        const QString lock = folder + "/kelto.lock";
        if (planted == "<folder>")
            QVERIFY(QDir().mkpath(lock));
        else
            Put(lock, planted);
        MessageRecorder rec;
        rec.answer = QMessageBox::StandardButton(answer);
        TInstanceGuard guard(QStringLiteral("kelto-test-lock"));
        guard.SetFlock([](int, int) {
            errno = ENOLCK;
            return -1;
        });
        QCOMPARE(ClaimProgramFolder(guard, folder), runs);
        QCOMPARE(rec.boxes.size(), 1);
        QCOMPARE(rec.Captions(), QStringList{"Кельто"});
        QVERIFY2(rec.boxes[0].text.contains(named) && rec.boxes[0].text.contains("kelto.lock"),
                 qPrintable(rec.boxes[0].text));
    }

    // A chosen name with a control character is never remembered: a line
    // break would make its second half the autostart flag.
    // clang-format off
    void controlCharacterNotRemembered_data()
    {
        Column<QString>("name", {
            {"line feed", "a\nevil.plg"},
            {"carriage return", "a\revil.plg"},
            {"tab", "a\tb.plg"},
            {"escape", "a\x1b[2Jb.plg"},
            {"paragraph separator", QString("a") + QChar(0x2029) + "b.plg"},
        });
    }
    // clang-format on
    void controlCharacterNotRemembered()
    {
        QFETCH(QString, name);
        Put(Ini(), "plugins/a.plg\r\n0\r\n");
        RewriteAfterPluginChoice(ProgramFolder() + "plugins/" + name);
        QCOMPARE(Get(Ini()), QByteArray("plugins/a.plg\r\n0\r\n"));
        // Whatever reaches the writer, a line stays one line.
        QCOMPARE(JoinCrLf({name, "0"}).count("\r\n"), 2);
        QCOMPARE(JoinCrLf({name, "0"}).count('\n'), 2);
    }

    // clang-format off
    void pluginLineFor_data()
    {
        QTest::addColumn<QString>("path"); // "<folder>" stands for ProgramFolder()
        QTest::addColumn<QString>("line");
        QTest::newRow("default") << "<folder>plugins/стандарт.plg" << "plugins/стандарт.plg";
        QTest::newRow("folder itself") << "<folder>мой.plg" << "мой.plg";
        QTest::newRow("deeper") << "<folder>a/b/c.plg" << "a/b/c.plg";
        QTest::newRow("dot-dot staying inside") << "<folder>plugins/../x.plg" << "x.plg";
        QTest::newRow("doubled separator") << "<folder>plugins//x.plg" << "plugins/x.plg";
        QTest::newRow("outside") << "/y/новый.plg" << "/y/новый.plg";
        QTest::newRow("dot-dot leaving") << "<folder>../x.plg" << "<folder>../x.plg";
        QTest::newRow("folder name as prefix") << "<folder>x" << "<folder>x";
        QTest::newRow("already relative") << "x.plg" << "x.plg";
    }
    // clang-format on
    void pluginLineFor()
    {
        auto [path, line] = Fetch<QString, QString>({"path", "line"});
        if (QTest::currentDataTag() == QLatin1String("folder name as prefix")) {
            // A sibling whose name starts with the folder's name is outside.
            QString sibling = ProgramFolder();
            sibling.chop(1);
            path = sibling + "2/x.plg";
            line = path;
        }
        QCOMPARE(PluginLineFor(Expand(path)), Expand(line));
        // What is written reads back as the same file.
        QCOMPARE(QDir::cleanPath(PluginPathFromLine(PluginLineFor(Expand(path)))),
                 QDir::cleanPath(QDir::isAbsolutePath(Expand(path)) ? Expand(path) : ProgramFolder() + path));
    }

    // clang-format off
    void choiceInsideAndOutside_data()
    {
        QTest::addColumn<QString>("chosen"); // "<folder>" stands for ProgramFolder()
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("inside") << "<folder>plugins/тёмный.plg" << ToCp1251("plugins/тёмный.plg\r\n0\r\n");
        QTest::newRow("outside") << "/y/тёмный.plg" << ToCp1251("/y/тёмный.plg\r\n0\r\n");
    }
    // clang-format on
    void choiceInsideAndOutside()
    {
        auto [chosen, after] = Fetch<QString, QByteArray>({"chosen", "after"});
        Put(Ini(), "/x/old.plg\r\n0\r\n");
        RewriteAfterPluginChoice(Expand(chosen));
        QCOMPARE(Get(Ini()), after);
    }

    void insideThroughALink()
    {
        // The folder opened through a link to it is still the folder.
        const QString real = ProgramFolder();
        const QString link = m_dir.path() + "/ссылка";
        QFile::remove(link);
        QVERIFY(QFile::link(real, link));
        QVERIFY(QDir().mkpath(real + "plugins"));
        Put(real + "plugins/a.plg", "x");
        SetProgramFolder(link);
        QCOMPARE(PluginLineFor(real + "plugins/a.plg"), QStringLiteral("plugins/a.plg"));
        SetProgramFolder(real);
        QCOMPARE(PluginLineFor(link + "/plugins/a.plg"), QStringLiteral("plugins/a.plg"));
    }

    void absoluteLineWithBackslashInAName()
    {
        // A Linux file name may hold a "\\": when the line names such a
        // file, it is taken as written.
        const QString name = ProgramFolder() + "a\\b.plg";
        Put(name, "x");
        Put(Ini(), ToCp1251(name + "\r\n"));
        LoadRecorder rec;
        StartupPluginStep(rec.fn());
        QCOMPARE(rec.paths, QStringList{name});
    }

    void movedFolderFindsItsPlugin()
    {
        // A first start writes the relative line; the same ini.cnf in a
        // folder elsewhere names that folder's plug-in.
        LoadRecorder rec;
        StartupPluginStep(rec.fn());
        const QByteArray written = Get(Ini());
        const QString moved = m_dir.path() + "/на флешке/";
        QDir(moved).removeRecursively();
        QVERIFY(QDir().mkpath(moved));
        SetProgramFolder(moved);
        Put(Ini(), written);
        StartupPluginStep(rec.fn());
        QCOMPARE(rec.paths.last(), moved + "plugins/стандарт.plg");
    }

    void entryPath()
    {
        QCOMPARE(AutostartEntryPath(), m_config + "/autostart/kelto.desktop");
        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(m_dir.path() + "/home"));
        for (const char* value : {"", "relative/config"}) {
            qputenv("XDG_CONFIG_HOME", value);
            QCOMPARE(AutostartEntryPath(), m_dir.path() + "/home/.config/autostart/kelto.desktop");
        }
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(AutostartEntryPath(), m_dir.path() + "/home/.config/autostart/kelto.desktop");
        // No home folder: no place (it went to /.config once), and switching
        // autostart on is refused with the reason, ini.cnf untouched.
        for (const char* value : {"", "relative/home"}) {
            qputenv("HOME", value);
            QCOMPARE(AutostartEntryPath(), QString());
            const auto err = SwitchAutoStart(true);
            QVERIFY(err && err->contains("HOME"));
            QVERIFY(!QFile::exists(Ini()));
        }
        qunsetenv("HOME");
        QCOMPARE(AutostartEntryPath(), QString());
        qputenv("HOME", home);
    }

    // clang-format off
    void execValue_data()
    {
        // Raw strings where they can be: the file's own bytes, quotes and
        // escapes. moc loses its way in a raw string that holds a quote mark.
        Columns<QString, QString>({"program", "exec"});
        QTest::newRow("plain") << "/opt/kelto/kelto" << "/opt/kelto/kelto";
        QTest::newRow("Cyrillic needs no quotes") << "/opt/Кельто/kelto" << "/opt/Кельто/kelto";
        QTest::newRow("space") << "/opt/my app/kelto" << R"("/opt/my app/kelto")";
        QTest::newRow("dollar") << "/a$b/k" << R"("/a\\$b/k")";
        QTest::newRow("double quote") << "/a\"b" << "\"/a\\\\\"b\"";
        QTest::newRow("backslash") << R"(/a\b)" << R"("/a\\\\b")";
        QTest::newRow("percent") << "/100%/k" << "/100%%/k";
        QTest::newRow("single quote") << "/it's/k" << "\"/it's/k\"";
    }
    // clang-format on
    void execValue()
    {
        auto [program, exec] = Fetch<QString, QString>({"program", "exec"});
        QCOMPARE(DesktopExecValue(program), exec);
    }

    void entryOnAndOff()
    {
        SetAutostartExecutable("/opt/Кельто программа/kelto");
        QVERIFY(!QFile::exists(AutostartEntryPath()));
        QCOMPARE(WriteAutostartEntry(true), std::nullopt);
        const QStringList on = QString::fromUtf8(Get(AutostartEntryPath())).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(on.first(), QString("[Desktop Entry]"));
        QVERIFY(on.contains("Type=Application"));
        QVERIFY(on.contains("Name=Кельто"));
        QVERIFY(on.contains("Exec=\"/opt/Кельто программа/kelto\""));
        QVERIFY(on.contains("Hidden=false"));

        QCOMPARE(WriteAutostartEntry(false), std::nullopt);
        const QStringList off = QString::fromUtf8(Get(AutostartEntryPath())).split('\n', Qt::SkipEmptyParts);
        QVERIFY(off.contains("Hidden=true"));
        QVERIFY(!off.contains("Hidden=false"));
        QVERIFY(off.contains("Name=Кельто"));
        QVERIFY(off.contains("Exec=\"/opt/Кельто программа/kelto\""));

        // The running executable unless a test says otherwise.
        SetAutostartExecutable(QString());
        QCOMPARE(AutostartExecutable(), QCoreApplication::applicationFilePath());
        QCOMPARE(SwitchAutoStart(true), std::nullopt);
        QVERIFY(QString::fromUtf8(Get(AutostartEntryPath()))
                    .contains("Exec=" + DesktopExecValue(QCoreApplication::applicationFilePath()) + "\n"));
    }

    // At start with autostart on: this user's entry follows a moved folder;
    // no entry, or one this user switched off, stays as it is (the flag in
    // a shared folder may be another user's).
    void mendEntry_data()
    {
        QTest::addColumn<QString>("entry"); // "<missing>", or the program the entry starts
        Columns<bool, bool, bool>({"hidden", "rewritten", "on"});
        // clang-format off
        QTest::newRow("this place")      << "/opt/Кельто/bin/kelto"   << false << false << true;
        QTest::newRow("old place")       << "/media/old/kelto"        << false << true  << true;
        QTest::newRow("switched off")    << "/opt/Кельто/bin/kelto"   << true  << false << false;
        QTest::newRow("off, old place")  << "/media/old/kelto"        << true  << false << false;
        QTest::newRow("missing")         << "<missing>"               << false << false << false;
        // clang-format on
    }
    void mendEntry()
    {
        auto [entry, hidden, rewritten, on] = Fetch<QString, bool, bool, bool>({"entry", "hidden", "rewritten", "on"});
        const QString path = AutostartEntryPath();
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        const QByteArray before = entry == "<missing>" ? QByteArray() : AutostartEntryText(!hidden, entry);
        if (!before.isEmpty())
            Put(path, before);
        QCOMPARE(MendAutostartEntry(), on);
        QCOMPARE(QFile::exists(path), !before.isEmpty());
        if (on)
            QCOMPARE(Get(path), AutostartEntryText(true, "/opt/Кельто/bin/kelto"));
        if (!before.isEmpty())
            QCOMPARE(Get(path) != before, rewritten);
    }

    // An entry that is a link is never written through: the mend fails and
    // says why.
    void mendFailsWhereNothingCanBeWritten()
    {
        const QString path = AutostartEntryPath();
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        Put(m_dir.path() + "/elsewhere.desktop", AutostartEntryText(true, "/media/old/kelto"));
        QVERIFY(QFile::link(m_dir.path() + "/elsewhere.desktop", path));
        QString reason;
        QVERIFY(!MendAutostartEntry(&reason));
        QVERIFY(!reason.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
