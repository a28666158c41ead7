// The calculation written down as a paragraph of the diary.
#include "calc/calcnote.h"
#include "core/cp1251.h"

#include <QtTest>

#include "table.h"

using namespace kelto;
using namespace kelto::testing;

class TestCalcNote : public QObject {
    Q_OBJECT
private slots:
    // clang-format off
    void paragraph_data()
    {
        QTest::addColumn<QStringList>("inputs");  // D, S, class, scheme, F, Ф
        QTest::addColumn<QStringList>("results"); // K, f, exposures, perimeter
        QTest::addColumn<QString>("want");        // empty: nothing written
        const QStringList defaults{"219", "6,0", "3", "г)", "100", "2,5"};
        QTest::newRow("defaults") << defaults << QStringList{"0,30", "40,50", "3", "688"} << "Расчёт по ГОСТ 7512-82: D 219 мм, S 6,0 мм, класс 3, схема г), F 100 мм, " "Ф 2,5 мм -> K 0,30 мм, f не менее 40,50 мм, экспозиций 3, периметр 688 мм";
        QTest::newRow("texts as they stand") << QStringList{"219,", "6", "1", "a)", "0100", "2,50"} << QStringList{"0,20", "0", "2", "688"} << "Расчёт по ГОСТ 7512-82: D 219, мм, S 6 мм, класс 1, схема a), F 0100 мм, " "Ф 2,50 мм -> K 0,20 мм, f не менее 0 мм, экспозиций 2, периметр 688 мм";
        QTest::newRow("distance ?") << defaults << QStringList{"0,30", "?", "3", "688"} << QString();
        QTest::newRow("all ?") << QStringList{"", "6,0", "3", "г)", "100", "2,5"} << QStringList{"?", "?", "?", "?"} << QString();
        QTest::newRow("a pasted %1 stays") << QStringList{"%1", "6,0", "3", "г)", "100", "2,5"} << QStringList{"0,30", "0", "3", "688"} << "Расчёт по ГОСТ 7512-82: D %1 мм, S 6,0 мм, класс 3, схема г), F 100 мм, " "Ф 2,5 мм -> K 0,30 мм, f не менее 0 мм, экспозиций 3, периметр 688 мм";
    }
    // clang-format on
    void paragraph()
    {
        auto [inputs, results, want] = Fetch<QStringList, QStringList, QString>({"inputs", "results", "want"});
        const auto got = CalcNoteParagraph({inputs[0], inputs[1], inputs[2], inputs[3], inputs[4], inputs[5]},
                                           {results[0], results[1], results[2], results[3]});
        QCOMPARE(got.has_value(), !want.isEmpty());
        if (got) {
            QCOMPARE(*got, want);
            QVERIFY(FitsCp1251(*got));
        }
    }
};

QTEST_GUILESS_MAIN(TestCalcNote)
#include "test_calcnote.moc"
