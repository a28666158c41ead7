// Number texts of the calculation: the parser must accept or refuse any
// text without faulting, the two-decimal format must write every double in
// one of its two shapes, read back within its rounding and be stable; and
// the whole calculation must survive any five input texts.
#include "calc/layout.h"

#include <QRegularExpression>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

void CheckTwoDecimals(double v)
{
    static const QRegularExpression shape(QStringLiteral("^(-?[0-9]+,[0-9]{2}|-?[1-9](,[0-9]*[1-9])?E[0-9]{2,})$"));
    const QString s = FormatTwoDecimals(v);
    if (!std::isfinite(v)) {
        Check(s == QLatin1String("NAN") || s == QLatin1String("INF") || s == QLatin1String("-INF"));
        return;
    }
    Check(shape.match(s).hasMatch());
    const std::optional<double> back = ParseNumber(s);
    // Five digits of the largest doubles round up past the double range.
    if (std::fabs(v) >= 1.79765e308 && !back)
        return;
    Check(back.has_value());
    const double slack = 0.005 + std::fabs(v) * 5e-5;
    Check(std::fabs(*back - v) <= slack * (1 + 1e-9));
    Check(FormatTwoDecimals(*back) == s);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));

    if (const std::optional<double> v = ParseNumber(text)) {
        Check(std::isfinite(*v));
        CheckTwoDecimals(*v);
    }

    if (size >= sizeof(double)) {
        double raw;
        std::memcpy(&raw, data, sizeof raw);
        CheckTwoDecimals(raw);
    }

    // Five fields split by '|', then class and scheme from the last bytes.
    const QStringList fields = text.split(QLatin1Char('|'));
    if (fields.size() >= 5) {
        TLayoutInputs in;
        in.eDiam = fields[0];
        in.eTol = fields[1];
        in.eDlin = fields[2];
        in.eRast = fields[3];
        in.ePatno = fields[4];
        in.cbSens = 1 + int(size > 0 ? data[size - 1] % 3 : 2);
        in.cbSheme = int(size > 1 ? data[size - 2] % 8 : 3);
        TLayoutResults out;
        const std::optional<QString> error = CalculateLayout(in, out);
        for (const QString* r : {&out.lSens, &out.lFocRast, &out.lExpo, &out.lPerimetr, &out.lCount, &out.Ldlin})
            Check(!r->isEmpty());
        if (error)
            Check(!error->isEmpty());
    }
    return 0;
}
