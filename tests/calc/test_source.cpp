// Source decay, exposure scaling, the source window's rules and source.cnf.
#include "core/cp1251.h"
#include "calc/source.h"
#include "calc/sourceform.h"

#include <QTest>
#include <cmath>

#include "table.h"

#include <map>

using namespace kelto;
using namespace kelto::testing;

Q_DECLARE_METATYPE(TIsotope)

namespace {

const QString Dash = QStringLiteral("—");
const QDate Passport(2026, 1, 1);

QString Significant4(double v)
{
    return QString::number(v, 'g', 4);
}

// The full example: 100 Ки of Ir-192 on 01.01.2026, worked with a week
// later; a reference shot of 3 min at 500 mm through 10 mm on the passport
// date.
TSourceForm Example()
{
    TSourceForm f = DefaultSourceForm(Passport.addDays(7));
    f.activity = QStringLiteral("100");
    f.passportDate = Passport;
    f.refMinutes = QStringLiteral("3");
    f.refDistance = QStringLiteral("500");
    f.refThickness = QStringLiteral("10");
    f.refDate = Passport;
    f.distance = QStringLiteral("500");
    f.thickness = QStringLiteral("10");
    return f;
}

} // namespace

class TestSource : public QObject {
    Q_OBJECT
private slots:
    // clang-format off
    void decay_data()
    {
        Columns<TIsotope, int, double, QString>({"isotope", "days", "activity", "expected"});
        QTest::newRow("Ir-192, a week on") << TIsotope::Ir192 << 7 << 100.0 << "93.64";
        QTest::newRow("Ir-192, a week before") << TIsotope::Ir192 << -7 << 100.0 << "106.8";
        QTest::newRow("Ir-192, one half-life later is not a whole day") << TIsotope::Ir192 << 74 << 1.0 << "0.4992";
        QTest::newRow("Se-75, 30 days") << TIsotope::Se75 << 30 << 1.0 << "0.8406";
        QTest::newRow("Se-75, 120 days") << TIsotope::Se75 << 120 << 1.0 << "0.4994";
        QTest::newRow("Co-60, 10 years") << TIsotope::Co60 << 3652 << 1.0 << "0.2685";
        QTest::newRow("Yb-169, 32 days") << TIsotope::Yb169 << 32 << 1.0 << "0.5002";
        QTest::newRow("same day") << TIsotope::Co60 << 0 << 42.0 << "42";
    }
    // clang-format on
    void decay()
    {
        auto [isotope, days, activity, expected]
            = Fetch<TIsotope, int, double, QString>({"isotope", "days", "activity", "expected"});
        QCOMPARE(Significant4(ActivityOn(isotope, activity, Passport, Passport.addDays(days))), expected);
    }

    void weekBeforeToTwoDecimals()
    {
        QCOMPARE(QString::number(ActivityOn(TIsotope::Ir192, 100, Passport, Passport.addDays(-7)), 'f', 2),
                 QStringLiteral("106.79"));
    }

    // clang-format off
    void scaling_data()
    {
        // refMinutes refActivity refDistance refThickness activity distance thickness hvl -> minutes
        Columns<QList<double>, double>({"args", "minutes"});
        QTest::newRow("same shot") << QList<double>{3, 50, 500, 10, 50, 500, 10, 13} << 3.0;
        QTest::newRow("activity halves: time doubles") << QList<double>{3, 50, 500, 10, 25, 500, 10, 13} << 6.0;
        QTest::newRow("distance doubles: time x4") << QList<double>{3, 50, 500, 10, 50, 1000, 10, 13} << 12.0;
        QTest::newRow("one half-value layer more: x2") << QList<double>{3, 50, 500, 10, 50, 500, 23, 13} << 6.0;
        QTest::newRow("one half-value layer less: /2") << QList<double>{3, 50, 500, 23, 50, 500, 10, 13} << 1.5;
        QTest::newRow("all three") << QList<double>{3, 50, 500, 10, 25, 1000, 23, 13} << 48.0;
        QTest::newRow("same steel needs no layer") << QList<double>{3, 50, 500, 10, 50, 500, 10, NAN} << 3.0;
    }
    // clang-format on
    void scaling()
    {
        auto [args, minutes] = Fetch<QList<double>, double>({"args", "minutes"});
        QCOMPARE(ScaledExposureMinutes(args[0], args[1], args[2], args[3], args[4], args[5], args[6], args[7]),
                 minutes);
    }

    // clang-format off
    void exposureText_data()
    {
        Columns<double, QString>({"minutes", "text"});
        QTest::newRow("3,7 min") << 3.7 << "3 мин 42 с";
        QTest::newRow("up to a whole second") << 3.2037 << "3 мин 13 с";
        QTest::newRow("a sliver over") << 1.0 + 1e-6 << "1 мин 1 с";
        QTest::newRow("under a minute") << 0.01 << "0 мин 1 с";
        QTest::newRow("long") << 125.5 << "2 ч 5 мин 30 с";
        QTest::newRow("16 hours") << 960.0 << "16 ч 0 мин 0 с";
        QTest::newRow("just under an hour") << 59.99 << "1 ч 0 мин 0 с";
        QTest::newRow("zero") << 0.0 << "";
        QTest::newRow("infinite") << double(INFINITY) << "";
        QTest::newRow("not a number") << double(NAN) << "";
    }
    // clang-format on
    void exposureText()
    {
        QFETCH(double, minutes);
        QTEST(ExposureText(minutes), "text");
    }

    // clang-format off
    void compute_data()
    {
        Columns<QString, QString, QString, QString, QString, QString>({"field", "text", "activity", "remaining", "exposure", "hint"});
        const QString a = QStringLiteral("93,64 Ки (3464,66 ГБк)");
        const QString left = QStringLiteral("93,6 %");
        QTest::newRow("example") << "" << "" << a << left << "3 мин 13 с" << "";
        QTest::newRow("farther and thicker") << "far" << "" << a << left << "25 мин 38 с" << "";
        QTest::newRow("ГБк") << "unit" << "" << "3464,66 ГБк (93,64 Ки)" << left << "3 мин 13 с" << "";
        QTest::newRow("no activity") << "activity" << "" << Dash << Dash << Dash << "Укажите активность по паспорту";
        QTest::newRow("activity not a number") << "activity" << "1.5" << Dash << Dash << Dash << "Активность по паспорту — не число";
        QTest::newRow("activity zero") << "activity" << "0" << Dash << Dash << Dash << "Активность по паспорту должна быть больше нуля";
        QTest::newRow("no reference time") << "refMinutes" << "" << a << left << Dash << "Укажите время эталонного снимка";
        QTest::newRow("negative reference time") << "refMinutes" << "-3" << a << left << Dash << "Время эталонного снимка должно быть больше нуля";
        QTest::newRow("reference distance zero") << "refDistance" << "0" << a << left << Dash << "Расстояние эталонного снимка должно быть больше нуля";
        QTest::newRow("negative reference thickness") << "refThickness" << "-1" << a << left << Dash << "Толщина эталонного снимка не может быть меньше нуля";
        QTest::newRow("no distance") << "distance" << "" << a << left << Dash << "Укажите расстояние";
        QTest::newRow("distance zero") << "distance" << "0" << a << left << Dash << "Расстояние должно быть больше нуля";
        QTest::newRow("thickness not a number") << "thickness" << "abc" << a << left << Dash << "Толщина — не число";
        QTest::newRow("thickness zero is steel-free") << "thickness" << "0" << a << left << "1 мин 53 с" << "";
        QTest::newRow("no layer, thickness differs") << "hvlThick" << "" << a << left << Dash << "Укажите слой половинного ослабления: толщина отличается от эталонной";
        QTest::newRow("layer zero") << "hvlThick" << "0" << a << left << Dash << "Слой половинного ослабления должен быть больше нуля";
        QTest::newRow("no layer, same thickness") << "hvl" << "" << a << left << "3 мин 13 с" << "";
        QTest::newRow("a year of exposure") << "refMinutes" << "1E9" << a << left << Dash << "Время экспозиции вне разумных пределов: проверьте данные";
        const QString bounds = QStringLiteral("Значение вне разумных пределов");
        // clang-format off
        QTest::newRow("activity 1e308") << "activity" << "1E308" << Dash << Dash << Dash << bounds;
        QTest::newRow("activity over 10^6 Ки") << "activity" << "1000001" << Dash << Dash << Dash << bounds;
        QTest::newRow("10^6 Ки in ГБк is sane") << "gbq" << "37000000" << "34646577,94 ГБк (936394,00 Ки)" << left << "3 мин 13 с" << "";
        QTest::newRow("over 10^6 Ки in ГБк") << "gbq" << "37000100" << Dash << Dash << Dash << bounds;
        QTest::newRow("time not finite") << "distance" << "1E300" << a << left << Dash << bounds;
        QTest::newRow("reference after the work date") << "refLater" << "" << a << left << "2 мин 38 с" << "Эталонный снимок сделан позже даты работы";
        // clang-format on
    }
    // clang-format on
    void compute()
    {
        auto [field, text] = Fetch<QString, QString>({"field", "text"});
        TSourceForm f = Example();
        // The fields that take the row's text as it is.
        const std::map<QString, QString TSourceForm::*> plain = {
            {"activity", &TSourceForm::activity},       {"refMinutes", &TSourceForm::refMinutes},
            {"refDistance", &TSourceForm::refDistance}, {"refThickness", &TSourceForm::refThickness},
            {"distance", &TSourceForm::distance},       {"thickness", &TSourceForm::thickness},
        };
        if (const auto it = plain.find(field); it != plain.end()) {
            f.*(it->second) = text;
        } else if (field == "far") {
            f.distance = QStringLiteral("1000");
            f.thickness = QStringLiteral("23");
        } else if (field == "unit") {
            f.unit = 1;
            f.activity = QStringLiteral("3700");
        } else if (field == "hvlThick") {
            f.thickness = QStringLiteral("23");
            f.hvl = text;
        } else if (field == "hvl") {
            f.hvl = text;
        } else if (field == "gbq") {
            f.unit = 1;
            f.activity = text;
        } else if (field == "refLater") {
            f.refDate = f.workDate.addDays(14);
        }
        const TSourceResults r = ComputeSource(f);
        QTEST(r.activity, "activity");
        QTEST(r.remaining, "remaining");
        QTEST(r.exposure, "exposure");
        QTEST(r.hint, "hint");
    }

    void referenceShotOnAnotherDay()
    {
        // The reference shot a half-life after the passport had half the
        // activity: the same shot today takes half its time.
        TSourceForm f = Example();
        f.isotope = 2; // Co-60
        f.passportDate = QDate(2020, 1, 1);
        f.refDate = f.passportDate.addDays(1925);
        f.workDate = f.passportDate;
        f.refMinutes = QStringLiteral("10");
        const TSourceResults r = ComputeSource(f);
        QCOMPARE(r.exposure, QStringLiteral("5 мин 1 с"));
        QCOMPARE(r.remaining, QStringLiteral("100,0 %"));
    }

    // clang-format off
    void activityConversion_data()
    {
        Columns<QString, int, QString>({"text", "from", "converted"});
        // clang-format off
        QTest::newRow("100 Ки") << "100" << 0 << "3700";
        QTest::newRow("3700 ГБк") << "3700" << 1 << "100";
        QTest::newRow("two decimals") << "1" << 1 << "0,03";
        QTest::newRow("not a number stays") << "1,2,3" << 0 << "1,2,3";
        // clang-format on
    }
    // clang-format on
    void activityConversion()
    {
        auto [text, from] = Fetch<QString, int>({"text", "from"});
        QTEST(ConvertActivityText(text, from, 1 - from), "converted");
        QCOMPARE(ConvertActivityText(text, from, from), text);
    }

    // clang-format off
    void defaults_data()
    {
        Columns<int, QString>({"isotope", "hvl"});
        QTest::newRow("Ir-192") << 0 << "13,0";
        QTest::newRow("Se-75") << 1 << "";
        QTest::newRow("Co-60") << 2 << "21,0";
        QTest::newRow("Yb-169") << 3 << "";
    }
    // clang-format on
    void defaults()
    {
        QFETCH(int, isotope);
        QTEST(DefaultHalfValueLayerText(isotope), "hvl");
    }

    void fileBytes()
    {
        TSourceForm f = Example();
        f.unit = 1;
        f.hvl = QStringLiteral("13,5");
        const QString expected = QStringLiteral("Ir-192\r\n100\r\nГБк\r\n01.01.2026\r\n3\r\n500\r\n10\r\n"
                                                "01.01.2026\r\n500\r\n10\r\n13,5\r\n");
        QCOMPARE(SourceFileBytes(f), ToCp1251(expected));
        QVERIFY(SourceFileBytes(f).contains("\xc3\xc1\xea")); // "ГБк" in code page 1251
        const std::optional<TSourceForm> back = ParseSourceFile(SourceFileBytes(f), QDate(2026, 5, 5));
        QVERIFY(back);
        QCOMPARE(SourceFileBytes(*back), SourceFileBytes(f));
        QCOMPARE(back->workDate, QDate(2026, 5, 5));
    }

    void pastedLineEndStaysOnItsLine()
    {
        TSourceForm f = Example();
        f.distance = QStringLiteral("5\r\n00");
        const std::optional<TSourceForm> back = ParseSourceFile(SourceFileBytes(f), Passport);
        QVERIFY(back);
        QCOMPARE(back->distance, QStringLiteral("5  00"));
        QCOMPARE(back->hvl, f.hvl);
    }

    // clang-format off
    void damagedFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = SourceFileBytes(Example());
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("cut short") << good.left(good.lastIndexOf("13,0"));
        QTest::newRow("a line more") << good + "x\r\n";
        QTest::newRow("unknown isotope") << QByteArray(good).replace("Ir-192", "Cs-137");
        QTest::newRow("unknown unit") << QByteArray(good).replace("\xca\xe8", "Bq");
        QTest::newRow("bad date") << QByteArray(good).replace("01.01.2026", "32.01.2026");
    }
    // clang-format on
    void damagedFiles()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!ParseSourceFile(bytes, Passport));
    }
};

QTEST_GUILESS_MAIN(TestSource)
#include "test_source.moc"
