#include "calc/calctext.h"

#include <iterator>

namespace kelto {

namespace {

// Half-lives: Ir-192 73,83 d, Se-75 119,78 d, Co-60 1925,28 d (5,2713 a),
// Yb-169 32,02 d.
constexpr TSourceRow Sources[] = {
    {"Ir-192", 73.83, "13,0", {20, 100}, {20, 90}},
    {"Se-75", 119.78, "", {10, 40}, {14, 40}},
    {"Co-60", 1925.28, "21,0", {40, 200}, {60, 150}},
    {"Yb-169", 32.02, "", {1, 15}, {2, 12}},
    {"Рентгеновский аппарат", 0, "", {0, 0}, {0, 0}},
};

} // namespace

QString DecimalComma(double value, int decimals, TDecimals rule)
{
    QString s = QString::number(value, 'f', decimals);
    if (rule == TDecimals::Trimmed && s.contains(QLatin1Char('.'))) {
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.endsWith(QLatin1Char('.')))
            s.chop(1);
    }
    if (s == QLatin1String("-0"))
        s = QStringLiteral("0");
    return s.replace(QLatin1Char('.'), QLatin1Char(','));
}

std::span<const TSourceRow> SourceTable()
{
    return Sources;
}

const TSourceRow& SourceRowOf(TIsoSource source)
{
    const auto i = size_t(source);
    return Sources[i < std::size(Sources) ? i : std::size(Sources) - 1];
}

QString IsoRangeText(TIsoSource source, TIsoClass testClass)
{
    const TSourceRow& row = SourceRowOf(source);
    const double* range = testClass == TIsoClass::A ? row.rangeA : row.rangeB;
    if (range[1] <= 0)
        return QString();
    return QStringLiteral("%1–%2 мм")
        .arg(DecimalComma(range[0], 1, TDecimals::Trimmed), DecimalComma(range[1], 1, TDecimals::Trimmed));
}

} // namespace kelto
