// The diary view: what typing, deleting and clearing do to the store, moving
// between months and years, and the export to note.txt.
#include "core/clock.h"
#include "gui/report.h"
#include "core/cp1251.h"
#include "core/programfolder.h"
#include "core/textfile.h"
#include "diary/view/monthgrid.h"
#include "diary/view/diaryview.h"
#include "gui/linklabel.h"
#include "diary/view/monthtabs.h"
#include "diary/view/searchpanel.h"
#include "diary/view/notepad.h"
#include "diary/view/spinbutton.h"
#include "gui/shellopen.h"
#include "doubles.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QLabel>
#include <QClipboard>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QMenu>
#include <QSignalSpy>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

#include "clock.h"
#include "controls.h"
#include "designplaces.h"
#include "folder.h"
#include "messages.h"
#include "table.h"

#include <optional>

using namespace kelto;
using namespace kelto::testing;

namespace {

const QDate Tuesday(2026, 12, 8);

struct View {
    TDayList store;
    TDiaryView view{store};
    explicit View(const TDayList& initial = {})
    {
        store = initial;
        view.CreateMonthGrid();
        view.ClearMarkedDays();
        view.ResetToToday();
        view.ShowSelectedDay();
        view.show();
        Control<QTextEdit>(view, "reblok")->setFocus();
    }
    TMonthGrid* grid() const { return Control<TMonthGrid>(view, "MonthGrid"); }
    void select(const QDate& d)
    {
        grid()->setSelectedDate(d);
        Control<TMonthTabs>(view, "TabControl1")->SetTabIndex(d.month() - 1);
        Control<QLineEdit>(view, "eYear")->setText(QString::number(d.year()).rightJustified(4, QLatin1Char('0')));
        view.UpdateMarkedDays();
    }
    QStringList noteOf(const QDate& d) const
    {
        for (const TDayRecord& r : store)
            if (r.Date == d)
                return r.Lines();
        return {QStringLiteral("<none>")};
    }
    bool hasRecord(const QDate& d) const { return noteOf(d) != QStringList{QStringLiteral("<none>")}; }
    void clickTab(int i)
    {
        QTest::mouseClick(Control<TMonthTabs>(view, "TabControl1"), Qt::LeftButton, {},
                          Control<TMonthTabs>(view, "TabControl1")->TabRect(i).center());
    }
};

class TEventCounter : public QObject {
public:
    TEventCounter(QEvent::Type type, int* count)
        : m_type(type)
        , m_count(count)
    {
    }
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == m_type)
            ++*m_count;
        return false;
    }

private:
    QEvent::Type m_type;
    int* m_count;
};

} // namespace

class TestDiaryView : public QObject {
    Q_OBJECT
    testing::TempProgramFolder m_folder;
    testing::MessageRecorder m_messages;
    std::optional<testing::FixedClock> m_clock;
    RecordingOpener m_opener;

private slots:
    void initTestCase() { SetShellOpener(&m_opener); }
    void init()
    {
        m_clock.emplace(QDateTime(Tuesday, QTime(9, 0)));
        m_messages.boxes.clear();
        m_opener.Reset();
        QFile::remove(ProgramFolder() + QStringLiteral("note.txt"));
    }
    void cleanupTestCase()
    {
        SetShellOpener(nullptr);
        m_clock.reset();
    }

    // A note too large for the notepad is shown read-only with one line
    // saying why; nothing the notepad does then changes it in the store.
    void noteTooLargeIsShownReadOnlyAndKept()
    {
        TDayList big;
        StoreNote(big, Tuesday, QStringList(MaxNotepadLines + 1, QStringLiteral("ab")));
        View v(big);
        QVERIFY(Control<QTextEdit>(v.view, "reblok")->isReadOnly());
        QCOMPARE(Control<QTextEdit>(v.view, "reblok")->toPlainText(), NoteTooLargeText(MaxNotepadLines + 1));
        QTest::keyClick(Control<QTextEdit>(v.view, "reblok"), Qt::Key_Backspace);
        QVERIFY(!v.view.AppendToSelectedDay(QStringLiteral("расчёт")).day.isValid());
        QCOMPARE(v.noteOf(Tuesday).size(), MaxNotepadLines + 1);
        v.select(Tuesday.addDays(1)); // an ordinary day is editable again
        QVERIFY(!Control<QTextEdit>(v.view, "reblok")->isReadOnly());
    }

    // A calculation written twice over is in the note once.
    void appendingTheSameParagraphTwiceWritesOnce()
    {
        View v;
        v.select(Tuesday);
        QCOMPARE(v.view.AppendToSelectedDay(QStringLiteral("расчёт")).already, false);
        const TDiaryView::TAppended again = v.view.AppendToSelectedDay(QStringLiteral("расчёт"));
        QCOMPARE(again.day, Tuesday);
        QVERIFY(again.already);
        QCOMPARE(v.noteOf(Tuesday), QStringList{QStringLiteral("расчёт")});
    }

    void startShowsTodayWithAnEmptyNotepad()
    {
        View v;
        QCOMPARE(v.grid()->SelectedDate(), Tuesday);
        QCOMPARE(Control<QLineEdit>(v.view, "eYear")->text(), QStringLiteral("2026"));
        QCOMPARE(Control<TMonthTabs>(v.view, "TabControl1")->TabIndex(), 11);
        QCOMPARE(Control<QLineEdit>(v.view, "cbDay")->text(), QStringLiteral("Вторник"));
        QVERIFY(Control<QTextEdit>(v.view, "reblok")->toPlainText().isEmpty()); // not the design text
        QVERIFY(v.store.isEmpty());
    }

    void typingCreatesTheNoteAndMarksTheDay()
    {
        View v;
        QSignalSpy stored(&v.view, &TDiaryView::noteStored);
        typeText(Control<QTextEdit>(v.view, "reblok"), QStringLiteral(" "));
        QVERIFY(!v.hasRecord(Tuesday)); // blanks alone are no note
        typeText(Control<QTextEdit>(v.view, "reblok"), QStringLiteral("Трубы"));
        QCOMPARE(v.noteOf(Tuesday), QStringList{QStringLiteral(" Трубы")});
        QCOMPARE(v.store.size(), 1);
        QVERIFY(v.view.MarkedDays().test(8));
        QVERIFY(stored.count() >= 5);
    }

    // clang-format off
    void deletingTheLastCharacterRemovesTheNote_data()
    {
        Column<int>("key", {
            {"backspace", int(Qt::Key_Backspace)},
            {"delete", int(Qt::Key_Delete)},
        });
    }
    // clang-format on
    void deletingTheLastCharacterRemovesTheNote()
    {
        QFETCH(int, key);
        View v;
        typeText(Control<QTextEdit>(v.view, "reblok"), QStringLiteral("ab"));
        Control<QTextEdit>(v.view, "reblok")->moveCursor(key == Qt::Key_Delete ? QTextCursor::Start : QTextCursor::End);
        QTest::keyClick(Control<QTextEdit>(v.view, "reblok"), Qt::Key(key));
        QCOMPARE(v.noteOf(Tuesday), QStringList{QString::fromLatin1(key == Qt::Key_Delete ? "b" : "a")});
        QTest::keyClick(Control<QTextEdit>(v.view, "reblok"), Qt::Key(key));
        QVERIFY(!v.hasRecord(Tuesday));
        QVERIFY(!v.view.MarkedDays().test(8));
    }

    // A key stores the note once, and the grid is painted again only when
    // the day gains or loses its mark.
    // clang-format off
    void keystrokesStoreOnceAndRepaintOnlyOnANewMark_data()
    {
        Columns<QString, bool, int, int, bool>({"before", "atStart", "key", "stores", "gridPainted"});
        QTest::newRow("first letter") << "" << false << int(Qt::Key_X) << 1 << true;
        QTest::newRow("one more letter") << "ab" << false << int(Qt::Key_X) << 1 << false;
        QTest::newRow("backspace inside") << "ab" << false << int(Qt::Key_Backspace) << 1 << false;
        QTest::newRow("delete inside") << "ab" << true << int(Qt::Key_Delete) << 1 << false;
        QTest::newRow("backspace of the last letter") << "a" << false << int(Qt::Key_Backspace) << 1 << true;
        QTest::newRow("delete of the last letter") << "a" << true << int(Qt::Key_Delete) << 1 << true;
        QTest::newRow("backspace at the start") << "ab" << true << int(Qt::Key_Backspace) << 0 << false;
    }
    // clang-format on
    void keystrokesStoreOnceAndRepaintOnlyOnANewMark()
    {
        auto [before, atStart, key, stores, gridPainted]
            = Fetch<QString, bool, int, int, bool>({"before", "atStart", "key", "stores", "gridPainted"});
        View v;
        typeText(Control<QTextEdit>(v.view, "reblok"), before);
        Control<QTextEdit>(v.view, "reblok")->moveCursor(atStart ? QTextCursor::Start : QTextCursor::End);
        QTest::qWait(20); // the paints asked for so far
        int paints = 0;
        TEventCounter counter(QEvent::Paint, &paints);
        v.grid()->installEventFilter(&counter);
        QSignalSpy stored(&v.view, &TDiaryView::noteStored);
        QTest::keyClick(Control<QTextEdit>(v.view, "reblok"), Qt::Key(key), {}, key == Qt::Key_X ? 'x' : 0);
        QTest::qWait(20);
        QCOMPARE(stored.count(), stores);
        QCOMPARE(paints > 0, gridPainted);
    }

    // clang-format off
    void clearingByAnyMeansRemovesTheNote_data()
    {
        Column<QString>("how", {
            {"cut all", "cut"},
            {"type spaces over all", "spaces"},
            {"select all, type a line break", "newline"},
        });
    }
    // clang-format on
    void clearingByAnyMeansRemovesTheNote()
    {
        QFETCH(QString, how);
        View v;
        typeText(Control<QTextEdit>(v.view, "reblok"), QStringLiteral("осмотр"));
        Control<QTextEdit>(v.view, "reblok")->selectAll();
        if (how == QLatin1String("cut"))
            Control<QTextEdit>(v.view, "reblok")->cut();
        else if (how == QLatin1String("spaces"))
            typeText(Control<QTextEdit>(v.view, "reblok"), QStringLiteral("   "));
        else
            QTest::keyClick(Control<QTextEdit>(v.view, "reblok"), Qt::Key_Return);
        QVERIFY(!v.hasRecord(Tuesday));
        // The emptied note does not come back with the day.
        v.select(Tuesday.addDays(1));
        v.select(Tuesday);
        QVERIFY(v.view.NotepadLines().isEmpty());
        QVERIFY(!v.view.MarkedDays().test(8));
    }

    void showingAndLeavingADayStoresNothing()
    {
        const TDayList initial = {{Tuesday, {QStringLiteral("first")}},
                                 {Tuesday.addDays(2), {QStringLiteral("one"), QString(), QStringLiteral("three")}}};
        View v(initial);
        QCOMPARE(v.view.NotepadLines(), QStringList{QStringLiteral("first")});
        v.select(Tuesday.addDays(1)); // a day without a note clears the notepad
        v.select(Tuesday.addDays(2));
        QCOMPARE(v.view.NotepadLines(), (QStringList{QStringLiteral("one"), QString(), QStringLiteral("three")}));
        v.select(Tuesday);
        QCOMPARE(v.store.size(), 2);
        QCOMPARE(v.store[0].Lines(), initial[0].Lines());
        QCOMPARE(v.store[1].Lines(), initial[1].Lines());
    }

    void theNoteKeepsParagraphsNotWrappedLines()
    {
        View v;
        const QString longLine = QStringLiteral("Сегодня надо просветить кучу объектов на трассе, "
                                                "затем проявить плёнки и записать результаты в журнал");
        typeText(Control<QTextEdit>(v.view, "reblok"), longLine);
        QVERIFY(Control<QTextEdit>(v.view, "reblok")->document()->documentLayout()->documentSize().height()
                > 3 * Control<QTextEdit>(v.view, "reblok")->fontMetrics().height()); // it does wrap on screen
        QCOMPARE(v.noteOf(Tuesday), QStringList{longLine});
        QTest::keyClick(Control<QTextEdit>(v.view, "reblok"), Qt::Key_Return);
        QCOMPARE(v.noteOf(Tuesday), QStringList{longLine}); // the final empty paragraph is not counted
        QTest::keyClick(Control<QTextEdit>(v.view, "reblok"), Qt::Key_Return);
        typeText(Control<QTextEdit>(v.view, "reblok"), QStringLiteral("x"));
        QCOMPARE(v.noteOf(Tuesday), (QStringList{longLine, QString(), QStringLiteral("x")}));
    }

    void whatCodePage1251CannotHoldBecomesAQuestionMark()
    {
        View v;
        typeText(Control<QTextEdit>(v.view, "reblok"), QStringLiteral("шов"));
        Control<QTextEdit>(v.view, "reblok")->insertPlainText(QStringLiteral(" 😀 中 №5 €"));
        QCOMPARE(Control<QTextEdit>(v.view, "reblok")->toPlainText(), QStringLiteral("шов ? ? №5 €"));
        QCOMPARE(v.noteOf(Tuesday), QStringList{QStringLiteral("шов ? ? №5 €")});
        // Typing goes on where the cursor was.
        typeText(Control<QTextEdit>(v.view, "reblok"), QStringLiteral("!"));
        QCOMPARE(v.noteOf(Tuesday), QStringList{QStringLiteral("шов ? ? №5 €!")});
        QVERIFY(FitsCp1251(v.noteOf(Tuesday).join(QString())));
    }

    // What a paste offers: nothing at all, an ownerless clipboard's empty
    // offer, rich text only, or text; only text within the code page lands.
    // clang-format off
    void pasteTakesPlainTextOnly_data()
    {
        Columns<QString, QString, QString>({"format", "offered", "notepad"});
        QTest::newRow("no source") << QString() << QString() << QStringLiteral("шов");
        QTest::newRow("no formats") << QStringLiteral("none") << QString() << QStringLiteral("шов");
        QTest::newRow("empty text") << QStringLiteral("text") << QString() << QStringLiteral("шов");
        QTest::newRow("html only") << QStringLiteral("html") << QStringLiteral("<b>x</b>") << QStringLiteral("шов");
        QTest::newRow("text") << QStringLiteral("text") << QStringLiteral(" №5") << QStringLiteral("шов №5");
        QTest::newRow("outside 1251") << QStringLiteral("text") << QStringLiteral(" 中😀") << QStringLiteral("шов ??");
        QTest::newRow("CR LF lines") << QStringLiteral("text") << QStringLiteral("\r\nа\rб") << QStringLiteral("шов\nа\nб");
    }
    // clang-format on
    void pasteTakesPlainTextOnly()
    {
        auto [format, offered, notepad] = Fetch<QString, QString, QString>({"format", "offered", "notepad"});
        View v;
        typeText(Control<QTextEdit>(v.view, "reblok"), QStringLiteral("шов"));
        auto* pad = qobject_cast<TNotepad*>(Control<QTextEdit>(v.view, "reblok"));
        QVERIFY(pad);
        QMimeData mime;
        if (format == QLatin1String("text"))
            mime.setText(offered);
        else if (format == QLatin1String("html"))
            mime.setHtml(offered);
        const QMimeData* source = format.isEmpty() ? nullptr : &mime;
        QCOMPARE(pad->canInsertFromMimeData(source), notepad != QStringLiteral("шов"));
        pad->insertFromMimeData(source);
        QCOMPARE(pad->toPlainText(), notepad);
        QCOMPARE(v.noteOf(Tuesday), notepad.split(QLatin1Char('\n')));
    }

    // A paste that would take the note past what the notepad lays out in
    // time is refused, saying why, before any of it is laid out; one that
    // ends right at the limit lands.
    // clang-format off
    void pastePastTheLimitIsRefused_data()
    {
        Columns<int, int, int>({"lines", "length", "noteLines"});
        QTest::newRow("1 000 000 lines")             << 1000000 << 12       << -1;
        QTest::newRow("one line more than fits")     << MaxNotepadLines << 1 << -1;
        QTest::newRow("a paragraph of 10 MB")        << 1       << 10000000 << -1;
        QTest::newRow("lines up to the limit")       << MaxNotepadLines - 1 << 1 << MaxNotepadLines;
    }
    // clang-format on
    void pastePastTheLimitIsRefused()
    {
        auto [lines, length, noteLines] = Fetch<int, int, int>({"lines", "length", "noteLines"});
        View v;
        auto* pad = qobject_cast<TNotepad*>(Control<QTextEdit>(v.view, "reblok"));
        typeText(pad, QStringLiteral("шов"));
        QMimeData mime;
        mime.setText((QLatin1Char('\n') + QString(length, QLatin1Char('x'))).repeated(lines));
        m_messages.boxes.clear();
        pad->insertFromMimeData(&mime);
        if (noteLines < 0) {
            QCOMPARE(pad->toPlainText(), QStringLiteral("шов"));
            QCOMPARE(m_messages.boxes.size(), 1);
            QCOMPARE(m_messages.boxes[0].text, PasteTooLargeText(qsizetype(lines) + 1));
        } else {
            QCOMPARE(v.noteOf(Tuesday).size(), noteLines);
            QVERIFY(m_messages.boxes.isEmpty());
        }
    }

    // A long run without a blank is wrapped anywhere (word wrap looked for its
    // end again on every line, for every key: quadratic); ordinary text keeps
    // its word wrap, and gets it back when the run goes.
    // clang-format off
    void longRunsWrapAnywhere_data()
    {
        Columns<QString, bool>({"text", "anywhere"});
        const qsizetype n = TNotepad::LongRun;
        QTest::newRow("words") << QStringLiteral("шов проверен ").repeated(200) << false;
        QTest::newRow("run just short") << QString(n - 1, QLatin1Char('x')) + " " + QString(n - 1, QLatin1Char('x')) << false;
        QTest::newRow("run") << QString(n, QLatin1Char('x')) << true;
        QTest::newRow("run in a later paragraph") << "шов\n" + QString(n * 4, QChar(0x0436)) << true;
        QTest::newRow("runs split by line ends") << (QString(n - 1, QLatin1Char('x')) + "\n").repeated(3) << false;
    }
    // clang-format on
    void longRunsWrapAnywhere()
    {
        auto [text, anywhere] = Fetch<QString, bool>({"text", "anywhere"});
        View v;
        typeText(Control<QTextEdit>(v.view, "reblok"), QStringLiteral("a "));
        Control<QTextEdit>(v.view, "reblok")->insertPlainText(text);
        QCOMPARE(Control<QTextEdit>(v.view, "reblok")->wordWrapMode() == QTextOption::WrapAnywhere, anywhere);
        QCOMPARE(TNotepad::HasLongRun(text), anywhere);
        Control<QTextEdit>(v.view, "reblok")->clear();
        QCOMPARE(Control<QTextEdit>(v.view, "reblok")->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
    }

    // Ctrl+V and Shift+Insert with nothing copied change nothing.
    void pasteFromAnEmptyClipboardDoesNothing()
    {
        View v;
        typeText(Control<QTextEdit>(v.view, "reblok"), QStringLiteral("шов"));
        QApplication::clipboard()->clear();
        QTest::keyClick(Control<QTextEdit>(v.view, "reblok"), Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(Control<QTextEdit>(v.view, "reblok"), Qt::Key_Insert, Qt::ShiftModifier);
        Control<QTextEdit>(v.view, "reblok")->paste();
        QCOMPARE(Control<QTextEdit>(v.view, "reblok")->toPlainText(), QStringLiteral("шов"));
        QVERIFY(!Control<QTextEdit>(v.view, "reblok")->canPaste());
    }

    // clang-format off
    void pickingAShorterMonthKeepsTheDayInside_data()
    {
        Columns<QDate, int, QDate>({"from", "tab", "to"});
        QTest::newRow("31 Jan to common February") << QDate(2025, 1, 31) << 1 << QDate(2025, 2, 28);
        QTest::newRow("31 Jan to leap February") << QDate(2024, 1, 31) << 1 << QDate(2024, 2, 29);
        QTest::newRow("31 Mar to April") << QDate(2026, 3, 31) << 3 << QDate(2026, 4, 30);
        QTest::newRow("15 Mar to December") << QDate(2026, 3, 15) << 11 << QDate(2026, 12, 15);
    }
    // clang-format on
    void pickingAShorterMonthKeepsTheDayInside()
    {
        auto [from, tab, to] = Fetch<QDate, int, QDate>({"from", "tab", "to"});
        View v({{to, {QStringLiteral("there")}}});
        v.select(from);
        v.clickTab(tab);
        QCOMPARE(v.grid()->SelectedDate(), to);
        QCOMPARE(Control<TMonthTabs>(v.view, "TabControl1")->TabIndex(), tab);
        QCOMPARE(v.view.NotepadLines(), QStringList{QStringLiteral("there")});
        QVERIFY(v.view.MarkedDays().test(to.day()));
        QCOMPARE(Control<QLineEdit>(v.view, "cbDay")->text(), TDiaryView::DayNames[to.dayOfWeek() % 7 + 1]);
    }

    void yearSpinMovesTheDateAndTheMarks()
    {
        View v({{QDate(2025, 2, 10), {QStringLiteral("в прошлом году")}}});
        v.select(QDate(2024, 2, 29));
        QVERIFY(!v.view.MarkedDays().test(10));
        Control<QToolButton>(v.view, "sbYearUp")->click();
        QCOMPARE(Control<QLineEdit>(v.view, "eYear")->text(), QStringLiteral("2025"));
        QCOMPARE(v.grid()->SelectedDate(), QDate(2025, 2, 28));
        QVERIFY(v.view.MarkedDays().test(10));
        Control<QToolButton>(v.view, "sbYearDown")->click();
        QCOMPARE(v.grid()->SelectedDate(), QDate(2024, 2, 28));
        QVERIFY(!v.view.MarkedDays().test(10));
        QCOMPARE(Control<QToolButton>(v.view, "sbYearUp")->autoRepeatDelay(), 400);
        QCOMPARE(Control<QToolButton>(v.view, "sbYearUp")->autoRepeatInterval(), 100);
    }

    void yearsOutsideTheCalendarLeaveTheDate()
    {
        View v;
        v.select(QDate(9999, 12, 31));
        v.view.NextYear();
        QCOMPARE(Control<QLineEdit>(v.view, "eYear")->text(), QStringLiteral("9999"));
        QCOMPARE(v.grid()->SelectedDate(), QDate(9999, 12, 31));
        v.select(QDate(1, 1, 1));
        v.view.PreviousYear();
        QCOMPARE(Control<QLineEdit>(v.view, "eYear")->text(), QStringLiteral("0001"));
        QCOMPARE(v.grid()->SelectedDate(), QDate(1, 1, 1));
        v.view.NextYear();
        v.view.NextYear();
        QCOMPARE(v.grid()->SelectedDate(), QDate(3, 1, 1));
    }

    // The year field edits as any text field, and shows the calendar's year
    // whenever it is left.
    void yearFieldEditsAsText()
    {
        View v;
        v.select(Tuesday);
        v.view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&v.view));
        auto* year = Control<QLineEdit>(v.view, "eYear");
        year->setFocus();
        year->setCursorPosition(2);
        QTest::keyClick(year, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(year, "20220256");
        QCOMPARE(year->text(), QStringLiteral("2022"));
        QCOMPARE(v.grid()->Year(), 2022);
        QTest::keyClick(year, Qt::Key_Backspace);
        QCOMPARE(year->text(), QStringLiteral("202"));
        QCOMPARE(v.grid()->Year(), 2022);
        QTest::keyClicks(year, "5");
        QCOMPARE(v.grid()->Year(), 2025);
        QTest::keyClick(year, Qt::Key_Backspace);
        QTest::keyClick(year, Qt::Key_Tab);
        QCOMPARE(year->text(), QStringLiteral("2025"));
    }

    // clang-format off
    void searchJumpsToAnOldDay_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("byList"); // Return on the list's second row, else on the edit
        Columns<QDate, QString, int>({"shown", "selected", "found"});
        QTest::newRow("edit, newest first") << "ШОВ" << false << QDate(2025, 6, 30) << "шов" << 2;
        QTest::newRow("list, second row") << "шов" << true << QDate(2019, 2, 28) << "Шов" << 2;
        QTest::newRow("ё and across lines") << "ёлка 12" << false << QDate(2019, 2, 28) << "елка\n12" << 1;
    }
    // clang-format on
    void searchJumpsToAnOldDay()
    {
        auto [query, byList, shown, selected, found]
            = Fetch<QString, bool, QDate, QString, int>({"query", "byList", "shown", "selected", "found"});
        const TDayList notes{
            {QDate(2019, 2, 28), {QStringLiteral("утро"), QStringLiteral("Шов у елка"), QStringLiteral("12 снимков")}},
            {QDate(2025, 6, 30), {QStringLiteral("ещё шов")}},
            {Tuesday, {QStringLiteral("сегодня")}}};
        View v(notes);
        v.view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&v.view));
        QTest::keyClick(Control<QTextEdit>(v.view, "reblok"), Qt::Key_F, Qt::ControlModifier);
        TSearchPanel* panel = Control<TSearchPanel>(v.view, "pSearch");
        QVERIFY(panel->isVisible());
        QVERIFY(Control<QLineEdit>(*panel, "eFind")->hasFocus());
        typeText(Control<QLineEdit>(*panel, "eFind"), query);
        QCOMPARE(Control<QLabel>(*panel, "lFound")->text(), QStringLiteral("Найдено: %1").arg(found));
        QCOMPARE(Control<QListView>(*panel, "lbFound")->model()->rowCount(), found);
        if (byList) {
            QVERIFY(Control<QListView>(*panel, "lbFound")
                        ->model()
                        ->index(0, 0)
                        .data()
                        .toString()
                        .startsWith(QStringLiteral("30.06.2025 — ещё шов")));
            QTest::keyClick(Control<QLineEdit>(*panel, "eFind"), Qt::Key_Down);
            QTest::keyClick(Control<QListView>(*panel, "lbFound"), Qt::Key_Down);
            QTest::keyClick(Control<QListView>(*panel, "lbFound"), Qt::Key_Return);
        } else {
            QTest::keyClick(Control<QLineEdit>(*panel, "eFind"), Qt::Key_Return);
        }
        QVERIFY(!panel->isVisible());
        QCOMPARE(v.grid()->SelectedDate(), shown);
        QCOMPARE(Control<QLineEdit>(v.view, "eYear")->text(), QString::number(shown.year()).rightJustified(4, QLatin1Char('0')));
        QCOMPARE(Control<TMonthTabs>(v.view, "TabControl1")->TabIndex(), shown.month() - 1);
        QCOMPARE(Control<QTextEdit>(v.view, "reblok")
                     ->textCursor()
                     .selectedText()
                     .replace(QChar::ParagraphSeparator, QLatin1Char('\n')),
                 selected);
        QVERIFY(Control<QTextEdit>(v.view, "reblok")->hasFocus());
        QCOMPARE(v.store.size(), notes.size()); // the search never changes a note
        for (qsizetype i = 0; i < notes.size(); ++i)
            QCOMPARE(v.store[i].Lines(), notes[i].Lines());
    }

    void searchClosesByEscapeAndByTheLink()
    {
        View v({{Tuesday, {QStringLiteral("x")}}});
        v.view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&v.view));
        QTest::mouseClick(Control<TLinkLabel>(v.view, "lFind"), Qt::LeftButton, {}, QPoint(3, 3));
        QVERIFY(Control<TSearchPanel>(v.view, "pSearch")->isVisible());
        QTest::keyClick(Control<QLineEdit>(*Control<TSearchPanel>(v.view, "pSearch"), "eFind"), Qt::Key_Escape);
        QVERIFY(!Control<TSearchPanel>(v.view, "pSearch")->isVisible());
        QVERIFY(Control<QTextEdit>(v.view, "reblok")->hasFocus());
        QTest::mouseClick(Control<TLinkLabel>(v.view, "lFind"), Qt::LeftButton, {}, QPoint(3, 3));
        QVERIFY(Control<TSearchPanel>(v.view, "pSearch")->isVisible());
        QTest::mouseClick(Control<TLinkLabel>(v.view, "lFind"), Qt::LeftButton, {}, QPoint(3, 3));
        QVERIFY(!Control<TSearchPanel>(v.view, "pSearch")->isVisible());
        QCOMPARE(Control<QTextEdit>(v.view, "reblok")->toPlainText(), QStringLiteral("x"));
    }

    void exportWritesEveryNoteByDate()
    {
        View v({{QDate(2026, 12, 8), {QStringLiteral("Трубы Ду325"), QString()}},
                {QDate(2025, 3, 1), {}},
                {QDate(2026, 1, 15), {QStringLiteral("a"), QStringLiteral("  b")}}});
        QTest::mouseClick(Control<TLinkLabel>(v.view, "lBlok"), Qt::LeftButton, {}, QPoint(3, 3));
        const QString path = ProgramFolder() + QStringLiteral("note.txt");
        QCOMPARE(m_opener.opened, QStringList{path});
        QVERIFY(m_messages.boxes.isEmpty());
        // UTF-8, without a byte-order mark, lines still ended by CR LF.
        const QByteArray want = QByteArray("01.03.2025\r\n\r\n"
                                           "15.01.2026\r\na\r\n  b\r\n\r\n"
                                           "08.12.2026\r\n\xd0\xa2\xd1\x80\xd1\x83\xd0\xb1\xd1\x8b \xd0\x94\xd1\x83"
                                           "325\r\n\r\n\r\n");
        QCOMPARE(ReadWholeFile(path).value_or(QByteArray()), want);
        // The store stays sorted for the next save.
        QCOMPARE(v.store[0].Date, QDate(2025, 3, 1));
        QCOMPARE(v.store[2].Date, QDate(2026, 12, 8));
    }

    void exportOfAnEmptyStoreSaysSoAndLeavesNoFile()
    {
        const QString path = ProgramFolder() + QStringLiteral("note.txt");
        QVERIFY(WriteFileAtomically(path, "old export") == std::nullopt);
        View v;
        v.view.ExportNotes();
        QCOMPARE(m_messages.boxes.size(), 1);
        QCOMPARE(m_messages.boxes[0].text, QStringLiteral("Записи в блокноте отсутствуют!"));
        QCOMPARE(m_messages.boxes[0].caption, QStringLiteral("Кельто"));
        QVERIFY(!QFile::exists(path));
        QVERIFY(m_opener.opened.isEmpty());
    }

    void exportWriteFailureNamesTheFileAndOpensNothing()
    {
        const QString path = ProgramFolder() + QStringLiteral("note.txt");
        QVERIFY(QDir().mkpath(path + QStringLiteral("/held"))); // a folder cannot be replaced by a file
        View v({{Tuesday, {QStringLiteral("x")}}});
        v.view.ExportNotes();
        QDir(path).removeRecursively();
        QCOMPARE(m_messages.boxes.size(), 1);
        QCOMPARE(m_messages.boxes[0].icon, QMessageBox::Critical);
        QVERIFY2(m_messages.boxes[0].text.contains(QStringLiteral("note.txt")), qPrintable(m_messages.boxes[0].text));
        QVERIFY(m_opener.opened.isEmpty());
    }

    void exportShellFailureIsReported()
    {
        m_opener.failWith = QStringLiteral("Нет программы для открытия файла");
        View v({{Tuesday, {QStringLiteral("x")}}});
        v.view.ExportNotes();
        QCOMPARE(m_messages.boxes.size(), 1);
        QCOMPARE(m_messages.boxes[0].caption, QStringLiteral("Кельто"));
        QVERIFY(m_messages.boxes[0].text.endsWith(QLatin1Char('.')));
        QVERIFY(QFile::exists(ProgramFolder() + QStringLiteral("note.txt"))); // written all the same
    }

    // Every control of the view is reached by Tab, in reading order; the
    // year takes arrows and digits, a link Enter and Space, the grid moves
    // the tabs and the year along with it.
    void keyboardWalksTheView()
    {
        View v;
        v.select(Tuesday);
        v.view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&v.view));
        const QList<QWidget*> order{Control<QLineEdit>(v.view, "eYear"),        v.grid(),
                                    Control<TMonthTabs>(v.view, "TabControl1"), Control<TLinkLabel>(v.view, "lFind"),
                                    Control<TLinkLabel>(v.view, "lBlok"),       Control<QTextEdit>(v.view, "reblok")};
        Control<QLineEdit>(v.view, "eYear")->setFocus(Qt::TabFocusReason);
        for (QWidget* w : order) {
            QCOMPARE(QApplication::focusWidget(), w);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QTest::keyClick(Control<QLineEdit>(v.view, "eYear"), Qt::Key_Up);
        QCOMPARE(v.grid()->SelectedDate(), Tuesday.addYears(1));
        Control<QLineEdit>(v.view, "eYear")->selectAll();
        QTest::keyClicks(Control<QLineEdit>(v.view, "eYear"), "2019x");
        QCOMPARE(Control<QLineEdit>(v.view, "eYear")->text(), QStringLiteral("2019"));
        QCOMPARE(v.grid()->SelectedDate(), QDate(2019, 12, 8));
        QTest::keyClick(v.grid(), Qt::Key_PageDown);
        QCOMPARE(Control<TMonthTabs>(v.view, "TabControl1")->TabIndex(), 0);
        QCOMPARE(Control<QLineEdit>(v.view, "eYear")->text(), QStringLiteral("2020"));
        QCOMPARE(Control<QTextEdit>(v.view, "reblok")->placeholderText(),
                 QStringLiteral("Заметка на 8 января 2020 года, среда"));
        QTest::keyClick(Control<TLinkLabel>(v.view, "lFind"), Qt::Key_Space);
        QVERIFY(Control<TSearchPanel>(v.view, "pSearch")->isVisible());
    }

    void exportWithoutViewerSaysWhereTheFileIs()
    {
        m_opener.noViewer = true;
        View v({{Tuesday, {QStringLiteral("x")}}});
        v.view.ExportNotes();
        const QString path = ProgramFolder() + QStringLiteral("note.txt");
        QCOMPARE(m_messages.boxes.size(), 1);
        QCOMPARE(m_messages.boxes[0].icon, QMessageBox::Information);
        QCOMPARE(m_messages.boxes[0].text,
                 QStringLiteral("Все записи сохранены в файл %1. Открыть его не удалось: на "
                                "компьютере не найдена программа для просмотра текстов.")
                     .arg(QDir::toNativeSeparators(path)));
        QVERIFY(QFile::exists(path));
    }

    void notepadOffersTheDocumentsMenu()
    {
        View v;
        QMenu menu;
        menu.addAction(QStringLiteral("ГОСТ 7512-82"));
        v.view.SetNotepadMenu(&menu);
        emit Control<QTextEdit>(v.view, "reblok")->customContextMenuRequested(QPoint(10, 10));
        QTRY_VERIFY(menu.isVisible());
        menu.hide();
    }

    void captionsGrowWithAPluginFont()
    {
        View v;
        for (QLabel* l :
             std::initializer_list<QLabel*>{Control<QLabel>(v.view, "Label5"), Control<QLabel>(v.view, "Label6"),
                                            Control<QLabel>(v.view, "Label7"), Control<TLinkLabel>(v.view, "lBlok")}) {
            QFont f = l->font();
            f.setBold(true);
            f.setPixelSize(16);
            l->setFont(f);
            QVERIFY2(l->width() >= QFontMetrics(f).horizontalAdvance(l->text()), qPrintable(l->objectName()));
        }
        QCOMPARE(Control<TLinkLabel>(v.view, "lBlok")->pos(), QPoint(517, 16));
    }

    void controlsCarryTheirDesignNamesAndPlaces_data()
    {
        DesignPlaceRows({"Image3", "eYear", "sbYear", "cbDay", "reblok", "TabControl1", "Panel3", "MonthGrid"});
    }
    void controlsCarryTheirDesignNamesAndPlaces()
    {
        auto [name, geometry] = Fetch<QString, QRect>({"name", "geometry"});
        View v;
        auto* w = v.view.findChild<QWidget*>(name);
        QVERIFY(w);
        QCOMPARE(w->geometry(), geometry);
        QVERIFY(v.view.findChild<QWidget*>(QStringLiteral("Label5")));
        QCOMPARE(Control<TMonthTabs>(v.view, "TabControl1")->count(), 12);
        QCOMPARE(Control<TMonthTabs>(v.view, "TabControl1")->TabText(8), QStringLiteral("Сент"));
    }
};

QTEST_MAIN(TestDiaryView)
#include "test_diaryview.moc"
