// The source window: defaults, a full example typed in, the "—" cases with
// their hints, the unit choice, and source.cnf written on close and read
// back by the next window.
#include "gui/datefield.h"
#include "gui/report.h"
#include "core/cp1251.h"
#include "core/programfolder.h"
#include "core/textfile.h"
#include "calc/view/tfsource.h"
#include "doubles.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <memory>
#include <optional>

#include "controls.h"
#include "files.h"
#include "folder.h"
#include "messages.h"
#include "table.h"

using namespace kelto;
using namespace kelto::testing;

namespace {
const QString Dash = QStringLiteral("—");
const QDate WorkDate(2026, 1, 8);
const QDate Passport(2026, 1, 1);
} // namespace

class TestTfSource : public QObject {
    Q_OBJECT
private:
    std::optional<testing::TempProgramFolder> folder;
    std::optional<testing::MessageRecorder> recorder;
    std::unique_ptr<TfSource> w;

    QStringList results() const
    {
        return {Control<QLabel>(*w, "lActivity")->text(), Control<QLabel>(*w, "lRemaining")->text(),
                Control<QLabel>(*w, "lExposure")->text(), Control<QLabel>(*w, "lHint")->text()};
    }
    static void type(QLineEdit* e, const QString& text) { testing::ReplaceText(e, text); }
    // The full example typed in: 100 Ки of Ir-192 from 01.01.2026, a week
    // later; a reference shot of 3 min at 500 mm through 10 mm on the
    // passport date, the new shot the same.
    void typeExample()
    {
        type(Control<QLineEdit>(*w, "eActivity"), "100");
        Control<TDateField>(*w, "dePassport")->SetDate(Passport);
        type(Control<QLineEdit>(*w, "eRefTime"), "3");
        type(Control<QLineEdit>(*w, "eRefDist"), "500");
        type(Control<QLineEdit>(*w, "eRefThick"), "10");
        Control<TDateField>(*w, "deRef")->SetDate(Passport);
        type(Control<QLineEdit>(*w, "eDist"), "500");
        type(Control<QLineEdit>(*w, "eThick"), "10");
    }

private slots:
    void init()
    {
        folder.emplace();
        recorder.emplace();
        w = std::make_unique<TfSource>(WorkDate);
        w->show();
    }
    void cleanup()
    {
        w.reset();
        recorder.reset();
        folder.reset();
    }

    void defaults()
    {
        QCOMPARE(w->windowTitle(), QStringLiteral("Источник и экспозиция"));
        QCOMPARE(w->minimumSize(), w->maximumSize());
        QCOMPARE(Control<QComboBox>(*w, "cbIsotope")->currentText(), QStringLiteral("Ir-192"));
        QCOMPARE(Control<QComboBox>(*w, "cbUnit")->currentText(), QStringLiteral("Ки"));
        QCOMPARE(Control<QComboBox>(*w, "cbUnit")->count(), 2);
        QCOMPARE(Control<TDateField>(*w, "deWork")->Date(), WorkDate);
        QCOMPARE(Control<QLineEdit>(*w, "eHvl")->text(), QStringLiteral("13,0"));
        QCOMPARE(results(), (QStringList{Dash, Dash, Dash, "Укажите активность по паспорту"}));
    }

    void fullExample()
    {
        typeExample();
        QCOMPARE(results(), (QStringList{"93,64 Ки (3464,66 ГБк)", "93,6 %", "3 мин 13 с", ""}));
        // Twice the distance and one half-value layer more: ×8.
        type(Control<QLineEdit>(*w, "eDist"), "1000");
        type(Control<QLineEdit>(*w, "eThick"), "23");
        QCOMPARE(Control<QLabel>(*w, "lExposure")->text(), QStringLiteral("25 мин 38 с"));
        // A later work date: less activity, a longer time.
        Control<TDateField>(*w, "deWork")->SetDate(Passport.addDays(74));
        QCOMPARE(Control<QLabel>(*w, "lRemaining")->text(), QStringLiteral("49,9 %"));
    }

    void units()
    {
        typeExample();
        // The typed activity is converted, the result leads with the unit.
        Control<QComboBox>(*w, "cbUnit")->setCurrentIndex(1);
        QCOMPARE(Control<QLineEdit>(*w, "eActivity")->text(), QStringLiteral("3700"));
        QCOMPARE(Control<QLabel>(*w, "lActivity")->text(), QStringLiteral("3464,66 ГБк (93,64 Ки)"));
        QCOMPARE(Control<QLabel>(*w, "lExposure")->text(), QStringLiteral("3 мин 13 с"));
        Control<QComboBox>(*w, "cbUnit")->setCurrentIndex(0);
        QCOMPARE(Control<QLineEdit>(*w, "eActivity")->text(), QStringLiteral("100"));
        QCOMPARE(Control<QLabel>(*w, "lActivity")->text(), QStringLiteral("93,64 Ки (3464,66 ГБк)"));
    }

    void keysAndFocus()
    {
        QApplication::setActiveWindow(w.get());
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QCOMPARE(QApplication::focusWidget(), Control<QComboBox>(*w, "cbIsotope"));
        // Tab goes top to bottom.
        QTest::keyClick(Control<QComboBox>(*w, "cbIsotope"), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), Control<QLineEdit>(*w, "eActivity"));
        QTest::keyClick(Control<QLineEdit>(*w, "eHvl"), Qt::Key_Escape);
        QVERIFY(!w->isVisible());
    }

    // clang-format off
    void dateTyping_data()
    {
        Columns<QString, QString, QString, QDate, QString>({"entered", "typed", "shown", "taken", "hint"});
        QTest::newRow("click, digits")        << "click"  << "09082026"   << "09.08.2026" << QDate(2026, 8, 9)  << "";
        QTest::newRow("click, points")        << "click"  << "01.10.2026" << "01.10.2026" << QDate(2026, 10, 1) << "";
        QTest::newRow("Ctrl+A, digits")       << "ctrlA"  << "09082026"   << "09.08.2026" << QDate(2026, 8, 9)  << "";
        QTest::newRow("Ctrl+A, points")       << "ctrlA"  << "01.10.2026" << "01.10.2026" << QDate(2026, 10, 1) << "";
        QTest::newRow("Tab, digits")          << "tab"    << "09082026"   << "09.08.2026" << QDate(2026, 8, 9)  << "";
        QTest::newRow("Tab, short parts")     << "tab"    << "1.2.2026"   << "01.02.2026" << QDate(2026, 2, 1)  << "";
        QTest::newRow("no 31 February")       << "click"  << "31022026"   << "31.02.2026" << WorkDate           << "Нет такой даты: 31.02.2026";
        QTest::newRow("year zero")            << "tab"    << "09120000"   << "09.12.0000" << WorkDate           << "Нет такой даты: 09.12.0000";
        QTest::newRow("beyond 2100")          << "ctrlA"  << "01012101"   << "01.01.2101" << WorkDate           << "Нет такой даты: 01.01.2101";
        QTest::newRow("unfinished")           << "click"  << "0908"       << "09.08"      << WorkDate           << "Допишите дату: 09.08";
        QTest::newRow("before the passport")  << "tab"    << "31122025"   << "31.12.2025" << QDate(2025, 12, 31)<< "Дата работы раньше паспортной даты источника";
    }
    // clang-format on
    void dateTyping()
    {
        const auto [entered, typed, shown, taken, hint]
            = Fetch<QString, QString, QString, QDate, QString>({"entered", "typed", "shown", "taken", "hint"});
        QApplication::setActiveWindow(w.get());
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        typeExample();
        const QStringList before = results();
        auto* field = Control<TDateField>(*w, "deWork");
        // The caret left in the year, as a user leaves it.
        field->setFocus();
        field->setCursorPosition(8);
        if (entered == "click")
            QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(40, field->height() / 2));
        else if (entered == "ctrlA")
            QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        else {
            Control<TDateField>(*w, "dePassport")->setFocus();
            QTest::keyClick(Control<TDateField>(*w, "dePassport"), Qt::Key_Tab);
        }
        QCOMPARE(QApplication::focusWidget(), field);
        QTest::keyClicks(field, typed);
        QCOMPARE(field->text(), shown);
        QCOMPARE(field->Date(), taken);
        QCOMPARE(Control<QLabel>(*w, "lHint")->text(), hint);
        if (taken == WorkDate)
            QCOMPARE(results().mid(0, 3), before.mid(0, 3));
        else
            QVERIFY(Control<QLabel>(*w, "lActivity")->text() != Dash);
        // Tab leaves the field: the next digits are the next field's.
        QTest::keyClick(field, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), Control<QLineEdit>(*w, "eRefTime"));
    }

    void dateFieldClicksAndKeys()
    {
        auto* field = Control<TDateField>(*w, "deWork");
        for (const QPoint at : {QPoint(1, 1), QPoint(3, field->height() / 2), QPoint(field->width() - 1, field->height() - 1)})
            QTest::mouseClick(field, Qt::LeftButton, {}, at);
        QTest::mouseDClick(field, Qt::LeftButton, {}, QPoint(30, 10));
        QCOMPARE(field->Date(), WorkDate);
        QCOMPARE(field->text(), QStringLiteral("08.01.2026"));
        // ↑ steps the part under the caret, here the month.
        field->setCursorPosition(4);
        QTest::keyClick(field, Qt::Key_Up);
        QCOMPARE(field->Date(), QDate(2026, 2, 8));
        QTest::keyClick(field, Qt::Key_Down, Qt::AltModifier);
        QVERIFY(field->CalendarOpen());
    }

    // clang-format off
    void refusals_data()
    {
        Columns<QString, QString, QStringList>({"edit", "text", "shown"});
        QTest::newRow("activity emptied") << "eActivity" << "" << QStringList{Dash, Dash, Dash, "Укажите активность по паспорту"};
        QTest::newRow("reference time zero") << "eRefTime" << "0" << QStringList{"93,64 Ки (3464,66 ГБк)", "93,6 %", Dash, "Время эталонного снимка должно быть больше нуля"};
        QTest::newRow("layer emptied, steel differs") << "eHvl" << "" << QStringList{"93,64 Ки (3464,66 ГБк)", "93,6 %", Dash, "Укажите слой половинного ослабления: толщина отличается от эталонной"};
    }
    // clang-format on
    void refusals()
    {
        auto [edit, text, shown] = Fetch<QString, QString, QStringList>({"edit", "text", "shown"});
        typeExample();
        type(Control<QLineEdit>(*w, "eThick"), "23");
        if (edit != "eHvl")
            type(Control<QLineEdit>(*w, "eThick"), "10");
        type(w->findChild<QLineEdit*>(edit), text);
        QCOMPARE(results(), shown);
        QVERIFY(recorder->boxes.isEmpty());
    }

    void isotopeFillsHalfValueLayer()
    {
        typeExample();
        type(Control<QLineEdit>(*w, "eThick"), "23");
        Control<QComboBox>(*w, "cbIsotope")->setCurrentIndex(2);
        QCOMPARE(Control<QLineEdit>(*w, "eHvl")->text(), QStringLiteral("21,0"));
        Control<QComboBox>(*w, "cbIsotope")->setCurrentIndex(1);
        QCOMPARE(Control<QLineEdit>(*w, "eHvl")->text(), QString());
        QCOMPARE(Control<QLabel>(*w, "lExposure")->text(), Dash);
        type(Control<QLineEdit>(*w, "eHvl"), "8,5");
        QVERIFY(Control<QLabel>(*w, "lExposure")->text() != Dash);
    }

    void keyFilter()
    {
        type(Control<QLineEdit>(*w, "eActivity"), "2.5");
        QCOMPARE(Control<QLineEdit>(*w, "eActivity")->text(), QStringLiteral("2,5"));
        testing::typeText(Control<QLineEdit>(*w, "eActivity"), ".,a-");
        QCOMPARE(Control<QLineEdit>(*w, "eActivity")->text(), QStringLiteral("2,5"));
    }

    void rememberedOnClose()
    {
        QVERIFY(!QFile::exists(TfSource::FilePath()));
        typeExample();
        Control<QComboBox>(*w, "cbUnit")->setCurrentIndex(1);
        type(Control<QLineEdit>(*w, "eHvl"), "12,5");
        w->close();
        QVERIFY(recorder->boxes.isEmpty());
        const std::optional<QByteArray> bytes = ReadWholeFile(TfSource::FilePath());
        QVERIFY(bytes);
        QCOMPARE(*bytes,
                 ToCp1251(QStringLiteral("Ir-192\r\n3700\r\nГБк\r\n01.01.2026\r\n3\r\n500\r\n10\r\n"
                                         "01.01.2026\r\n500\r\n10\r\n12,5\r\n")));
        TfSource next(QDate(2026, 3, 1));
        QCOMPARE(Control<QLineEdit>(next, "eHvl")->text(), QStringLiteral("12,5"));
        QCOMPARE(Control<QComboBox>(next, "cbUnit")->currentIndex(), 1);
        QCOMPARE(Control<QLineEdit>(next, "eActivity")->text(), QStringLiteral("3700"));
        QCOMPARE(Control<TDateField>(next, "deWork")->Date(), QDate(2026, 3, 1));
    }

    void damagedFileKeepsItsLeadingLines()
    {
        Put(TfSource::FilePath(), "Co-60\r\n100\r\n");
        TfSource next(WorkDate);
        QCOMPARE(Control<QLineEdit>(next, "eActivity")->text(), QStringLiteral("100"));
        QCOMPARE(Control<QLineEdit>(next, "eHvl")->text(), QStringLiteral("21,0"));
        QVERIFY(recorder->boxes.isEmpty());
    }

    // clang-format off
    void datesOutOfRange_data()
    {
        testing::Columns<QString, QString>({"passport", "hint"});
        QTest::newRow("1800")    << "01.01.1800" << "Дата вне пределов 1900–2100 годов: 01.01.1800";
        QTest::newRow("2101")    << "01.01.2101" << "Дата вне пределов 1900–2100 годов: 01.01.2101";
        QTest::newRow("in range")<< "01.01.2026" << "";
    }
    // clang-format on
    void datesOutOfRange()
    {
        // Shown as they are and said to be out of range, never clamped, and
        // written back unchanged.
        const auto [passport, hint] = testing::Fetch<QString, QString>({"passport", "hint"});
        const QByteArray bytes = ToCp1251(QStringLiteral("Ir-192\r\n12\r\nКи\r\n%1\r\n2\r\n500\r\n10\r\n"
                                                         "01.01.2026\r\n500\r\n10\r\n13,0\r\n").arg(passport));
        Put(TfSource::FilePath(), bytes);
        TfSource next(WorkDate);
        QCOMPARE(Control<TDateField>(next, "dePassport")->text(), passport);
        QCOMPARE(Control<QLabel>(next, "lHint")->text().startsWith(QStringLiteral("Дата вне")), !hint.isEmpty());
        if (!hint.isEmpty())
            QCOMPARE(Control<QLabel>(next, "lHint")->text(), hint);
        QCOMPARE(next.Save(), std::nullopt);
        QCOMPARE(Get(TfSource::FilePath()), bytes);
    }

    void failedSaveIsReported()
    {
        SetProgramFolder(folder->dir.path() + QStringLiteral("/missing/"));
        w->close();
        QCOMPARE(recorder->boxes.size(), 1);
        QCOMPARE(recorder->boxes[0].caption, QStringLiteral("Кельто"));
        QVERIFY(recorder->boxes[0].text.contains(QStringLiteral("source.cnf")));
    }
};

QTEST_MAIN(TestTfSource)
#include "test_tfsource.moc"
