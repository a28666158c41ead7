#include "calc/iso17636.h"
#include "calc/calctext.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <iterator>
#include <numbers>

namespace {

// One row of an IQI table: the wire for thicknesses above the previous
// row's limit up to and including `upTo`.
struct TWireRow {
    double upTo;
    int wire;
};

struct TWireTable {
    const char* name;
    const TWireRow* rows;
    size_t count;
    int above; // beyond the last limit
};

// clang-format off
constexpr TWireRow B1[]  = {{1.2, 18}, {2.0, 17}, {3.5, 16}, {5.0, 15}, {7, 14}, {10, 13}, {15, 12}, {25, 11},
                            {32, 10}, {40, 9}, {55, 8}, {85, 7}, {150, 6}, {250, 5}};
constexpr TWireRow B3[]  = {{1.5, 19}, {2.5, 18}, {4, 17}, {6, 16}, {8, 15}, {12, 14}, {20, 13}, {30, 12},
                            {35, 11}, {45, 10}, {65, 9}, {120, 8}, {200, 7}, {350, 6}};
constexpr TWireRow B5[]  = {{1.2, 18}, {2, 17}, {3.5, 16}, {5, 15}, {7, 14}, {12, 13}, {18, 12}, {30, 11},
                            {40, 10}, {50, 9}, {60, 8}, {85, 7}, {120, 6}, {220, 5}, {380, 4}};
constexpr TWireRow B7[]  = {{1.5, 19}, {2.5, 18}, {4, 17}, {6, 16}, {8, 15}, {15, 14}, {25, 13}, {38, 12},
                            {45, 11}, {55, 10}, {70, 9}, {100, 8}, {170, 7}, {250, 6}};
constexpr TWireRow B9[]  = {{1.2, 18}, {2, 17}, {3.5, 16}, {5, 15}, {10, 14}, {15, 13}, {22, 12}, {38, 11},
                            {48, 10}, {60, 9}, {85, 8}, {125, 7}, {225, 6}, {375, 5}};
constexpr TWireRow B11[] = {{1.5, 19}, {2.5, 18}, {4, 17}, {6, 16}, {12, 15}, {18, 14}, {30, 13}, {45, 12},
                            {55, 11}, {70, 10}, {100, 9}, {180, 8}, {300, 7}};
// clang-format on

constexpr TWireTable Tables[] = {
    {"B.1", B1, std::size(B1), 4}, {"B.3", B3, std::size(B3), 5}, {"B.5", B5, std::size(B5), 3},
    {"B.7", B7, std::size(B7), 5}, {"B.9", B9, std::size(B9), 4}, {"B.11", B11, std::size(B11), 6},
};

int WireFor(const TWireTable& table, double thickness)
{
    for (size_t i = 0; i < table.count; ++i)
        if (thickness <= table.rows[i].upTo)
            return table.rows[i].wire;
    return table.above;
}

// Source side (double image), film side (double wall, single image) or the
// single wall; class A picks the first table of each pair.
const TWireTable& TableFor(TIsoTechnique technique, TIsoClass testClass)
{
    const int first
        = technique == TIsoTechnique::DoubleWallEllipse || technique == TIsoTechnique::DoubleWallSuperimposed ? 2
        : technique == TIsoTechnique::DoubleWallSingleImage                                                   ? 4
                                                                                                              : 0;
    return Tables[first + (testClass == TIsoClass::B ? 1 : 0)];
}

// How many wire numbers the 6.9 relaxation allows below the table's wire.
int Relaxation(TIsoTechnique technique, TIsoClass testClass, TIsoSource source, double w)
{
    const bool doubleImage
        = technique == TIsoTechnique::DoubleWallEllipse || technique == TIsoTechnique::DoubleWallSuperimposed;
    if (source == TIsoSource::Ir192) {
        if (doubleImage)
            return w > 10 && w <= 25 ? 1 : 0;
        if (testClass == TIsoClass::A)
            return w > 10 && w <= 24 ? 2 : w > 24 && w <= 30 ? 1 : 0;
        return w > 10 && w <= 40 ? 1 : 0;
    }
    if (source == TIsoSource::Se75) {
        const double upTo = doubleImage ? 12 : testClass == TIsoClass::A ? 24 : 20;
        return w <= upTo ? 1 : 0;
    }
    return 0;
}

struct TRange {
    double from, to;
};

// Table 2, by class A and B; the X-ray tube is not limited.
TRange ThicknessRange(TIsoSource source, TIsoClass testClass)
{
    const kelto::TSourceRow& row = kelto::SourceRowOf(source);
    const double* range = testClass == TIsoClass::A ? row.rangeA : row.rangeB;
    if (range[1] <= 0)
        return {0, HUGE_VAL};
    return {range[0], range[1]};
}

QString Mm(double value)
{
    return kelto::DecimalComma(value, 6, kelto::TDecimals::Significant) + QStringLiteral(" мм");
}

// The number of exposures for a valid set-up of techniques 0, 1 and 3;
// 0 when it does not fit an int (a source all but touching the pipe).
int ExposuresFromGeometry(const TIsoInputs& in, double f, double k)
{
    const double R = in.De / 2;
    const double u = (k * in.t + (2 * R - in.t) / k) / 2;
    const double s = std::sqrt(std::max(0.0, R * R - u * u));
    double alpha = 0;
    if (in.technique == TIsoTechnique::SingleWallSourceOutside) {
        alpha = std::asin(s / R) - std::asin(s / (R + f));
    } else {
        const double D = in.sfd - R;
        if (D <= s)
            return 1;
        alpha = std::asin(s / R) + std::asin(s / D);
    }
    if (!(alpha > 0))
        return 0;
    // N·α ≥ 180°, with room for the rounding of an α that divides it.
    const double n = std::ceil(std::numbers::pi / alpha - 1e-9);
    if (!(n < double(INT_MAX)))
        return 0;
    return std::max(1, int(n));
}

} // namespace

TIsoResults CalculateIso17636(const TIsoInputs& in)
{
    TIsoResults r;
    const auto fail = [&r](const QString& why) {
        r.error = why;
        return r;
    };
    const int technique = int(in.technique);
    if (technique < 0 || technique > int(TIsoTechnique::DoubleWallSuperimposed))
        return fail(QStringLiteral("Неизвестная схема контроля"));
    if (in.testClass != TIsoClass::A && in.testClass != TIsoClass::B)
        return fail(QStringLiteral("Неизвестный класс контроля"));
    if (int(in.source) < 0 || int(in.source) > int(TIsoSource::XRay))
        return fail(QStringLiteral("Неизвестный источник излучения"));
    if (!std::isfinite(in.De) || !(in.De > 0))
        return fail(QStringLiteral("Наружный диаметр должен быть больше нуля"));
    if (!std::isfinite(in.t) || !(in.t > 0) || !(in.t < in.De / 2))
        return fail(QStringLiteral("Толщина стенки должна быть больше нуля и меньше половины диаметра"));
    if (!std::isfinite(in.d) || !(in.d > 0))
        return fail(QStringLiteral("Размер источника должен быть больше нуля"));

    const TIsoTechnique tq = in.technique;
    const bool singleWall = tq == TIsoTechnique::SingleWallSourceOutside || tq == TIsoTechnique::SingleWallSourceInside
        || tq == TIsoTechnique::SingleWallCentral;
    const bool doubleImage = tq == TIsoTechnique::DoubleWallEllipse || tq == TIsoTechnique::DoubleWallSuperimposed;
    const double R = in.De / 2;
    const double sfd = tq == TIsoTechnique::SingleWallCentral ? R : in.sfd;
    if (!std::isfinite(sfd))
        return fail(QStringLiteral("Расстояние источник — плёнка должно быть числом"));
    const double w = singleWall ? in.t : 2 * in.t;
    const double b = doubleImage ? in.De : in.t;
    const double f = sfd - b;

    // The wall may be at most a quarter of the diameter where the edge of
    // the area is judged by the ratio of thicknesses.
    const bool thinWall = in.t / in.De <= 0.25;
    switch (tq) {
    case TIsoTechnique::SingleWallSourceOutside:
    case TIsoTechnique::DoubleWallSingleImage:
        if (!thinWall)
            return fail(QStringLiteral("Для этой схемы стенка должна быть не толще четверти диаметра"));
        if (tq == TIsoTechnique::DoubleWallSingleImage && !(sfd >= in.De))
            return fail(
                QStringLiteral("Расстояние источник — плёнка должно быть не меньше диаметра (%1)").arg(Mm(in.De)));
        break;
    case TIsoTechnique::SingleWallSourceInside:
        if (!thinWall)
            return fail(QStringLiteral("Для этой схемы стенка должна быть не толще четверти диаметра"));
        if (!(sfd >= R && sfd <= in.De - in.t))
            return fail(
                QStringLiteral("Расстояние источник — плёнка должно быть от %1 до %2").arg(Mm(R), Mm(in.De - in.t)));
        break;
    case TIsoTechnique::DoubleWallEllipse:
        if (!(in.De <= 100 && in.t <= 8))
            return fail(QStringLiteral("Эллипс — только при диаметре до 100 мм и стенке до 8 мм"));
        break;
    case TIsoTechnique::SingleWallCentral:
    case TIsoTechnique::DoubleWallSuperimposed: break;
    }
    if (!(f > 0))
        return fail(QStringLiteral("Расстояние источник — плёнка должно быть больше %1").arg(Mm(b)));

    const bool classB = in.testClass == TIsoClass::B;
    const double reduction = tq == TIsoTechnique::SingleWallSourceInside ? 0.8
        : tq == TIsoTechnique::SingleWallCentral                         ? 0.5
                                                                         : 1.0;
    const double fMin = (classB || in.planar ? 15.0 : 7.5) * in.d * std::cbrt(b * b) * reduction;
    const double k = classB ? 1.1 : 1.2;

    int exposures = 0;
    switch (tq) {
    case TIsoTechnique::SingleWallCentral: exposures = 1; break;
    case TIsoTechnique::DoubleWallEllipse: exposures = in.t / in.De < 0.12 ? 2 : 3; break;
    case TIsoTechnique::DoubleWallSuperimposed: exposures = 3; break;
    default: exposures = ExposuresFromGeometry(in, f, k); break;
    }
    if (exposures == 0)
        return fail(QStringLiteral("Источник слишком близко к трубе: число экспозиций не определено"));

    const TWireTable& table = TableFor(tq, in.testClass);
    // Techniques on one wall take the wall; the others the penetrated
    // thickness (the same number for one wall).
    const int wire = WireFor(table, singleWall ? in.t : w);
    const TRange range = ThicknessRange(in.source, in.testClass);

    r.valid = true;
    r.w = w;
    r.b = b;
    r.f = f;
    r.fMin = fMin;
    r.distanceOk = f >= fMin * (1 - 1e-12);
    r.exposures = exposures;
    r.maxRatio = k;
    r.wire = wire;
    r.wireGamma = wire - Relaxation(tq, in.testClass, in.source, w);
    r.iqiTable = QString::fromLatin1(table.name);
    r.thicknessInRange = w >= range.from && w <= range.to;
    r.minDensity = classB ? 2.3 : 2.0;
    return r;
}
