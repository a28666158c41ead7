// The rules of the "Источник и экспозиция" window without its widgets: what
// the inputs give, the texts of the results and the hint, and the file
// source.cnf that remembers the inputs between runs. QtCore only.
#pragma once
#include "calc/calctext.h"
#include "calc/source.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

namespace kelto {

// The isotopes in the order of the window's list.
inline constexpr TIsotope SourceIsotopes[] = {TIsotope::Ir192, TIsotope::Se75, TIsotope::Co60, TIsotope::Yb169};
QStringList SourceIsotopeNames(); // "Ir-192", "Se-75", "Co-60", "Yb-169"
QStringList SourceUnitNames();    // "Ки", "ГБк"
inline constexpr double GBqPerCi = 37.0;

// The half-value layer in steel the window fills in when an isotope is
// chosen: "13,0" for Ir-192, "21,0" for Co-60, empty where the user has to
// give it (Se-75, Yb-169).
QString DefaultHalfValueLayerText(int isotopeIndex);

// Everything the window's inputs show; number fields as typed.
struct TSourceForm {
    int isotope = 0;  // index into SourceIsotopes
    QString activity; // passport activity
    int unit = 0;     // 0 Ки, 1 ГБк
    QDate passportDate;
    QDate workDate; // not remembered: the day the window opens
    QString refMinutes, refDistance, refThickness;
    QDate refDate;
    QString distance, thickness;
    QString hvl = QStringLiteral("13,0");
};

// The window's state before anything is typed, for a work date.
TSourceForm DefaultSourceForm(const QDate& workDate);

struct TSourceResults {
    QString activity = NoValue();  // "12,34 Ки (456,58 ГБк)", the chosen unit first
    QString remaining = NoValue(); // "83,2 %"
    QString exposure = NoValue();  // "3 мин 42 с", "16 ч 0 мин 0 с"
    QString hint;                            // the first reason for a "—", or empty
    // The numbers behind the activity and the time, empty while they are "—".
    std::optional<double> activityCi, exposureMinutes;
};

TSourceResults ComputeSource(const TSourceForm& form);

// "3 мин 42 с", from one hour "16 ч 0 мин 0 с": minutes rounded up to whole
// seconds. Empty when the value is not a positive time that fits.
QString ExposureText(double minutes);

// A passport activity typed in one unit (0 Ки, 1 ГБк) written in the other,
// with up to two decimals; the text as it is when it is no number or the
// units are the same.
QString ConvertActivityText(const QString& text, int fromUnit, int toUnit);

// No source holds more than this; anything above is a typing slip.
inline constexpr double MaxActivityCi = 1e6;

// source.cnf, code page 1251, CR LF, one value per line in this order:
//  1 isotope ("Ir-192", "Se-75", "Co-60" or "Yb-169")
//  2 passport activity, as typed
//  3 its unit ("Ки" or "ГБк")
//  4 passport date, dd.MM.yyyy
//  5 reference shot: time, min
//  6 reference shot: distance, mm
//  7 reference shot: thickness, mm
//  8 reference shot: date, dd.MM.yyyy
//  9 distance of the shot to make, mm
// 10 its thickness, mm
// 11 half-value layer in steel, mm
// The work date is not kept: a date remembered from another day would give
// another day's activity without a word.
inline constexpr int SourceFileLines = 11;
QByteArray SourceFileBytes(const TSourceForm& form);
// Nothing when the bytes are not such a file; `workDate` fills the date the
// file does not hold.
std::optional<TSourceForm> ParseSourceFile(const QByteArray& bytes, const QDate& workDate);
// The leading lines of source.cnf that hold valid values, taken into `form`
// up to the first that does not; how many were taken.
int TakeSourceLines(const QStringList& lines, TSourceForm& form);

} // namespace kelto
