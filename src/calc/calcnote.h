// The calculation as one paragraph of the diary: the inputs as their texts
// stand and the results as the view shows them. QtCore only.
#pragma once
#include <QDate>
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

// The caption of a link that writes a calculation into the diary (the
// calculation view's and the ISO window's alike): it names the day when the
// diary shows another day than `today`.
QString ToDiaryCaption(const QDate& day, const QDate& today);
// What the link says for a while afterwards: "Записано в заметку за
// 09.12.2026", or "Уже записано …" when the note ended with it already.
QString ToDiaryOutcome(const QDate& day, bool already);

} // namespace kelto
