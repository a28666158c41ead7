// The main window: layout at start, view switching, the start-up order,
// closing and saving, the single-instance guard and the About window.
#include "gui/report.h"
#include "core/programfolder.h"
#include "core/textfile.h"
#include "core/cp1251.h"
#include "core/clock.h"
#include "core/instanceguard.h"
#include "app/tfabout.h"
#include "app/tfmain.h"
#include "calc/view/calcview.h"
#include "core/termination.h"
#include "gui/shellopen.h"
#include "app/platform.h"
#include "app/translations.h"
#include "diary/diaryload.h"
#include "clock.h"
#include "designplaces.h"
#include "doubles.h"
#include "folder.h"
#include "files.h"
#include "messages.h"
#include "table.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QWindow>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>
#include <atomic>
#include <memory>
#include <optional>
#include <thread>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kelto;
using namespace kelto::testing;

namespace {

// What comes while a slow diary load is still running.
enum class TDuringLoad { Close, Signal, AutoSave };

} // namespace

Q_DECLARE_METATYPE(TDuringLoad)

namespace {

struct Window {
    QTemporaryDir dir;
    std::unique_ptr<TfMain> main;
    std::unique_ptr<TfAbout> about;
    Window()
    {
        main = std::make_unique<TfMain>(dir.path() + QLatin1Char('/'));
        about = std::make_unique<TfAbout>(main.get());
        main->SetAbout(about.get());
        main->show();
    }
    template <class T = QWidget> T* get(const char* name) { return main->findChild<T*>(QLatin1String(name)); }
    bool shown(const char* name) { return get(name) && get(name)->isVisible(); }
    // The calculation view is built when first opened: opened and left.
    void buildCalc()
    {
        main->ShowCalculation();
        main->ShowDiary();
    }
    QString logPath() const { return dir.filePath(QStringLiteral("log.cnf")); }
};

// A folder that takes no change, even from root, while the object lives.
struct ImmutableFolder {
    int fd;
    int flags = 0;
    bool made = false;
    explicit ImmutableFolder(const QString& path)
        : fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY))
    {
        if (fd < 0 || ::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0)
            return;
        int frozen = flags | FS_IMMUTABLE_FL;
        made = ::ioctl(fd, FS_IOC_SETFLAGS, &frozen) == 0;
    }
    ~ImmutableFolder()
    {
        if (made)
            ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

class TestShell : public QObject {
    Q_OBJECT
    // A fresh recorder for every case: no box of one case is seen by the next.
    std::optional<MessageRecorder> messages;

    // The texts of the boxes shown so far that speak of `subject`.
    QStringList BoxesAbout(const QString& subject) const
    {
        QStringList texts;
        for (const TMessageRequest& r : messages->boxes)
            if (r.text.contains(subject))
                texts << r.text;
        return texts;
    }
    RecordingOpener opener;

private slots:
    void init()
    {
        messages.emplace();
        opener.opened.clear();
        SetShellOpener(&opener);
    }
    void cleanup()
    {
        messages.reset();
        SetShellOpener(nullptr);
    }

    void freshStartShowsDiaryViewOnly()
    {
        Window w;
        QCOMPARE(w.main->size(), QSize(638, 457));
        QVERIFY(w.get("Panel1")->isVisible());
        QVERIFY2(!w.get("Panel2"), "the calculation view is built when first opened");
        QCOMPARE(w.get("Panel1")->pos(), QPoint(0, 149));
        w.buildCalc();
        QVERIFY(!w.get("Panel2")->isVisible());
        QCOMPARE(w.get("Panel2")->pos(), QPoint(0, 148));
        for (const char* n : {"lb", "l1", "l2", "l3", "l4", "l5", "pCur"})
            QVERIFY2(!w.get(n)->isVisible(), n);
        QCOMPARE(w.main->windowTitle(), QStringLiteral("Кельто"));
        QCOMPARE(ProgramFolder(), w.dir.path() + QLatin1Char('/'));
    }

    void headerControlsStackInDesignOrder()
    {
        Window w;
        w.buildCalc();
        // Later controls lie above earlier ones and take the mouse.
        const QStringList order = {"Image1",
                                   "Label1",
                                   "Label2",
                                   "SpeedButton6",
                                   "SpeedButton7",
                                   "SpeedButton9",
                                   "SpeedButton10",
                                   "SpeedButton1",
                                   "Panel2",
                                   "Panel1",
                                   "lb"};
        const QObjectList kids = w.main->children();
        int last = -1;
        for (const QString& n : order) {
            int at = -1;
            for (int i = 0; i < kids.size(); ++i)
                if (kids[i]->objectName() == n)
                    at = i;
            QVERIFY2(at > last, qPrintable(n));
            last = at;
        }
        // The close hot spot takes clicks only where the Инфо button does not lie.
        QCOMPARE(w.main->childAt(QPoint(620, 20))->objectName(), QStringLiteral("SpeedButton10"));
        QCOMPARE(w.main->childAt(QPoint(633, 20))->objectName(), QStringLiteral("Label1"));
        QCOMPARE(w.main->childAt(QPoint(620, 3))->objectName(), QStringLiteral("Label1"));
    }

    void startupStepsRunInOrder()
    {
        Window w;
        // The calculation view's own steps (its pictures, its first
        // calculation) run when it is first opened.
        const QStringList expected = {"SetClientArea", "PlaceViews",      "SetProgramFolder", "ApplyRememberedPlugin",
                                      "ReadAutoStart", "CreateMonthGrid", "ClearMarkedDays",  "DiaryToToday",
                                      "LoadDiary",     "ShowSelectedDay", "ClosingAutoStart"};
        QCOMPARE(w.main->StepsRun(), expected);
        // Showing the window again does not start it up again.
        w.main->hide();
        w.main->show();
        QCOMPARE(w.main->StepsRun().size(), expected.size());
    }

    void startupComputesAndLoadsBeforeShowing()
    {
        TempProgramFolder program;
        const QDate today = QDate::currentDate();
        QByteArray log = "1\r\n" + today.toString(QStringLiteral("dd.MM.yyyy")).toLatin1()
            + "\r\n1\r\n\xcf\xf0\xe8\xe2\xe5\xf2\r\n";
        QVERIFY(!WriteFileAtomically(program.File(QStringLiteral("log.cnf")), log));
        TfMain m(program.Path());
        m.show();
        m.ShowCalculation();
        QCOMPARE(m.findChild<QLabel*>(QStringLiteral("lPerimetr"))->text(), QStringLiteral("688"));
        QCOMPARE(m.focusWidget()->objectName(), QStringLiteral("cbSens"));
        m.ShowDiary();
        QCOMPARE(m.findChild<QTextEdit*>(QStringLiteral("reblok"))->toPlainText(), QStringLiteral("Привет"));
        QCOMPARE(m.focusWidget()->objectName(), QStringLiteral("eYear"));
    }

    void rightButtonSwitchesOnThePress()
    {
        Window w;
        QTest::mousePress(w.get("SpeedButton7"), Qt::RightButton, {}, QPoint(10, 10));
        QVERIFY(w.get("Panel2")->isVisible());
        QVERIFY(!w.get("Panel1")->isVisible());
        QTest::mousePress(w.get("SpeedButton6"), Qt::MiddleButton, Qt::ShiftModifier, QPoint(10, 10));
        QVERIFY(w.get("Panel1")->isVisible());
        QVERIFY(!w.get("Panel2")->isVisible());
    }

    void headerButtonsHideTheList()
    {
        Window w;
        QWidget* lb = w.get("lb");
        QTest::mousePress(w.get("SpeedButton1"), Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(lb->isVisible());
        QTest::mousePress(w.get("SpeedButton7"), Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!lb->isVisible());
        QTest::mousePress(w.get("SpeedButton1"), Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(lb->isVisible());
        QTest::mousePress(w.get("SpeedButton6"), Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!lb->isVisible());
        QVERIFY(w.get("Panel1")->isVisible());

        QTest::mousePress(w.get("SpeedButton1"), Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(lb->isVisible());
        bool aboutWasOpen = false;
        QTimer::singleShot(0, this, [&] {
            aboutWasOpen = w.about->isVisible();
            QVERIFY(!lb->isVisible());
            w.about->CloseAbout();
        });
        QTest::mouseClick(w.get("SpeedButton10"), Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(aboutWasOpen);
        QVERIFY(!w.about->isVisible());
    }

    // clang-format off
    void keyboardShortcuts_data()
    {
        Columns<bool, bool, QKeySequence, bool, bool>({"calcFirst", "listFirst", "key", "calcAfter", "listAfter"});
        const QKeySequence c1(Qt::CTRL | Qt::Key_1), c2(Qt::CTRL | Qt::Key_2), f1(Qt::Key_F1), esc(Qt::Key_Escape);
        QTest::newRow("Ctrl+2 shows calculation") << false << false << c2 << true << false;
        QTest::newRow("Ctrl+1 shows diary") << true << false << c1 << false << false;
        QTest::newRow("Ctrl+1 on diary") << false << false << c1 << false << false;
        QTest::newRow("Ctrl+2 hides the list") << false << true << c2 << true << false;
        QTest::newRow("Ctrl+1 hides the list") << true << true << c1 << false << false;
        QTest::newRow("F1 shows the list") << true << false << f1 << true << true;
        QTest::newRow("F1 hides the list") << false << true << f1 << false << false;
        QTest::newRow("Escape hides the list") << true << true << esc << true << false;
        QTest::newRow("Escape without list") << false << false << esc << false << false;
    }
    // clang-format on
    void keyboardShortcuts()
    {
        auto [calcFirst, listFirst, key, calcAfter, listAfter]
            = Fetch<bool, bool, QKeySequence, bool, bool>({"calcFirst", "listFirst", "key", "calcAfter", "listAfter"});
        Window w;
        QVERIFY(QTest::qWaitForWindowActive(w.main.get()));
        if (calcFirst)
            w.main->ShowCalculation();
        if (listFirst)
            w.main->ToggleDocuments();
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : w.main.get();
        QTest::keySequence(target, key);
        QCOMPARE(w.shown("Panel2"), calcAfter);
        QCOMPARE(w.get("Panel1")->isVisible(), !calcAfter);
        QCOMPARE(w.get("lb")->isVisible(), listAfter);
        QVERIFY(opener.opened.isEmpty());
    }

    void f1ListIsWalkedByKeys()
    {
        Window w;
        QVERIFY(QTest::qWaitForWindowActive(w.main.get()));
        messages->boxes.clear(); // the plug-in the test folder lacks
        QTest::keyClick(w.main.get(), Qt::Key_F1);
        QWidget* lb = w.get("lb");
        QVERIFY(lb->hasFocus());
        QTest::keyClick(lb, Qt::Key_Down);
        QTest::keyClick(lb, Qt::Key_Return);
        // The document is missing from the test's folder: named in the box.
        QCOMPARE(messages->boxes.size(), 1);
        QVERIFY(messages->boxes[0].text.contains(QStringLiteral("«ГОСТ 23055-78.pdf»")));
        QVERIFY(lb->isVisible());
        QTest::keyClick(lb, Qt::Key_Escape);
        QVERIFY(!lb->isVisible());
    }

    void headerTooltipsNameTheKeys_data()
    {
        // A row for each control of the header, by its design name.
        // clang-format off
        Column<QString>("names", {
            {"SpeedButton6",  "Ctrl+1"},            // Записи
            {"SpeedButton7",  "Ctrl+2"},            // Расчеты
            {"SpeedButton1",  "F1"},                // Справка
            {"SpeedButton9",  "Настройка"},
            {"SpeedButton10", "Инфо"},
            {"Label1",        "Закрыть программу"}, // the close mark
        });
        // clang-format on
    }
    void headerTooltipsNameTheKeys()
    {
        QFETCH(QString, names);
        Window w;
        QVERIFY(w.get(QTest::currentDataTag())->toolTip().contains(names));
    }

    // F10 puts the keyboard on the header; arrows walk it, Enter presses,
    // Escape gives the focus back.
    void headerFromTheKeyboard()
    {
        Window w;
        w.main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.main.get()));
        QWidget* notepad = w.get("reblok");
        notepad->setFocus();
        QTest::keyClick(notepad, Qt::Key_F10);
        QCOMPARE(QApplication::focusWidget(), w.get("SpeedButton6"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
        QCOMPARE(QApplication::focusWidget(), w.get("SpeedButton10"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
        QCOMPARE(QApplication::focusWidget(), w.get("SpeedButton7"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(w.get("Panel2")->isVisible());
        QVERIFY(!w.get("Panel1")->isVisible());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QVERIFY(w.get("Panel1")->isVisible());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCOMPARE(QApplication::focusWidget(), notepad);
    }

    void aboutNamesVersionAndFolder()
    {
        QCOMPARE(ProgramVersion(), QStringLiteral(KELTO_TEST_PROJECT_VERSION));
        QCOMPARE(AboutFolderLine(QStringLiteral("/media/stick/Кельто/")),
                 QStringLiteral("Версия %1. Папка программы и записей: /media/stick/Кельто").arg(ProgramVersion()));
    }

    void qtTextsInRussian()
    {
        QTemporaryDir empty;
        QVERIFY(!InstallQtTranslations(empty.path() + QLatin1Char('/')));
        QVERIFY(InstallQtTranslations(QStringLiteral(KELTO_DIR "/")));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Отмена"));
        QCOMPARE(QCoreApplication::translate("QWidgetTextControl", "&Copy"), QStringLiteral("&Копировать"));
        QCOMPARE(QCoreApplication::translate("QLineEdit", "&Paste"), QStringLiteral("В&ставить"));
    }

    // clang-format off
    void platformFallsBackToXcb_data()
    {
        Columns<QByteArray, QByteArray>({"requested", "result"});
        QTest::newRow("unset") << QByteArray() << QByteArray();
        QTest::newRow("wayland") << QByteArray("wayland") << QByteArray("wayland;xcb");
        QTest::newRow("xcb") << QByteArray("xcb") << QByteArray("xcb");
        QTest::newRow("list with xcb") << QByteArray("wayland;xcb") << QByteArray("wayland;xcb");
        QTest::newRow("xcb with option") << QByteArray("xcb:nomitshm") << QByteArray("xcb:nomitshm");
        QTest::newRow("offscreen") << QByteArray("offscreen") << QByteArray("offscreen;xcb");
        QTest::newRow("name containing xcb") << QByteArray("xcbx") << QByteArray("xcbx;xcb");
    }
    // clang-format on
    void platformFallsBackToXcb()
    {
        auto [requested, result] = Fetch<QByteArray, QByteArray>({"requested", "result"});
        QCOMPARE(PlatformWithFallback(requested), result);
    }

    void switchingViewsKeepsTheirState()
    {
        Window w;
        auto* note = w.get<QTextEdit>("reblok");
        note->setFocus();
        typeText(note, QStringLiteral("Трубы"));
        QTest::mousePress(w.get("SpeedButton7"), Qt::LeftButton, {}, QPoint(5, 5));
        auto* diam = w.get<QLineEdit>("eDiam");
        diam->setText(QStringLiteral("325"));
        QTest::mousePress(w.get("SpeedButton6"), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(note->toPlainText(), QStringLiteral("Трубы"));
        QTest::mousePress(w.get("SpeedButton6"), Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(w.get("Panel1")->isVisible());
        QTest::mousePress(w.get("SpeedButton7"), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(diam->text(), QStringLiteral("325"));
    }

    void closingByHotSpotSavesTheDiary()
    {
        Window w;
        QTest::mouseClick(w.get("Label1"), Qt::LeftButton, {}, QPoint(33, 3));
        QVERIFY(!w.main->isVisible());
        QCOMPARE(*ReadWholeFile(w.logPath()), QByteArray("0\r\n"));
    }

    void failedSaveAsksAndStayKeepsTheWindow()
    {
        Window w;
        messages->boxes.clear(); // the start-up plug-in message of a bare folder
        typeText(w.get("reblok"), QStringLiteral("важно"));
        // A folder in the place of the file cannot be replaced.
        QVERIFY(QDir(w.dir.path()).mkdir(QStringLiteral("log.cnf")));
        messages->answer = QMessageBox::Cancel;
        QVERIFY(!w.main->close());
        QVERIFY(w.main->isVisible());
        QCOMPARE(messages->boxes.size(), 1);
        QVERIFY(messages->boxes[0].text.contains(QStringLiteral("log.cnf")));
        QVERIFY(messages->boxes[0].buttons & QMessageBox::Discard);
        QCOMPARE(w.get<QTextEdit>("reblok")->toPlainText(), QStringLiteral("важно"));
        // Space freed, the user closes again: now it saves.
        QVERIFY(QDir(w.dir.path()).rmdir(QStringLiteral("log.cnf")));
        QVERIFY(w.main->close());
        QVERIFY(ReadWholeFile(w.logPath())->contains("\r\n1\r\n"));
        QCOMPARE(messages->boxes.size(), 1);
    }

    void failedSaveDiscardCloses()
    {
        Window w;
        messages->boxes.clear(); // the start-up plug-in message of a bare folder
        QVERIFY(QDir(w.dir.path()).mkdir(QStringLiteral("log.cnf")));
        messages->answer = QMessageBox::Discard;
        QVERIFY(w.main->close());
        QCOMPARE(messages->boxes.size(), 1);
    }

    void unwritableFolderIsToldOnceAtStart()
    {
        // A folder that is not there takes no file, even for root.
        QTemporaryDir dir;
        const QString folder = dir.path() + QStringLiteral("/gone/");
        TfMain m(folder);
        m.show();
        const auto told = [this] {
            return std::count_if(messages->boxes.begin(), messages->boxes.end(), [](const TMessageRequest& r) {
                return r.text.startsWith(QStringLiteral("Папка программы недоступна для записи"));
            });
        };
        QCOMPARE(told(), 1);
        const auto it = std::find_if(messages->boxes.begin(), messages->boxes.end(), [](const TMessageRequest& r) {
            return r.text.startsWith(QStringLiteral("Папка программы"));
        });
        QCOMPARE(it->caption, QStringLiteral("Кельто"));
        QVERIFY2(it->text.contains(QDir::toNativeSeparators(folder)), qPrintable(it->text));
        typeText(m.findChild<QWidget*>(QStringLiteral("reblok")), QStringLiteral("x"));
        const auto before = messages->boxes.size();
        QVERIFY(m.close());
        QCOMPARE(messages->boxes.size(), before);
    }

    void writableFolderSaysNothingOfIt()
    {
        Window w;
        for (const TMessageRequest& r : messages->boxes)
            QVERIFY(!r.text.startsWith(QStringLiteral("Папка программы")));
        // The probe leaves nothing behind.
        QVERIFY(QDir(w.dir.path()).entryList({QStringLiteral("kelto-*")}, QDir::Files).isEmpty());
    }

    void startAndCloseCopyTheDiaryOnceADay()
    {
        TempProgramFolder program;
        const QByteArray before("1\r\n01.02.2020\r\n1\r\nстарое\r\n");
        QVERIFY(!WriteFileAtomically(program.File(QStringLiteral("log.cnf")), before));
        const QString copy = program.File(QStringLiteral("backup/log-%1.cnf"))
                                 .arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
        for (int run = 0; run < 2; ++run) {
            TfMain m(program.Path());
            m.show();
            typeText(m.findChild<QWidget*>(QStringLiteral("reblok")), QStringLiteral("новое"));
            QVERIFY(m.close());
        }
        QCOMPARE(*ReadWholeFile(copy), before); // the second run did not overwrite it
    }

    void failingBackupDoesNotStopTheSave()
    {
        Window w;
        QVERIFY(!WriteFileAtomically(w.logPath(), "0\r\n"));
        QVERIFY(!WriteFileAtomically(w.dir.filePath(QStringLiteral("backup")), "in the way"));
        messages->boxes.clear();
        typeText(w.get("reblok"), QStringLiteral("важно"));
        QVERIFY(w.main->close());
        QCOMPARE(messages->boxes.size(), 1);
        QCOMPARE(messages->boxes[0].caption, QStringLiteral("Кельто"));
        QVERIFY2(messages->boxes[0].text.contains(QStringLiteral("резервную копию")),
                 qPrintable(messages->boxes[0].text));
        QVERIFY(ReadWholeFile(w.logPath())->endsWith(ToCp1251(QStringLiteral("важно\r\n"))));
    }

    // A backup refused for permissions (a backup folder of another user's)
    // is said at the day's first write of the diary, not at every close.
    void deniedBackupIsSaidOncePerDay()
    {
        TempProgramFolder program;
        const QString log = program.File(QStringLiteral("log.cnf"));
        QVERIFY(!WriteFileAtomically(log, "0\r\n"));
        const QDateTime yesterday = QDateTime::currentDateTime().addDays(-1);
        QFile written(log);
        QVERIFY(written.open(QIODevice::ReadOnly) && written.setFileTime(yesterday, QFileDevice::FileModificationTime));
        written.close();
        QVERIFY(QDir(program.dir.path()).mkdir(QStringLiteral("backup")));
        // Root passes any permission bits: an immutable folder refuses it too.
        const ImmutableFolder frozen(program.File(QStringLiteral("backup")));
        if (!frozen.made)
            QSKIP("the backup folder cannot be made immutable here");
        for (const int said : {1, 0}) {
            messages->boxes.clear();
            TfMain m(program.Path());
            m.show();
            typeText(m.findChild<QWidget*>(QStringLiteral("reblok")), QStringLiteral("x"));
            QVERIFY(m.close());
            QCOMPARE(BoxesAbout(QStringLiteral("резервную копию")).size(), said);
            QVERIFY(ReadWholeFile(log)->endsWith("x\r\n"));
        }
    }

    // The desktop session ends: the notes are on disk when the request
    // returns, and nothing is asked, even when the save fails.
    void desktopSessionEndSavesAtOnceAsksNothing_data()
    {
        Column<bool>("saveFails", {{"save", false}, {"failing save", true}});
    }
    void desktopSessionEndSavesAtOnceAsksNothing()
    {
        QFETCH(bool, saveFails);
        Window w;
        if (saveFails)
            QVERIFY(QDir(w.dir.path()).mkdir(QStringLiteral("log.cnf")));
        typeText(w.get("reblok"), QStringLiteral("x"));
        messages->boxes.clear();
        w.main->EndOfDesktopSession();
        QCOMPARE(messages->boxes.size(), 0);
        if (!saveFails)
            QVERIFY(ReadWholeFile(w.logPath())->endsWith("x\r\n"));
    }

    // A termination signal right after an autosave began writes the diary
    // once: the autosave has every note.
    void signalWritesTheDiaryOnce()
    {
        Window w;
        typeText(w.get("reblok"), QStringLiteral("x"));
        const int fd = inotify_init1(IN_NONBLOCK);
        QVERIFY(inotify_add_watch(fd, QFile::encodeName(w.dir.path()).constData(), IN_MOVED_FROM) >= 0);
        w.main->AutoSaveNow();
        TTerminationWatch watch;
        connect(&watch, &TTerminationWatch::requested, w.main.get(), &TfMain::EndWithoutQuestions);
        QTimer::singleShot(0, [] { ::raise(SIGTERM); });
        QApplication::exec();
        int writes = 0;
        alignas(inotify_event) char buffer[4096];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
            for (char* p = buffer; p < buffer + n; p += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(p)->len)
                // Each save renames a temporary file of its own over log.cnf.
                writes += QByteArray(reinterpret_cast<inotify_event*>(p)->name).startsWith("log.cnf.");
        ::close(fd);
        QCOMPARE(writes, 1);
        QVERIFY(ReadWholeFile(w.logPath())->endsWith("\r\nx\r\n"));
    }

    // clang-format off
    void calculationLinkAppendsToTheSelectedDay_data()
    {
        Columns<QString, QString>({"diam", "before"});
        QTest::addColumn<QString>("after"); // "<p>" stands for the paragraph
        QTest::addColumn<QString>("linkSays");
        QTest::newRow("empty day") << "219" << "" << "<p>" << "Записано в заметку за <day>";
        QTest::newRow("after a note") << "219" << "утро" << "утро\n<p>" << "Записано в заметку за <day>";
        QTest::newRow("result ?") << "" << "утро" << "утро" << "Расчёт не готов";
    }
    // clang-format on
    void calculationLinkAppendsToTheSelectedDay()
    {
        auto [diam, before, after, linkSays]
            = Fetch<QString, QString, QString, QString>({"diam", "before", "after", "linkSays"});
        Window w;
        w.buildCalc();
        if (!before.isEmpty())
            typeText(w.get("reblok"), before);
        w.get<QLineEdit>("eDiam")->setText(diam);
        auto* link = w.get<QLabel>("lToDiary");
        QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(3, 3));
        const QString paragraph
            = QStringLiteral("Расчёт по ГОСТ 7512-82: D 219 мм, S 6,0 мм, класс 3, схема г), F 100 мм, "
                             "Ф 2,5 мм -> K %1 мм, f не менее %2 мм, экспозиций %3, периметр %4 мм")
                  .arg(w.get<QLabel>("lSens")->text(), w.get<QLabel>("lFocRast")->text(),
                       w.get<QLabel>("lExpo")->text(), w.get<QLabel>("lPerimetr")->text());
        QCOMPARE(w.get<QTextEdit>("reblok")->toPlainText(), QString(after).replace(QStringLiteral("<p>"), paragraph));
        const QString today = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
        QCOMPARE(link->text(), QString(linkSays).replace(QStringLiteral("<day>"), today));
        // Stored as typing would, so the close writes it.
        QVERIFY(w.main->close());
        QCOMPARE(ReadWholeFile(w.logPath()).value_or(QByteArray()).contains(ToCp1251(paragraph)),
                 diam == QStringLiteral("219"));
        QTRY_COMPARE_WITH_TIMEOUT(link->text(), QStringLiteral("Записать расчёт в дневник"), 5000);
    }

    void notesAreAutosavedAfterTyping()
    {
        Window w;
        QTest::keyClicks(w.get("reblok"), QStringLiteral("x"));
        QVERIFY(!QFile::exists(w.logPath()));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(w.logPath()), 6000);
        QVERIFY(ReadWholeFile(w.logPath())->endsWith("\r\n1\r\nx\r\n"));
    }

    // Typing that never pauses is saved all the same, within the delay of
    // its first change: the rule that once waited for a pause never saved.
    void continuousTypingIsSavedWithinTheDelay()
    {
        Window w;
        QElapsedTimer since;
        since.start();
        bool saved = false;
        while (!saved && since.elapsed() < 6000) {
            QTest::keyClicks(w.get("reblok"), QStringLiteral("x"));
            QTest::qWait(100);
            saved = QFile::exists(w.logPath());
        }
        QVERIFY2(saved, "nothing saved during 6 s of typing");
        QVERIFY(ReadWholeFile(w.logPath())->contains("\r\n1\r\nx"));
    }

    // A termination signal ends the program as a close does: saved, and no
    // box even when the save fails, for no one may be there to answer.
    // clang-format off
    void terminationSignalSavesAndEndsWithoutQuestions_data()
    {
        Columns<int, bool>({"signal", "saveFails"});
        QTest::newRow("SIGTERM") << int(SIGTERM) << false;
        QTest::newRow("SIGHUP") << int(SIGHUP) << false;
        QTest::newRow("SIGINT") << int(SIGINT) << false;
        QTest::newRow("SIGTERM, save fails") << int(SIGTERM) << true;
    }
    // clang-format on
    void terminationSignalSavesAndEndsWithoutQuestions()
    {
        auto [signal, saveFails] = Fetch<int, bool>({"signal", "saveFails"});
        Window w;
        messages->boxes.clear();
        typeText(w.get("reblok"), QStringLiteral("x"));
        w.buildCalc();
        w.main->findChild<TCalcView*>(QStringLiteral("Panel2"))->OpenSourceWindow();
        w.main->findChild<TCalcView*>(QStringLiteral("Panel2"))->OpenIsoWindow();
        if (saveFails)
            QVERIFY(QDir(w.dir.path()).mkdir(QStringLiteral("log.cnf")));
        TTerminationWatch watch;
        QSignalSpy requested(&watch, &TTerminationWatch::requested);
        connect(&watch, &TTerminationWatch::requested, w.main.get(), &TfMain::EndWithoutQuestions);
        QVERIFY(::raise(signal) == 0);
        QTRY_COMPARE(requested.count(), 1);
        QCOMPARE(requested.at(0).at(0).toInt(), signal);
        QCOMPARE(messages->boxes.size(), 0);
        if (!saveFails)
            QVERIFY(ReadWholeFile(w.logPath())->endsWith("\r\n1\r\nx\r\n"));
        // The source and ISO windows' inputs are kept as at a close.
        QVERIFY(QFile::exists(w.dir.filePath(QStringLiteral("source.cnf"))));
        QVERIFY(QFile::exists(w.dir.filePath(QStringLiteral("iso.cnf"))));
    }

    // A log.cnf that may not be written over: one box at start naming it,
    // and the session's notes in a file of their own beside it.
    // clang-format off
    void diaryThatMayNotBeReplaced_data()
    {
        Columns<QString, QString>({"kind", "said"});
        QTest::newRow("FIFO") << "fifo" << QStringLiteral("Не удалось прочитать файл записей");
        QTest::newRow("damaged, no room for its copy") << "damaged" << QStringLiteral("повреждён");
        QTest::newRow("a date twice, no room for its copy") << "repeated" << QStringLiteral("одна и та же дата");
    }
    // clang-format on
    void diaryThatMayNotBeReplaced()
    {
        auto [kind, said] = Fetch<QString, QString>({"kind", "said"});
        std::optional<FixedClock> clock(std::in_place, QDateTime(QDate(2026, 12, 8), QTime(9, 5, 7)));
        TempProgramFolder program;
        const QString log = program.File(QStringLiteral("log.cnf"));
        QByteArray damaged = "2\r\n01.01.2026\r\n1\r\nx\r\n" + QByteArray(4096, 'y');
        if (kind == "repeated") // read whole: not damaged, whatever befalls its copy
            damaged = "2\r\n01.01.2026\r\n1\r\nx\r\n01.01.2026\r\n1\r\n" + QByteArray(4096, 'y') + "\r\n";
        std::optional<FileSizeLimit> limit;
        if (kind == "fifo") {
            QCOMPARE(mkfifo(QFile::encodeName(log).constData(), 0600), 0);
        } else {
            QVERIFY(!WriteFileAtomically(log, damaged));
            // The copy to log.cnf.bak does not fit. The program's own
            // setting, not the test's, keeps the limit from ending it.
            limit.emplace(1024, SIG_DFL);
            QCOMPARE(limit->readResult, 0);
            QCOMPARE(limit->setResult, 0);
        }
        TfMain m(program.Path());
        m.show();
        limit.reset();
        clock.reset();

        const QString session = program.File(QStringLiteral("log-20261208-090507.cnf"));
        QCOMPARE(m.DiaryPath(), session);
        const QStringList texts = BoxesAbout(QStringLiteral("log.cnf"));
        QCOMPARE(texts.size(), 1);
        QVERIFY2(texts[0].contains(said), qPrintable(texts[0]));
        QVERIFY2(kind != "repeated" || !texts[0].contains(QStringLiteral("повреждён")), qPrintable(texts[0]));
        QVERIFY2(texts[0].contains(QStringLiteral("log-20261208-090507.cnf")), qPrintable(texts[0]));
        QCOMPARE(messages->boxes.last().caption, QStringLiteral("Кельто"));

        typeText(m.findChild<QTextEdit*>(QStringLiteral("reblok")), QStringLiteral("новое"));
        QVERIFY(m.close());
        QVERIFY(ReadWholeFile(session)->endsWith("\r\n1\r\n\xed\xee\xe2\xee\xe5\r\n"));
        if (kind == "fifo")
            QVERIFY(QFileInfo(log).isFile() == false && QFileInfo::exists(log));
        else
            QCOMPARE(*ReadWholeFile(log), damaged);
    }

    void damagedDiaryIsSaidOnceWithItsBackup()
    {
        TempProgramFolder program;
        const QString log = program.File(QStringLiteral("log.cnf"));
        // A UTF-8 file with a byte-order mark and CR-only line ends.
        const QByteArray foreign = "\xef\xbb\xbf"
                                   "1\r01.01.2026\r1\r\xd0\xb0\r";
        QVERIFY(!WriteFileAtomically(log, foreign));
        TfMain m(program.Path());
        m.show();
        QCOMPARE(m.DiaryPath(), log);
        const QStringList texts = BoxesAbout(QStringLiteral("log.cnf"));
        QCOMPARE(texts.size(), 1);
        QVERIFY2(texts[0].contains(QStringLiteral("Прочитано записей: 0")), qPrintable(texts[0]));
        QVERIFY2(texts[0].contains(QStringLiteral("log.cnf.bak")), qPrintable(texts[0]));
        QCOMPARE(*ReadWholeFile(log + QStringLiteral(".bak")), foreign);
        QVERIFY(m.close());
        QCOMPARE(*ReadWholeFile(log), QByteArray("0\r\n"));
    }

    void secondCopyIsRefused()
    {
        TInstanceGuard first, second;
        QVERIFY(first.Acquire());
        QVERIFY(!second.Acquire());
        Window w;
        messages->boxes.clear(); // the start-up plug-in message of a bare folder
        QVERIFY(!w.main->ClaimSingleInstance());
        QCOMPARE(messages->boxes.size(), 1);
        QCOMPARE(messages->boxes[0].text, QStringLiteral("Не возможен запуск второй копии программы! Выход."));
        QCOMPARE(messages->boxes[0].caption, QStringLiteral("Кельто"));
        QCOMPARE(messages->boxes[0].icon, QMessageBox::Critical);
    }

    // A file-size limit (ulimit -f) must not end the program: it ignores
    // SIGXFSZ itself, and the write fails like any other.
    void fileSizeSignalIsIgnoredByTheProgram()
    {
        const auto before = std::signal(SIGXFSZ, SIG_DFL);
        Window w;
        struct sigaction now { };
        QCOMPARE(::sigaction(SIGXFSZ, nullptr, &now), 0);
        std::signal(SIGXFSZ, before);
        QVERIFY(now.sa_handler == SIG_IGN);
    }

    // A failed autosave is said at once and once; the notes stay in the
    // program and the next change writes them all.
    void failedAutosaveIsSaidOnceAndRetried()
    {
        Window w;
        messages->boxes.clear();
        const auto said = [this] {
            return std::count_if(messages->boxes.begin(), messages->boxes.end(), [](const TMessageRequest& r) {
                return r.text.contains(QStringLiteral("Записи остаются в программе")) && r.caption == "Кельто";
            });
        };
        QVERIFY(QDir(w.dir.path()).mkdir(QStringLiteral("log.cnf"))); // cannot be replaced
        for (const char* key : {"a", "b"}) {
            typeText(w.get("reblok"), QLatin1String(key));
            w.main->AutoSaveNow();
            QTRY_COMPARE(said(), 1);
            QTest::qWait(100);
        }
        QVERIFY2(messages->boxes.last().text.contains(QDir::toNativeSeparators(w.logPath())),
                 qPrintable(messages->boxes.last().text));
        QVERIFY(QDir(w.dir.path()).rmdir(QStringLiteral("log.cnf")));
        typeText(w.get("reblok"), QStringLiteral("c"));
        w.main->AutoSaveNow();
        QTRY_VERIFY(ReadWholeFile(w.logPath()).value_or(QByteArray()).endsWith("\r\n1\r\nabc\r\n"));
        QCOMPARE(said(), 1);
    }

    // A termination signal while a start-up box is open ends the program:
    // start-up goes no further and the caller does not enter its loop.
    void signalDuringAStartupBoxEndsTheStart()
    {
        TempProgramFolder program;
        QVERIFY(!WriteFileAtomically(program.File(QStringLiteral("log.cnf")), "2\r\n01.01.2026\r\nx\r\n"));
        TfMain m(program.Path());
        QString openDuring;
        messages->whileOpen = [&](const TMessageRequest&) {
            if (openDuring.isEmpty())
                openDuring = m.StepsRun().last();
            m.EndWithoutQuestions(); // as the signal's watch does
        };
        m.show();
        QVERIFY(m.EndRequested());
        QCOMPARE(m.StepsRun().last(), openDuring);
        QVERIFY(m.StepsRun().size() < int(TfMain::StartupSteps().size()));
    }

    // A folder that takes no file and a diary that cannot be read: one box,
    // promising no session file that could never be written.
    void unwritableFolderAndUnreadableDiaryMakeOneBox()
    {
        // A folder that takes no new file, even from root (immutable).
        QTemporaryDir tmp;
        const QString folder = tmp.path() + QLatin1Char('/');
        QVERIFY(QDir().mkdir(folder + QStringLiteral("log.cnf"))); // a folder: cannot be read as a file
        const ImmutableFolder frozen(tmp.path());
        if (!frozen.made)
            QSKIP("the temporary folder cannot be made immutable here");
        TfMain m(folder);
        m.show();
        QVERIFY(m.close());
        QStringList told; // the plug-in's own box aside
        for (const TMessageRequest& r : messages->boxes)
            if (r.text.contains(QStringLiteral("Папка программы")) || r.text.contains(QStringLiteral("log.cnf")))
                told << r.text;
        QCOMPARE(told.size(), 1);
        QVERIFY2(told[0].contains(QStringLiteral("не будут сохранены")), qPrintable(told[0]));
        QVERIFY2(!told[0].contains(QStringLiteral("сеанса")), qPrintable(told[0]));
        QVERIFY(m.DiaryPath().isEmpty());
    }

    void controlsKeepTheirDesignMeasures_data()
    {
        // Qt 6 scales whole windows by the device-pixel ratio and keeps the
        // logical measures at their design values: nothing is to be undone.
        DesignPlaceRows({"SpeedButton1", "SpeedButton6", "SpeedButton7", "SpeedButton9", "SpeedButton10", "Label1", "lb",
                         "eYear", "sbYear", "reblok", "TabControl1", "eDiam"});
    }
    void controlsKeepTheirDesignMeasures()
    {
        auto [name, geometry] = Fetch<QString, QRect>({"name", "geometry"});
        Window w;
        w.buildCalc();
        QCOMPARE(w.get(qPrintable(name))->geometry(), geometry);
        QCOMPARE(w.about->size(), QSize(432, 198));
    }

    void skinTargetsFollowThePluginTable()
    {
        Window w;
        w.buildCalc();
        const TSkinTargets t = w.main->SkinTargets();
        const auto names = [](const std::vector<QWidget*>& list) {
            QStringList n;
            for (QWidget* c : list)
                n << c->objectName();
            return n;
        };
        // A renamed or forgotten control shows here, not when a user loads a plug-in.
        // clang-format off
        QCOMPARE(names(t.menuLabels), QStringList({"l1", "l2", "l3", "l4", "l5"}));
        QCOMPARE(names(t.headings),   QStringList({"Label37", "Label38", "Label40", "Label5", "Label6", "Label7"}));
        QCOMPARE(names(t.captions),   QStringList({"Label8", "Label9", "Label10", "Label11", "Label12", "Label13", "Label14", "Label15", "Label17", "Label22", "Label24", "Label29", "Label35", "Label3", "Label41", "Label42", "Label43", "lSource"}));
        QCOMPARE(names(t.values),     QStringList({"lFocRast", "lSens", "lPerimetr", "lExpo", "lCount", "Ldlin", "focalCheck", "angleCheck", "wireCheck", "lBlok"}));
        QCOMPARE(names(t.inputs),     QStringList({"eYear", "cbDay", "reblok", "eRast", "ePatno", "eDlin", "eDiam", "eTol", "cbSens", "cbSheme", "lb"}));
        // clang-format on
        QCOMPARE(t.mainPicture, w.get("Image1"));
        QCOMPARE(t.diaryPicture, w.get("Image3"));
        QCOMPARE(t.calcPicture, w.get("Image2"));
        QCOMPARE(t.marker, w.get("pCur"));
        QCOMPARE(t.aboutPicture, w.about->findChild<QLabel*>("Image1"));
    }

    // A large diary is read while the window paints. A close, a signal or an
    // autosave meanwhile writes nothing (no log.cnf, no backup) until the
    // whole diary is in; then the input held meanwhile is handed over in its
    // order (the click that put the focus into the notepad, the typing after
    // it; a window a click opens is closed again at an ending), and all of
    // it is written. The notepad says the diary is loading.
    void slowLoadHoldsEverySave_data()
    {
        Columns<TDuringLoad, int, bool>({"action", "signal", "clicksInfo"});
        // clang-format off
        QTest::newRow("close")    << TDuringLoad::Close    << 0       << true;
        QTest::newRow("SIGTERM")  << TDuringLoad::Signal   << SIGTERM << true;
        QTest::newRow("SIGINT")   << TDuringLoad::Signal   << SIGINT  << true;
        QTest::newRow("SIGHUP")   << TDuringLoad::Signal   << SIGHUP  << false;
        QTest::newRow("autosave") << TDuringLoad::AutoSave << 0       << false;
        // clang-format on
    }
    void slowLoadHoldsEverySave()
    {
        auto [action, signal, clicksInfo] = Fetch<TDuringLoad, int, bool>({"action", "signal", "clicksInfo"});
        const QString typed = QStringLiteral("abc");
        TempProgramFolder program;
        const QString log = program.File(QStringLiteral("log.cnf"));
        const QByteArray head = "3\r\n01.01.2020\r\n1\r\na\r\n02.01.2020\r\n2\r\nb\r\nc\r\n"
            + QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")).toLatin1() + "\r\n1\r\n";
        QVERIFY(!WriteFileAtomically(log, head + "d\r\n"));
        // Settings there already: start-up itself writes nothing.
        QVERIFY(!WriteFileAtomically(program.File(QStringLiteral("ini.cnf")), "\r\n0\r\n"));
        const auto folder = [&] {
            return QDir(program.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
                << QString::fromLatin1(ReadWholeFile(log).value_or("?"));
        };
        const QStringList before = folder();
        std::atomic<bool> acting = false;
        QStringList during;
        SetDiaryLoadHook([&] {
            while (!acting)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            during = folder();
        });
        TfMain m(program.Path());
        TfAbout about(&m);
        m.SetAbout(&about);
        m.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        auto* notepad = m.findChild<QTextEdit*>(QStringLiteral("reblok"));
        m.findChild<QLineEdit*>(QStringLiteral("eYear"))->setFocus();
        QVERIFY(!m.DiaryLoaded());
        QCOMPARE(notepad->placeholderText(), QStringLiteral("Дневник загружается…"));
        // Through the window, as the window system hands them in.
        QWindow* window = m.windowHandle();
        QTest::mouseClick(window, Qt::LeftButton, {}, notepad->mapTo(&m, notepad->rect().bottomRight() - QPoint(20, 20)));
        for (const char c : typed.toLatin1())
            QTest::keyClick(window, c);
        if (clicksInfo)
            QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(595, 20)); // "Инфо"
        QCOMPARE(notepad->toPlainText(), QString());
        TTerminationWatch watch;
        connect(&watch, &TTerminationWatch::requested, &m, &TfMain::EndWithoutQuestions);
        acting = true;
        switch (action) {
        case TDuringLoad::Close:
            QVERIFY(m.close());
            break;
        case TDuringLoad::AutoSave:
            m.AutoSaveNow();
            break;
        case TDuringLoad::Signal:
            QVERIFY(::raise(signal) == 0);
            break;
        }
        QTRY_VERIFY(m.DiaryLoaded());
        SetDiaryLoadHook({});
        QCOMPARE(during, before);
        QTRY_VERIFY(!about.isVisible());
        QCOMPARE(notepad->toPlainText(), QStringLiteral("d") + typed);
        QTRY_VERIFY(QFileInfo::exists(program.File(QStringLiteral("backup"))));
        QTRY_COMPARE(*ReadWholeFile(log), head + ToCp1251(notepad->toPlainText()) + "\r\n");
    }

    void slowLoadReportsAsAQuickOne_data()
    {
        // clang-format off
        Column<QByteArray>("diary", {
            {"damaged", QByteArray("2\r\n01.01.2020\r\n1\r\na\r\nno date\r\n")},
            {"a folder", QByteArray()},
        });
        // clang-format on
    }
    void slowLoadReportsAsAQuickOne()
    {
        QFETCH(QByteArray, diary);
        // The reports name the session file after the clock's second: both
        // runs must see the same one.
        FixedClock clock(QDateTime(QDate(2026, 12, 8), QTime(9, 5, 7)));
        QStringList said[2];
        for (int slow = 0; slow < 2; ++slow) {
            TempProgramFolder program;
            const QString log = program.File(QStringLiteral("log.cnf"));
            QVERIFY(diary.isEmpty() ? QDir().mkdir(log) : !WriteFileAtomically(log, diary));
            if (slow)
                SetDiaryLoadHook([] {});
            messages->boxes.clear();
            TfMain m(program.Path());
            m.show();
            QTRY_VERIFY(m.DiaryLoaded());
            SetDiaryLoadHook({});
            for (const TMessageRequest& r : std::as_const(messages->boxes))
                said[slow] << QString(r.text).replace(program.dir.path(), QStringLiteral("<folder>"));
        }
        QVERIFY(!said[0].isEmpty());
        QCOMPARE(said[1], said[0]);
    }

    void aboutLogoOpensAddressAndStaysOpen()
    {
        Window w;
        bool stillOpen = false;
        QTimer::singleShot(0, this, [&] {
            QWidget* logo = w.about->findChild<QWidget*>(QStringLiteral("Label2"));
            QTest::mouseClick(logo, Qt::LeftButton, {}, QPoint(50, 30));
            stillOpen = w.about->isVisible();
            QWidget* surface = w.about->childAt(QPoint(300, 150));
            QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(1, 1));
        });
        w.main->ShowAbout();
        QVERIFY(stillOpen);
        QVERIFY(!w.about->isVisible());
        QCOMPARE(opener.opened, QStringList{QString::fromLatin1(PublisherAddress)});
        // The header logo opens the same address.
        QTest::mouseClick(w.get("Label2"), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(opener.opened.size(), 2);
        QCOMPARE(opener.opened[1], QString::fromLatin1(PublisherAddress));
    }
};

QTEST_MAIN(TestShell)
#include "test_shell.moc"
