// The date field's rule: what typing shows, which texts name a date (and
// the hint for those that do not), and the step of ↑/↓.
#include "core/datetext.h"

#include <QTest>

#include "table.h"

using namespace kelto;
using namespace kelto::testing;

Q_DECLARE_METATYPE(kelto::TYearText)

class TestDateText : public QObject {
    Q_OBJECT
private slots:
    // clang-format off
    void typed_data()
    {
        Columns<QString, QString, QDate, QString>({"typed", "shown", "date", "problem"});
        QTest::newRow("digits only")       << "09082026"   << "09.08.2026" << QDate(2026, 8, 9)  << "";
        QTest::newRow("with points")       << "09.08.2026" << "09.08.2026" << QDate(2026, 8, 9)  << "";
        QTest::newRow("short parts")       << "9.8.2026"   << "09.08.2026" << QDate(2026, 8, 9)  << "";
        QTest::newRow("commas, slashes")   << "1,10/2026"  << "01.10.2026" << QDate(2026, 10, 1) << "";
        QTest::newRow("digits beyond")     << "0908202677" << "09.08.2026" << QDate(2026, 8, 9)  << "";
        QTest::newRow("letters dropped")   << "0x9a08b2026"<< "09.08.2026" << QDate(2026, 8, 9)  << "";
        QTest::newRow("double point")      << "09..08"     << "09.08"      << QDate()            << "Допишите дату: 09.08";
        QTest::newRow("day begun")         << "0"          << "0"          << QDate()            << "Допишите дату: 0";
        QTest::newRow("year begun")        << "0908202"    << "09.08.202"  << QDate()            << "Допишите дату: 09.08.202";
        QTest::newRow("empty")             << ""           << ""           << QDate()            << "Укажите дату";
        QTest::newRow("31 February")       << "31022026"   << "31.02.2026" << QDate()            << "Нет такой даты: 31.02.2026";
        QTest::newRow("29 Feb, no leap")   << "29022026"   << "29.02.2026" << QDate()            << "Нет такой даты: 29.02.2026";
        QTest::newRow("29 Feb, leap")      << "29022028"   << "29.02.2028" << QDate(2028, 2, 29) << "";
        QTest::newRow("month 13")          << "01132026"   << "01.13.2026" << QDate()            << "Нет такой даты: 01.13.2026";
        QTest::newRow("day zero")          << "00082026"   << "00.08.2026" << QDate()            << "Нет такой даты: 00.08.2026";
        QTest::newRow("year zero")         << "09120000"   << "09.12.0000" << QDate()            << "Нет такой даты: 09.12.0000";
        QTest::newRow("first day")         << "01011900"   << "01.01.1900" << QDate(1900, 1, 1)  << "";
        QTest::newRow("before first")      << "31121899"   << "31.12.1899" << QDate()            << "Нет такой даты: 31.12.1899";
        QTest::newRow("last day")          << "31122100"   << "31.12.2100" << QDate(2100, 12, 31)<< "";
        QTest::newRow("after last")        << "01012101"   << "01.01.2101" << QDate()            << "Нет такой даты: 01.01.2101";
    }
    // clang-format on
    void typed()
    {
        const auto [typed, shown, date, problem] = Fetch<QString, QString, QDate, QString>({"typed", "shown", "date", "problem"});
        QCOMPARE(DateFieldText(typed), shown);
        QCOMPARE(DateFieldText(shown), shown);
        QCOMPARE(DateOfText(typed).value_or(QDate()), date);
        QCOMPARE(DateTextProblem(typed), problem);
    }

    // clang-format off
    void step_data()
    {
        Columns<int, int, QDate, QDate>({"caret", "steps", "from", "to"});
        QTest::newRow("day, before it")    << 0  << 1  << QDate(2026, 8, 9)   << QDate(2026, 8, 10);
        QTest::newRow("day, after it")     << 2  << -1 << QDate(2026, 8, 1)   << QDate(2026, 7, 31);
        QTest::newRow("month")             << 3  << 1  << QDate(2026, 1, 31)  << QDate(2026, 2, 28);
        QTest::newRow("month, after it")   << 5  << -1 << QDate(2026, 1, 15)  << QDate(2025, 12, 15);
        QTest::newRow("year")              << 6  << 1  << QDate(2028, 2, 29)  << QDate(2029, 2, 28);
        QTest::newRow("year, at the end")  << 10 << -1 << QDate(2026, 8, 9)   << QDate(2025, 8, 9);
        QTest::newRow("not past the last") << 10 << 1  << QDate(2100, 3, 1)   << QDate(2100, 3, 1);
        QTest::newRow("not past the first")<< 0  << -1 << QDate(1900, 1, 1)   << QDate(1900, 1, 1);
    }
    // clang-format on
    void step()
    {
        const auto [caret, steps, from, to] = Fetch<int, int, QDate, QDate>({"caret", "steps", "from", "to"});
        QCOMPARE(StepDate(from, DatePartAt(caret), steps), to);
    }

    // clang-format off
    void year_data()
    {
        Columns<QString, TYearText>({"text", "kind"});
        QTest::newRow("empty")        << ""      << TYearText::Unfinished;
        QTest::newRow("one digit")    << "2"     << TYearText::Unfinished;
        QTest::newRow("a zero")       << "0"     << TYearText::Unfinished;
        QTest::newRow("a year")       << "2026"  << TYearText::Year;
        QTest::newRow("the first")    << "0001"  << TYearText::Year;
        QTest::newRow("the last")     << "9999"  << TYearText::Year;
        QTest::newRow("year zero")    << "0000"  << TYearText::Impossible;
        QTest::newRow("five digits")  << "20220" << TYearText::Impossible;
        QTest::newRow("a letter")     << "20a"   << TYearText::Impossible;
        QTest::newRow("a minus")      << "-202"  << TYearText::Impossible;
    }
    // clang-format on
    void year()
    {
        const auto [text, kind] = Fetch<QString, TYearText>({"text", "kind"});
        QCOMPARE(ClassifyYearText(text), kind);
    }
};

QTEST_MAIN(TestDateText)
#include "test_datetext.moc"
