// The one rule for a value no set-up of the trade has, whichever window it
// is typed into or file it is read from: not a finite number, or beyond
// its limit in size. Such a value gives no result (it would show as "inf"
// or as three hundred digits), only the hint below. QtCore only.
#pragma once
#include <QString>

namespace kelto {

// No pipe, wall, source or distance of a shot comes near 100 m.
inline constexpr double MaxLengthMm = 1e5;

// "Значение вне разумных пределов"
QString OutOfBoundsText();

// Whether `value` is not finite or larger than `limit` in size.
bool OutOfBounds(double value, double limit);

} // namespace kelto
