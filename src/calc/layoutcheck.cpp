#include "calc/layoutcheck.h"

#include <QStringList>
#include <array>
#include <cmath>

namespace {

// Scheme indices of the two schemes with the source at the pipe's centre,
// which take the whole circumference in one exposure, and of "в)", whose
// exposures share half a turn.
constexpr int SchemeV = 2, SchemeE = 5, SchemeZ = 7;

QString FocalCheck(const TLayoutInputs& in, const TLayoutResults& results)
{
    if (results.lFocRast == QLatin1String("?"))
        return QStringLiteral("—");
    const std::optional<double> minimum = ParseNumber(results.lFocRast);
    const std::optional<double> focal = ParseNumber(in.eRast);
    if (!minimum || !focal)
        return QStringLiteral("—");
    // Against the distance as shown: a focal distance typed equal to the
    // shown minimum is enough.
    if (*focal >= *minimum)
        return QStringLiteral("достаточно");
    return QStringLiteral("меньше минимального на %1 мм").arg(FormatTwoDecimals(*minimum - *focal));
}

QString AngleCheck(const TLayoutInputs& in, const TLayoutResults& results)
{
    if (in.cbSheme == SchemeE || in.cbSheme == SchemeZ)
        return QStringLiteral("—");
    bool ok = false;
    const qint64 n = results.lExpo.toLongLong(&ok);
    if (!ok || n < 2)
        return QStringLiteral("—");
    const qint64 turn = in.cbSheme == SchemeV ? 1800 : 3600; // tenths of a degree
    // Tenths of a degree rounded half away from zero, in whole numbers so
    // that 22,5° is not at the mercy of binary fractions. Beyond the turn
    // the angle rounds to nothing anyway.
    const qint64 tenths = n > turn * 2 ? 0 : (2 * turn + n) / (2 * n);
    return QStringLiteral("%1,%2° ± 3°").arg(tenths / 10).arg(tenths % 10);
}

// The wire sets of the standard, diameters in thousandths of a millimetre.
constexpr std::array<std::array<int, 7>, 4> WireSets = {{
    {200, 160, 125, 100, 80, 63, 50},
    {400, 320, 250, 200, 160, 125, 100},
    {1250, 1000, 800, 630, 500, 400, 320},
    {4000, 3200, 2500, 2000, 1600, 1250, 1000},
}};

QString WireCheck(const TLayoutResults& results)
{
    if (results.lSens == QLatin1String("?") || results.lSens == QLatin1String("-1,00"))
        return QStringLiteral("—");
    const std::optional<double> k = ParseNumber(results.lSens);
    if (!k || !(std::fabs(*k) < 1e6))
        return QStringLiteral("—");
    int d = int(std::lround(*k * 1000.0));
    // Sensitivities with no wire of their own take the next wire up.
    switch (d) {
    case 300: d = 320; break;
    case 600: d = 630; break;
    case 750: d = 800; break;
    case 1500: d = 1600; break;
    default: break;
    }
    QStringList sets;
    for (size_t s = 0; s < WireSets.size(); ++s)
        for (int wire : WireSets[s])
            if (wire == d) {
                sets << QString::number(s + 1);
                break;
            }
    // No set holds such a wire: nothing to recommend.
    if (sets.isEmpty())
        return QStringLiteral("—");
    return QStringLiteral("%1 мм, набор № %2").arg(FormatTwoDecimals(d / 1000.0), sets.join(QStringLiteral(", ")));
}

} // namespace

TLayoutCheck CheckLayout(const TLayoutInputs& in, const TLayoutResults& results)
{
    TLayoutCheck check;
    check.focalCheck = FocalCheck(in, results);
    check.angleCheck = AngleCheck(in, results);
    check.wireCheck = WireCheck(results);
    return check;
}
