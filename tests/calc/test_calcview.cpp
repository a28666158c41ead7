// The calculation view: defaults, key filter, recalculation on every change,
// scheme pictures and the error box.
#include "gui/report.h"
#include "calc/view/calcview.h"
#include "calc/numerickey.h"
#include "gui/datefield.h"
#include "gui/linklabel.h"
#include "calc/view/tfsource.h"
#include "core/programfolder.h"
#include "core/textfile.h"
#include "core/clock.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QFile>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <memory>
#include <optional>

#include "controls.h"
#include "layoutdefaults.h"
#include "clock.h"
#include "folder.h"
#include "messages.h"
#include "formreads.h"
#include "table.h"

using namespace kelto;
using namespace kelto::testing;

namespace {
const QString Q = QStringLiteral("?");

// Puts `text` on the clipboard; false where the platform keeps none.
bool OnClipboard(const QString& text)
{
    QApplication::clipboard()->setText(text);
    return QApplication::clipboard()->text() == text;
}
} // namespace

class TestCalcView : public QObject {
    Q_OBJECT
private:
    // Leaving the view writes calc.cnf: never beside the test program.
    testing::TempProgramFolder ownFolder;
    std::unique_ptr<TCalcView> view;
    std::optional<testing::MessageRecorder> recorder;

    // The view as the main window leaves it after start-up.
    void started()
    {
        view = std::make_unique<TCalcView>();
        view->PlaceSchemePictures();
        view->Recalculate();
        view->show();
    }
    QStringList visibleResults() const
    {
        return {Control<QLabel>(*view, "lFocRast")->text(), Control<QLabel>(*view, "lSens")->text(),
                Control<QLabel>(*view, "lPerimetr")->text(), Control<QLabel>(*view, "lExpo")->text()};
    }
    QStringList allResults() const
    {
        return visibleResults() << Control<QLabel>(*view, "lCount")->text() << Control<QLabel>(*view, "Ldlin")->text();
    }
    QList<QLineEdit*> edits() const
    {
        return {Control<QLineEdit>(*view, "eDiam"), Control<QLineEdit>(*view, "eTol"),
                Control<QLineEdit>(*view, "eDlin"), Control<QLineEdit>(*view, "eRast"),
                Control<QLineEdit>(*view, "ePatno")};
    }
    // The scheme pictures is1 … is8.
    QLabel* Scheme(int i) const { return Control<QLabel>(*view, qPrintable(QStringLiteral("is%1").arg(i + 1))); }
    QList<QLabel*> Schemes() const
    {
        QList<QLabel*> all;
        for (int i = 0; i < 8; ++i)
            all << Scheme(i);
        return all;
    }
    int shownPicture() const
    {
        int shown = -1;
        for (int i = 0; i < 8; ++i)
            if (Scheme(i)->isVisibleTo(view.get())) {
                if (shown != -1)
                    return -2;
                shown = i;
            }
        return shown;
    }

private slots:
    void init()
    {
        recorder.emplace();
        started();
    }
    void cleanup()
    {
        view.reset();
        recorder.reset();
    }

    void designControls()
    {
        QCOMPARE(view->objectName(), QStringLiteral("Panel2"));
        QCOMPARE(view->size(), QSize(638, 308));
        for (const char* n :
             {"Image2",  "Label37",   "Label38", "Label8",  "Label9",  "Label10", "Label11", "Label12", "Label13",
              "Label14", "Label15",   "Label17", "Label22", "Label24", "Label3",  "Label29", "Label35", "lFocRast",
              "lSens",   "lPerimetr", "lExpo",   "lCount",  "Ldlin",   "is1",     "is8"})
            QVERIFY2(view->findChild<QLabel*>(QLatin1String(n)), n);
        for (const char* n : {"eDiam", "eTol", "eDlin", "eRast", "ePatno"}) {
            auto* e = view->findChild<QLineEdit*>(QLatin1String(n));
            QVERIFY2(e, n);
            QVERIFY(!e->hasFrame());
            QCOMPARE(e->size(), QSize(60, 21));
            QCOMPARE(e->x(), 239);
        }
        QCOMPARE(view->findChild<QComboBox*>("cbSens")->currentText(), QStringLiteral("3"));
        QCOMPARE(view->findChild<QComboBox*>("cbSheme")->currentText(), QStringLiteral("г)"));
        QCOMPARE(Control<QComboBox>(*view, "cbSheme")->itemText(0), QStringLiteral("a)"));
        QCOMPARE(Control<QLabel>(*view, "Label8")->font().family(), QStringLiteral("Arial"));
        QVERIFY(Control<QLabel>(*view, "Label8")->font().bold());
        QCOMPARE(Control<QLabel>(*view, "Label8")->font().pixelSize(), 12);
        QCOMPARE(Control<QLineEdit>(*view, "eDiam")->font().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(Control<QLineEdit>(*view, "eDiam")->font().pixelSize(), 11);
        QVERIFY(Control<QLabel>(*view, "lSens")->font().underline());
        QCOMPARE(Control<QLabel>(*view, "lSens")->font().pixelSize(), 12);
        QCOMPARE(Control<QLabel>(*view, "lSens")->pos(), QPoint(568, 72));
        QCOMPARE(Control<QLabel>(*view, "Label15")->geometry(), QRect(320, 47, 244, 13));
        QVERIFY(Control<QLabel>(*view, "Label15")->alignment() & Qt::AlignRight);
        // Keyboard order through the inputs.
        const QList<QWidget*> order{Control<QComboBox>(*view, "cbSens"), Control<QLineEdit>(*view, "eDiam"),
                                    Control<QLineEdit>(*view, "eTol"),   Control<QLineEdit>(*view, "eDlin"),
                                    Control<QLineEdit>(*view, "eRast"),  Control<QLineEdit>(*view, "ePatno"),
                                    Control<QComboBox>(*view, "cbSheme"), Control<TLinkLabel>(*view, "lSource"),
                                    Control<TLinkLabel>(*view, "lToDiary"), Control<TLinkLabel>(*view, "lIso"),
                                    Control<TLinkLabel>(*view, "lCard"), Control<TLinkLabel>(*view, "lJournal"),
                                    Control<QComboBox>(*view, "cbSens")};
        for (int i = 0; i + 1 < order.size(); ++i) {
            QWidget* next = order[i]->nextInFocusChain();
            while (next && !(next->focusPolicy() & Qt::TabFocus))
                next = next->nextInFocusChain();
            QCOMPARE(next, order[i + 1]);
        }
    }

    void constructionDoesNotCalculate()
    {
        TCalcView fresh;
        QCOMPARE(Control<QLabel>(fresh, "lExpo")->text(), Q);
        QCOMPARE(Control<QLabel>(fresh, "lSens")->text(), Q);
    }

    void firstDisplay()
    {
        QCOMPARE(visibleResults(), (QStringList{"40,50", "0,30", "688", "3"}));
        QCOMPARE(Control<QLabel>(*view, "lCount")->text(), QStringLiteral("4"));
        QCOMPARE(Control<QLabel>(*view, "Ldlin")->text(), QStringLiteral("175"));
        QCOMPARE(shownPicture(), 3);
        for (QLabel* p : Schemes()) {
            QCOMPARE(p->pos(), QPoint(239, 214));
            QCOMPARE(p->size(), QSize(60, 75));
        }
        QVERIFY(recorder->boxes.isEmpty());
    }

    void recommendedBlockStaysHidden()
    {
        const auto hidden = [&] {
            for (QLabel* l :
                 {Control<QLabel>(*view, "Label3"), Control<QLabel>(*view, "Label29"), Control<QLabel>(*view, "lCount"),
                  Control<QLabel>(*view, "Label35"), Control<QLabel>(*view, "Ldlin")})
                if (l->isVisibleTo(view.get()))
                    return false;
            return true;
        };
        QVERIFY(hidden());
        Control<QLineEdit>(*view, "eDiam")->setText(QStringLiteral("50"));
        Control<QComboBox>(*view, "cbSheme")->setCurrentIndex(0);
        QVERIFY(hidden());
        QVERIFY(Control<QLabel>(*view, "Label15")->isVisibleTo(view.get()));
        QVERIFY(Control<QLabel>(*view, "lExpo")->isVisibleTo(view.get()));
    }

    // clang-format off
    void refusedKeysChangeNothing_data()
    {
        Columns<int, QString>({"edit", "typed"});
        for (int e = 0; e < 5; ++e) {
            QTest::addRow("minus, edit %d", e) << e << "-";
            QTest::addRow("letter, edit %d", e) << e << "a";
            QTest::addRow("space, edit %d", e) << e << " ";
        }
    }
    // clang-format on
    void refusedKeysChangeNothing()
    {
        auto [edit, typed] = Fetch<int, QString>({"edit", "typed"});
        QLineEdit* e = edits()[edit];
        const QString before = e->text();
        Control<QLabel>(*view, "lExpo")->setText(QStringLiteral("untouched"));
        QTest::keyClicks(e, typed);
        QCOMPARE(e->text(), before);
        QCOMPARE(Control<QLabel>(*view, "lExpo")->text(), QStringLiteral("untouched"));
    }

    // The usual editing keys work in every numeric field; a paste goes
    // through the key rule, and one undo takes it back.
    void editingKeys()
    {
        if (!OnClipboard(QStringLiteral("2.5")))
            QSKIP("no clipboard on this platform");
        QLineEdit* e = Control<QLineEdit>(*view, "eTol");
        QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(e, "3.5");
        QCOMPARE(e->text(), QStringLiteral("3,5"));
        QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(e, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(e->text(), QStringLiteral("2,5"));
        QTest::keyClick(e, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(e->text(), QStringLiteral("3,5"));
        QTest::keyClick(e, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(e->text(), QStringLiteral("2,5"));
        // A paste right after typing is a step of its own.
        e->end(false);
        QTest::keyClicks(e, "1");
        QTest::keyClick(e, Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(e->text(), QStringLiteral("2,5125"));
        QTest::keyClick(e, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(e->text(), QStringLiteral("2,51"));
        QTest::keyClick(e, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(e->text(), QStringLiteral("2,5125"));
        // Cut, and paste back through the context menu.
        QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(e, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("2,5125"));
        QApplication::clipboard()->setText(QStringLiteral("7.5"));
        QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, QPoint(5, 5), e->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(e, &menuEvent);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        for (QAction* a : menu->actions())
            if (a->text().startsWith(QLineEdit::tr("&Paste")))
                a->trigger();
        menu->close();
        QCOMPARE(e->text(), QStringLiteral("7,5"));
        QVERIFY(recorder->boxes.isEmpty());
    }

    void digitRecalculates()
    {
        QLineEdit* e = Control<QLineEdit>(*view, "eDlin");
        e->end(false);
        QTest::keyClick(e, Qt::Key_Backspace);
        QTest::keyClick(e, Qt::Key_Backspace);
        QCOMPARE(e->text(), QStringLiteral("3"));
        QTest::keyClicks(e, "25");
        QCOMPARE(e->text(), QStringLiteral("325"));
        QCOMPARE(visibleResults(), (QStringList{"40,50", "0,30", "688", "3"}));
        Control<QLineEdit>(*view, "eDiam")->setText(QStringLiteral("200"));
        QCOMPARE(Control<QLabel>(*view, "lCount")->text(), QStringLiteral("3"));
    }

    void commaRuleInTol()
    {
        QLineEdit* e = Control<QLineEdit>(*view, "eTol");
        e->end(false);
        QTest::keyClick(e, ',');
        QCOMPARE(e->text(), QStringLiteral("6,0"));
        // Over a selection that holds the only comma, too.
        e->selectAll();
        QTest::keyClick(e, ',');
        QCOMPARE(e->text(), QStringLiteral("6,0"));
        e->setCursorPosition(2);
        QTest::keyClick(e, Qt::Key_Backspace);
        QCOMPARE(e->text(), QStringLiteral("60"));
        QTest::keyClick(e, ',');
        QCOMPARE(e->text(), QStringLiteral("6,0"));
        QCOMPARE(Control<QLabel>(*view, "lSens")->text(), QStringLiteral("0,30"));
    }

    // clang-format off
    void keyFilterRules_data()
    {
        Columns<QString, QChar, QChar>({"text", "key", "result"});
        const QChar null(0);
        QTest::newRow("digit") << "6,0" << QChar('7') << QChar('7');
        QTest::newRow("backspace") << "" << QChar(8) << QChar(8);
        QTest::newRow("first comma") << "60" << QChar(',') << QChar(',');
        QTest::newRow("second comma") << "6,0" << QChar(',') << null;
        QTest::newRow("point is a comma") << "6" << QChar('.') << QChar(',');
        QTest::newRow("point after a comma") << "6,0" << QChar('.') << null;
        QTest::newRow("minus") << "" << QChar('-') << null;
        QTest::newRow("enter") << "6" << QChar(13) << null;
        QTest::newRow("ctrl+v") << "6" << QChar(22) << null;
        QTest::newRow("letter E") << "1" << QChar('E') << null;
        QTest::newRow("arabic digit") << "1" << QChar(0x0663) << null;
    }
    // clang-format on
    void keyFilterRules()
    {
        auto [text, key, result] = Fetch<QString, QChar, QChar>({"text", "key", "result"});
        QCOMPARE(FilterNumericKey(text, key), result);
    }

    void commaAllowed()
    {
        QCOMPARE(CommaAllowed(QStringLiteral("6,0"), ','), QChar(0));
        QCOMPARE(CommaAllowed(QStringLiteral("60"), ','), QChar(','));
        QCOMPARE(CommaAllowed(QStringLiteral("6,0"), '5'), QChar('5'));
        QCOMPARE(CommaAllowed(QStringLiteral(",,"), '5'), QChar(0));
    }

    void emptyingDiameter()
    {
        QLineEdit* e = Control<QLineEdit>(*view, "eDiam");
        e->end(false);
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(e, Qt::Key_Backspace);
        QCOMPARE(e->text(), QString());
        QCOMPARE(allResults(), QStringList(6, Q));
        QVERIFY(recorder->boxes.isEmpty());
        QTest::keyClicks(e, "219");
        QCOMPARE(visibleResults(), (QStringList{"40,50", "0,30", "688", "3"}));
        QVERIFY(recorder->boxes.isEmpty());
    }

    void deleteKeyIsNotFiltered()
    {
        QLineEdit* e = Control<QLineEdit>(*view, "eDiam");
        e->home(false);
        QTest::keyClick(e, Qt::Key_Delete);
        QCOMPARE(e->text(), QStringLiteral("19"));
        QCOMPARE(Control<QLabel>(*view, "lPerimetr")->text(), QStringLiteral("60"));
    }

    void shiftInsertPastesFiltered()
    {
        if (!OnClipboard(QStringLiteral("1,2,3")))
            QSKIP("no clipboard on this platform");
        QLineEdit* e = Control<QLineEdit>(*view, "eDlin");
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(e->text(), QStringLiteral("1,23"));
        QVERIFY(recorder->boxes.isEmpty());
    }

    void schemeChoice_data()
    {
        // The view shows what the calculation gives; the numbers themselves
        // have their table in the calculation's own test.
        Column<int>("scheme", {
            {"е)", 5},
            {"в)", 2},
            {"a)", 0},
            {"з)", 7},
        });
    }
    void schemeChoice()
    {
        QFETCH(int, scheme);
        Control<QComboBox>(*view, "cbSheme")->setCurrentIndex(scheme);
        TLayoutInputs in = LayoutDefaults();
        in.cbSheme = scheme;
        TLayoutResults out;
        QVERIFY(!CalculateLayout(in, out));
        QCOMPARE(shownPicture(), scheme);
        QCOMPARE(allResults(), (QStringList{out.lFocRast, out.lSens, out.lPerimetr, out.lExpo, out.lCount, out.Ldlin}));
    }

    void schemeClickShowsPictureOnly()
    {
        {
            const QSignalBlocker block(Control<QComboBox>(*view, "cbSheme"));
            Control<QComboBox>(*view, "cbSheme")->setCurrentIndex(6);
        }
        Control<QLabel>(*view, "lExpo")->setText(QStringLiteral("untouched"));
        view->ShowPickedScheme();
        QCOMPARE(shownPicture(), 6);
        QCOMPARE(Control<QLabel>(*view, "lExpo")->text(), QStringLiteral("untouched"));
    }

    void farSourceInsidePipe()
    {
        Control<QComboBox>(*view, "cbSheme")->setCurrentIndex(6);
        Control<QLineEdit>(*view, "eRast")->setText(QStringLiteral("300"));
        QCOMPARE(Control<QLabel>(*view, "lFocRast")->text(), Q);
        QCOMPARE(Control<QLabel>(*view, "lExpo")->text(), QStringLiteral("0"));
    }

    void pastedTextInRast()
    {
        QLineEdit* e = Control<QLineEdit>(*view, "eRast");
        e->selectAll();
        e->insert(QStringLiteral("abc")); // a text that no key or paste could bring
        QCOMPARE(recorder->boxes.size(), 1);
        const kelto::TMessageRequest& m = recorder->boxes[0];
        QCOMPARE(m.text, QStringLiteral("'abc' is not a valid floating point value."));
        QCOMPARE(m.caption, QStringLiteral("Кельто"));
        QCOMPARE(m.icon, QMessageBox::Critical);
        QCOMPARE(m.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(visibleResults(), (QStringList{Q, "0,30", Q, Q}));
        QCOMPARE(Control<QLabel>(*view, "lCount")->text(), Q);
    }

    void divisionByZeroBox()
    {
        Control<QLineEdit>(*view, "eDiam")->setText(QStringLiteral("200"));
        recorder->boxes.clear();
        Control<QLineEdit>(*view, "eDlin")->setText(QStringLiteral("0"));
        QCOMPARE(recorder->boxes.size(), 1);
        QCOMPARE(recorder->boxes[0].text, QStringLiteral("Floating point division by zero."));
        QCOMPARE(visibleResults(), (QStringList{"50,00", "0,30", "628", "3"}));
        QCOMPARE(Control<QLabel>(*view, "lCount")->text(), Q);
        QCOMPARE(Control<QLabel>(*view, "Ldlin")->text(), Q);
    }

    void sensitivityClass()
    {
        Control<QComboBox>(*view, "cbSens")->setCurrentIndex(0);
        QCOMPARE(Control<QLabel>(*view, "lSens")->text(), QStringLiteral("0,20"));
        QCOMPARE(Control<QLabel>(*view, "wireCheck")->toolTip(),
                 QStringLiteral("Проволока того же диаметра, что и чувствительность"));
    }

    void valuesSizeToText()
    {
        const int narrow = Control<QLabel>(*view, "lFocRast")->width();
        Control<QComboBox>(*view, "cbSheme")->setCurrentIndex(2);
        QCOMPARE(Control<QLabel>(*view, "lFocRast")->text(), QStringLiteral("3650,00"));
        QVERIFY(Control<QLabel>(*view, "lFocRast")->width() > narrow);
        QFont big = Control<QLabel>(*view, "lFocRast")->font();
        big.setPixelSize(30);
        const int before = Control<QLabel>(*view, "lFocRast")->height();
        Control<QLabel>(*view, "lFocRast")->setFont(big);
        QVERIFY(Control<QLabel>(*view, "lFocRast")->height() > before);
    }
    void typedPointIsComma()
    {
        QLineEdit* e = Control<QLineEdit>(*view, "ePatno");
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Backspace);
        QTest::keyClicks(e, "2.5");
        QCOMPARE(e->text(), QStringLiteral("2,5"));
        QCOMPARE(Control<QLabel>(*view, "lFocRast")->text(), QStringLiteral("40,50"));
        // A second one is refused, as a second comma is.
        QTest::keyClicks(e, ".");
        QCOMPARE(e->text(), QStringLiteral("2,5"));
        // Over a selection without a comma it replaces the selection.
        Control<QLineEdit>(*view, "eRast")->selectAll();
        QTest::keyClicks(Control<QLineEdit>(*view, "eRast"), ".");
        QCOMPARE(Control<QLineEdit>(*view, "eRast")->text(), QStringLiteral(","));
    }

    // clang-format off
    void keypadDecimalIsComma_data()
    {
        Columns<int, QString>({"key", "text"});
        QTest::newRow("keypad point") << int(Qt::Key_Period) << ".";
        QTest::newRow("keypad comma") << int(Qt::Key_Comma) << ",";
        QTest::newRow("keypad decimal without text") << int(Qt::Key_Period) << "";
    }
    // clang-format on
    void keypadDecimalIsComma()
    {
        auto [key, text] = Fetch<int, QString>({"key", "text"});
        QLineEdit* e = Control<QLineEdit>(*view, "eDlin");
        e->end(false);
        QKeyEvent press(QEvent::KeyPress, key, Qt::KeypadModifier, text);
        QApplication::sendEvent(e, &press);
        QCOMPARE(e->text(), QStringLiteral("300,"));
        QApplication::sendEvent(e, &press);
        QCOMPARE(e->text(), QStringLiteral("300,"));
    }

    void checkLines_data()
    {
        Columns<int, QStringList>({"scheme", "lines"});
        // clang-format off
        QTest::newRow("г)") << 3 << QStringList{"достаточно", "120,0° ± 3°", "0,32 мм, набор № 2, 3", "достаточно (участок 230 мм)"};
        QTest::newRow("д)") << 4 << QStringList{"меньше минимального на 620,50 мм", "120,0° ± 3°", "0,32 мм, набор № 2, 3", "достаточно (участок 230 мм)"};
        QTest::newRow("е)") << 5 << QStringList{"достаточно", "—", "0,32 мм, набор № 2, 3", "кассет на окружность: 3"};
        // clang-format on
    }
    void checkLines()
    {
        QFETCH(int, scheme);
        QFETCH(QStringList, lines);
        Control<QComboBox>(*view, "cbSheme")->setCurrentIndex(scheme);
        const auto shown = [this] {
            return QStringList{
                Control<QLabel>(*view, "focalCheck")->text(), Control<QLabel>(*view, "angleCheck")->text(),
                Control<QLabel>(*view, "wireCheck")->text(), Control<QLabel>(*view, "filmCheck")->text()};
        };
        QCOMPARE(shown(), lines);
        QVERIFY(Control<QLabel>(*view, "lHint")->isHidden());
        QCOMPARE(Control<QLabel>(*view, "wireCheck")->toolTip(),
                 "Чувствительности 0,30 мм соответствует проволока 0,32 мм (ГОСТ 7512-82)");
        // A failing verdict stands out from a passing one.
        QCOMPARE(Control<QLabel>(*view, "focalCheck")->palette().color(QPalette::WindowText)
                     != Control<QLabel>(*view, "wireCheck")->palette().color(QPalette::WindowText),
                 lines[0].startsWith("меньше"));
        // They follow every change, emptied inputs included, and the hint
        // says why.
        Control<QLineEdit>(*view, "eRast")->clear();
        QCOMPARE(shown(), QStringList(4, QStringLiteral("—")));
        QCOMPARE(Control<QLabel>(*view, "lHint")->text(), QStringLiteral("Укажите фокусное расстояние"));
        QVERIFY(Control<QLabel>(*view, "lHint")->isVisibleTo(view.get()));
    }

    // Result labels are sized from the text's advance on every key; they
    // must come out as wide as Qt's own hint, or a result would be clipped.
    void resultLabelsFitTheirText()
    {
        for (int scheme = 0; scheme < 8; ++scheme) {
            Control<QComboBox>(*view, "cbSheme")->setCurrentIndex(scheme);
            for (QLabel* l : {Control<QLabel>(*view, "lSens"), Control<QLabel>(*view, "lFocRast"),
                              Control<QLabel>(*view, "lExpo"), Control<QLabel>(*view, "lPerimetr"),
                              Control<QLabel>(*view, "lCount"), Control<QLabel>(*view, "Ldlin"),
                              Control<QLabel>(*view, "focalCheck"), Control<QLabel>(*view, "angleCheck"),
                              Control<QLabel>(*view, "wireCheck"), Control<QLabel>(*view, "filmCheck")})
                if (!l->wordWrap())
                    QCOMPARE(l->width(), l->sizeHint().width());
        }
    }

    void checkBlockPlacement()
    {
        const QList<QLabel*> block{Control<QLabel>(*view, "Label40"),    Control<QLabel>(*view, "Label41"),
                                   Control<QLabel>(*view, "Label42"),    Control<QLabel>(*view, "Label43"),
                                   Control<QLabel>(*view, "Label44"),    Control<QLabel>(*view, "focalCheck"),
                                   Control<QLabel>(*view, "angleCheck"), Control<QLabel>(*view, "wireCheck"),
                                   Control<QLabel>(*view, "filmCheck")};
        Control<QComboBox>(*view, "cbSheme")->setCurrentIndex(4); // the longest texts
        Control<QLineEdit>(*view, "eDlin")->setText(QStringLiteral("100"));
        QCOMPARE(Control<QLabel>(*view, "filmCheck")->text(),
                 QStringLiteral("короче участка 230 мм: нужно экспозиций не менее 9"));
        // Inside the results box, under the results, clear of the panel's edge.
        const QRect resultsBox(315, 8, 318, 290);
        for (QLabel* l : block) {
            QVERIFY2(l->isVisibleTo(view.get()), qPrintable(l->objectName()));
            QVERIFY2(resultsBox.contains(l->geometry()), qPrintable(l->objectName()));
            QVERIFY2(l->y() > Control<QLabel>(*view, "Label24")->geometry().bottom(), qPrintable(l->objectName()));
            QVERIFY2(l->geometry().bottom() < TCalcView::CardLinkPlace.top(), qPrintable(l->objectName()));
        }
        QCOMPARE(Control<TLinkLabel>(*view, "lSource")->pos(), QPoint(16, 232));
        QVERIFY(Control<TLinkLabel>(*view, "lSource")->font().underline());
        QCOMPARE(Control<TLinkLabel>(*view, "lSource")->cursor().shape(), Qt::PointingHandCursor);
        // No visible control overlaps another; only the diary link lies in
        // the spot under this one.
        QList<QWidget*> shown;
        for (QWidget* w : view->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w->isVisibleTo(view.get()) && w != Control<QLabel>(*view, "Image2"))
                shown << w;
        for (int i = 0; i < shown.size(); ++i) {
            if (shown[i] != Control<TLinkLabel>(*view, "lToDiary"))
                QVERIFY2(!shown[i]->geometry().intersects(QRect(16, 256, 200, 16)), qPrintable(shown[i]->objectName()));
            for (int j = i + 1; j < shown.size(); ++j)
                QVERIFY2(!shown[i]->geometry().intersects(shown[j]->geometry()),
                         qPrintable(shown[i]->objectName() + " / " + shown[j]->objectName()));
        }
    }

    void diaryLinkNamesItsDay()
    {
        const testing::FixedClock clock(QDateTime(QDate(2026, 2, 3), QTime(9, 0)));
        QDate day(2026, 2, 3);
        view->SetDiaryDaySource([&day] { return day; });
        QCOMPARE(Control<TLinkLabel>(*view, "lToDiary")->text(), QStringLiteral("Записать расчёт в дневник"));
        day = QDate(2023, 6, 30);
        view->hide();
        view->show();
        // Too long to pass the scheme picture: cut before the date, whole
        // in the tooltip.
        auto* link = Control<TLinkLabel>(*view, "lToDiary");
        QCOMPARE(link->Caption(), QStringLiteral("Записать расчёт в заметку за 30.06.2023"));
        QCOMPARE(link->toolTip(), link->Caption());
        QVERIFY2(link->text().startsWith(QStringLiteral("Записать")) && link->text().endsWith(QStringLiteral("… 30.06.2023")), qPrintable(link->text()));
        QVERIFY(link->geometry().right() < Control<QLabel>(*view, "is4")->x());
    }

    void linkOpensOneSourceWindow()
    {
        const testing::TempProgramFolder folder;
        testing::FixedClock clock(QDateTime(QDate(2026, 2, 3), QTime(9, 0)));
        view->SetDiaryDaySource([] { return QDate(2024, 5, 6); });
        QVERIFY(!view->SourceWindow());
        QTest::mouseClick(Control<TLinkLabel>(*view, "lSource"), Qt::LeftButton);
        kelto::TfSource* first = view->SourceWindow();
        QVERIFY(first);
        QVERIFY(first->isVisible());
        QVERIFY(first->isWindow());
        // Today, not the day browsed in the diary, and today again on the
        // next opening.
        QCOMPARE(Control<TDateField>(*first, "deWork")->Date(), QDate(2026, 2, 3));
        Control<QLineEdit>(*first, "eActivity")->setText(QStringLiteral("12"));
        first->hide();
        clock.Set(QDateTime(QDate(2026, 2, 4), QTime(9, 0)));
        QTest::mouseClick(Control<TLinkLabel>(*view, "lSource"), Qt::LeftButton);
        QCOMPARE(Control<TDateField>(*first, "deWork")->Date(), QDate(2026, 2, 4));
        QCOMPARE(view->SourceWindow(), first);
        QVERIFY(first->isVisible());
        QCOMPARE(Control<QLineEdit>(*first, "eActivity")->text(), QStringLiteral("12"));
        // The plug-in's input font reaches the window through the view's edits.
        QFont f = Control<QLineEdit>(*view, "eRast")->font();
        f.setFamily(QStringLiteral("Plug Sans"));
        Control<QLineEdit>(*view, "eRast")->setFont(f);
        QCOMPARE(Control<QLineEdit>(*first, "eDist")->font().family(), QStringLiteral("Plug Sans"));
        // And its colours: light captions of a dark plug-in.
        QPalette light = Control<QLabel>(*view, "Label12")->palette();
        light.setColor(QPalette::WindowText, QColor(216, 222, 230));
        Control<QLabel>(*view, "Label12")->setPalette(light);
        QCOMPARE(first->palette().color(QPalette::WindowText), QColor(216, 222, 230));
        // Program exit writes what the window holds.
        view->SaveToolWindows();
        QVERIFY(recorder->boxes.isEmpty());
        const std::optional<QByteArray> bytes = kelto::ReadWholeFile(kelto::TfSource::FilePath());
        QVERIFY(bytes);
        QVERIFY(bytes->startsWith("Ir-192\r\n12\r\n"));
        view.reset();
    }

    // clang-format off
    void calcFile_data()
    {
        // calc.cnf at start -> what the view shows (class|D|S|L|F|spot|scheme),
        // its first result, and whether the hint says the file was not read.
        testing::Columns<QByteArray, QString, QString, bool>({"file", "shown", "lExpo", "note"});
        QTest::newRow("missing")  << QByteArray("none") << "3|219|6,0|300|100|2,5|г)" << "3" << false;
        QTest::newRow("restored") << QByteArray("2\r\n5\r\n260\r\n3\r\n240\r\n1020\r\n16\r\n") << "2|1020|16|240|260|3|е)" << "1" << false;
        QTest::newRow("damaged")  << QByteArray("2\r\n9\r\n260\r\n") << "2|219|6,0|300|100|2,5|г)" << "3" << true;
    }
    // clang-format on
    void calcFile()
    {
        const auto [file, shown, expo, note] = testing::Fetch<QByteArray, QString, QString, bool>({"file", "shown", "lExpo", "note"});
        const testing::TempProgramFolder folder;
        if (file != "none")
            QCOMPARE(kelto::WriteFileAtomically(TCalcView::CalcFilePath(), file), std::nullopt);
        recorder->boxes.clear();
        started();
        QStringList texts{Control<QComboBox>(*view, "cbSens")->currentText()};
        for (const char* e : {"eDiam", "eTol", "eDlin", "eRast", "ePatno"})
            texts << Control<QLineEdit>(*view, e)->text();
        texts << Control<QComboBox>(*view, "cbSheme")->currentText();
        QCOMPARE(texts.join(QLatin1Char('|')), shown);
        QCOMPARE(Control<QLabel>(*view, "lExpo")->text(), expo);
        QVERIFY(recorder->boxes.isEmpty());
        const QString unread = QStringLiteral("Файл calc.cnf не прочитан: сохранена копия calc.cnf.bak");
        QCOMPARE(Control<QLabel>(*view, "lHint")->text() == unread, note);
        // Kept byte for byte before the file is written again when the view is left.
        Control<QLineEdit>(*view, "eDiam")->setText(QStringLiteral("57"));
        QVERIFY(Control<QLabel>(*view, "lHint")->text() != unread);
        QVERIFY(!QFile::exists(TCalcView::CalcFilePath() + ".bak"));
        view->hide();
        QCOMPARE(kelto::ReadWholeFile(TCalcView::CalcFilePath() + ".bak"), note ? std::optional(file) : std::nullopt);
        const std::optional<TCalcForm> saved = ReadCalcBytes(kelto::ReadWholeFile(TCalcView::CalcFilePath()).value_or(""));
        QVERIFY(saved);
        QCOMPARE(saved->diameter, QStringLiteral("57"));
        view.reset();
    }

    void exitWithoutWindowWritesNothing()
    {
        const testing::TempProgramFolder folder;
        view->SaveToolWindows();
        QVERIFY(!QFile::exists(kelto::TfSource::FilePath()));
    }
};

QTEST_MAIN(TestCalcView)
#include "test_calcview.moc"
