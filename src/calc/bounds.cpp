#include "calc/bounds.h"

#include <cmath>

namespace kelto {

QString OutOfBoundsText()
{
    return QStringLiteral("Значение вне разумных пределов");
}

bool OutOfBounds(double value, double limit)
{
    return !std::isfinite(value) || std::fabs(value) > limit;
}

} // namespace kelto
