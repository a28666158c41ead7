#include "calc/layout.h"
#include "calc/calctext.h"

#include <array>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <numbers>
#include <string>
#include <utility>

namespace {

// The machine does not trap arithmetic faults, so every operation that the
// calculation expects to fault is checked by hand and throws this.
struct ArithmeticFault { };

double Finite(double x)
{
    if (!std::isfinite(x))
        throw ArithmeticFault{};
    return x;
}

double Div(double a, double b)
{
    if (b == 0.0 || std::isnan(b))
        throw ArithmeticFault{};
    return Finite(a / b);
}

double Sqrt(double x)
{
    if (!(x >= 0.0))
        throw ArithmeticFault{};
    return Finite(std::sqrt(x));
}

double ArcSin(double x)
{
    if (!(x >= -1.0 && x <= 1.0))
        throw ArithmeticFault{};
    return std::asin(x);
}

constexpr std::array<int, 13> ThicknessBounds = {5, 9, 12, 20, 30, 40, 50, 70, 100, 140, 200, 300, 400};

// [class - 1][entry]; entry 0 is the value when no interval applies.
constexpr double SensitivityTable[3][13] = {
    {0.10, 0.20, 0.20, 0.30, 0.40, 0.50, 0.60, 0.75, 1.00, 1.25, 1.50, 2.00, 2.50},
    {0.10, 0.20, 0.30, 0.40, 0.50, 0.60, 0.75, 1.00, 1.25, 1.50, 2.00, 2.50, -1},
    {0.20, 0.30, 0.40, 0.50, 0.60, 0.75, 1.00, 1.25, 1.50, 2.00, 2.50, -1, -1},
};

// In hundredths, so that the comparisons are exact: the upper m bound of
// rows 1..8, then the four n bounds of each of the nine rows.
constexpr std::array<int, 8> ExposureRowBounds = {50, 55, 60, 65, 70, 75, 80, 85};
constexpr int ExposureBounds[9][4] = {
    {0, 36, 140, 1080},        {0, 56, 246, 100000},      {10, 56, 477, 100000},
    {17, 113, 1424, 100000},   {25, 154, 100000, 100000}, {33, 210, 100000, 100000},
    {41, 290, 100000, 100000}, {50, 413, 100000, 100000}, {59, 632, 100000, 100000},
};

struct TStandardPipe {
    int diameter, sections, length;
};
constexpr std::array<TStandardPipe, 15> StandardPipeSections = {{
    {133, 3, 140},
    {159, 3, 170},
    {219, 4, 175},
    {273, 3, 300},
    {325, 4, 345},
    {377, 4, 305},
    {426, 4, 335},
    {530, 5, 335},
    {630, 6, 330},
    {720, 7, 320},
    {820, 8, 320},
    {920, 9, 320},
    {1020, 10, 320},
    {1220, 12, 320},
    {1420, 14, 320},
}};

enum Scheme { A, B, V, G, D_, E, Zh, Z };

// Rounds to hundredths the way the table expects: value / 0.01, nearest
// whole number with ties to even, times 0.01.
double RoundToHundredths(double v)
{
    const std::optional<qint64> r = RoundHalfEven64(Div(v, 0.01));
    if (!r)
        throw ArithmeticFault{};
    return double(*r) * 0.01;
}

QString TwoDecimals(double value)
{
    return kelto::DecimalComma(value, 2, kelto::TDecimals::FiveSignificant);
}

bool IsDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

std::optional<qint64> RoundHalfEven64(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    // Independent of the current rounding mode.
    double r = std::floor(value);
    const double frac = value - r;
    if (frac > 0.5 || (frac == 0.5 && std::fmod(r, 2.0) != 0.0))
        r += 1.0;
    if (r < -9223372036854775808.0 || r >= 9223372036854775808.0)
        return std::nullopt;
    return static_cast<qint64>(r);
}

std::optional<qint64> Ceil64(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double r = std::ceil(value);
    if (r < -9223372036854775808.0 || r >= 9223372036854775808.0)
        return std::nullopt;
    return static_cast<qint64>(r);
}

std::optional<double> ParseNumber(const QString& text)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && text[i] == QLatin1Char(' '))
        ++i;
    std::string ascii;
    ascii.reserve(size_t(n) + 4);
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        if (text[i] == QLatin1Char('-'))
            ascii += '-';
        ++i;
    }
    std::string intDigits, fracDigits;
    while (i < n && IsDigit(text[i]))
        intDigits += char(text[i++].unicode());
    bool separator = false;
    if (i < n && text[i] == QLatin1Char(',')) {
        separator = true;
        ++i;
        while (i < n && IsDigit(text[i]))
            fracDigits += char(text[i++].unicode());
    }
    if (intDigits.empty() && fracDigits.empty() && !separator)
        return std::nullopt;
    std::string expDigits;
    bool expNegative = false;
    if (i < n && (text[i] == QLatin1Char('E') || text[i] == QLatin1Char('e'))) {
        ++i;
        if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
            expNegative = text[i] == QLatin1Char('-');
            ++i;
        }
        while (i < n && IsDigit(text[i]))
            expDigits += char(text[i++].unicode());
        if (expDigits.empty())
            return std::nullopt;
    }
    while (i < n && text[i] == QLatin1Char(' '))
        ++i;
    if (i != n)
        return std::nullopt;

    ascii += intDigits.empty() ? std::string("0") : intDigits;
    if (!fracDigits.empty())
        ascii += '.' + fracDigits;
    if (!expDigits.empty())
        ascii += std::string(expNegative ? "e-" : "e") + expDigits;

    double value = 0.0;
    const char* first = ascii.data();
    const char* last = first + ascii.size();
    const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        // Too small is a zero; too large does not fit and fails like any
        // other text that is not a number.
        const auto nonZero = [](const std::string& s) { return s.find_first_not_of('0') != std::string::npos; };
        if (!nonZero(intDigits) && !nonZero(fracDigits))
            return ascii[0] == '-' ? -0.0 : 0.0;
        qint64 magnitude = 0;
        if (nonZero(intDigits))
            magnitude = qint64(intDigits.size() - intDigits.find_first_not_of('0'));
        else
            magnitude = -qint64(fracDigits.find_first_not_of('0'));
        const size_t expStart = expDigits.find_first_not_of('0');
        qint64 exponent = 0;
        if (expStart != std::string::npos) {
            if (expDigits.size() - expStart > 6)
                exponent = 10000000;
            else
                exponent = std::stoll(expDigits.substr(expStart));
        }
        if (expNegative)
            exponent = -exponent;
        if (magnitude + exponent < 0)
            return ascii[0] == '-' ? -0.0 : 0.0;
        return std::nullopt;
    }
    if (ec != std::errc() || ptr != last || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString ConversionErrorText(const QString& text)
{
    return QStringLiteral("'%1' is not a valid floating point value").arg(text);
}

QString FormatInteger(qint64 value)
{
    return QString::number(value);
}

QString FormatTwoDecimals(double value)
{
    return kelto::DecimalComma(value, 2, kelto::TDecimals::FiveSignificant);
}

int ExposuresFromTable(double mr, double nr)
{
    // Compared as two-decimal numbers: whole hundredths, exactly.
    const double mh = std::nearbyint(mr * 100.0);
    const double nh = std::nearbyint(nr * 100.0);
    size_t row = 8;
    for (size_t r = 0; r < ExposureRowBounds.size(); ++r)
        if (ExposureRowBounds[r] >= mh) {
            row = r;
            break;
        }
    for (int pos = 0; pos < 4; ++pos)
        if (ExposureBounds[row][pos] >= nh)
            return 3 + pos;
    return 7;
}

double MinDistanceAndExposures(int schemeIndex, double D, double d, double K, double Phi, double F, TLayoutResults& out)
{
    try {
        for (double v : {D, d, K, Phi, F})
            Finite(v);
        const double m = Div(d, D);
        const double inner = Finite(2.6 - Div(1.0, m));
        const double q = Sqrt(Finite(1.0 - 0.2 * inner * inner));
        const double c = Div(Phi, K) >= 2.0 ? Finite(2.0 * Div(Phi, K)) : 4.0;

        double R = 0.0;
        switch (schemeIndex) {
        case A: R = Finite(0.7 * c * (D - d)); break;
        case B: R = Finite(0.7 * c * (1.0 - m) * D); break;
        case V: R = Finite(c * D); break;
        // ГОСТ 7512-82 lets the source sit on the pipe only when the bracketed
        // factor t is not above 1; otherwise the distance holds, however small
        // against the diameter. The fallback is that zero.
        case G:
        case Zh: {
            const double t = Finite(1.5 * c * (1.0 - m));
            R = t > 1.0 ? Finite((t - 1.0) * 0.5 * D) : 0.0;
            break;
        }
        case D_: {
            const double t = Finite((1.4 - m) * c);
            R = t > 1.0 ? Finite((t - 1.0) * 0.5 * D) : 0.0;
            break;
        }
        // The source stands at the pipe's centre: no distance to keep.
        case E:
        case Z: R = 0.0; break;
        default: return std::nan("");
        }

        if ((schemeIndex == E || schemeIndex == Zh || schemeIndex == Z) && Finite(D + (D - d)) < F)
            return 0.0;

        // Beside "a)" and "б)" no distance to keep is a bare "0".
        const bool bareZero = schemeIndex != A && schemeIndex != B && !(R > 0.0);
        out.minFocal = bareZero ? 0.0 : R;
        out.lFocRast = bareZero ? QStringLiteral("0") : TwoDecimals(R);

        const double n = Div(F, D);
        double N = 0.0;
        switch (schemeIndex) {
        case A:
        case B: {
            const double alpha = 57.3 * ArcSin(0.7 * m);
            const double beta = 57.3 * ArcSin(Div(0.7 * m, 2.0 * n + 1.0));
            N = Div(180.0, alpha - beta);
            break;
        }
        case V: N = 2.0; break;
        case G:
        case D_: N = ExposuresFromTable(RoundToHundredths(m), RoundToHundredths(n)); break;
        case E: N = 1.0; break;
        case Zh:
        case Z: {
            const double alpha = 57.3 * ArcSin(Finite(q * m));
            const double beta = 57.3 * ArcSin(Div(q * m, 2.0 * n + 1.0));
            N = Div(180.0, alpha + beta);
            break;
        }
        }
        return N < 0.0 ? 0.0 : N;
    } catch (const ArithmeticFault&) {
        return std::nan("");
    }
}

namespace {

// Parses the fields in the order given; the first that is no number is the
// one the message names.
std::optional<QString> ParseInOrder(std::initializer_list<std::pair<const QString&, double*>> fields)
{
    for (const auto& [text, value] : fields) {
        const std::optional<double> parsed = ParseNumber(text);
        if (!parsed)
            return ConversionErrorText(text);
        *value = *parsed;
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> CalculateLayout(const TLayoutInputs& in, TLayoutResults& out)
{
    if (in.eDiam.isEmpty() || in.eRast.isEmpty() || in.ePatno.isEmpty() || in.eDlin.isEmpty() || in.eTol.isEmpty())
        return std::nullopt;

    double L = 0, D = 0, S = 0;
    if (std::optional<QString> error = ParseInOrder({{in.eDlin, &L}, {in.eDiam, &D}, {in.eTol, &S}}))
        return error;
    const double d = D - 2.0 * S;

    // The view's list only offers 1, 2 and 3.
    if (in.cbSens < 1 || in.cbSens > 3)
        return std::nullopt;
    const double* row = SensitivityTable[in.cbSens - 1];
    double K = row[0];
    for (size_t i = 0; i + 1 < ThicknessBounds.size(); ++i)
        if (ThicknessBounds[i] < S && S <= ThicknessBounds[i + 1]) {
            K = row[i + 1];
            break;
        }
    out.sensitivity = K;
    out.lSens = TwoDecimals(K);

    double Phi = 0, F = 0;
    if (std::optional<QString> error = ParseInOrder({{in.ePatno, &Phi}, {in.eRast, &F}}))
        return error;

    const double N = MinDistanceAndExposures(in.cbSheme, D, d, K, Phi, F, out);
    if (!std::isnan(N)) {
        const std::optional<qint64> exposures = Ceil64(N);
        if (!exposures)
            return QString::fromLatin1(InvalidOperationText);
        out.exposures = *exposures;
        out.lExpo = FormatInteger(*exposures);
    }

    const std::optional<qint64> perimeter = RoundHalfEven64(std::numbers::pi * D);
    if (!perimeter)
        return QString::fromLatin1(InvalidOperationText);
    out.perimeter = *perimeter;
    out.lPerimetr = FormatInteger(*perimeter);

    if (D > 110.0) {
        qint64 count = 0, length = 0;
        bool standard = false;
        for (const TStandardPipe& p : StandardPipeSections)
            if (D == double(p.diameter)) {
                count = p.sections;
                length = p.length;
                standard = true;
                break;
            }
        if (!standard) {
            const std::optional<qint64> u = Ceil64(3.14 * D);
            if (!u)
                return QString::fromLatin1(InvalidOperationText);
            const double filmShare = 0.8 * L;
            if (filmShare == 0.0)
                return QString::fromLatin1(DivisionByZeroText);
            const std::optional<qint64> c = Ceil64(double(*u) / filmShare);
            const std::optional<qint64> fifths = Ceil64(double(*u) / 3.0 / 5.0);
            if (!c || !fifths)
                return QString::fromLatin1(InvalidOperationText);
            count = *c;
            length = 5 * *fifths;
        }
        out.lCount = FormatInteger(count);
        out.Ldlin = FormatInteger(length);
    } else {
        out.lCount = QStringLiteral("2");
        if (3.14 * D >= L) {
            out.Ldlin = in.eDlin;
        } else {
            // The film is longer than the circumference.
            out.Ldlin = FormatInteger(*perimeter);
        }
    }
    return std::nullopt;
}
