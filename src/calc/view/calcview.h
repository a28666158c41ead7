// The calculation view "Panel2": seven inputs, the scheme picture and the
// results, recalculated on every change of any input.
#pragma once
#include "calc/layout.h"
#include "calc/calcform.h"
#include "calc/layoutcheck.h"
#include "calc/sourceform.h"
#include "gui/skintargets.h"
#include "core/formfile.h"

#include <QChar>
#include <QString>
#include <QDate>
#include <QRect>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QKeyEvent;
class QLineEdit;

namespace kelto {

class TfIso;
class TfCard;
struct TCardFields;
struct TCardSource;
struct TTechniqueCard;
struct TToolLook;
class TfSource;
class TLinkLabel;

class TCalcView : public QWidget {
    Q_OBJECT
public:
    explicit TCalcView(QWidget* parent = nullptr);

    // The calculation as a paragraph for the diary: the inputs as they stand
    // and the results as shown; nullopt while any result is "?".
    std::optional<QString> NoteParagraph() const;
    // Shows `text` for a while in place of the link "Записать расчёт в дневник".
    void ShowToDiaryOutcome(const QString& text);
    // The view's links take the look of `model` (the diary's link) now and
    // whenever a plug-in changes it.
    void FollowLinkStyleOf(QWidget* model);
    // What the plug-in reaches in this view (its background and four font
    // blocks), in the order of the plug-in's table.
    const TSkinTargets& SkinTargets() const { return m_skin; }

    // The line of the results box kept free under the check block for the
    // link to the technique card.
    static constexpr QRect CardLinkPlace{331, 278, 290, 16};
    // The link to the control journal: on the card link's line, at its right.
    static constexpr QRect JournalLinkPlace{505, 278, 120, 16};

    // The day the diary link writes to (the diary's selected day); the
    // link names it when it is not today.
    void SetDiaryDaySource(std::function<QDate()> source);
    // The diary link's caption for the day it writes to.
    void UpdateDiaryLink();
    // The source window, once it has been opened; nullptr before.
    TfSource* SourceWindow() const { return m_source; }
    // Program exit: the view's calc.cnf and the form file of every tool
    // window ever opened (source.cnf, iso.cnf, card.cnf); a failure is
    // reported when asked.
    void SaveToolWindows(bool reportFailure = true);
    // How the ISO window puts its paragraph into the diary (the answer is
    // what its link says for a while); given to the window when it is made.
    void SetIsoDiaryAppend(std::function<QString(const QString&)> append) { m_isoAppend = std::move(append); }
    // The ISO window, once it has been opened; nullptr before.
    TfIso* IsoWindow() const { return m_iso; }
    // calc.cnf in the program folder.
    static QString CalcFilePath();
    // The inputs to calc.cnf (at every end of the program and when the view
    // is left); a failure is reported when asked.
    void SaveCalc(bool reportFailure = true);
    // The card window, once it has been opened; nullptr before.
    TfCard* CardWindow() const { return m_card; }
    // The plug-in's look for a tool window made outside the view (the
    // control journal's); toolLookChanged says when it changes.
    TToolLook ToolLook();

signals:
    // "Записать расчёт в дневник" was clicked: the main window writes it.
    void writeToDiaryRequested();
    // "Журнал контроля…": the shell opens the journal window.
    void journalRequested();
    // "Записать в журнал" in the card window: the card as it stands.
    void journalEntryRequested(const kelto::TTechniqueCard& card, const kelto::TCardFields& fields);
    // A plug-in changed the fonts or colours ToolLook takes.
    void toolLookChanged();

public slots:
    // The view was switched to: typing goes to its first input.
    void FocusFirstInput();
    // The whole view update: results reset, picture, calculation, error box.
    void Recalculate();
    // A pick in the scheme list: the picture only.
    void ShowPickedScheme();
    void ShowSchemePicture();
    // Start-up: all eight pictures stacked in the picture frame, only the
    // default scheme's shown.
    void PlaceSchemePictures();
    // The link: the source window, created on first use, shown and raised.
    void OpenSourceWindow();
    // The link: the ISO window, created on first use with the pipe of the
    // view, shown and raised.
    void OpenIsoWindow();
    // "Технологическая карта…" and Ctrl+P: the card window, created on
    // first use, describing this calculation.
    void OpenCardWindow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QLabel* Image2 = nullptr;
    QLabel *Label37 = nullptr, *Label38 = nullptr;
    QLabel *Label8 = nullptr, *Label9 = nullptr, *Label10 = nullptr, *Label11 = nullptr, *Label12 = nullptr,
           *Label13 = nullptr, *Label14 = nullptr;
    QLabel *Label15 = nullptr, *Label17 = nullptr, *Label22 = nullptr, *Label24 = nullptr, *Label3 = nullptr,
           *Label29 = nullptr, *Label35 = nullptr;
    QLabel *lFocRast = nullptr, *lSens = nullptr, *lPerimetr = nullptr, *lExpo = nullptr, *lCount = nullptr,
           *Ldlin = nullptr;
    QComboBox *cbSens = nullptr, *cbSheme = nullptr;
    QLineEdit *eDiam = nullptr, *eTol = nullptr, *eDlin = nullptr, *eRast = nullptr, *ePatno = nullptr;
    std::array<QLabel*, 8> is{};
    // The compliance check under the results: heading, four captions and
    // their values, and the line that says why a result is "?".
    QLabel *Label40 = nullptr, *Label41 = nullptr, *Label42 = nullptr, *Label43 = nullptr, *Label44 = nullptr;
    QLabel *focalCheck = nullptr, *angleCheck = nullptr, *wireCheck = nullptr, *filmCheck = nullptr;
    QLabel* lHint = nullptr;
    // The link that opens the source window.
    TLinkLabel* lSource = nullptr;
    // "Записать расчёт в дневник".
    TLinkLabel* lToDiary = nullptr;
    // The link that opens the check by ГОСТ ISO 17636-1.
    TLinkLabel* lIso = nullptr;
    // The link to the technique card.
    TLinkLabel* lCard = nullptr;
    TLinkLabel* lJournal = nullptr;

    // The constructor's steps, in the order the controls are created (the
    // order gives the tab order and the plug-in's target lists).
    void CreateHeadings();
    void CreateInputCaptions();
    void CreateResults();
    void CreateChecks();
    // A result value ("?" until computed) in the value column at `top`.
    QLabel* MakeValueLabel(const char* name, int top);
    void CreateSourceLink();
    void CreateInputs();
    void CreatePictures();
    void CreateLinks();
    void ConnectInputs();

    void SetResult(QLabel* label, const QString& text);
    // The check block laid out for the texts and fonts it now has: a value
    // beside its caption where it fits, under it otherwise; the hint after.
    void LayOutChecks();
    // Failing verdicts in the warning colour, the others as the plug-in
    // gives them; the added labels dressed as their neighbours.
    void DressChecks();
    // The tool windows in the plug-in's looks.
    void DressToolWindows();
    TLayoutInputs LayoutInputs() const;
    // The inputs as calc.cnf keeps them.
    TCalcForm CalcForm() const;
    // calc.cnf's inputs into the controls; a damaged file kept aside first.
    void RestoreCalcForm();
    // "Файл calc.cnf не прочитан: …" while the inputs stand as read.
    QString UnreadCalcNote() const;
    // The pipe and spot the ISO window shares, both ways.
    void GivePipeToIso();
    void TakePipeFromIso();
    // The source window's inputs, or those of source.cnf when it has not
    // been opened; nothing when neither exists.
    std::optional<TSourceForm> SourceForm() const;
    // The card window, created on first use, describing what `content` gives.
    void ShowCard(std::function<TTechniqueCard(const TCardFields&)> content);
    // The source window's figures the card carries.
    std::optional<TCardSource> CardSource() const;

    TSkinTargets m_skin;
    std::function<QDate()> m_diaryDay;
    TfSource* m_source = nullptr;
    TfIso* m_iso = nullptr;
    std::function<QString(const QString&)> m_isoAppend;
    TfCard* m_card = nullptr;
    // The last calculation: its inputs, results and check, as values that
    // the card, the colours and the layout of the checks read.
    TLayoutInputs m_inputs;
    TLayoutResults m_results;
    TLayoutCheck m_check;
    bool m_calculated = false;
    // source.cnf as read from disk, once, until the source window is made.
    mutable std::optional<std::optional<TSourceForm>> m_sourceFile;
    // calc.cnf: one not read whole is kept aside before it is written over.
    TFormFileKeeper m_calcFile;
    // The inputs as calc.cnf gave them.
    std::optional<TCalcForm> m_readCalc;
};

} // namespace kelto
