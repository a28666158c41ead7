// The month page arithmetic and the day-cell colour rule, without a widget.
#include "diary/daystore.h"
#include "diary/monthpage.h"
#include "diary/noteappend.h"

#include <QtTest>

#include "table.h"

using namespace kelto;
using namespace kelto::testing;

class TestDiaryRules : public QObject {
    Q_OBJECT
private slots:
    // A note the text layout cannot keep up with is shown read-only.
    void noteFitsNotepad_data()
    {
        Columns<int, int, bool>({"lines", "length", "fits"});
        // clang-format off
        QTest::newRow("empty")                       << 0         << 0       << true;
        QTest::newRow("50 000 short lines")          << 50000     << 3       << true;
        QTest::newRow("one line more")               << 50001     << 3       << false;
        QTest::newRow("1 000 000 lines")             << 1000000   << 2       << false;
        QTest::newRow("a paragraph of 200 000")      << 1         << 200000  << true;
        QTest::newRow("a paragraph of 10 MB")        << 1         << 10000000 << false;
        QTest::newRow("many long lines")             << 40        << 150000  << false;
        // clang-format on
    }
    void noteFitsNotepad()
    {
        auto [lines, length, fits] = Fetch<int, int, bool>({"lines", "length", "fits"});
        const QStringList note(lines, QString(length, QLatin1Char('x')));
        QCOMPARE(NoteFitsNotepad(note), fits);
        QCOMPARE(NoteTextFitsNotepad(note.join(QLatin1Char('\n'))), fits);
        QCOMPARE(NoteTooLargeText(1000000),
                 QStringLiteral("Заметка слишком велика для блокнота: 1000000 строк. Она сохранена без изменений."));
    }

    void russianCount_data()
    {
        Columns<int, QString>({"n", "text"});
        // clang-format off
        QTest::newRow("1")   << 1   << "1 строка";
        QTest::newRow("2")   << 2   << "2 строки";
        QTest::newRow("4")   << 4   << "4 строки";
        QTest::newRow("5")   << 5   << "5 строк";
        QTest::newRow("11")  << 11  << "11 строк";
        QTest::newRow("12")  << 12  << "12 строк";
        QTest::newRow("21")  << 21  << "21 строка";
        QTest::newRow("22")  << 22  << "22 строки";
        QTest::newRow("111") << 111 << "111 строк";
        QTest::newRow("0")   << 0   << "0 строк";
        // clang-format on
    }
    void russianCount()
    {
        auto [n, text] = Fetch<int, QString>({"n", "text"});
        QCOMPARE(RussianCount(n, QStringLiteral("строка"), QStringLiteral("строки"), QStringLiteral("строк")), text);
        QVERIFY(NoteTooLargeText(n).contains(QStringLiteral(": ") + text + QLatin1Char('.')));
    }

    // clang-format off
    void page_data()
    {
        Columns<int, int, int, int, int>({"year", "month", "startOfWeek", "offset", "lastDayRow"});
        // The first lies in the column of its weekday; the last row follows.
        QTest::newRow("Tue first, week from Mon") << 2026 << 12 << 1 << 0 << 5;
        QTest::newRow("Tue first, week from Sun") << 2026 << 12 << 0 << -1 << 5;
        QTest::newRow("Sun first, week from Sun") << 2025 << 6 << 0 << 1 << 5;
        QTest::newRow("Sun first, week from Mon: row 6") << 2025 << 6 << 1 << -5 << 6;
        QTest::newRow("Fri first, 31 days") << 2024 << 3 << 1 << -3 << 5;
        QTest::newRow("February in four rows") << 2026 << 2 << 0 << 1 << 4;
    }
    // clang-format on
    void page()
    {
        auto [year, month, startOfWeek, offset, lastDayRow]
            = Fetch<int, int, int, int, int>({"year", "month", "startOfWeek", "offset", "lastDayRow"});
        QCOMPARE(MonthOffset(year, month, startOfWeek), offset);
        const int last = DaysPerMonth(year, month);
        // Every day sits in exactly the cell CellOfDay names, and no cell
        // beyond the month or in the header holds one.
        int seen = 0;
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 7; ++col)
                if (const int d = DayAtCell(year, month, offset, col, row)) {
                    ++seen;
                    QCOMPARE(CellOfDay(offset, d), QPoint(col, row));
                }
        QCOMPARE(seen, last);
        QCOMPARE(CellOfDay(offset, last).y(), lastDayRow);
        QCOMPARE(DayAtCell(year, month, offset, -1, 1), 0);
        QCOMPARE(DayAtCell(year, month, offset, 7, 1), 0);
    }

    // clang-format off
    void dayWithinMonth_data()
    {
        Columns<int, int, int, int>({"year", "month", "day", "kept"});
        QTest::newRow("31 Jan -> Feb leap") << 2024 << 2 << 31 << 29;
        QTest::newRow("31 Jan -> Feb common") << 2025 << 2 << 31 << 28;
        QTest::newRow("29 Feb -> 1900") << 1900 << 2 << 29 << 28;
        QTest::newRow("29 Feb -> 2000") << 2000 << 2 << 29 << 29;
        QTest::newRow("31 -> April") << 2026 << 4 << 31 << 30;
        QTest::newRow("short day kept") << 2026 << 4 << 12 << 12;
    }
    // clang-format on
    void dayWithinMonth()
    {
        auto [year, month, day, kept] = Fetch<int, int, int, int>({"year", "month", "day", "kept"});
        QCOMPARE(DayWithinMonth(year, month, day), kept);
    }

    // clang-format off
    void cellLook_data()
    {
        Columns<QDate, bool, bool, int, int, bool, bool>({"date", "marked", "current", "fill", "text", "bold", "frame"});
        const auto F = [](TCellFill f) { return int(f); };
        const auto T = [](TCellText t) { return int(t); };
        // Today is Tuesday 8 December 2026.
        QTest::newRow("plain weekday") << QDate(2026, 12, 9) << false << false << F(TCellFill::None) << T(TCellText::Black) << false << false;
        QTest::newRow("plain weekend") << QDate(2026, 12, 12) << false << false << F(TCellFill::None) << T(TCellText::Red) << false << false;
        QTest::newRow("note today") << QDate(2026, 12, 8) << true << false << F(TCellFill::Note) << T(TCellText::Black) << true << false;
        QTest::newRow("note past") << QDate(2026, 12, 7) << true << false << F(TCellFill::PastNote) << T(TCellText::Black) << true << false;
        QTest::newRow("note future weekend") << QDate(2026, 12, 13) << true << false << F(TCellFill::Note) << T(TCellText::White) << true << false;
        QTest::newRow("note past weekend") << QDate(2026, 12, 6) << true << false << F(TCellFill::PastNote) << T(TCellText::Red) << true << false;
        // The selected cell stays visible: framed when filled, readable when on the highlight.
        QTest::newRow("selected note past weekend") << QDate(2026, 12, 6) << true << true << F(TCellFill::PastNote) << T(TCellText::Red) << true << true;
        QTest::newRow("selected note today") << QDate(2026, 12, 8) << true << true << F(TCellFill::Note) << T(TCellText::Black) << true << true;
        QTest::newRow("selected plain weekend") << QDate(2026, 12, 12) << false << true << F(TCellFill::None) << T(TCellText::HighlightedText) << false << false;
        QTest::newRow("selected plain weekday") << QDate(2026, 12, 9) << false << true << F(TCellFill::None) << T(TCellText::HighlightedText) << false << false;
    }
    // clang-format on
    void cellLook()
    {
        auto [date, marked, current, fill, text, bold, frame] = Fetch<QDate, bool, bool, int, int, bool, bool>(
            {"date", "marked", "current", "fill", "text", "bold", "frame"});
        const TCellLook look = DayCellLook(date, QDate(2026, 12, 8), marked, current);
        QCOMPARE(int(look.fill), fill);
        QCOMPARE(int(look.text), text);
        QCOMPARE(look.bold, bold);
        QCOMPARE(look.frame, frame);
    }

    void emptyNotePlaceholder_data()
    {
        Columns<QDate, QString>({"date", "text"});
        // clang-format off
        QTest::newRow("Tuesday")   << QDate(2026, 12, 8) << QStringLiteral("Заметка на 8 декабря 2026 года, вторник");
        QTest::newRow("Sunday")    << QDate(2026, 3, 1)  << QStringLiteral("Заметка на 1 марта 2026 года, воскресенье");
        QTest::newRow("leap day")  << QDate(2024, 2, 29) << QStringLiteral("Заметка на 29 февраля 2024 года, четверг");
        // clang-format on
    }
    void emptyNotePlaceholder()
    {
        auto [date, text] = Fetch<QDate, QString>({"date", "text"});
        QCOMPARE(EmptyNotePlaceholder(date), text);
    }

    // A paragraph pressed twice into the diary is written once.
    // clang-format off
    void appendParagraph_data()
    {
        Columns<QString, QString, QString>({"note", "paragraph", "added"});
        const QString p = QStringLiteral("Расчёт: D=219, s=8");
        QTest::newRow("empty note")            << ""                      << p << p;
        QTest::newRow("after a line break")    << "утро\n"               << p << p;
        QTest::newRow("after text")            << "утро"                  << p << "\n" + p;
        QTest::newRow("last already")          << "утро\n" + p           << p << "-";
        QTest::newRow("last, trailing break")  << "утро\n" + p + "\n\n" << p << "-";
        QTest::newRow("whole note already")    << p                       << p << "-";
        QTest::newRow("earlier, not last")     << p + "\nвечер"          << p << "\n" + p;
        QTest::newRow("only its tail")         << "Ещё " + p              << p << "\n" + p;
        QTest::newRow("several lines, last")   << "a\nb\nc"             << "b\nc" << "-";
    }
    // clang-format on
    void appendParagraph()
    {
        const auto [note, paragraph, added] = Fetch<QString, QString, QString>({"note", "paragraph", "added"});
        QCOMPARE(TextToAppend(note, paragraph).value_or(QStringLiteral("-")), added);
    }
};

QTEST_GUILESS_MAIN(TestDiaryRules)
#include "test_diary_rules.moc"
