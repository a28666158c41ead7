// The rules of the "Расчёт по ГОСТ ISO 17636-1" window without its widgets:
// the lists it offers, what its inputs give, the texts of its results and
// its hint, the paragraph it leaves in the diary and the file iso.cnf that
// remembers the inputs between runs. QtCore only.
#pragma once
#include "calc/calctext.h"
#include "calc/iso17636.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace kelto {

// The lists of the window, in the order of the enums.
QStringList IsoTechniqueNames(); // "Одна стенка, источник снаружи", …, "Две стенки, одно изображение", …
QStringList IsoClassNames();     // "A", "B"
QStringList IsoSourceNames();    // "Ir-192", "Se-75", "Co-60", "Yb-169", "Рентгеновский аппарат"

// Everything the window's inputs show; number fields as typed.
struct TIsoForm {
    QString De, t, d, sfd;
    TIsoTechnique technique = TIsoTechnique::DoubleWallSingleImage;
    TIsoClass testClass = TIsoClass::B;
    TIsoSource source = TIsoSource::Ir192;
    bool planar = false;
};

// The defaults of TIsoInputs as the window shows them ("219", "8", "2", "600").
TIsoForm DefaultIsoForm();

// The pipe and the source size the calculation view and the ISO window
// share: the view's diameter, wall and focal spot as typed.
struct TSharedPipe {
    QString diameter, wall, spot;
};
// `form` with the shared pipe's values in place of its own, each where its
// text is a number; the form's own value otherwise.
TIsoForm WithSharedPipe(TIsoForm form, const TSharedPipe& pipe);
// The shared pipe with the ISO window's values in place of the view's, each
// where the window's text is a number.
TSharedPipe WithIsoPipe(TSharedPipe pipe, const TIsoForm& form);

// The panoramic source stands on the pipe's axis: its distance to the film
// is half the diameter, "510 (источник на оси трубы)".
QString AxisSfdText(double De);
// The exposures and the angle between them: double-image techniques spread
// them over half the circumference ("2, через 90°"), the others over the
// whole ("7, через 51,4°").
QString IsoExposuresText(TIsoTechnique technique, int exposures);
// The density line: class B outside Table 2's range for its source asks for
// the compensation the standard allows by agreement.
QString IsoDensityText(const TIsoInputs& inputs, const TIsoResults& results, bool* compensation = nullptr);

// The texts of the results as the window shows them; "—" each when the
// inputs are not valid, and `hint` then says why.
struct TIsoTexts {
    QString w = NoValue();    // "16,36 мм"
    QString f = NoValue();    // "584 мм"
    QString fMin = NoValue(); // "104,4 мм"
    QString distance = NoValue(); // "достаточно" or "меньше наименьшего на 12,3 мм"
    QString exposures = NoValue(); // "7, через 51,4°"
    QString iqi = NoValue();   // "W14 (табл. B.11); для Ir-192 допускается W13 (п. 6.9)"
    QString range = NoValue(); // "в пределах 20–90 мм" or "вне пределов 20–90 мм: только по согласованию"
    QString density = NoValue();          // "не менее 2,3"
    QString hint;                                   // the reason for the "—", or empty
    bool distanceFails = false, rangeFails = false; // verdicts to be shown as warnings
    // The source-to-film distance as the window and the card show it: the
    // field as typed, or "510 (источник на оси трубы)" for the panoramic shot.
    QString sfd = NoValue();
    // Class B outside its thickness range: the density line asks for the
    // compensation and stands out as a warning.
    bool densityFails = false;
    // "Время экспозиции" for this set-up, and why it is "—" (empty: no reason
    // of its own; the hint above may still speak).
    QString exposureTime = NoValue();
    QString exposureHint;
    std::optional<double> exposureMinutes; // the time as a number, empty while it is "—"
    // The results are shown (not "—"); sfd holds the panoramic shot's distance.
    bool calculated = false, sfdOnAxis = false;
};

// The inputs the form's texts give, the calculation and its texts. When a
// field is not a number, `results` is not valid and its error is the hint.
struct TIsoOutcome {
    TIsoInputs inputs;
    TIsoResults results;
    TIsoTexts texts;
};
TIsoOutcome ComputeIsoForm(const TIsoForm& form);

// The calculation as one paragraph of the diary, in code page 1251
// characters only; nothing while the inputs are not valid.
std::optional<QString> IsoNoteParagraph(const TIsoForm& form, const TIsoTexts& texts);

// iso.cnf, code page 1251, CR LF, one value per line in this order:
//  1 outside diameter De, mm, as typed
//  2 wall t, mm, as typed
//  3 technique, 0..5 in the order of the window's list
//  4 class ("A" or "B")
//  5 source ("Ir-192", "Se-75", "Co-60", "Yb-169" or "Рентгеновский аппарат")
//  6 source size d, mm, as typed
//  7 source-to-film distance SFD, mm, as typed
//  8 planar imperfections to be found ("1" or "0")
// Lines 1, 2 and 6 are the calculation view's diameter, wall and focal spot,
// which the window shares; they count only while the view's texts are not
// numbers.
inline constexpr int IsoFileLines = 8;
QByteArray IsoFileBytes(const TIsoForm& form);
// The leading lines of iso.cnf that hold valid values, taken into `form`
// up to the first that does not; how many were taken.
int TakeIsoLines(const QStringList& lines, TIsoForm& form);

} // namespace kelto
