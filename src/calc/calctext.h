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

// The mark of a value there is none of, on screen, in the diary and on the card.
inline const QString NoValue = QStringLiteral("—");

// How many decimals a use keeps.
enum class TDecimals {
    Exact, // always that many: "12,30 Ки", "83,2 %"
    Trimmed // at most that many, trailing zeros dropped: "16,36", "592", "51,4"
};
// `value` rounded to `decimals` places (halves as printf rounds them), with
// the decimal comma; "-0" is written "0".
QString DecimalComma(double value, int decimals, TDecimals rule);

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
