// The "Расчёт по ГОСТ ISO 17636-1" window: a ring-weld set-up checked by the
// ISO standard, recomputed on every change. Modeless, one instance, created
// on first use; its inputs live in iso.cnf between runs.
#pragma once
#include "calc/isoform.h"
#include "gui/toolwindow.h"
#include "calc/sourceform.h"

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace kelto {

class TLinkLabel;

// What the window holds: its inputs as typed, what they give, and the
// result texts exactly as it shows them (a technique card reads them).
struct TIsoShown {
    TIsoForm form;
    TIsoInputs inputs;
    TIsoResults results;
    TIsoTexts texts;
};

class TfIso : public TToolWindow {
    Q_OBJECT
public:
    // Reads iso.cnf of the program folder (the defaults when it is missing
    // or damaged); the diameter and the wall are the calculation view's
    // where its texts are numbers.
    TfIso(const QString& viewDiameter, const QString& viewWall, QWidget* parent = nullptr);

    static QString FilePath(); // ProgramFolder() + "iso.cnf"

    TIsoForm Form() const;
    void SetForm(const TIsoForm& form);
    TIsoShown Shown() const;
    // How "Записать расчёт в дневник" hands its paragraph to the diary: the
    // answer is what the link says for a while (empty: nothing to say).
    void SetDiaryAppend(std::function<QString(const QString&)> append) { m_append = std::move(append); }
    // The day the diary shows: the link names it when it is not today.
    void SetDiaryDaySource(std::function<QDate()> source);
    // Where the exposure line finds the source window's inputs on today's
    // date (nothing: never filled in).
    void SetSourceForm(std::function<std::optional<TSourceForm>()> source);
    // The calculation view's pipe and focal spot, taken where they are
    // numbers; no signal back.
    void SetSharedPipe(const TSharedPipe& pipe);

signals:
    // Ctrl+P or the card link: the card of this window's calculation.
    void cardRequested();
    // The results were computed again.
    void recalculated();
    // The user changed the diameter, the wall or the source size, which the
    // calculation view shares.
    void pipeEdited();

public slots:
    void Recalculate();
    void WriteCalculationToDiary();

protected:
    QByteArray FormFileBytes() const override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // The constructor's steps, in their order (it gives the tab order).
    void CreateInputs();
    void CreateResults();
    void CreateLinks();
    void ConnectInputs();
    void UpdateDiaryLink();

    // The SFD field of the panoramic technique shows the axis distance; the
    // typed value waits for another technique.
    void ShowSfdFor(const TIsoForm& form, const TIsoTexts& texts);

    QLineEdit *eDe = nullptr, *eT = nullptr, *eD = nullptr, *eSfd = nullptr;
    QComboBox *cbTechnique = nullptr, *cbClass = nullptr, *cbSource = nullptr;
    QCheckBox* chPlanar = nullptr;
    QLabel *lW = nullptr, *lF = nullptr, *lFMin = nullptr, *lDistance = nullptr, *lExposures = nullptr, *lIqi = nullptr,
           *lRange = nullptr, *lDensity = nullptr, *lHint = nullptr;
    QLabel* lExposure = nullptr; // "Время экспозиции"
    TLinkLabel* lToDiary = nullptr;
    // "Технологическая карта…" beside the diary link (and Ctrl+P).
    TLinkLabel* lCard = nullptr;
    TIsoOutcome m_outcome;
    std::function<QString(const QString&)> m_append;
    std::function<QDate()> m_diaryDay;
    std::function<std::optional<TSourceForm>()> m_sourceForm;
    QString m_typedSfd;
    bool m_sfdOnAxis = false;
};

} // namespace kelto
