// calc.cnf: the calculation view's inputs kept between runs, so that the
// view after a restart shows what it showed. QtCore only.
#pragma once
#include "calc/layout.h"
#include "core/formfile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace kelto {

// The view's seven inputs as the controls hold them.
struct TCalcForm {
    int sensClass = 3; // 1..3
    int scheme = 3;    // 0..7, "a)" .. "з)"; "г)" at first
    QString focal = QStringLiteral("100");
    QString spot = QStringLiteral("2,5");
    QString film = QStringLiteral("300");
    QString diameter = QStringLiteral("219");
    QString wall = QStringLiteral("6,0");
    bool operator==(const TCalcForm&) const = default;
};

// The inputs the calculation takes from the form.
TLayoutInputs LayoutInputsOf(const TCalcForm& form);

// calc.cnf, code page 1251, CR LF, one value per line in this order:
//  1 sensitivity class ("1", "2" or "3")
//  2 control scheme, 0..7 in the order of the view's list
//  3 focal distance F, mm, as typed
//  4 focal spot, mm, as typed
//  5 film length, mm, as typed
//  6 outer diameter D, mm, as typed
//  7 wall thickness S, mm, as typed
inline constexpr int CalcFileLines = 7;
QByteArray CalcFileBytes(const TCalcForm& form);
// The leading lines of calc.cnf that hold valid values, taken into `form`
// up to the first that does not; how many were taken.
int TakeCalcLines(const QStringList& lines, TCalcForm& form);

// What the view starts with: calc.cnf's inputs read through its keeper,
// the first start's under the valid leading lines of a file not read whole
// (which the keeper then keeps aside before anything is written over it).
TCalcForm ReadCalcForm(TFormFileKeeper& file);

} // namespace kelto
