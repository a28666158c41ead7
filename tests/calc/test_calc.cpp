// The exposure-layout calculation, its tables, number grammar and formats.
#include "calc/layout.h"
#include "calc/numerickey.h"
#include "layoutdefaults.h"

#include <QTest>
#include <cmath>
#include <limits>

#include "table.h"

using namespace kelto::testing;

namespace {

struct Run {
    TLayoutResults out;
    std::optional<QString> error;
};

Run Calculate(const TLayoutInputs& in)
{
    Run r;
    r.error = CalculateLayout(in, r.out);
    return r;
}

// The default inputs as `edit` leaves them, calculated.
template <class Edit>
Run CalculateWith(Edit edit)
{
    TLayoutInputs in = LayoutDefaults();
    edit(in);
    return Calculate(in);
}

const QString Q = QStringLiteral("?");

} // namespace

class TestCalc : public QObject {
    Q_OBJECT
private slots:
    void numericKey_data();
    void numericKey();
    void pastedText_data();
    void pastedText();
    void defaultsPerScheme_data();
    void defaultsPerScheme();
    void controlSections_data();
    void controlSections();
    void thicknessBounds_data();
    void thicknessBounds();
    void negativeSensitivityTakesCoefficientFour();
    void swallowedFaults_data();
    void swallowedFaults();
    void centreSchemesRangeTest_data();
    void centreSchemesRangeTest();
    void negativeExposuresBecomeZero();
    void reportedFaults_data();
    void reportedFaults();
    void emptyInputStopsSilently_data();
    void emptyInputStopsSilently();

    void parseNumber_data();
    void parseNumber();
    void twoDecimals_data();
    void twoDecimals();
    void roundings();
    void exposuresFromTable_data();
    void exposuresFromTable();
    void minDistanceReturnsUnroundedCount();
    void minDistanceBelowDiameter_data();
    void minDistanceBelowDiameter();
};

// clang-format off
void TestCalc::defaultsPerScheme_data()
{
    Columns<int, QString, QString>({"scheme", "focRast", "expo"});
    QTest::newRow("a)") << 0 << "140,00" << "9";
    QTest::newRow("б)") << 1 << "140,00" << "9";
    QTest::newRow("в)") << 2 << "3650,00" << "2";
    QTest::newRow("г)") << 3 << "40,50" << "3";
    QTest::newRow("д)") << 4 << "720,50" << "3";
    QTest::newRow("е)") << 5 << "0" << "1";
    QTest::newRow("ж)") << 6 << "40,50" << "3";
    QTest::newRow("з)") << 7 << "0" << "3";
}
// clang-format on

void TestCalc::defaultsPerScheme()
{
    auto [scheme, focRast, expo] = Fetch<int, QString, QString>({"scheme", "focRast", "expo"});
    const Run r = CalculateWith([&](TLayoutInputs& in) { in.cbSheme = scheme; });
    QVERIFY(!r.error);
    QCOMPARE(r.out.lFocRast, focRast);
    QCOMPARE(r.out.lExpo, expo);
    QCOMPARE(r.out.lSens, QStringLiteral("0,30"));
    QCOMPARE(r.out.lPerimetr, QStringLiteral("688"));
    QCOMPARE(r.out.lCount, QStringLiteral("4"));
    QCOMPARE(r.out.Ldlin, QStringLiteral("175"));
}

// clang-format off
void TestCalc::controlSections_data()
{
    Columns<QString, QString, QString, QString>({"diam", "film", "count", "length"});
    QTest::newRow("standard 219") << "219" << "300" << "4" << "175";
    QTest::newRow("standard 219,0") << "219,0" << "300" << "4" << "175";
    QTest::newRow("standard 1420") << "1420" << "300" << "14" << "320";
    QTest::newRow("standard ignores film") << "133" << "10" << "3" << "140";
    QTest::newRow("219,5 is not standard") << "219,5" << "300" << "3" << "230";
    QTest::newRow("non-standard 200") << "200" << "300" << "3" << "210";
    QTest::newRow("length ignores count") << "200" << "100" << "8" << "210";
    QTest::newRow("0,8L is the circumference") << "200" << "785" << "1" << "210";
    QTest::newRow("0,8L just short of it") << "200" << "784" << "2" << "210";
    QTest::newRow("small pipe copies film text") << "100" << "300" << "2" << "300";
    QTest::newRow("film text kept as typed") << "100" << "250,5" << "2" << "250,5";
    QTest::newRow("film longer than pipe") << "50" << "300" << "2" << "157";
    QTest::newRow("110 is a small pipe") << "110" << "300" << "2" << "300";
    QTest::newRow("110,5 is not") << "110,5" << "300" << "2" << "120";
}
// clang-format on

void TestCalc::controlSections()
{
    auto [diam, film, count, length] = Fetch<QString, QString, QString, QString>({"diam", "film", "count", "length"});
    const Run r = CalculateWith([&](TLayoutInputs& in) { in.eDiam = diam; in.eDlin = film; });
    QVERIFY(!r.error);
    QCOMPARE(r.out.lCount, count);
    QCOMPARE(r.out.Ldlin, length);
}

// clang-format off
void TestCalc::thicknessBounds_data()
{
    Columns<int, QString, QString>({"cls", "thickness", "sens"});
    QTest::newRow("5 is entry 0") << 3 << "5" << "0,20";
    QTest::newRow("5,1 over 5") << 3 << "5,1" << "0,30";
    QTest::newRow("450 is entry 0") << 3 << "450" << "0,20";
    QTest::newRow("zero") << 1 << "0" << "0,10";
    QTest::newRow("negative") << 2 << "-3" << "0,10";
    QTest::newRow("class 1 at 6") << 1 << "6,0" << "0,20";
    QTest::newRow("class 2 at 12") << 2 << "12" << "0,30";
    QTest::newRow("class 2 over 12") << 2 << "12,01" << "0,40";
    QTest::newRow("class 1 at 400") << 1 << "400" << "2,50";
    QTest::newRow("class 2 at 400") << 2 << "400" << "-1,00";
    QTest::newRow("class 3 at 250") << 3 << "250" << "-1,00";
    QTest::newRow("class 3 at 200") << 3 << "200" << "2,50";
    QTest::newRow("class 3 at 45") << 3 << "45" << "1,00";
}
// clang-format on

void TestCalc::thicknessBounds()
{
    auto [cls, thickness, sens] = Fetch<int, QString, QString>({"cls", "thickness", "sens"});
    const Run r = CalculateWith([&](TLayoutInputs& in) {
        in.eDiam = QStringLiteral("2000");
        in.cbSens = cls;
        in.eTol = thickness;
    });
    QVERIFY(!r.error);
    QCOMPARE(r.out.lSens, sens);
}

void TestCalc::negativeSensitivityTakesCoefficientFour()
{
    // K = -1 makes Φ/K negative, so c = 4 and "в)" gives R = 4·D.
    const Run r = CalculateWith([&](TLayoutInputs& in) {
        in.eDiam = QStringLiteral("1000");
        in.eTol = QStringLiteral("250");
        in.cbSheme = 2;
    });
    QVERIFY(!r.error);
    QCOMPARE(r.out.lSens, QStringLiteral("-1,00"));
    QCOMPARE(r.out.lFocRast, QStringLiteral("4000,00"));
    QCOMPARE(r.out.lExpo, QStringLiteral("2"));
}

// clang-format off
void TestCalc::swallowedFaults_data()
{
    Columns<int, QString, QString, QString, QString, QString>({"scheme", "diam", "thickness", "focal", "focRast", "perimeter"});
    for (int s = 0; s < 8; ++s) {
        QTest::addRow("m = 0.2, scheme %d", s) << s << "20" << "8" << "100" << Q << "63";
        QTest::addRow("D = 0, scheme %d", s) << s << "0" << "6,0" << "100" << Q << "0";
        QTest::addRow("d = 0, scheme %d", s) << s << "12" << "6" << "100" << Q << "38";
        QTest::addRow("S > D/2, scheme %d", s) << s << "10" << "6" << "100" << Q << "31";
    }
    // Faults after the distance is written leave it standing.
    QTest::newRow("F = 0 with a)") << 0 << "219" << "6,0" << "0" << "140,00" << "688";
    QTest::newRow("F = 0 with б)") << 1 << "219" << "6,0" << "0" << "140,00" << "688";
}
// clang-format on

void TestCalc::swallowedFaults()
{
    auto [scheme, diam, thickness, focal, focRast, perimeter] = Fetch<int, QString, QString, QString, QString, QString>(
        {"scheme", "diam", "thickness", "focal", "focRast", "perimeter"});
    const Run r = CalculateWith([&](TLayoutInputs& in) {
        in.cbSheme = scheme;
        in.eDiam = diam;
        in.eTol = thickness;
        in.eRast = focal;
    });
    QVERIFY2(!r.error, qPrintable(r.error.value_or(QString())));
    QCOMPARE(r.out.lFocRast, focRast);
    QCOMPARE(r.out.lExpo, Q);
    QVERIFY(r.out.lSens != Q);
    QCOMPARE(r.out.lPerimetr, perimeter);
    QVERIFY(r.out.lCount != Q);
    QVERIFY(r.out.Ldlin != Q);
}

// clang-format off
void TestCalc::centreSchemesRangeTest_data()
{
    Columns<int, QString, QString, QString>({"scheme", "focal", "focRast", "expo"});
    // D + (D - d) = 231 passes, anything above it does not.
    for (int s : {5, 6, 7}) {
        QTest::addRow("scheme %d, F above", s) << s << "232" << Q << "0";
        QTest::addRow("scheme %d, F just above", s) << s << "231,0001" << Q << "0";
        QTest::addRow("scheme %d, F equal", s) << s << "231" << (s == 6 ? "40,50" : "0") << (s == 5 ? "1" : "4");
    }
    // The other schemes have no range test.
    QTest::newRow("г) far") << 3 << "5000" << "40,50" << "5";
}
// clang-format on

void TestCalc::centreSchemesRangeTest()
{
    auto [scheme, focal, focRast, expo] = Fetch<int, QString, QString, QString>({"scheme", "focal", "focRast", "expo"});
    const Run r = CalculateWith([&](TLayoutInputs& in) { in.cbSheme = scheme; in.eRast = focal; });
    QVERIFY(!r.error);
    QCOMPARE(r.out.lFocRast, focRast);
    QCOMPARE(r.out.lExpo, expo);
}

void TestCalc::negativeExposuresBecomeZero()
{
    // A pasted negative focal distance makes β exceed α.
    const Run r = CalculateWith([&](TLayoutInputs& in) { in.cbSheme = 0; in.eRast = QStringLiteral("-20"); });
    QVERIFY(!r.error);
    QCOMPARE(r.out.lFocRast, QStringLiteral("140,00"));
    QCOMPARE(r.out.lExpo, QStringLiteral("0"));
}

// clang-format off
void TestCalc::reportedFaults_data()
{
    Columns<QString, QString, QString>({"field", "text", "error"});
    QTest::addColumn<QStringList>("filled"); // lSens lFocRast lExpo lPerimetr lCount Ldlin
    const QString none = QStringLiteral("??????");
    QTest::newRow("pasted 1,2,3 in eDlin") << "eDlin" << "1,2,3" << "'1,2,3' is not a valid floating point value" << QStringList{Q, Q, Q, Q, Q, Q};
    QTest::newRow("letters in eDiam") << "eDiam" << "abc" << "'abc' is not a valid floating point value" << QStringList{Q, Q, Q, Q, Q, Q};
    QTest::newRow("point in eTol") << "eTol" << "6.0" << "'6.0' is not a valid floating point value" << QStringList{Q, Q, Q, Q, Q, Q};
    QTest::newRow("12,5,0 in eRast") << "eRast" << "12,5,0" << "'12,5,0' is not a valid floating point value" << QStringList{"0,30", Q, Q, Q, Q, Q};
    QTest::newRow("blank in ePatno") << "ePatno" << " " << "' ' is not a valid floating point value" << QStringList{"0,30", Q, Q, Q, Q, Q};
    QTest::newRow("1E400 does not fit") << "eDiam" << "1E400" << "'1E400' is not a valid floating point value" << QStringList{Q, Q, Q, Q, Q, Q};
    QTest::newRow("film 0, non-standard pipe") << "eDiam" << "200" << "Floating point division by zero" << QStringList{"0,30", "50,00", "3", "628", Q, Q};
    QTest::newRow("perimeter beyond 64 bits") << "eDiam" << "1E300" << "Invalid floating point operation" << QStringList{"0,30", "0", "3", Q, Q, Q};
}
// clang-format on

void TestCalc::reportedFaults()
{
    auto [field, text, error, filled]
        = Fetch<QString, QString, QString, QStringList>({"field", "text", "error", "filled"});
    TLayoutInputs in = LayoutDefaults();
    if (error.startsWith(QLatin1String("Floating")))
        in.eDlin = QStringLiteral("0");
    QString* target = field == "eDlin" ? &in.eDlin
        : field == "eDiam"             ? &in.eDiam
        : field == "eTol"              ? &in.eTol
        : field == "eRast"             ? &in.eRast
                                       : &in.ePatno;
    *target = text;
    const Run r = Calculate(in);
    QCOMPARE(r.error.value_or(QString()), error);
    const QStringList got{r.out.lSens, r.out.lFocRast, r.out.lExpo, r.out.lPerimetr, r.out.lCount, r.out.Ldlin};
    QCOMPARE(got, filled);
}

// clang-format off
void TestCalc::emptyInputStopsSilently_data()
{
    QTest::addColumn<int>("field");
    for (int f = 0; f < 5; ++f)
        QTest::addRow("field %d", f) << f;
}
// clang-format on

void TestCalc::emptyInputStopsSilently()
{
    QFETCH(int, field);
    TLayoutInputs in = LayoutDefaults();
    // Even a bad text elsewhere stays unread.
    in.eDlin = QStringLiteral("abc");
    QString* fields[] = {&in.eDiam, &in.eTol, &in.eDlin, &in.eRast, &in.ePatno};
    fields[field]->clear();
    const Run r = Calculate(in);
    QVERIFY(!r.error);
    const QStringList got{r.out.lSens, r.out.lFocRast, r.out.lExpo, r.out.lPerimetr, r.out.lCount, r.out.Ldlin};
    QCOMPARE(got, QStringList(6, Q));
}

// clang-format off
void TestCalc::parseNumber_data()
{
    Columns<QString, bool, double>({"text", "ok", "value"});
    QTest::newRow("comma alone") << "," << true << 0.0;
    QTest::newRow("12,") << "12," << true << 12.0;
    QTest::newRow(",5") << ",5" << true << 0.5;
    QTest::newRow("6,0") << "6,0" << true << 6.0;
    QTest::newRow("1e3") << "1e3" << true << 1000.0;
    QTest::newRow("1E+3") << "1E+3" << true << 1000.0;
    QTest::newRow("1,5e-2") << "1,5e-2" << true << 0.015;
    QTest::newRow(",e3") << ",e3" << true << 0.0;
    QTest::newRow("blanks around") << "  -3,5  " << true << -3.5;
    QTest::newRow("plus") << "+7" << true << 7.0;
    QTest::newRow("plus comma") << "+," << true << 0.0;
    QTest::newRow("leading zeros") << "00012,50" << true << 12.5;
    QTest::newRow("long digits") << "123456789012345678901234567890" << true << 1.2345678901234568e29;
    QTest::newRow("underflow is zero") << "1E-400" << true << 0.0;
    QTest::newRow("zero, huge exponent") << "0E999999999999999" << true << 0.0;
    QTest::newRow("long exponent") << "1E0000000000000000000003" << true << 1000.0;
    QTest::newRow("largest") << "1,7976931348623157E308" << true << 1.7976931348623157e308;
    QTest::newRow("1,2,3") << "1,2,3" << false << 0.0;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("blanks only") << "   " << false << 0.0;
    QTest::newRow("point") << "1.5" << false << 0.0;
    QTest::newRow("exponent without digits") << "1e" << false << 0.0;
    QTest::newRow("exponent sign only") << "1e-" << false << 0.0;
    QTest::newRow("exponent alone") << "e3" << false << 0.0;
    QTest::newRow("sign alone") << "-" << false << 0.0;
    QTest::newRow("two signs") << "--1" << false << 0.0;
    QTest::newRow("inner blank") << "12 3" << false << 0.0;
    QTest::newRow("tab is not a blank") << "\t1" << false << 0.0;
    QTest::newRow("1E400") << "1E400" << false << 0.0;
    QTest::newRow("-1E400") << "-1E400" << false << 0.0;
    QTest::newRow("2E308") << "2E308" << false << 0.0;
    QTest::newRow("huge exponent") << "1E99999999999999999999" << false << 0.0;
    QTest::newRow("inf") << "inf" << false << 0.0;
    QTest::newRow("nan") << "nan" << false << 0.0;
    QTest::newRow("hex") << "0x10" << false << 0.0;
    QTest::newRow("arabic digit") << QString(QChar(0x0663)) << false << 0.0;
    QTest::newRow("fullwidth digit") << QString(QChar(0xFF11)) << false << 0.0;
}
// clang-format on

void TestCalc::parseNumber()
{
    auto [text, ok, value] = Fetch<QString, bool, double>({"text", "ok", "value"});
    const std::optional<double> v = ParseNumber(text);
    QCOMPARE(v.has_value(), ok);
    if (ok)
        QCOMPARE(*v, value);
}

// clang-format off
void TestCalc::twoDecimals_data()
{
    Columns<double, QString>({"value", "text"});
    QTest::newRow("0.3") << 0.3 << "0,30";
    QTest::newRow("0") << 0.0 << "0,00";
    QTest::newRow("-0") << -0.0 << "0,00";
    QTest::newRow("-1") << -1.0 << "-1,00";
    QTest::newRow("140") << 140.0 << "140,00";
    QTest::newRow("1234.567") << 1234.567 << "1234,60";
    QTest::newRow("47333.333") << 47333.333 << "47333,00";
    QTest::newRow("123456.7") << 123456.7 << "1,2346E05";
    QTest::newRow("0.125 half away") << 0.125 << "0,13";
    QTest::newRow("-0.125 half away") << -0.125 << "-0,13";
    QTest::newRow("2.675 as written") << 2.675 << "2,68";
    QTest::newRow("1.005 as written") << 1.005 << "1,01";
    QTest::newRow("0.1 + 0.2") << (0.1 + 0.2) << "0,30";
    QTest::newRow("0.005") << 0.005 << "0,01";
    QTest::newRow("0.004") << 0.004 << "0,00";
    QTest::newRow("-0.004 loses its sign") << -0.004 << "0,00";
    QTest::newRow("0.0004") << 0.0004 << "0,00";
    QTest::newRow("tiny") << 1e-300 << "0,00";
    QTest::newRow("9.995 carries") << 9.995 << "10,00";
    QTest::newRow("99999.4") << 99999.4 << "99999,00";
    QTest::newRow("99999.5 carries") << 99999.5 << "1E05";
    QTest::newRow("1234.55 half away") << 1234.55 << "1234,60";
    QTest::newRow("1234.549") << 1234.549 << "1234,50";
    QTest::newRow("99999.996 carries to exponent form") << 99999.996 << "1E05";
    QTest::newRow("100000") << 100000.0 << "1E05";
    QTest::newRow("-123456.7") << -123456.7 << "-1,2346E05";
    QTest::newRow("1e20") << 1e20 << "1E20";
    QTest::newRow("1.5e300") << 1.5e300 << "1,5E300";
    QTest::newRow("720.5") << 720.5 << "720,50";
    QTest::newRow("3650 plus noise") << 3650.0000000000005 << "3650,00";
    QTest::newRow("12.345") << 12.345 << "12,35";
}
// clang-format on

void TestCalc::twoDecimals()
{
    auto [value, text] = Fetch<double, QString>({"value", "text"});
    QCOMPARE(FormatTwoDecimals(value), text);
}

void TestCalc::roundings()
{
    QCOMPARE(RoundHalfEven64(0.5), std::optional<qint64>(0));
    QCOMPARE(RoundHalfEven64(1.5), std::optional<qint64>(2));
    QCOMPARE(RoundHalfEven64(2.5), std::optional<qint64>(2));
    QCOMPARE(RoundHalfEven64(-0.5), std::optional<qint64>(0));
    QCOMPARE(RoundHalfEven64(-1.5), std::optional<qint64>(-2));
    QCOMPARE(RoundHalfEven64(-2.6), std::optional<qint64>(-3));
    QCOMPARE(RoundHalfEven64(9.2e18), std::optional<qint64>(qint64(9.2e18)));
    QCOMPARE(RoundHalfEven64(9.3e18), std::nullopt);
    QCOMPARE(RoundHalfEven64(-9.3e18), std::nullopt);
    QCOMPARE(RoundHalfEven64(std::nan("")), std::nullopt);
    QCOMPARE(RoundHalfEven64(HUGE_VAL), std::nullopt);
    QCOMPARE(Ceil64(8.5), std::optional<qint64>(9));
    QCOMPARE(Ceil64(3.0), std::optional<qint64>(3));
    QCOMPARE(Ceil64(-0.5), std::optional<qint64>(0));
    QCOMPARE(Ceil64(1e19), std::nullopt);
}

// clang-format off
void TestCalc::exposuresFromTable_data()
{
    Columns<double, double, int>({"m", "n", "count"});
    QTest::newRow("defaults") << 0.95 << 0.46 << 3;
    QTest::newRow("row 1 at 0") << 0.50 << 0.0 << 3;
    QTest::newRow("row 1 above 0") << 0.50 << 0.01 << 4;
    QTest::newRow("row 1 at 0.36") << 0.50 << 0.36 << 4;
    QTest::newRow("row 1 above 0.36") << 0.50 << 0.37 << 5;
    QTest::newRow("row 1 at 1.40") << 0.50 << 1.40 << 5;
    QTest::newRow("row 1 above 1.40") << 0.50 << 1.41 << 6;
    QTest::newRow("row 1 at 10.80") << 0.50 << 10.80 << 6;
    QTest::newRow("row 1 above all") << 0.50 << 10.81 << 7;
    QTest::newRow("small m is row 1") << 0.20 << 0.0 << 3;
    QTest::newRow("row 2") << 0.51 << 2.47 << 6;
    QTest::newRow("row 2 above all") << 0.55 << 1000.01 << 7;
    QTest::newRow("row 3") << 0.56 << 0.10 << 3;
    QTest::newRow("row 4") << 0.65 << 14.24 << 5;
    QTest::newRow("row 5 at 1000") << 0.70 << 1000.0 << 5;
    QTest::newRow("row 8") << 0.85 << 4.13 << 4;
    QTest::newRow("row 9") << 0.86 << 6.32 << 4;
    QTest::newRow("row 9 above 6.32") << 0.86 << 6.33 << 5;
    QTest::newRow("row 9 beyond 0.90") << 0.99 << 0.59 << 3;
    QTest::newRow("row 9 above all") << 0.95 << 1000.01 << 7;
}
// clang-format on

void TestCalc::exposuresFromTable()
{
    auto [m, n, count] = Fetch<double, double, int>({"m", "n", "count"});
    QCOMPARE(ExposuresFromTable(m, n), count);
}

void TestCalc::minDistanceReturnsUnroundedCount()
{
    TLayoutResults out;
    const double N = MinDistanceAndExposures(0, 219, 207, 0.3, 2.5, 100, out);
    QVERIFY2(N > 8.4 && N < 8.6, qPrintable(QString::number(N)));
    QCOMPARE(out.lFocRast, QStringLiteral("140,00"));
    QCOMPARE(out.lExpo, Q); // only the distance is its business
    TLayoutResults faulted;
    QVERIFY(std::isnan(MinDistanceAndExposures(3, 0, -12, 0.3, 2.5, 100, faulted)));
    QCOMPARE(faulted.lFocRast, Q);
}

// clang-format off
void TestCalc::minDistanceBelowDiameter_data()
{
    Columns<int, QString, QString, QString, QString>({"scheme", "diam", "focal", "spot", "focRast"});
    // A distance shorter than the diameter is still a distance to keep.
    QTest::newRow("д), 0 < R < D") << 4 << "219" << "100" << "0,8" << "156,10";
    QTest::newRow("г), t = 1,5") << 3 << "200" << "100" << "2,5" << "50,00";
    // t not above 1: the source may sit on the pipe.
    QTest::newRow("г), t <= 1") << 3 << "219" << "100" << "0,5" << "0";
    QTest::newRow("ж), t <= 1") << 6 << "219" << "100" << "0,5" << "0";
    QTest::newRow("в), far") << 2 << "219" << "100" << "2,5" << "3650,00";
    // A pasted negative diameter gives negative distances: shown as none.
    for (int s = 2; s <= 6; ++s)
        QTest::addRow("negative D, scheme %d", s) << s << "-219" << "-300" << "2,5" << "0";
}
// clang-format on

void TestCalc::minDistanceBelowDiameter()
{
    auto [scheme, diam, focal, spot, focRast]
        = Fetch<int, QString, QString, QString, QString>({"scheme", "diam", "focal", "spot", "focRast"});
    const Run r = CalculateWith([&](TLayoutInputs& in) {
        in.cbSheme = scheme;
        in.eDiam = diam;
        in.eRast = focal;
        in.ePatno = spot;
    });
    QVERIFY(!r.error);
    QCOMPARE(r.out.lFocRast, focRast);
}

// clang-format off
void TestCalc::numericKey_data()
{
    Columns<QString, QString>({"text", "key"});
    QTest::addColumn<QString>("entered"); // empty: discarded
    QTest::newRow("digit") << "12" << "7" << "7";
    QTest::newRow("backspace") << "1,2" << "\b" << "\b";
    QTest::newRow("first comma") << "12" << "," << ",";
    QTest::newRow("point is a comma") << "2" << "." << ",";
    QTest::newRow("second comma") << "2,5" << "," << "";
    QTest::newRow("point after a comma") << "2,5" << "." << "";
    QTest::newRow("letter") << "2" << "a" << "";
    QTest::newRow("minus") << "" << "-" << "";
    QTest::newRow("space") << "2" << " " << "";
}
// clang-format on

void TestCalc::numericKey()
{
    auto [text, key, entered] = Fetch<QString, QString, QString>({"text", "key", "entered"});
    const QChar k = key == "\\b" ? QChar(8) : key.at(0);
    const QChar e = entered.isEmpty() ? QChar(0) : entered == "\\b" ? QChar(8) : entered.at(0);
    QCOMPARE(kelto::FilterNumericKey(text, k), e);
}

// clang-format off
void TestCalc::pastedText_data()
{
    Columns<QString, int, int, QString, QString>({"text", "from", "length", "pasted", "inserted"});
    // clang-format off
    QTest::newRow("point becomes a comma") << "" << 0 << 0 << "2.5" << "2,5";
    QTest::newRow("second comma refused") << "1,5" << 3 << 0 << "2.5" << "25";
    QTest::newRow("over the only comma") << "6,0" << 0 << 3 << "2.5" << "2,5";
    QTest::newRow("first char seen with the selection") << "6,0" << 0 << 3 << ",5" << "5";
    QTest::newRow("others dropped") << "" << 0 << 0 << " 1 2a-3\r\n" << "123";
    QTest::newRow("nothing acceptable") << "100" << 0 << 3 << "abc" << "";
    QTest::newRow("range clamped") << "12" << 5 << 9 << "3" << "3";
    // clang-format on
}
// clang-format on

void TestCalc::pastedText()
{
    auto [text, from, length, pasted] = Fetch<QString, int, int, QString>({"text", "from", "length", "pasted"});
    QTEST(kelto::FilterPastedText(text, from, length, pasted), "inserted");
}

QTEST_GUILESS_MAIN(TestCalc)
#include "test_calc.moc"
