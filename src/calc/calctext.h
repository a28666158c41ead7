// The calculation's texts in one place: the "no value" mark, the one
// decimal-comma formatter, and the one table of the sources (names,
// half-life, half-value layer in steel, the thickness ranges of the ISO
// standard's Table 2) from which every list and range text is built.
// QtCore only.
#pragma once
#include "calc/iso17636.h"

#include <QString>
#include <QStringList>
#include <span>

namespace kelto {

// The mark of a value there is none of, on screen, in the diary and on the
// card. A function, not a global object, so that other globals and default
// members may take it whatever the order their files start in.
inline QString NoValue()
{
    return QStringLiteral("—");
}

// How a use rounds and writes its number.
enum class TDecimals {
    Exact, // always `digits` decimals: "12,30 Ки", "83,2 %"
    Trimmed, // at most `digits` decimals, trailing zeros dropped: "16,36", "592", "51,4"
    // The layout's results: at most five significant digits and at most
    // `digits` decimals, halves away from zero as the number's shortest
    // decimal text reads ("0,125" gives "0,13"), always `digits` decimals
    // written; more than five integer digits in exponent form ("1,2346E05");
    // "NAN", "INF", "-INF".
    FiveSignificant,
    Significant // `digits` significant digits, trailing zeros dropped: "104,4", "1e+06"
};
// `value` written by `rule` with the decimal comma (Exact, Trimmed and
// Significant round halves as printf does); "-0" is written "0".
QString DecimalComma(double value, int digits, TDecimals rule);

// The number DecimalComma(value, decimals, TDecimals::FiveSignificant)
// writes, as a number: what a comparison against the shown value compares.
// NaN when the value is not finite.
double RoundedFiveSignificant(double value, int decimals);

// One source of radiation, in the order of the ISO window's list.
struct TSourceRow {
    const char* name;      // "Ir-192", …, "Рентгеновский аппарат"
    double halfLifeDays;   // 0 for the X-ray tube
    const char* hvl;       // half-value layer in steel, mm, as the source window fills it in; "" where the user gives it
    double rangeA[2];      // Table 2, w in mm, class A; {0, 0}: not limited (the tube)
    double rangeB[2];      // the same, class B
};
std::span<const TSourceRow> SourceTable();
// The row of an ISO source.
const TSourceRow& SourceRowOf(TIsoSource source);

// Table 2 as the window writes it: "20–90 мм"; empty for the X-ray tube.
QString IsoRangeText(TIsoSource source, TIsoClass testClass);

} // namespace kelto
