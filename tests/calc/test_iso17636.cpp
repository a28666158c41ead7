// The check of a ring-weld set-up by ГОСТ ISO 17636-1, its window's texts
// and iso.cnf.
#include "core/cp1251.h"
#include "calc/iso17636.h"
#include "calc/isoform.h"
#include "calc/calctext.h"

#include <QTest>
#include <cmath>

#include "table.h"

using namespace kelto;
using namespace kelto::testing;

Q_DECLARE_METATYPE(TIsoInputs)
Q_DECLARE_METATYPE(TIsoTechnique)

namespace {

using T = TIsoTechnique;
using C = TIsoClass;
using S = TIsoSource;
constexpr T T0 = T::SingleWallSourceOutside, T1 = T::SingleWallSourceInside, T2 = T::SingleWallCentral,
            T3 = T::DoubleWallSingleImage, T4 = T::DoubleWallEllipse, T5 = T::DoubleWallSuperimposed;

TIsoInputs In(double De, double t, double sfd, T technique, C testClass = C::B, S source = S::Ir192, double d = 2,
              bool planar = false)
{
    return {De, t, d, sfd, technique, testClass, source, planar};
}

// The columns of every rule's table: the inputs and what they should give.
void RuleColumns()
{
    Columns<TIsoInputs, QString>({"in", "want"});
}
TIsoResults Run()
{
    QFETCH(TIsoInputs, in);
    return CalculateIso17636(in);
}
QString Want()
{
    QFETCH(QString, want);
    return want;
}

} // namespace

class TestIso17636 : public QObject {
    Q_OBJECT
private slots:
    // clang-format off
    void exposures_data()
    {
        // The class on every row: it changes the count.
        RuleColumns();
        QTest::newRow("1020x16, outside, f 700, B") << In(1020, 16, 716, T0, C::B) << "13";
        QTest::newRow("1020x16, outside, f 700, A") << In(1020, 16, 716, T0, C::A) << "10";
        QTest::newRow("530x10, outside, f 1000, B") << In(530, 10, 1010, T0, C::B) << "10";
        QTest::newRow("1020x16, inside, SFD 800, B") << In(1020, 16, 800, T1, C::B) << "3";
        QTest::newRow("1020x16, inside, source within s: one") << In(1020, 16, 710, T1, C::B) << "1";
        QTest::newRow("1020x16, inside, on the axis: one") << In(1020, 16, 510, T1, C::B) << "1";
        QTest::newRow("219,1x8,18, DWSI, SFD = De, B") << In(219.1, 8.18, 219.1, T3, C::B) << "4";
        QTest::newRow("219,1x8,18, DWSI, SFD 600, B") << In(219.1, 8.18, 600, T3, C::B) << "7";
        QTest::newRow("219,1x8,18, DWSI, SFD 600, A") << In(219.1, 8.18, 600, T3, C::A) << "5";
        QTest::newRow("panoramic: one") << In(1020, 16, 0, T2, C::B) << "1";
        QTest::newRow("57x4, ellipse: two") << In(57, 4, 500, T4, C::B) << "2";
        QTest::newRow("50x6, ellipse, t/De 0,12: three") << In(50, 6, 500, T4, C::B) << "3";
        QTest::newRow("superimposed: three") << In(57, 4, 500, T5, C::B) << "3";
    }
    // clang-format on
    void exposures() { QCOMPARE(QString::number(Run().exposures), Want()); }

    // clang-format off
    void angle_data()
    {
        // Double images share half a turn, single images the whole.
        Columns<TIsoTechnique, int, QString>({"technique", "exposures", "shown"});
        QTest::newRow("ellipse, 2")          << T4 << 2 << "2, через 90°";
        QTest::newRow("ellipse, thick, 3")   << T4 << 3 << "3, через 60°";
        QTest::newRow("superimposed, 3")     << T5 << 3 << "3, через 60°";
        QTest::newRow("DWSI, 7")             << T3 << 7 << "7, через 51,4°";
        QTest::newRow("outside, 4")          << T0 << 4 << "4, через 90°";
        QTest::newRow("inside, 3")           << T1 << 3 << "3, через 120°";
        QTest::newRow("panoramic, 1")        << T2 << 1 << "1";
    }
    // clang-format on
    void angle()
    {
        const auto [technique, exposures, shown] = Fetch<TIsoTechnique, int, QString>({"technique", "exposures", "shown"});
        QCOMPARE(IsoExposuresText(technique, exposures), shown);
    }

    // clang-format off
    void compensation_data()
    {
        // Class B outside Table 2's range asks for the compensation; the
        // edges of the range are inside it.
        RuleColumns();
        QTest::newRow("Ir-192 B, w 16")      << In(219, 8, 600, T3, C::B, S::Ir192) << "compensation";
        QTest::newRow("Ir-192 B, w 19,98")   << In(219, 9.99, 600, T3, C::B, S::Ir192) << "compensation";
        QTest::newRow("Ir-192 B, w 20")      << In(219, 10, 600, T3, C::B, S::Ir192) << "не менее 2,3";
        QTest::newRow("Ir-192 B, w 90")      << In(1020, 45, 1100, T3, C::B, S::Ir192) << "не менее 2,3";
        QTest::newRow("Ir-192 B, w 90,2")    << In(1020, 45.1, 1100, T3, C::B, S::Ir192) << "compensation";
        QTest::newRow("Ir-192 A, w 16")      << In(219, 8, 600, T3, C::A, S::Ir192) << "не менее 2";
        QTest::newRow("Se-75 B, w 14")       << In(219, 14, 600, T0, C::B, S::Se75) << "не менее 2,3";
        QTest::newRow("Se-75 B, w 13,9")     << In(219, 13.9, 600, T0, C::B, S::Se75) << "compensation";
        QTest::newRow("X-ray B, w 2")        << In(57, 1, 500, T4, C::B, S::XRay) << "не менее 2,3";
    }
    // clang-format on
    void compensation()
    {
        QFETCH(TIsoInputs, in);
        const TIsoResults r = CalculateIso17636(in);
        QVERIFY(r.valid);
        bool warn = false;
        const QString text = IsoDensityText(in, r, &warn);
        const QString want = Want();
        QCOMPARE(text, want == QLatin1String("compensation")
                           ? QStringLiteral("не менее 3,0, или не менее 2,6 с плёночной системой более высокого "
                                            "класса (компенсация по согласованию)")
                           : want);
        QCOMPARE(warn, want == QLatin1String("compensation"));
    }

    // clang-format off
    void sharedPipe_data()
    {
        // The view's D, S and spot, the ISO window's De, t and d -> what the
        // ISO window shows, and what the view takes from it.
        Columns<QStringList, QStringList, QString, QString>({"view", "iso", "isoShows", "viewShows"});
        QTest::newRow("both numbers")   << QStringList{"219", "6,0", "2,5"} << QStringList{"57", "3,5", "3"} << "219|6,0|2,5" << "57|3,5|3";
        QTest::newRow("view typing")    << QStringList{"", "6,", "2,5"}     << QStringList{"57", "3,5", "3"} << "57|6,|2,5" << "57|3,5|3";
        QTest::newRow("iso typing")     << QStringList{"219", "6,0", "2,5"} << QStringList{"", "abc", "3"}   << "219|6,0|2,5" << "219|6,0|3";
        QTest::newRow("blanks trimmed") << QStringList{" 1020 ", "16", "3"} << QStringList{"219", "8", "2"}  << "1020|16|3" << "219|8|2";
    }
    // clang-format on
    void sharedPipe()
    {
        const auto [view, iso, isoShows, viewShows]
            = Fetch<QStringList, QStringList, QString, QString>({"view", "iso", "isoShows", "viewShows"});
        TIsoForm form = DefaultIsoForm();
        form.De = iso[0], form.t = iso[1], form.d = iso[2];
        const TIsoForm shown = WithSharedPipe(form, {view[0], view[1], view[2]});
        QCOMPARE(QStringList({shown.De, shown.t, shown.d}).join(QLatin1Char('|')), isoShows);
        const TSharedPipe taken = WithIsoPipe({view[0], view[1], view[2]}, form);
        QCOMPARE(QStringList({taken.diameter, taken.wall, taken.spot}).join(QLatin1Char('|')), viewShows);
    }

    void axisSfd()
    {
        TIsoForm f = DefaultIsoForm();
        f.De = QStringLiteral("1020");
        f.t = QStringLiteral("16");
        f.technique = T2;
        QCOMPARE(ComputeIsoForm(f).texts.sfd, QStringLiteral("510 (источник на оси трубы)"));
        f.De = QStringLiteral("219,1");
        QCOMPARE(ComputeIsoForm(f).texts.sfd, QStringLiteral("109,55 (источник на оси трубы)"));
        f.technique = T3;
        QCOMPARE(ComputeIsoForm(f).texts.sfd, QStringLiteral("600"));
    }

    // clang-format off
    void distance_data()
    {
        // f min to a tenth, and whether f reaches it
        RuleColumns();
        QTest::newRow("d 3, b 12, A") << In(219, 12, 612, T0, C::A, S::Ir192, 3) << "117.9 ok";
        QTest::newRow("d 3, b 12, B, short") << In(219, 12, 247.8, T0, C::B, S::Ir192, 3) << "235.9 short";
        QTest::newRow("d 3, b 12, B, enough") << In(219, 12, 247.9, T0, C::B, S::Ir192, 3) << "235.9 ok";
        QTest::newRow("d 3, b 12, A, planar: as B") << In(219, 12, 612, T0, C::A, S::Ir192, 3, true) << "235.9 ok";
        QTest::newRow("t 10, d 2, B: b = t") << In(219, 10, 600, T0) << "139.2 ok";
        QTest::newRow("inside: 20 % less") << In(219, 12, 150, T1, C::B, S::Ir192, 3) << "188.7 short";
        QTest::newRow("panoramic: half") << In(219, 12, 0, T2, C::B, S::Ir192, 3) << "117.9 short";
        QTest::newRow("double image: b = De, B") << In(100, 5, 700, T5) << "646.3 short";
        QTest::newRow("double image: b = De, A") << In(100, 5, 700, T5, C::A) << "323.2 ok";
    }
    // clang-format on
    void distance() { const TIsoResults r = Run(); QCOMPARE(QString::number(r.fMin, 'f', 1) + (r.distanceOk ? " ok" : " short"), Want()); }

    // clang-format off
    void wire_data()
    {
        // Read by t for one wall, by w = 2t on the film or the source side for two;
        // the class, written on every row, chooses the table.
        Columns<TIsoInputs, QString, int>({"in", "table", "wire"});
        QTest::newRow("t 8, A") << In(219, 8, 600, T0, C::A) << "B.1" << 13;
        QTest::newRow("t 8, B") << In(219, 8, 600, T0, C::B) << "B.3" << 15;
        QTest::newRow("t 12, A") << In(219, 12, 600, T0, C::A) << "B.1" << 12;
        QTest::newRow("t 12, B") << In(219, 12, 600, T0, C::B) << "B.3" << 14;
        QTest::newRow("219,1x8,18 DWSI, B") << In(219.1, 8.18, 600, T3, C::B) << "B.11" << 14;
        QTest::newRow("219,1x8,18 DWSI, A") << In(219.1, 8.18, 600, T3, C::A) << "B.9" << 12;
        QTest::newRow("57x4 ellipse, B") << In(57, 4, 500, T4, C::B) << "B.7" << 15;
        QTest::newRow("B.1 first") << In(219, 1.2, 600, T0, C::A) << "B.1" << 18;
        QTest::newRow("B.1 middle") << In(219, 25, 600, T0, C::A) << "B.1" << 11;
        QTest::newRow("B.1 last") << In(2000, 250, 3000, T2, C::A) << "B.1" << 5;
        QTest::newRow("B.1 above") << In(2000, 250.01, 3000, T0, C::A) << "B.1" << 4;
        QTest::newRow("B.3 first") << In(219, 1.5, 600, T0, C::B) << "B.3" << 19;
        QTest::newRow("B.3 middle") << In(219, 30, 600, T0, C::B) << "B.3" << 12;
        QTest::newRow("B.3 last") << In(2000, 350, 3000, T0, C::B) << "B.3" << 6;
        QTest::newRow("B.5 first") << In(57, 0.6, 500, T4, C::A) << "B.5" << 18;
        QTest::newRow("B.5 middle") << In(219, 15, 600, T5, C::A) << "B.5" << 11;
        QTest::newRow("B.5 last") << In(1000, 190, 2000, T5, C::A) << "B.5" << 4;
        QTest::newRow("B.7 first") << In(57, 0.75, 500, T4, C::B) << "B.7" << 19;
        QTest::newRow("B.7 middle") << In(219, 19, 600, T5, C::B) << "B.7" << 12;
        QTest::newRow("B.7 last") << In(1000, 125, 2000, T5, C::B) << "B.7" << 6;
        QTest::newRow("B.9 first") << In(219, 0.6, 600, T3, C::A) << "B.9" << 18;
        QTest::newRow("B.9 middle") << In(219, 11, 600, T3, C::A) << "B.9" << 12;
        QTest::newRow("B.9 last") << In(1000, 187.5, 2000, T3, C::A) << "B.9" << 5;
        QTest::newRow("B.11 first") << In(219, 0.75, 600, T3, C::B) << "B.11" << 19;
        QTest::newRow("B.11 middle") << In(219, 15, 600, T3, C::B) << "B.11" << 13;
        QTest::newRow("B.11 last") << In(1000, 150, 2000, T3, C::B) << "B.11" << 7;
    }
    // clang-format on
    void wire()
    {
        auto [in, table, wire] = Fetch<TIsoInputs, QString, int>({"in", "table", "wire"});
        const TIsoResults r = CalculateIso17636(in);
        QCOMPARE(r.iqiTable, table);
        QCOMPARE(r.wire, wire);
    }

    // clang-format off
    void relaxation_data()
    {
        // how many wire numbers less the 6.9 relaxation allows
        RuleColumns();
        QTest::newRow("class A, Ir-192, w 20: W11 -> W9") << In(219, 20, 600, T0, C::A) << "2";
        QTest::newRow("double image, Ir-192, w 25") << In(219, 12.5, 600, T5, C::A) << "1";
        QTest::newRow("double image, Ir-192, w 10") << In(57, 5, 500, T4) << "0";
        QTest::newRow("double image, Se-75, w 12") << In(219, 6, 600, T5, C::B, S::Se75) << "1";
        QTest::newRow("A, Ir-192, w 10") << In(219, 10, 600, T0, C::A) << "0";
        QTest::newRow("A, Ir-192, w 24 (DWSI)") << In(219, 12, 600, T3, C::A) << "2";
        QTest::newRow("A, Ir-192, w 30") << In(219, 30, 600, T0, C::A) << "1";
        QTest::newRow("A, Se-75, w 24") << In(219, 24, 600, T0, C::A, S::Se75) << "1";
        QTest::newRow("B, Ir-192, w 40") << In(219, 40, 600, T0) << "1";
        QTest::newRow("B, Se-75, w 20") << In(219, 10, 600, T3, C::B, S::Se75) << "1";
    }
    // clang-format on
    void relaxation() { const TIsoResults r = Run(); QCOMPARE(QString::number(r.wire - r.wireGamma), Want()); }

    // clang-format off
    void thicknessRange_data()
    {
        RuleColumns();
        QTest::newRow("Ir-192 A 20") << In(219, 20, 600, T0, C::A) << "in";
        QTest::newRow("Ir-192 B 90") << In(1000, 90, 2000, T0) << "in";
        QTest::newRow("Ir-192 B 90,5") << In(1000, 90.5, 2000, T0) << "out";
        QTest::newRow("Se-75 B 13,9") << In(219, 13.9, 600, T0, C::B, S::Se75) << "out";
        QTest::newRow("Co-60 A 200") << In(1000, 100, 2000, T5, C::A, S::Co60) << "in";
        QTest::newRow("Co-60 B 59") << In(219, 29.5, 600, T3, C::B, S::Co60) << "out";
        QTest::newRow("Yb-169 B 12,1") << In(219, 12.1, 600, T0, C::B, S::Yb169) << "out";
        QTest::newRow("X-ray: always") << In(2000, 400, 3000, T0, C::B, S::XRay) << "in";
    }
    // clang-format on
    void thicknessRange() { QCOMPARE(Run().thicknessInRange ? "in" : "out", Want()); }

    // clang-format off
    void validity_data()
    {
        RuleColumns();
        QTest::newRow("De 0") << In(0, 8, 600, T5) << "invalid";
        QTest::newRow("De NaN") << In(std::nan(""), 8, 600, T5) << "invalid";
        QTest::newRow("t 0") << In(219, 0, 600, T5) << "invalid";
        QTest::newRow("t De/2") << In(219, 109.5, 600, T5) << "invalid";
        QTest::newRow("d 0") << In(219, 8, 600, T5, C::B, S::Ir192, 0) << "invalid";
        QTest::newRow("SFD NaN") << In(219, 8, std::nan(""), T5) << "invalid";
        QTest::newRow("outside: t/De 0,25") << In(200, 50, 600, T0) << "valid";
        QTest::newRow("outside: t/De over 0,25") << In(200, 50.1, 600, T0) << "invalid";
        QTest::newRow("outside: f 0") << In(219, 8, 8, T0) << "invalid";
        QTest::newRow("inside: SFD De/2") << In(219, 8, 109.5, T1) << "valid";
        QTest::newRow("inside: SFD under De/2") << In(219, 8, 109.4, T1) << "invalid";
        QTest::newRow("inside: SFD De - t") << In(219, 8, 211, T1) << "valid";
        QTest::newRow("inside: SFD over De - t") << In(219, 8, 211.1, T1) << "invalid";
        QTest::newRow("inside: t/De over 0,25") << In(200, 51, 150, T1) << "invalid";
        QTest::newRow("DWSI: SFD under De") << In(219, 8, 218.9, T3) << "invalid";
        QTest::newRow("DWSI: t/De over 0,25") << In(200, 51, 600, T3) << "invalid";
        QTest::newRow("ellipse: De 100, t 8") << In(100, 8, 600, T4) << "valid";
        QTest::newRow("ellipse: De over 100") << In(100.1, 8, 600, T4) << "invalid";
        QTest::newRow("ellipse: t over 8") << In(100, 8.1, 600, T4) << "invalid";
        QTest::newRow("ellipse: f 0") << In(57, 4, 57, T4) << "invalid";
        QTest::newRow("superimposed: f 0") << In(219, 8, 219, T5) << "invalid";
        QTest::newRow("unknown technique") << In(219, 8, 600, T(6)) << "invalid";
    }
    // clang-format on
    void validity() { const TIsoResults r = Run(); QCOMPARE(r.error.isEmpty(), r.valid); QCOMPARE(r.valid ? "valid" : "invalid", Want()); }
    // clang-format on

    // clang-format off
    void texts_data()
    {
        // technique, class, source, De, t, d, SFD -> the texts shown, "|"-joined, or the hint
        Columns<QStringList, QString>({"form", "shown"});
        // clang-format off
        QTest::newRow("defaults") << QStringList{"3", "B", "Ir-192", "219", "8", "2", "600"} << "16 мм|592 мм|120 мм|достаточно|7, через 51,4°|W14 (табл. B.11); для Ir-192 допускается W13 (п. 6.9)" "|вне пределов 20–90 мм: только по согласованию|не менее 3,0, или не менее 2,6 с плёночной системой более высокого класса (компенсация по согласованию)|";
        QTest::newRow("short, X-ray") << QStringList{"0", "A", "Рентгеновский аппарат", "219,1", "8,18", "3,1", "100"} << "8,18 мм|91,8 мм|94,4 мм|меньше наименьшего на 2,6 мм|12, через 30°|W13 (табл. B.1)" "|не ограничена для рентгеновского аппарата|не менее 2|";
        QTest::newRow("panoramic ignores SFD") << QStringList{"2", "B", "Co-60", "1020", "16", "3", "abc"} << "16 мм|494 мм|142,9 мм|достаточно|1|W13 (табл. B.3)|вне пределов 60–150 мм: только по согласованию" "|не менее 3,0, или не менее 2,6 с плёночной системой более высокого класса (компенсация по согласованию)|";
        QTest::newRow("empty") << QStringList{"3", "B", "Ir-192", "219", " ", "2", "600"} << "Укажите толщину стенки";
        QTest::newRow("not a number") << QStringList{"3", "B", "Ir-192", "2,1,9", "8", "2", "600"} << "Наружный диаметр — не число";
        QTest::newRow("wall zero") << QStringList{"3", "B", "Ir-192", "219", "0", "2", "600"} << "Толщина стенки должна быть больше нуля и меньше половины диаметра";
        QTest::newRow("diameter negative") << QStringList{"3", "B", "Ir-192", "-219", "8", "2", "600"} << "Наружный диаметр должен быть больше нуля";
        QTest::newRow("source size zero") << QStringList{"3", "B", "Ir-192", "219", "8", "0", "600"} << "Размер источника должен быть больше нуля";
        QTest::newRow("rule") << QStringList{"4", "B", "Ir-192", "219", "8", "2", "600"} << "Эллипс — только при диаметре до 100 мм и стенке до 8 мм";
        // clang-format on
    }
    // clang-format on
    void texts()
    {
        auto [form, shown] = Fetch<QStringList, QString>({"form", "shown"});
        TIsoForm f{form[3],
                   form[4],
                   form[5],
                   form[6],
                   T(form[0].toInt()),
                   C(IsoClassNames().indexOf(form[1])),
                   S(IsoSourceNames().indexOf(form[2]))};
        const TIsoTexts x = ComputeIsoForm(f).texts;
        const QStringList got{x.w, x.f, x.fMin, x.distance, x.exposures, x.iqi, x.range, x.density, x.hint};
        const bool valid = shown.contains(QLatin1Char('|'));
        QCOMPARE(valid ? got.join(QLatin1Char('|')) : x.hint, shown);
        QCOMPARE(x.distanceFails, x.distance.startsWith(QStringLiteral("меньше")));
        QCOMPARE(x.rangeFails, x.range.startsWith(QStringLiteral("вне")));
        QCOMPARE(IsoNoteParagraph(f, x).has_value(), valid);
        if (!valid)
            QCOMPARE(QSet<QString>(got.begin(), got.end() - 1), QSet<QString>{QStringLiteral("—")});
    }

    void noteParagraph()
    {
        TIsoForm f = DefaultIsoForm();
        f.planar = true;
        QCOMPARE(*IsoNoteParagraph(f, ComputeIsoForm(f).texts),
                 QStringLiteral("Расчёт по ГОСТ ISO 17636-1: De 219 мм, t 8 мм, «Две стенки, одно изображение», "
                                "класс B, Ir-192, d 2 мм, SFD 600 мм, плоскостные несплошности -> w 16 мм, f 592 мм, "
                                "f min 120 мм: достаточно; экспозиций 7, через 51,4°; эталон W14 (табл. B.11); "
                                "для Ir-192 допускается W13 (п. 6.9); толщина вне пределов 20–90 мм: только по "
                                "согласованию; плотность не менее 3,0, или не менее 2,6 с плёночной системой более высокого класса (компенсация по согласованию)"));
    }

    // clang-format off
    void rangeTexts_data()
    {
        // Table 2 as the window writes it, every source and class, from the
        // one table the calculation reads too.
        Columns<int, int, QString, double, double>({"source", "class", "text", "low", "high"});
        QTest::newRow("Ir-192 A") << int(S::Ir192) << int(C::A) << "20–100 мм" << 20.0 << 100.0;
        QTest::newRow("Ir-192 B") << int(S::Ir192) << int(C::B) << "20–90 мм"  << 20.0 << 90.0;
        QTest::newRow("Se-75 A")  << int(S::Se75)  << int(C::A) << "10–40 мм"  << 10.0 << 40.0;
        QTest::newRow("Se-75 B")  << int(S::Se75)  << int(C::B) << "14–40 мм"  << 14.0 << 40.0;
        QTest::newRow("Co-60 A")  << int(S::Co60)  << int(C::A) << "40–200 мм" << 40.0 << 200.0;
        QTest::newRow("Co-60 B")  << int(S::Co60)  << int(C::B) << "60–150 мм" << 60.0 << 150.0;
        QTest::newRow("Yb-169 A") << int(S::Yb169) << int(C::A) << "1–15 мм"   << 1.0  << 15.0;
        QTest::newRow("Yb-169 B") << int(S::Yb169) << int(C::B) << "2–12 мм"   << 2.0  << 12.0;
    }
    // clang-format on
    void rangeTexts()
    {
        const auto [source, testClass, text, low, high]
            = Fetch<int, int, QString, double, double>({"source", "class", "text", "low", "high"});
        QCOMPARE(IsoRangeText(S(source), C(testClass)), text);
        // The calculation's bounds are the text's: on them inside, a tenth beyond outside.
        for (const auto& [t, inside] : {std::pair{low, true}, std::pair{high, true}, std::pair{low - 0.1, false},
                                       std::pair{high + 0.1, false}})
            QCOMPARE(CalculateIso17636(In(1020, t, 3000, T0, C(testClass), S(source))).thicknessInRange, inside);
        QCOMPARE(IsoRangeText(S::XRay, C(testClass)), QString());
    }

    // clang-format off
    void decimalComma_data()
    {
        Columns<double, int, bool, QString>({"value", "decimals", "trimmed", "text"});
        QTest::newRow("exact keeps zeros")  << 12.3    << 2 << false << "12,30";
        QTest::newRow("trimmed drops them") << 12.3    << 2 << true  << "12,3";
        QTest::newRow("whole, trimmed")     << 592.0   << 1 << true  << "592";
        QTest::newRow("rounds")             << 51.4286 << 1 << true  << "51,4";
        QTest::newRow("minus zero")         << -0.001  << 1 << true  << "0";
    }
    // clang-format on
    void decimalComma()
    {
        const auto [value, decimals, trimmed, text] = Fetch<double, int, bool, QString>({"value", "decimals", "trimmed", "text"});
        QCOMPARE(DecimalComma(value, decimals, trimmed ? TDecimals::Trimmed : TDecimals::Exact), text);
    }
};

QTEST_APPLESS_MAIN(TestIso17636)
#include "test_iso17636.moc"
