// Exposure-layout calculation for ring welds after ГОСТ 7512-82.
// A pure computation: texts in, display texts out. QtCore only.
#pragma once
// Published as it stands for outside tools: clang-format leaves it alone.
// clang-format off
#include <QString>
#include <QtGlobal>
#include <optional>

// The seven inputs, exactly as the calculation view's controls show them.
// cbSens is the sensitivity class 1..3, cbSheme the scheme index 0..7
// ("a)", "б)", "в)", "г)", "д)", "е)", "ж)", "з)").
struct TLayoutInputs  { QString eDiam, eTol, eDlin, eRast, ePatno; int cbSens = 3; int cbSheme = 3; };

// The six display texts; a text the run did not reach stays "?". After them
// the numbers behind four of the texts, for whatever decides on them; each
// is empty while its text is "?". minFocal is R unrounded (lFocRast shows it
// by TDecimals::FiveSignificant with two decimals, or "0" where it is 0),
// sensitivity is K (-1 where the table has no value).
struct TLayoutResults { QString lSens = "?", lFocRast = "?", lExpo = "?", lPerimetr = "?", lCount = "?", Ldlin = "?";
                        std::optional<double> sensitivity, minFocal; std::optional<qint64> exposures, perimeter; };

// Fills the results one by one; returns the error text when the run stops with an error.
std::optional<QString> CalculateLayout(const TLayoutInputs& in, TLayoutResults& out);

// Writes out.lFocRast and out.minFocal (or leaves them "?" and empty) and returns the unrounded number of
// exposures, raised to 0 when negative. Arithmetic faults are swallowed: the
// run ends there and the result is NaN, which the caller shows as "?".
double MinDistanceAndExposures(int schemeIndex, double D, double d, double K, double Phi, double F,
                               TLayoutResults& out);

// Number of exposures (3..7) for schemes "г)" and "д)" from the ratios
// m = d/D and n = F/D, both already rounded to hundredths.
int ExposuresFromTable(double mr, double nr);

// Reads a decimal number written with the comma as decimal separator:
// [blanks][+|-]digits[,digits][(E|e)[+|-]digits][blanks], at least one digit
// or the comma in the mantissa. Nothing when the text does not have that form
// or its value does not fit a double.
std::optional<double> ParseNumber(const QString& text);

// "'<text>' is not a valid floating point value"
QString ConversionErrorText(const QString& text);

// The error texts of arithmetic faults that end a run.
inline constexpr const char* DivisionByZeroText = "Floating point division by zero";
inline constexpr const char* InvalidOperationText = "Invalid floating point operation";

// Decimal digits, "-" in front when negative, no grouping.
QString FormatInteger(qint64 value);

// At most five significant digits and at most two decimals (halves away from
// zero), written with exactly two decimals after a comma; a number with more
// than five integer digits goes to exponent form ("1,2346E05"). Kept for
// outside tools: DecimalComma(value, 2, TDecimals::FiveSignificant) in
// calc/calctext.h.
QString FormatTwoDecimals(double value);

// Whole-number roundings used by the calculation; nothing when the value is
// not finite or its result does not fit a 64-bit integer.
std::optional<qint64> RoundHalfEven64(double value);
std::optional<qint64> Ceil64(double value);
