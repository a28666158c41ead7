// The documents under "Справка", the notepad's menu, and the real opener
// driven through stub xdg-open scripts on PATH.
#include "docs/view/docslist.h"
#include "docs/documents.h"
#include "gui/shellopen.h"
#include "doubles.h"
#include "gui/report.h"
#include "core/error.h"
#include "core/programfolder.h"

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

#include "controls.h"
#include "files.h"
#include "folder.h"
#include "messages.h"
#include "table.h"

#include <optional>

#include <unistd.h>

using namespace kelto;
using namespace kelto::testing;

namespace {

// The list between two edits, so that Tab can move into it and away.
struct Window {
    QWidget top;
    QLineEdit* before = new QLineEdit(&top);
    TDocsList* lb = new TDocsList(&top);
    QLineEdit* after = new QLineEdit(&top);
    Window()
    {
        top.resize(300, 200);
        before->setGeometry(0, 0, 100, 20);
        lb->setGeometry(10, 30, 232, 80);
        after->setGeometry(0, 120, 100, 20);
        QWidget::setTabOrder(before, lb);
        QWidget::setTabOrder(lb, after);
        top.show();
        top.activateWindow();
        before->setFocus();
    }
    void clickItem(int row, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(lb->viewport(), button, {}, lb->visualItemRect(lb->item(row)).center());
    }
};

void WriteScript(const QString& path, const QByteArray& body)
{
    Put(path, "#!/bin/sh\n" + body);
    QVERIFY(QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner));
}

} // namespace

class TestDocs : public QObject {
    Q_OBJECT

    testing::TempProgramFolder m_program;
    const QTemporaryDir& m_folder = m_program.dir;
    RecordingOpener m_opener;
    std::optional<testing::MessageRecorder> m_recorder;
    QByteArray m_path;

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        m_path = qgetenv("PATH");
        // The shelf is full unless a case takes a document away.
        for (int i = 0; i < int(ReferenceDocuments.size()); ++i) {
            Put(DocumentPath(i), {});
        }
    }
    void init()
    {
        m_opener.Reset();
        SetShellOpener(&m_opener);
        m_recorder.emplace();
    }
    void cleanup()
    {
        SetShellOpener(nullptr);
        m_recorder.reset();
        qputenv("PATH", m_path);
    }

    void listLooksAsDesigned()
    {
        Window w;
        TDocsList* lb = w.lb;
        QCOMPARE(lb->objectName(), QStringLiteral("lb"));
        QVERIFY(lb->isHidden());
        QCOMPARE(lb->count(), 6);
        const char* captions[] = {"ГОСТ 7512-82",       "ГОСТ 23055-78",       "РД 13-01-2006",
                                  "СТО 2-2.4-083-2006", "Оцифровщики снимков", "Примеры дефектов сварного соединения"};
        for (int i = 0; i < 6; ++i)
            QCOMPARE(lb->item(i)->text(), QString::fromUtf8(captions[i]));
        QCOMPARE(lb->font().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(lb->font().pixelSize(), 12);
        QCOMPARE(lb->palette().color(QPalette::Text), QColor(0, 128, 128));
        QCOMPARE(lb->palette().color(QPalette::Base), w.top.palette().color(QPalette::Window));
        QCOMPARE(lb->frameShape(), QFrame::NoFrame);
        lb->Toggle();
        QCOMPARE(lb->visualItemRect(lb->item(0)).height(), 13);
        QCOMPARE(lb->visualItemRect(lb->item(5)).bottom(), 6 * 13 - 1);
    }

    void eachItemOpensItsFile_data()
    {
        Columns<int, QString>({"row", "file"});
        QTest::newRow("0") << 0 << "gost7512.pdf";
        QTest::newRow("1 cyrillic") << 1 << "ГОСТ 23055-78.pdf";
        QTest::newRow("2") << 2 << "rd13012006.pdf";
        QTest::newRow("3 cyrillic") << 3 << "СТО 2-2.4-083-2006.pdf";
        QTest::newRow("4") << 4 << "scanners.pdf";
        QTest::newRow("5") << 5 << "defects.pdf";
    }
    void eachItemOpensItsFile()
    {
        auto [row, file] = Fetch<int, QString>({"row", "file"});
        Window w;
        w.lb->Toggle();
        w.clickItem(row);
        QCOMPARE(m_opener.opened, QStringList{ProgramFolder() + file});
        QVERIFY(w.lb->isHidden());
        QVERIFY(m_recorder->boxes.isEmpty());
    }

    void clickingTheSelectedItemAgainOpensAgain()
    {
        Window w;
        w.lb->Toggle();
        w.clickItem(2);
        QVERIFY(w.lb->isHidden());
        w.lb->Toggle();
        QCOMPARE(w.lb->SelectedIndex(), 2); // hiding keeps the selection
        w.clickItem(2);
        QCOMPARE(m_opener.opened.size(), 2);
        QCOMPARE(m_opener.opened[1], DocumentPath(2));
    }

    void otherButtonsDoNotChoose()
    {
        Window w;
        w.lb->Toggle();
        w.clickItem(1, Qt::RightButton);
        w.clickItem(1, Qt::MiddleButton);
        QVERIFY(m_opener.opened.isEmpty());
        QVERIFY(w.lb->isVisible());
        QCOMPARE(w.lb->SelectedIndex(), -1);
    }

    void toggleShowsAndHidesWithoutTakingFocus()
    {
        Window w;
        QVERIFY(QTest::qWaitForWindowActive(&w.top));
        w.before->setFocus();
        w.lb->Toggle();
        QVERIFY(w.lb->isVisible());
        QVERIFY(w.before->hasFocus());
        w.lb->Toggle();
        QVERIFY(w.lb->isHidden());
        w.lb->Toggle();
        w.lb->HideList();
        QVERIFY(w.lb->isHidden());
        w.lb->HideList();
        QVERIFY(w.lb->isHidden());
        QVERIFY(m_opener.opened.isEmpty());
    }

    void tabInAndAwayHidesWithoutOpening()
    {
        Window w;
        QVERIFY(QTest::qWaitForWindowActive(&w.top));
        w.before->setFocus();
        w.lb->Toggle();
        QTest::keyClick(w.before, Qt::Key_Tab);
        QVERIFY(w.lb->hasFocus());
        QVERIFY(w.lb->isVisible());
        QTest::keyClick(w.lb, Qt::Key_Tab);
        QVERIFY(w.after->hasFocus());
        QVERIFY(w.lb->isHidden());
        QVERIFY(m_opener.opened.isEmpty());
    }

    void arrowKeysMoveAndReturnOpens()
    {
        Window w;
        QVERIFY(QTest::qWaitForWindowActive(&w.top));
        w.lb->Toggle();
        w.lb->setFocus(Qt::TabFocusReason);
        w.lb->setCurrentRow(0, QItemSelectionModel::NoUpdate);
        QTest::keyClick(w.lb, Qt::Key_Down);
        QTest::keyClick(w.lb, Qt::Key_Down);
        QVERIFY(m_opener.opened.isEmpty());
        QVERIFY(w.lb->isVisible());
        QTest::keyClick(w.lb, Qt::Key_Return);
        QCOMPARE(m_opener.opened, QStringList{DocumentPath(2)});
        QVERIFY(w.lb->isHidden());
    }

    void keyboardToggleTakesFocusAndWalksToTheLast()
    {
        Window w;
        QVERIFY(QTest::qWaitForWindowActive(&w.top));
        w.lb->ToggleFromKeyboard();
        QVERIFY(w.lb->isVisible());
        QVERIFY(w.lb->hasFocus());
        QTest::keyClick(w.lb, Qt::Key_End);
        QTest::keyClick(w.lb, Qt::Key_Enter);
        QCOMPARE(m_opener.opened, QStringList{DocumentPath(5)});
        // Return on the entry that is already selected opens it again.
        w.lb->ToggleFromKeyboard();
        QTest::keyClick(w.lb, Qt::Key_Return);
        QCOMPARE(m_opener.opened, (QStringList{DocumentPath(5), DocumentPath(5)}));
        w.lb->ToggleFromKeyboard();
        w.lb->ToggleFromKeyboard();
        QVERIFY(w.lb->isHidden());
    }

    void missingDocumentIsNamed_data()
    {
        Columns<int, QString>({"document", "file"});
        QTest::newRow("scanners") << 4 << "scanners.pdf";
        QTest::newRow("cyrillic with blanks") << 1 << "ГОСТ 23055-78.pdf";
    }
    void missingDocumentIsNamed()
    {
        auto [document, file] = Fetch<int, QString>({"document", "file"});
        QVERIFY(QFile::rename(DocumentPath(document), DocumentPath(document) + ".away"));
        Window w;
        w.lb->Toggle();
        // Greyed, and still selectable.
        QCOMPARE(w.lb->item(document)->foreground().color(), QColor(150, 150, 150));
        QVERIFY(w.lb->item(document)->flags() & Qt::ItemIsSelectable);
        QVERIFY(!w.lb->item(0)->data(Qt::ForegroundRole).isValid());
        w.clickItem(document);
        QVERIFY(QFile::rename(DocumentPath(document) + ".away", DocumentPath(document)));
        QVERIFY(m_opener.opened.isEmpty());
        QVERIFY(w.lb->isVisible());
        QCOMPARE(m_recorder->boxes.size(), 1);
        QCOMPARE(m_recorder->boxes[0].caption, QStringLiteral("Кельто"));
        QCOMPARE(m_recorder->boxes[0].icon, QMessageBox::Information); // the user's matter, no error
        QCOMPARE(m_recorder->boxes[0].text,
                 QStringLiteral("Не найден файл «%1» в папке программы: %2.").arg(file, m_folder.path()));
        // Back in place, the next showing draws it as usual.
        w.lb->HideList();
        w.lb->Toggle();
        QVERIFY(!w.lb->item(document)->data(Qt::ForegroundRole).isValid());
    }

    void missingDocumentFromTheMenu()
    {
        QVERIFY(QFile::rename(DocumentPath(5), DocumentPath(5) + ".away"));
        TSpravkaMenu menu;
        Control<QAction>(menu, "N6")->trigger();
        QVERIFY(QFile::rename(DocumentPath(5) + ".away", DocumentPath(5)));
        QVERIFY(m_opener.opened.isEmpty());
        QCOMPARE(m_recorder->boxes.size(), 1);
        QVERIFY(m_recorder->boxes[0].text.startsWith(QStringLiteral("Не найден файл «defects.pdf»")));
    }

    void noPdfViewerIsSaidInPlainWords()
    {
        m_opener.noViewer = true;
        Window w;
        w.lb->Toggle();
        w.clickItem(0);
        QCOMPARE(m_recorder->boxes.size(), 1);
        QCOMPARE(m_recorder->boxes[0].caption, QStringLiteral("Кельто"));
        QCOMPARE(m_recorder->boxes[0].text,
                 QStringLiteral("Не удалось открыть документ «gost7512.pdf» (%1): на компьютере не "
                                "найдена программа для просмотра PDF.")
                     .arg(QDir::toNativeSeparators(DocumentPath(0))));
    }

    void failingOpenLeavesListAndReports()
    {
        m_opener.failWith = QString::fromUtf8(FileNotFoundText);
        Window w;
        w.lb->Toggle();
        w.clickItem(4);
        QCOMPARE(m_opener.opened, QStringList{ProgramFolder() + QStringLiteral("scanners.pdf")});
        QVERIFY(w.lb->isVisible());
        QCOMPARE(m_recorder->boxes.size(), 1);
        QCOMPARE(m_recorder->boxes[0].caption, QStringLiteral("Кельто"));
        QCOMPARE(m_recorder->boxes[0].icon, QMessageBox::Critical);
        QCOMPARE(m_recorder->boxes[0].text, QStringLiteral("Не удается найти указанный файл."));
    }

    void menuHasFourDocuments()
    {
        QWidget parent;
        QMenu* menu = CreateSpravkaMenu(&parent);
        QCOMPARE(menu->objectName(), QStringLiteral("pmSpravka"));
        QCOMPARE(menu->parent(), &parent);
        const QList<QAction*> actions = menu->actions();
        QCOMPARE(actions.size(), 4);
        const struct {
            const char* name;
            const char* caption;
            const char* file;
        } want[] = {
            {"N7512821", "ГОСТ 7512-82", "gost7512.pdf"},
            {"N7", "РД 13-01-2006", "rd13012006.pdf"},
            {"N5", "Оцифровщики снимков", "scanners.pdf"},
            {"N6", "Примеры дефектов сварного соединения", "defects.pdf"},
        };
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(actions[i]->objectName(), QString::fromLatin1(want[i].name));
            QCOMPARE(actions[i]->text(), QString::fromUtf8(want[i].caption));
            m_opener.opened.clear();
            actions[i]->trigger();
            QCOMPARE(m_opener.opened, QStringList{ProgramFolder() + QString::fromUtf8(want[i].file)});
        }
        m_opener.failWith = QString::fromUtf8(FileNotFoundText);
        actions[2]->trigger();
        QCOMPARE(m_recorder->boxes.size(), 1);
        QVERIFY(m_recorder->boxes[0].text.endsWith(QLatin1Char('.')));
    }

    // ---- the desktop's own opener ----

    void webAddresses_data()
    {
        Columns<QString, bool>({"name", "web"});
        QTest::newRow("https") << "https://kelto.example.org/" << true;
        QTest::newRow("upper") << "HTTP://example.org" << true;
        QTest::newRow("mailto") << "mailto:a@b.ru" << true;
        QTest::newRow("www") << "www.example.org" << true;
        QTest::newRow("ftp") << "ftp://x" << true;
        QTest::newRow("path") << "/opt/kelto/gost7512.pdf" << false;
        QTest::newRow("cyrillic") << "/opt/Кельто/ГОСТ 23055-78.pdf" << false;
        QTest::newRow("file named http") << "/opt/kelto/http.pdf" << false;
    }
    void webAddresses()
    {
        auto [name, web] = Fetch<QString, bool>({"name", "web"});
        QCOMPARE(IsWebAddress(name), web);
    }

    // clang-format off
    void unopenableFileFailsAtOnce_data()
    {
        Column<bool>("exists", {
            {"missing", false},
            {"unreadable", true},
        });
    }
    // clang-format on
    void unopenableFileFailsAtOnce()
    {
        QFETCH(bool, exists);
        SetShellOpener(nullptr);
        QTemporaryDir bin;
        // An opener that would leave a trace, to prove it is not reached.
        WriteScript(bin.filePath("xdg-open"), "touch '" + bin.filePath("called").toUtf8() + "'\n");
        qputenv("PATH", QFile::encodeName(bin.path()));
        const QString path = m_folder.filePath(QStringLiteral("нет такого.pdf"));
        QFile::remove(path);
        if (exists) {
            Put(path, {});
            QVERIFY(QFile::setPermissions(path, {}));
            if (QFileInfo(path).isReadable())
                QSKIP("running with rights that read every file");
        }
        try {
            OpenWithShell(path);
            QFAIL("no error");
        } catch (const TError& e) {
            QCOMPARE(e.text(), QStringLiteral("Не удается найти указанный файл"));
        }
        QTest::qWait(200);
        QVERIFY(!QFile::exists(bin.filePath("called")));
        QFile::remove(path);
    }

    void openerGetsTheNameIntact()
    {
        SetShellOpener(nullptr);
        QTemporaryDir bin;
        const QString out = bin.filePath("args");
        WriteScript(bin.filePath("xdg-open"),
                    "printf '%s\\n' \"$#\" \"$@\" > '" + out.toUtf8()
                        + ".tmp'\n"
                          "mv '"
                        + out.toUtf8() + ".tmp' '" + out.toUtf8() + "'\n");
        qputenv("PATH", QFile::encodeName(bin.path()) + ":" + m_path);
        const QString doc = m_folder.filePath(QStringLiteral("ГОСТ 23055-78.pdf"));
        Put(doc, "%PDF-1.4\n");

        OpenWithShell(doc);
        QTRY_COMPARE(Get(out), "1\n" + doc.toUtf8() + "\n");
        QTest::qWait(100);
        QVERIFY(m_recorder->boxes.isEmpty());
    }

    void openerFailureIsReportedLater_data()
    {
        Columns<int, QString>({"code", "wording"});
        QTest::newRow("no application") << 3 << "нет сопоставленного приложения";
        QTest::newRow("action failed") << 4 << "нет сопоставленного приложения";
        QTest::newRow("other") << 1 << "сообщила об ошибке";
    }
    void openerFailureIsReportedLater()
    {
        auto [code, wording] = Fetch<int, QString>({"code", "wording"});
        SetShellOpener(nullptr);
        QTemporaryDir bin;
        WriteScript(bin.filePath("xdg-open"), "sleep 0.2\nexit " + QByteArray::number(code) + "\n");
        qputenv("PATH", QFile::encodeName(bin.path()) + ":" + m_path);
        const QString doc = m_folder.filePath(QStringLiteral("defects.pdf"));
        Put(doc, {});

        OpenWithShell(doc); // returns without waiting for the opener
        QVERIFY(m_recorder->boxes.isEmpty());
        QTRY_COMPARE(m_recorder->boxes.size(), 1);
        QCOMPARE(m_recorder->boxes[0].caption, QStringLiteral("Кельто"));
        QCOMPARE(m_recorder->boxes[0].icon, QMessageBox::Critical);
        QVERIFY2(m_recorder->boxes[0].text.contains(wording), qPrintable(m_recorder->boxes[0].text));
        QVERIFY(m_recorder->boxes[0].text.contains(doc));
        QVERIFY(m_recorder->boxes[0].text.endsWith(QLatin1Char('.')));
    }

    void webAddressGoesToTheDesktopServices()
    {
        SetShellOpener(nullptr);
        QTemporaryDir bin;
        const QString out = bin.filePath("args");
        WriteScript(bin.filePath("xdg-open"), "printf '%s\\n' \"$@\" > '" + out.toUtf8() + "'\n");
        qputenv("PATH", QFile::encodeName(bin.path()) + ":" + m_path);
        const QString address = QStringLiteral("https://kelto.example.org/");
        // Not a file: it never meets the file check. The offscreen platform
        // cannot open addresses at all, which shows the address's own wording.
        bool opened = true;
        try {
            OpenWithShell(address);
        } catch (const TError& e) {
            opened = false;
            QCOMPARE(e.text(), QStringLiteral("Не удается открыть адрес «https://kelto.example.org/»"));
        }
        if (opened)
            QTRY_COMPARE(Get(out), address.toUtf8() + "\n");
    }

    void noOpenerOnPath()
    {
        SetShellOpener(nullptr);
        QTemporaryDir empty;
        qputenv("PATH", QFile::encodeName(empty.path()));
        const QString doc = m_folder.filePath(QStringLiteral("gost7512.pdf"));
        Put(doc, {});
        try {
            OpenWithShell(doc);
            QFAIL("no error");
        } catch (const TError& e) {
            QVERIFY(e.text().contains(QStringLiteral("xdg-open")));
            QVERIFY(e.text().startsWith(QStringLiteral("Не найдена")));
        }
    }
};

QTEST_MAIN(TestDocs)
#include "test_docs.moc"
