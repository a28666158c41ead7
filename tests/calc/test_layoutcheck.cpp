// The compliance lines under the results: focal distance against its
// minimum, the angle between exposures and the wire penetrameter.
#include "calc/layoutcheck.h"

#include <QTest>

#include "layoutdefaults.h"
#include "table.h"

using namespace kelto::testing;

namespace {
const QString Dash = QStringLiteral("—");

// Results as a calculation leaves them: each text with the number behind it
// ("?" for none); a minimum focal distance may be given unrounded.
TLayoutResults Results(const QString& focRast, const QString& expo, const QString& sens, const QString& perimeter = "?")
{
    TLayoutResults r;
    r.lFocRast = focRast, r.lExpo = expo, r.lSens = sens, r.lPerimetr = perimeter;
    r.minFocal = ParseNumber(focRast), r.sensitivity = ParseNumber(sens);
    for (auto [text, number] : {std::pair{expo, &r.exposures}, std::pair{perimeter, &r.perimeter}})
        if (const std::optional<double> n = ParseNumber(text))
            *number = qint64(*n);
    return r;
}
}

class TestLayoutCheck : public QObject {
    Q_OBJECT
private slots:
    // clang-format off
    void rules_data()
    {
        QTest::addColumn<int>("scheme");
        QTest::addColumn<QString>("focal");   // eRast
        QTest::addColumn<QString>("focRast"); // lFocRast
        QTest::addColumn<QString>("expo");    // lExpo
        QTest::addColumn<QString>("sens");    // lSens
        Columns<QString, QString, QString>({"focalCheck", "angleCheck", "wireCheck"});
        // Focal distance.
        QTest::newRow("enough") << 3 << "100" << "40,50" << "3" << "0,30" << "достаточно" << "120,0° ± 3°" << "0,32 мм, набор № 2, 3";
        QTest::newRow("exactly the minimum") << 3 << "40,5" << "40,50" << "3" << "0,30" << "достаточно" << "120,0° ± 3°" << "0,32 мм, набор № 2, 3";
        QTest::newRow("short by 620,50") << 4 << "100" << "720,50" << "3" << "0,30" << "меньше минимального на 620,50 мм" << "120,0° ± 3°" << "0,32 мм, набор № 2, 3";
        QTest::newRow("short by a hundredth") << 4 << "40,49" << "40,50" << "3" << "0,30" << "меньше минимального на 0,01 мм" << "120,0° ± 3°" << "0,32 мм, набор № 2, 3";
        QTest::newRow("focal zero: the hint speaks") << 4 << "0" << "0" << "3" << "0,30" << Dash << Dash << Dash;
        QTest::newRow("minimum in exponent form") << 2 << "100" << "1,2346E05" << "2" << "0,30" << "меньше минимального на 1,2336E05 мм" << "90,0° ± 3°" << "0,32 мм, набор № 2, 3";
        QTest::newRow("minimum unknown") << 6 << "300" << "?" << "0" << "0,30" << Dash << Dash << Dash;
        // Against the minimum as shown, 40,49 of 40,494 and 40,50 of 40,495.
        QTest::newRow("at the shown minimum") << 3 << "40,49" << "40,494" << "3" << "0,30" << "достаточно" << "120,0° ± 3°" << "0,32 мм, набор № 2, 3";
        QTest::newRow("above the shown, below the unrounded") << 3 << "40,492" << "40,494" << "3" << "0,30" << "достаточно" << "120,0° ± 3°" << "0,32 мм, набор № 2, 3";
        QTest::newRow("just below the shown minimum") << 3 << "40,48" << "40,494" << "3" << "0,30" << "меньше минимального на 0,01 мм" << "120,0° ± 3°" << "0,32 мм, набор № 2, 3";
        QTest::newRow("above the unrounded, below the shown") << 3 << "40,497" << "40,495" << "3" << "0,30" << "меньше минимального на 0,00 мм" << "120,0° ± 3°" << "0,32 мм, набор № 2, 3";
        QTest::newRow("just above the shown minimum") << 3 << "40,501" << "40,495" << "3" << "0,30" << "достаточно" << "120,0° ± 3°" << "0,32 мм, набор № 2, 3";
        QTest::newRow("focal does not parse") << 3 << "abc" << "40,50" << "3" << "0,30" << Dash << "120,0° ± 3°" << "0,32 мм, набор № 2, 3";
        // Angle between exposures.
        QTest::newRow("N = 9") << 0 << "140" << "140,00" << "9" << "0,30" << "достаточно" << "40,0° ± 3°" << "0,32 мм, набор № 2, 3";
        QTest::newRow("в), N = 2") << 2 << "5000" << "3650,00" << "2" << "0,30" << "достаточно" << "90,0° ± 3°" << "0,32 мм, набор № 2, 3";
        QTest::newRow("N = 7") << 3 << "100" << "0" << "7" << "0,30" << "достаточно" << "51,4° ± 3°" << "0,32 мм, набор № 2, 3";
        QTest::newRow("half rounds away from zero") << 3 << "100" << "0" << "16" << "0,30" << "достаточно" << "22,5° ± 3°" << "0,32 мм, набор № 2, 3";
        QTest::newRow("0,45° rounds up") << 3 << "100" << "0" << "800" << "0,30" << "достаточно" << "0,5° ± 3°" << "0,32 мм, набор № 2, 3";
        QTest::newRow("N = 1") << 0 << "140" << "140,00" << "1" << "0,30" << "достаточно" << Dash << "0,32 мм, набор № 2, 3";
        QTest::newRow("N = 0") << 6 << "100" << "40,50" << "0" << "0,30" << "достаточно" << Dash << "0,32 мм, набор № 2, 3";
        QTest::newRow("N unknown") << 0 << "100" << "140,00" << "?" << "0,30" << "меньше минимального на 40,00 мм" << Dash << "0,32 мм, набор № 2, 3";
        QTest::newRow("е) never") << 5 << "100" << "0" << "4" << "0,30" << "достаточно" << Dash << "0,32 мм, набор № 2, 3";
        QTest::newRow("з) never") << 7 << "100" << "0" << "3" << "0,30" << "достаточно" << Dash << "0,32 мм, набор № 2, 3";
        // Wire penetrameter.
        QTest::newRow("0,50: set 3") << 3 << "100" << "0" << "3" << "0,50" << "достаточно" << "120,0° ± 3°" << "0,50 мм, набор № 3";
        QTest::newRow("2,00: set 4") << 3 << "100" << "0" << "3" << "2,00" << "достаточно" << "120,0° ± 3°" << "2,00 мм, набор № 4";
        QTest::newRow("0,10: sets 1, 2") << 3 << "100" << "0" << "3" << "0,10" << "достаточно" << "120,0° ± 3°" << "0,10 мм, набор № 1, 2";
        QTest::newRow("0,60 takes 0,63") << 3 << "100" << "0" << "3" << "0,60" << "достаточно" << "120,0° ± 3°" << "0,63 мм, набор № 3";
        QTest::newRow("0,75 takes 0,80") << 3 << "100" << "0" << "3" << "0,75" << "достаточно" << "120,0° ± 3°" << "0,80 мм, набор № 3";
        QTest::newRow("1,00: sets 3, 4") << 3 << "100" << "0" << "3" << "1,00" << "достаточно" << "120,0° ± 3°" << "1,00 мм, набор № 3, 4";
        QTest::newRow("1,50 takes 1,60") << 3 << "100" << "0" << "3" << "1,50" << "достаточно" << "120,0° ± 3°" << "1,60 мм, набор № 4";
        QTest::newRow("no value in the table") << 3 << "100" << "0" << "3" << "-1,00" << "достаточно" << "120,0° ± 3°" << Dash;
        QTest::newRow("sensitivity unknown") << 3 << "100" << "?" << "?" << "?" << Dash << Dash << Dash;
    }
    // clang-format on
    void rules()
    {
        auto [scheme, focal, focRast, expo, sens]
            = Fetch<int, QString, QString, QString, QString>({"scheme", "focal", "focRast", "expo", "sens"});
        TLayoutInputs in = LayoutDefaults();
        in.eRast = focal;
        in.cbSheme = scheme;
        const TLayoutCheck check = CheckLayout(in, Results(focRast, expo, sens));
        QTEST(check.focalCheck, "focalCheck");
        QTEST(check.angleCheck, "angleCheck");
        QTEST(check.wireCheck, "wireCheck");
        // The verdict travels as a value beside its text.
        QCOMPARE(check.focalFails, check.focalCheck.startsWith(QStringLiteral("меньше минимального")));
        QCOMPARE(check.wireMicrometres != 0, check.wireCheck != Dash);
        QCOMPARE(check.anyVerdict, QStringList({check.focalCheck, check.angleCheck, check.wireCheck, check.filmCheck}).count(Dash) < 4);
    }

    void film_data()
    {
        Columns<int, QString, QString, QString, QString>({"scheme", "diameter", "film", "expo", "filmCheck"});
        // clang-format off
        QTest::newRow("г) defaults") << 3 << "219" << "300" << "3" << "достаточно (участок 230 мм)";
        QTest::newRow("г) L 100") << 3 << "219" << "100" << "3" << "короче участка 230 мм: нужно экспозиций не менее 9";
        QTest::newRow("е) cassettes") << 5 << "219" << "300" << "1" << "кассет на окружность: 3";
        QTest::newRow("whole 0,8L is enough") << 0 << "100" << "392,6990816987" << "1" << "достаточно (участок 315 мм)";
        QTest::newRow("0,8L just short")      << 0 << "100" << "392,69"         << "1" << "короче участка 315 мм: нужно экспозиций не менее 2";
        QTest::newRow("в) no section") << 2 << "219" << "300" << "2" << Dash;
        QTest::newRow("з) no section") << 7 << "219" << "300" << "3" << Dash;
        QTest::newRow("N unknown") << 3 << "219" << "300" << "?" << Dash;
        QTest::newRow("N below 1") << 6 << "219" << "300" << "0" << Dash;
        QTest::newRow("L zero") << 3 << "219" << "0" << "3" << Dash;
        QTest::newRow("L does not parse") << 3 << "219" << "3,0,0" << "3" << Dash;
        QTest::newRow("D negative") << 3 << "-219" << "300" << "3" << Dash;
        // clang-format on
    }
    void film()
    {
        QFETCH(int, scheme);
        TLayoutInputs in = LayoutDefaults();
        auto [diameter, film] = Fetch<QString, QString>({"diameter", "film"});
        in.eDiam = diameter;
        in.eDlin = film;
        in.cbSheme = scheme;
        QFETCH(QString, expo);
        const TLayoutCheck check = CheckLayout(in, Results("?", expo, "?", "688"));
        QTEST(check.filmCheck, "filmCheck");
        QCOMPARE(check.filmFails, check.filmCheck.startsWith(QStringLiteral("короче участка")));
    }

    void hint_data()
    {
        QTest::addColumn<QStringList>("inputs"); // D, S, L, F, Φ
        Columns<int, QString>({"scheme", "hint"});
        // clang-format off
        QTest::newRow("defaults") << QStringList{"219", "6,0", "300", "100", "2,5"} << 3 << "";
        QTest::newRow("D empty") << QStringList{"", "", "", "", ""} << 3 << "Укажите диаметр";
        QTest::newRow("S empty") << QStringList{"219", "", "300", "100", ""} << 3 << "Укажите толщину";
        QTest::newRow("L empty") << QStringList{"219", "6,0", "", "100", "2,5"} << 3 << "Укажите длину снимка";
        QTest::newRow("F empty") << QStringList{"219", "6,0", "300", "", "2,5"} << 3 << "Укажите фокусное расстояние";
        QTest::newRow("Φ empty") << QStringList{"219", "6,0", "300", "100", ""} << 3 << "Укажите фокусное пятно";
        QTest::newRow("empty before bad") << QStringList{"abc", "6,0", "300", "", "2,5"} << 3 << "Укажите фокусное расстояние";
        QTest::newRow("not a number") << QStringList{"219", "0", "300", "1,2,3", "2,5"} << 3 << "";
        QTest::newRow("D zero") << QStringList{"0", "6,0", "300", "100", "2,5"} << 3 << "Диаметр должен быть больше нуля";
        QTest::newRow("S zero") << QStringList{"219", "0", "300", "100", "2,5"} << 3 << "Толщина должна быть больше нуля";
        QTest::newRow("L zero") << QStringList{"219", "6,0", "0", "100", "2,5"} << 3 << "Длина снимка должна быть больше нуля";
        QTest::newRow("F negative") << QStringList{"219", "6,0", "300", "-1", "2,5"} << 3 << "Фокусное расстояние должно быть больше нуля";
        QTest::newRow("Φ zero") << QStringList{"219", "6,0", "300", "100", "0,0"} << 3 << "Фокусное пятно должно быть больше нуля";
        QTest::newRow("S half of D") << QStringList{"20", "10", "300", "100", "2,5"} << 3 << "Толщина стенки должна быть меньше половины диаметра";
        QTest::newRow("m too small") << QStringList{"20", "8", "300", "100", "2,5"} << 3 << "Толщина стенки слишком велика для этого диаметра";
        QTest::newRow("ж) F too far") << QStringList{"219", "6,0", "300", "300", "2,5"} << 6 << "Для схемы ж) фокусное расстояние должно быть не больше 231,00 мм";
        QTest::newRow("е) F too far") << QStringList{"219", "6,0", "300", "231,5", "2,5"} << 5 << "Для схемы е) фокусное расстояние должно быть не больше 231,00 мм";
        QTest::newRow("з) F at the limit") << QStringList{"219", "6,0", "300", "231", "2,5"} << 7 << "";
        QTest::newRow("г) F far is fine") << QStringList{"219", "6,0", "300", "300", "2,5"} << 3 << "";
        // clang-format on
    }
    void hint()
    {
        auto [inputs, scheme] = Fetch<QStringList, int>({"inputs", "scheme"});
        const TLayoutInputs in{inputs[0], inputs[1], inputs[2], inputs[3], inputs[4], 3, scheme};
        TLayoutResults results;
        CalculateLayout(in, results);
        const TLayoutCheck check = CheckLayout(in, results);
        QTEST(check.hint, "hint");
        // Under a hint no verdict speaks.
        if (!check.hint.isEmpty())
            QCOMPARE(QStringList({check.focalCheck, check.angleCheck, check.wireCheck, check.filmCheck}), QStringList(4, Dash));
    }

    // Straight from the calculation, as the view runs it.
    // clang-format off
    void afterCalculation_data()
    {
        Columns<int, QString, QString>({"scheme", "focalCheck", "angleCheck"});
        QTest::newRow("г)") << 3 << "достаточно" << "120,0° ± 3°";
        QTest::newRow("д)") << 4 << "меньше минимального на 620,50 мм" << "120,0° ± 3°";
        QTest::newRow("a)") << 0 << "меньше минимального на 40,00 мм" << "40,0° ± 3°";
        QTest::newRow("в)") << 2 << "меньше минимального на 3550,00 мм" << "90,0° ± 3°";
        QTest::newRow("е)") << 5 << "достаточно" << Dash;
    }
    // clang-format on
    void afterCalculation()
    {
        QFETCH(int, scheme);
        TLayoutInputs in = LayoutDefaults();
        in.cbSheme = scheme;
        TLayoutResults results;
        QVERIFY(!CalculateLayout(in, results));
        const TLayoutCheck check = CheckLayout(in, results);
        QTEST(check.focalCheck, "focalCheck");
        QTEST(check.angleCheck, "angleCheck");
        QCOMPARE(check.wireCheck, QStringLiteral("0,32 мм, набор № 2, 3"));
    }

    void emptyInputGivesDashes()
    {
        TLayoutInputs in;
        TLayoutResults results;
        QVERIFY(!CalculateLayout(in, results));
        const TLayoutCheck check = CheckLayout(in, results);
        QCOMPARE(QStringList({check.focalCheck, check.angleCheck, check.wireCheck, check.filmCheck}),
                 QStringList(4, Dash));
        QCOMPARE(check.hint, QStringLiteral("Укажите диаметр"));
    }
};

QTEST_GUILESS_MAIN(TestLayoutCheck)
#include "test_layoutcheck.moc"
