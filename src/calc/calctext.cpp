#include "calc/calctext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <string>

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

// A finite decimal number: ±digits × 10^scale.
struct TDecimal {
    bool negative = false;
    qint64 digits = 0;
    int scale = 0;
};

// At most five significant digits and at most `decimals` decimals, rounded
// from the shortest decimal text that reads back as this double, not from
// the binary value: 0.125 or 1234.567 must round as written.
TDecimal FiveSignificant(double value, int decimals)
{
    if (value == 0.0)
        return {};
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    const std::string sci(buf, res.ptr);
    TDecimal out;
    out.negative = sci[0] == '-';
    const size_t ePos = sci.find('e');
    std::string digits;
    for (size_t j = out.negative ? 1 : 0; j < ePos; ++j)
        if (sci[j] != '.')
            digits += sci[j];
    // value = 0.d1d2d3... × 10^point
    const int point = std::stoi(sci.substr(ePos + 1)) + 1;
    const int keep = std::min(5, point + decimals);
    for (int j = 0; j < keep; ++j)
        out.digits = out.digits * 10 + (j < int(digits.size()) ? digits[size_t(j)] - '0' : 0);
    if (keep >= 0 && keep < int(digits.size()) && digits[size_t(keep)] >= '5')
        ++out.digits;
    if (keep < 0)
        out.digits = 0;
    out.scale = point - std::max(keep, 0);
    return out;
}

QString FiveSignificantText(double value, int decimals)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    const TDecimal d = FiveSignificant(value, decimals);
    if (d.digits == 0)
        return QStringLiteral("0,") + QString(decimals, QLatin1Char('0'));
    const QString m = QString::number(d.digits);
    const int magnitude = int(m.size()) - 1 + d.scale;
    const QString sign = d.negative ? QStringLiteral("-") : QString();
    if (magnitude + 1 > 5) {
        QString significant = m;
        while (significant.size() > 1 && significant.endsWith(QLatin1Char('0')))
            significant.chop(1);
        QString out = sign + significant.left(1);
        if (significant.size() > 1)
            out += QLatin1Char(',') + significant.mid(1);
        out += QLatin1Char('E');
        if (magnitude < 0)
            out += QLatin1Char('-');
        out += QStringLiteral("%1").arg(std::abs(magnitude), 2, 10, QLatin1Char('0'));
        return out;
    }
    // scale ≥ -decimals here: the number in units of its last decimal.
    qint64 units = d.digits;
    for (int j = 0; j < d.scale + decimals; ++j)
        units *= 10;
    qint64 unit = 1;
    for (int j = 0; j < decimals; ++j)
        unit *= 10;
    return sign + QString::number(units / unit) + QLatin1Char(',')
        + QStringLiteral("%1").arg(units % unit, decimals, 10, QLatin1Char('0'));
}

} // namespace

double RoundedFiveSignificant(double value, int decimals)
{
    if (!std::isfinite(value))
        return std::nan("");
    const TDecimal d = FiveSignificant(value, decimals);
    // Read as the decimal it is, to the nearest double, as a typed number is.
    const std::string text = (d.negative ? "-" : "") + std::to_string(d.digits) + 'e' + std::to_string(d.scale);
    double rounded = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), rounded);
    return d.digits == 0 ? 0.0 : rounded;
}

QString DecimalComma(double value, int digits, TDecimals rule)
{
    if (rule == TDecimals::FiveSignificant)
        return FiveSignificantText(value, digits);
    QString s
        = rule == TDecimals::Significant ? QString::number(value, 'g', digits) : QString::number(value, 'f', digits);
    if (rule != TDecimals::Exact && s.contains(QLatin1Char('.')) && !s.contains(QLatin1Char('e'))) {
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
