// The month grid: where days sit, which moves it accepts, and the colours of
// the days with notes, checked on the painted pixels.
#include "diary/view/monthgrid.h"
#include "clock.h"
#include "table.h"

#include <QSignalSpy>
#include <QtTest>

using namespace kelto;
using namespace kelto::testing;

namespace {

struct Grid {
    TMarkedDays marked;
    TMonthGrid grid{&marked};
    explicit Grid(const QDate& d)
    {
        grid.resize(277, 149);
        grid.setStartOfWeek(1);
        grid.setSelectedDate(d);
    }
    QPoint cellOf(int day) const
    {
        for (int row = 1; row < 7; ++row)
            for (int col = 0; col < 7; ++col)
                if (grid.DayAt(col, row) == day)
                    return {col, row};
        return {-1, -1};
    }
    QPoint centreOf(int day) const
    {
        const QPoint c = cellOf(day);
        return grid.CellRect(c.x(), c.y()).center();
    }
};

bool cellHasColour(const QImage& img, const QRect& r, const QColor& colour)
{
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            // Text is antialiased: a pixel near the colour will do.
            const QColor c = img.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green())
                    + std::abs(c.blue() - colour.blue())
                < 90)
                return true;
        }
    return false;
}

} // namespace

class TestMonthGrid : public QObject {
    Q_OBJECT
private slots:
    void daysSitUnderTheirWeekdays_data()
    {
        Columns<QDate, QPoint, QPoint>({"date", "firstCell", "lastCell"});
        // June 2026 starts on a Monday, February 2026 and March 2026 on a Sunday.
        QTest::newRow("first is a Monday") << QDate(2026, 6, 10) << QPoint(0, 1) << QPoint(1, 5);
        QTest::newRow("first is a Sunday") << QDate(2026, 2, 10) << QPoint(6, 1) << QPoint(5, 5);
        QTest::newRow("31 days from a Sunday reach row 6") << QDate(2026, 3, 1) << QPoint(6, 1) << QPoint(1, 6);
        QTest::newRow("common February from a Monday") << QDate(2021, 2, 5) << QPoint(0, 1) << QPoint(6, 4);
        QTest::newRow("leap February") << QDate(2024, 2, 29) << QPoint(3, 1) << QPoint(3, 5);
        QTest::newRow("year 1") << QDate(1, 1, 1) << QPoint(0, 1) << QPoint(2, 5);
    }
    void daysSitUnderTheirWeekdays()
    {
        auto [date, firstCell, lastCell] = Fetch<QDate, QPoint, QPoint>({"date", "firstCell", "lastCell"});
        Grid g(date);
        QCOMPARE(g.cellOf(1), firstCell);
        QCOMPARE(g.cellOf(date.daysInMonth()), lastCell);
        // Everything after the last day is blank.
        int blanks = 0;
        for (int row = 1; row < 7; ++row)
            for (int col = 0; col < 7; ++col)
                blanks += g.grid.CellText(col, row).isEmpty();
        QCOMPARE(blanks, 42 - date.daysInMonth());
        QCOMPARE(g.grid.CurrentCell(), g.cellOf(date.day()));
    }

    void leapYearRule_data()
    {
        Columns<int, int>({"year", "february"});
        QTest::newRow("2024") << 2024 << 29;
        QTest::newRow("2025") << 2025 << 28;
        QTest::newRow("1900") << 1900 << 28;
        QTest::newRow("2000") << 2000 << 29;
    }
    void leapYearRule()
    {
        auto [year, february] = Fetch<int, int>({"year", "february"});
        QCOMPARE(TCalendar::DaysPerMonth(year, 2), february);
        QCOMPARE(TCalendar::DaysPerMonth(year, 12), 31);
    }

    void cellsAre38By20AtTheStartSize()
    {
        Grid g(QDate(2026, 12, 8));
        QCOMPARE(g.grid.ColWidth(), 38);
        QCOMPARE(g.grid.RowHeight(), 20);
        // Nothing lies outside the client area of 275 × 147.
        QVERIFY(g.grid.rect().adjusted(1, 1, -1, -1).contains(g.grid.CellRect(6, 6)));
    }

    void settersRefuseWhatDoesNotFit()
    {
        Grid g(QDate(2026, 4, 30));
        QSignalSpy changed(&g.grid, &TCalendar::dateChanged);
        QVERIFY(g.grid.setDay(31)); // April has 30: ignored
        QVERIFY(g.grid.setDay(0));
        QVERIFY(g.grid.setMonth(13));
        QVERIFY(g.grid.setDay(30)); // the same value
        QCOMPARE(changed.count(), 0);

        g.grid.setSelectedDate(QDate(2026, 3, 31));
        changed.clear();
        QVERIFY(!g.grid.setMonth(4)); // 31 April does not exist
        QCOMPARE(g.grid.SelectedDate(), QDate(2026, 3, 31));
        QVERIFY(!g.grid.setYear(10000));
        g.grid.setSelectedDate(QDate(2024, 2, 29));
        changed.clear();
        QVERIFY(!g.grid.setYear(2025));
        QCOMPARE(g.grid.SelectedDate(), QDate(2024, 2, 29));
        QCOMPARE(changed.count(), 0);

        QVERIFY(g.grid.setDay(28));
        QVERIFY(g.grid.setYear(2025));
        QCOMPARE(g.grid.SelectedDate(), QDate(2025, 2, 28));
        QCOMPARE(changed.count(), 2);
        // Setting the same date again still reports a change.
        g.grid.setSelectedDate(QDate(2025, 2, 28));
        QCOMPARE(changed.count(), 3);
    }

    void mouseSetsTheDayOnRelease()
    {
        Grid g(QDate(2026, 12, 8));
        g.grid.show();
        QSignalSpy changed(&g.grid, &TCalendar::dateChanged);
        QTest::mousePress(&g.grid, Qt::LeftButton, {}, g.centreOf(15));
        QCOMPARE(g.grid.CurrentCell(), g.cellOf(15));
        QCOMPARE(g.grid.Day(), 8);
        QMouseEvent move(QEvent::MouseMove, g.centreOf(17), g.grid.mapToGlobal(g.centreOf(17)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&g.grid, &move);
        QCOMPARE(g.grid.CurrentCell(), g.cellOf(17));
        QTest::mouseRelease(&g.grid, Qt::LeftButton, {}, g.centreOf(17));
        QCOMPARE(g.grid.Day(), 17);
        QCOMPARE(changed.count(), 1);

        // December 2026 starts on a Tuesday: the Monday cell of row 1 is blank.
        const QPoint blank = g.grid.CellRect(0, 1).center();
        QTest::mouseClick(&g.grid, Qt::LeftButton, {}, blank);
        QCOMPARE(g.grid.Day(), 17);
        QCOMPARE(g.grid.CurrentCell(), g.cellOf(17));
        // Nor does the header.
        QTest::mouseClick(&g.grid, Qt::LeftButton, {}, g.grid.CellRect(3, 0).center());
        QCOMPARE(g.grid.Day(), 17);
        QCOMPARE(changed.count(), 1);
    }

    void keysCrossMonthAndYearEdges_data()
    {
        Columns<QDate, int, bool, QDate>({"from", "key", "ctrl", "to"});
        // clang-format off
        QTest::newRow("right")                  << QDate(2026, 12, 8)  << int(Qt::Key_Right)    << false << QDate(2026, 12, 9);
        QTest::newRow("down")                   << QDate(2026, 12, 8)  << int(Qt::Key_Down)     << false << QDate(2026, 12, 15);
        QTest::newRow("up into last month")     << QDate(2026, 12, 3)  << int(Qt::Key_Up)       << false << QDate(2026, 11, 26);
        QTest::newRow("left at the first")      << QDate(2026, 12, 1)  << int(Qt::Key_Left)     << false << QDate(2026, 11, 30);
        QTest::newRow("right into next year")   << QDate(2026, 12, 31) << int(Qt::Key_Right)    << false << QDate(2027, 1, 1);
        QTest::newRow("down into next year")    << QDate(2026, 12, 28) << int(Qt::Key_Down)     << false << QDate(2027, 1, 4);
        QTest::newRow("left into last year")    << QDate(2027, 1, 1)   << int(Qt::Key_Left)     << false << QDate(2026, 12, 31);
        QTest::newRow("home: the first")        << QDate(2026, 12, 10) << int(Qt::Key_Home)     << false << QDate(2026, 12, 1);
        QTest::newRow("end: the last")          << QDate(2026, 2, 10)  << int(Qt::Key_End)      << false << QDate(2026, 2, 28);
        QTest::newRow("page down, same day")    << QDate(2026, 12, 8)  << int(Qt::Key_PageDown) << false << QDate(2027, 1, 8);
        QTest::newRow("page down, shorter")     << QDate(2026, 1, 31)  << int(Qt::Key_PageDown) << false << QDate(2026, 2, 28);
        QTest::newRow("page down, leap Feb")    << QDate(2024, 1, 30)  << int(Qt::Key_PageDown) << false << QDate(2024, 2, 29);
        QTest::newRow("page up, shorter")       << QDate(2026, 5, 31)  << int(Qt::Key_PageUp)   << false << QDate(2026, 4, 30);
        QTest::newRow("page up into last year") << QDate(2026, 1, 15)  << int(Qt::Key_PageUp)   << false << QDate(2025, 12, 15);
        QTest::newRow("ctrl page up")           << QDate(2026, 12, 8)  << int(Qt::Key_PageUp)   << true  << QDate(2025, 12, 8);
        QTest::newRow("ctrl page down, 29 Feb") << QDate(2024, 2, 29)  << int(Qt::Key_PageDown) << true  << QDate(2025, 2, 28);
        QTest::newRow("left at year 1 stays")   << QDate(1, 1, 1)      << int(Qt::Key_Left)     << false << QDate(1, 1, 1);
        QTest::newRow("right at 9999 stays")    << QDate(9999, 12, 31) << int(Qt::Key_Right)    << false << QDate(9999, 12, 31);
        // clang-format on
    }
    void keysCrossMonthAndYearEdges()
    {
        auto [from, key, ctrl, to] = Fetch<QDate, int, bool, QDate>({"from", "key", "ctrl", "to"});
        Grid g(from);
        QTest::keyClick(&g.grid, Qt::Key(key), ctrl ? Qt::ControlModifier : Qt::NoModifier);
        QCOMPARE(g.grid.SelectedDate(), to);
        QCOMPARE(g.grid.CurrentCell(), QPoint(g.cellOf(to.day())));
    }

    void paintingFollowsTheTable()
    {
        // Tuesday 8 December 2026.
        const testing::FixedClock clock(QDateTime(QDate(2026, 12, 8), QTime(10, 0)));
        Grid g(QDate(2026, 12, 20));
        for (int d : {5, 7, 8, 12, 20})
            g.marked.set(d);
        QPalette pal = g.grid.palette();
        const QColor window = pal.color(QPalette::Base);
        const QColor highlight = pal.color(QPalette::Highlight);
        const QColor silver(192, 192, 192), red(255, 0, 0), white(255, 255, 255), black(0, 0, 0);

        struct Want {
            int day;
            QColor background;
            QColor text;
        };
        const Want cases[] = {
            {7, silver, black}, // past working day with a note
            {5, silver, red},   // past Saturday with a note
            {8, red, black},    // today, working day
            {12, red, white},   // coming Saturday
            {20, red, white},   // current cell with a note keeps its red
            {9, window, black}, // plain working day
            {13, window, red},  // plain Sunday
        };
        const QImage img = g.grid.grab().toImage();
        for (const Want& w : cases) {
            const QPoint c = g.cellOf(w.day);
            const QRect r = g.grid.CellRect(c.x(), c.y());
            QCOMPARE(img.pixelColor(r.topLeft() + QPoint(4, 4)), w.background);
            QVERIFY2(cellHasColour(img, r, w.text), qPrintable(QString::number(w.day)));
        }
        // The selected day with a note stays visible: a highlight frame round its red.
        const QPoint sel = g.cellOf(20);
        QCOMPARE(img.pixelColor(g.grid.CellRect(sel.x(), sel.y()).topLeft() + QPoint(1, 1)), highlight);
        const QPoint past = g.cellOf(7); // no frame on a cell not selected
        QCOMPARE(img.pixelColor(g.grid.CellRect(past.x(), past.y()).topLeft() + QPoint(1, 1)), silver);
        // A plain current cell is highlighted, its number in the highlighted-text
        // colour (Sunday 13: a red number on the highlight could not be read).
        g.grid.setDay(13);
        const QImage img2 = g.grid.grab().toImage();
        const QPoint c = g.cellOf(13);
        const QRect r = g.grid.CellRect(c.x(), c.y());
        QCOMPARE(img2.pixelColor(r.topLeft() + QPoint(1, 1)), highlight);
        QVERIFY(cellHasColour(img2, r, pal.color(QPalette::HighlightedText)));
        QVERIFY(!cellHasColour(img2, r, red));
        // The header keeps the button face.
        QCOMPARE(img2.pixelColor(g.grid.CellRect(0, 0).topLeft() + QPoint(1, 1)), pal.color(QPalette::Button));
    }

    void colouringFollowsMidnight()
    {
        testing::FixedClock clock(QDateTime(QDate(2026, 12, 8), QTime(23, 59, 59)));
        Grid g(QDate(2026, 12, 1));
        g.marked.set(8);
        const QPoint c = g.cellOf(8);
        const QPoint at = g.grid.CellRect(c.x(), c.y()).topLeft() + QPoint(1, 1);
        QCOMPARE(g.grid.grab().toImage().pixelColor(at), QColor(255, 0, 0));
        clock.Set(QDateTime(QDate(2026, 12, 9), QTime(0, 0, 1)));
        QCOMPARE(g.grid.grab().toImage().pixelColor(at), QColor(192, 192, 192));
    }

    void headerStartsOnMonday()
    {
        // The program sets Russian at start, whatever the system's language.
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        Grid g(QDate(2026, 12, 8));
        QCOMPARE(g.grid.CellText(0, 0), QLocale(QLocale::Russian).dayName(1, QLocale::ShortFormat));
        QCOMPARE(g.grid.CellText(6, 0), QLocale(QLocale::Russian).dayName(7, QLocale::ShortFormat));
        QLocale::setDefault(QLocale::c());
    }
};

QTEST_MAIN(TestMonthGrid)
#include "test_monthgrid.moc"
