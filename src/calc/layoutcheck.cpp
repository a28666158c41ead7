#include "calc/layoutcheck.h"
#include "calc/calctext.h"

#include <QStringList>
#include <array>
#include <cmath>
#include <numbers>
#include <optional>

namespace {

using kelto::DecimalComma;
using kelto::NoValue;
using kelto::RoundedFiveSignificant;
using kelto::TDecimals;

// Scheme indices of the two schemes with the source at the pipe's centre,
// which take the whole circumference in one exposure, and of "в)", whose
// exposures share half a turn.
constexpr int SchemeV = 2, SchemeE = 5, SchemeZh = 6, SchemeZ = 7;

// Whole-number ceiling that forgives the last bits of a division meant to
// come out whole; nothing when the value is beyond any sensible count.
std::optional<qint64> CeilCount(double value)
{
    if (!std::isfinite(value) || value > 1e15 || value < -1e15)
        return std::nullopt;
    return qint64(std::ceil(value - 1e-9));
}

QString TwoDecimals(double value)
{
    return DecimalComma(value, 2, TDecimals::FiveSignificant);
}

std::optional<QString> FocalCheck(const TLayoutInputs& in, const TLayoutResults& results, bool& fails)
{
    const std::optional<double> focal = ParseNumber(in.eRast);
    if (!results.minFocal || !focal)
        return std::nullopt;
    // Against the distance as shown: a focal distance typed equal to the
    // shown minimum is enough, though the minimum itself be a little more.
    const double minimum = RoundedFiveSignificant(*results.minFocal, 2);
    if (*focal >= minimum)
        return QStringLiteral("достаточно");
    fails = true;
    return QStringLiteral("меньше минимального на %1 мм").arg(TwoDecimals(minimum - *focal));
}

std::optional<QString> AngleCheck(const TLayoutInputs& in, const TLayoutResults& results)
{
    if (in.cbSheme == SchemeE || in.cbSheme == SchemeZ || !results.exposures || *results.exposures < 2)
        return std::nullopt;
    const qint64 n = *results.exposures;
    const qint64 turn = in.cbSheme == SchemeV ? 1800 : 3600; // tenths of a degree
    // Tenths of a degree rounded half away from zero, in whole numbers so
    // that 22,5° is not at the mercy of binary fractions. Beyond the turn
    // the angle rounds to nothing anyway.
    const qint64 tenths = n > turn * 2 ? 0 : (2 * turn + n) / (2 * n);
    return DecimalComma(double(tenths) / 10.0, 1, TDecimals::Exact) + QStringLiteral("° ± 3°");
}

// The wire sets of the standard, diameters in thousandths of a millimetre.
constexpr std::array<std::array<int, 7>, 4> WireSets = {{
    {200, 160, 125, 100, 80, 63, 50},
    {400, 320, 250, 200, 160, 125, 100},
    {1250, 1000, 800, 630, 500, 400, 320},
    {4000, 3200, 2500, 2000, 1600, 1250, 1000},
}};

std::optional<QString> WireCheck(const TLayoutResults& results, int& micrometres)
{
    // -1: the table has no sensitivity for this thickness.
    const std::optional<double> k = results.sensitivity;
    if (!k || *k < 0.0 || !(*k < 1e6))
        return std::nullopt;
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
        return std::nullopt;
    micrometres = d;
    return QStringLiteral("%1 мм, набор № %2").arg(TwoDecimals(d / 1000.0), sets.join(QStringLiteral(", ")));
}

// A film is used over 0,8 of its length: the 20 % overlap the control
// sections of the calculation assume too.
std::optional<QString> FilmCheck(const TLayoutInputs& in, const TLayoutResults& results, bool& fails)
{
    // "в)" images an ellipse through both walls, "з)" takes one arc: no
    // section of the circumference per exposure to compare with.
    if (in.cbSheme == SchemeV || in.cbSheme == SchemeZ)
        return std::nullopt;
    if (!results.exposures || !results.perimeter || *results.exposures < 1)
        return std::nullopt;
    const std::optional<double> film = ParseNumber(in.eDlin);
    const std::optional<double> diameter = ParseNumber(in.eDiam);
    const qint64 n = *results.exposures;
    if (!film || !diameter || !(*film > 0.0) || !(*diameter > 0.0))
        return std::nullopt;
    const double usable = 0.8 * *film;
    const double perimeter = std::numbers::pi * *diameter;
    const std::optional<qint64> cassettes = CeilCount(perimeter / usable);
    if (!cassettes)
        return std::nullopt;
    if (in.cbSheme == SchemeE)
        return QStringLiteral("кассет на окружность: %1").arg(*cassettes);
    const double section = perimeter / double(n);
    const std::optional<qint64> whole = CeilCount(section);
    if (!whole)
        return std::nullopt;
    if (usable >= section - 1e-9)
        return QStringLiteral("достаточно (участок %1 мм)").arg(*whole);
    fails = true;
    return QStringLiteral("короче участка %1 мм: нужно экспозиций не менее %2").arg(*whole).arg(*cassettes);
}

// Why the results are "?" (or partly so): the first input that explains it.
QString Hint(const TLayoutInputs& in)
{
    struct TField {
        const QString& text;
        const char* missing;
        const char* notPositive;
    };
    const std::array<TField, 5> fields = {{
        {in.eDiam, "Укажите диаметр", "Диаметр должен быть больше нуля"},
        {in.eTol, "Укажите толщину", "Толщина должна быть больше нуля"},
        {in.eDlin, "Укажите длину снимка", "Длина снимка должна быть больше нуля"},
        {in.eRast, "Укажите фокусное расстояние", "Фокусное расстояние должно быть больше нуля"},
        {in.ePatno, "Укажите фокусное пятно", "Фокусное пятно должно быть больше нуля"},
    }};
    for (const TField& f : fields)
        if (f.text.trimmed().isEmpty())
            return QString::fromUtf8(f.missing);
    std::array<double, 5> v{};
    for (size_t i = 0; i < fields.size(); ++i) {
        const std::optional<double> value = ParseNumber(fields[i].text);
        // The error box names a text that is no number.
        if (!value)
            return QString();
        v[i] = *value;
    }
    for (size_t i = 0; i < fields.size(); ++i)
        if (!(v[i] > 0.0))
            return QString::fromUtf8(fields[i].notPositive);
    const double D = v[0], S = v[1], F = v[3];
    if (S >= D / 2.0)
        return QStringLiteral("Толщина стенки должна быть меньше половины диаметра");
    // Below this ratio of diameters the root of the minimum-distance
    // formulas has no value.
    if ((D - 2.0 * S) / D < 1.0 / (2.6 + std::sqrt(5.0)))
        return QStringLiteral("Толщина стенки слишком велика для этого диаметра");
    if ((in.cbSheme == SchemeE || in.cbSheme == SchemeZh || in.cbSheme == SchemeZ) && F > D + 2.0 * S) {
        static const QStringList letters = {QStringLiteral("е)"), QStringLiteral("ж)"), QStringLiteral("з)")};
        return QStringLiteral("Для схемы %1 фокусное расстояние должно быть не больше %2 мм")
            .arg(letters[in.cbSheme - SchemeE], TwoDecimals(D + 2.0 * S));
    }
    return QString();
}

} // namespace

TLayoutCheck CheckLayout(const TLayoutInputs& in, const TLayoutResults& results)
{
    TLayoutCheck check;
    check.hint = Hint(in);
    // While the hint names an input that is missing or impossible, no
    // verdict on the other inputs is worth reading.
    if (!check.hint.isEmpty())
        return check;
    const auto take = [&check](QString& line, const std::optional<QString>& verdict) {
        line = verdict.value_or(NoValue());
        check.anyVerdict = check.anyVerdict || verdict;
    };
    take(check.focalCheck, FocalCheck(in, results, check.focalFails));
    take(check.angleCheck, AngleCheck(in, results));
    take(check.wireCheck, WireCheck(results, check.wireMicrometres));
    take(check.filmCheck, FilmCheck(in, results, check.filmFails));
    return check;
}
