// The tool-window base: where a window opens, Esc with a drop-down open,
// the plug-in's look on every part and the form file kept at close.
#include "gui/toolwindow.h"
#include "core/textfile.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QScreen>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "files.h"
#include "folder.h"
#include "messages.h"
#include "table.h"

using namespace kelto;
using namespace kelto::testing;

namespace {

// A window of one edit, one drop-down, a caption and a value; its form
// file holds the edit's text.
class TSample : public TToolWindow {
public:
    TSample()
        : TToolWindow(nullptr, "fSample", QStringLiteral("Пример"), {300, 120}, QStringLiteral("sample.cnf"))
    {
        edit = toolcolumn::Edit(this, "eValue", 10);
        combo = new QComboBox(this);
        combo->addItems({QStringLiteral("А"), QStringLiteral("Б")});
        caption = AddColumnCaption(QStringLiteral("Значение"), 10);
        value = AddColumnResult("lValue", 40);
        SetInputs({combo, edit});
    }
    void Warn(bool warn) { MarkWarning(value, warn); }
    QLineEdit* edit;
    QComboBox* combo;
    QLabel *caption, *value;

protected:
    QByteArray FormFileBytes() const override { return edit->text().toUtf8(); }
};

} // namespace

class TestToolWindow : public QObject {
    Q_OBJECT
private:
    TempProgramFolder folder;
    MessageRecorder messages;

private slots:
    // clang-format off
    void place_data()
    {
        Columns<QRect, QSize, QRect, QPoint>({"main", "frame", "available", "place"});
        const QRect screen(0, 0, 1366, 768 - 40);
        QTest::newRow("room on the right")      << QRect(0, 0, 660, 500)   << QSize(476, 460) << screen << QPoint(660, 0);
        QTest::newRow("room on the left only")  << QRect(700, 100, 660, 500) << QSize(476, 460) << screen << QPoint(224, 100);
        QTest::newRow("no room: over, inside")  << QRect(300, 300, 800, 500) << QSize(752, 526) << screen << QPoint(324, 202);
        QTest::newRow("bottom edge kept")       << QRect(0, 400, 660, 500) << QSize(476, 460) << screen << QPoint(660, 268);
        QTest::newRow("panel at the top")       << QRect(0, 0, 660, 500)   << QSize(476, 460) << QRect(0, 30, 1366, 738) << QPoint(660, 30);
        QTest::newRow("larger than the screen") << QRect(0, 0, 660, 500)   << QSize(900, 900) << QRect(0, 0, 800, 600) << QPoint(0, 0);
    }
    // clang-format on
    void place()
    {
        const auto [main, frame, available, place] = Fetch<QRect, QSize, QRect, QPoint>({"main", "frame", "available", "place"});
        QCOMPARE(ToolWindowPlace(main, frame, available), place);
    }

    void escapeClosesAnOpenDropDownFirst()
    {
        TSample w;
        w.ShowAndRaise();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.frameGeometry().bottom() <= w.screen()->availableGeometry().bottom());
        w.combo->showPopup();
        QWidget* popup = QApplication::activePopupWidget();
        QVERIFY(popup);
        QTest::keyClick(popup->focusWidget() ? popup->focusWidget() : popup, Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QVERIFY(w.isVisible());
        QTest::keyClick(w.edit, Qt::Key_Escape);
        QVERIFY(!w.isVisible());
    }

    void lookReachesEveryPartAndKeepsWarnings()
    {
        TSample w;
        w.Warn(true);
        TToolLook look;
        look.background = QColor(20, 20, 40);
        look.captionColour = QColor(230, 230, 230);
        look.valueColour = QColor(250, 250, 200);
        look.captionFont = QFont(QStringLiteral("Arial"), 12);
        look.inputFont = QFont(QStringLiteral("Arial"), 11);
        w.ApplyLook(look);
        QCOMPARE(w.palette().color(QPalette::Window), look.background);
        QCOMPARE(w.caption->font().pointSize(), 12);
        QCOMPARE(w.edit->font().pointSize(), 11);
        QCOMPARE(w.combo->font().pointSize(), 11);
        QCOMPARE(w.value->palette().color(QPalette::WindowText), WarningColour(look.valueColour));
        w.Warn(false);
        QCOMPARE(w.value->palette().color(QPalette::WindowText), look.valueColour);
    }

    void closeKeepsTheFormAndSaysAFailureOnce()
    {
        TSample w;
        w.edit->setText(QStringLiteral("12,5"));
        w.show();
        w.close();
        QCOMPARE(Get(folder.File(QStringLiteral("sample.cnf"))), QByteArray("12,5"));
        QFile::remove(folder.File(QStringLiteral("sample.cnf")));
        QVERIFY(QDir().mkdir(folder.File(QStringLiteral("sample.cnf"))));
        QVERIFY(!w.SaveForm(false));
        QCOMPARE(messages.boxes.size(), 0);
        w.show();
        w.close();
        QCOMPARE(messages.boxes.size(), 1);
        QVERIFY(messages.boxes[0].text.startsWith(QStringLiteral("Не удалось сохранить файл ") + w.FormFilePath()));
    }
};

QTEST_MAIN(TestToolWindow)
#include "test_toolwindow.moc"
