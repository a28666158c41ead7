// The calculation as one paragraph of the diary: the inputs as their texts
// stand and the results as the view shows them. QtCore only.
#pragma once
#include <QString>
#include <optional>

namespace kelto {

struct TCalcNoteInputs {
    QString diam;  // eDiam
    QString tol;   // eTol
    QString sens;  // cbSens
    QString sheme; // cbSheme
    QString rast;  // eRast
    QString patno; // ePatno
};

struct TCalcNoteResults {
    QString sens;     // lSens
    QString focRast;  // lFocRast
    QString expo;     // lExpo
    QString perimetr; // lPerimetr
};

// The paragraph, in code page 1251 characters only; nullopt while any of the
// results is "?" (there is nothing worth writing down yet).
std::optional<QString> CalcNoteParagraph(const TCalcNoteInputs& in, const TCalcNoteResults& out);

} // namespace kelto
