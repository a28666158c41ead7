// The "Источник и экспозиция" window: the source's activity on the day of
// work and an exposure time scaled from a reference shot. Modeless, one
// instance, created on first use; its inputs live in source.cnf between runs.
#pragma once
#include "calc/sourceform.h"
#include "gui/toolwindow.h"

#include <utility>

class QComboBox;
class QLabel;
class QLineEdit;

namespace kelto {

class TDateField;

class TfSource : public TToolWindow {
    Q_OBJECT
public:
    // Reads source.cnf of the program folder; a missing or damaged file
    // gives the defaults for `workDate`.
    explicit TfSource(const QDate& workDate, QWidget* parent = nullptr);

    static QString FilePath(); // ProgramFolder() + "source.cnf"

    TSourceForm Form() const;
    void SetForm(const TSourceForm& form);
    // A new day of work (the window opens again on another day).
    void SetWorkDate(const QDate& date);

public slots:
    void Recalculate();
    void TakeIsotopeLayer();
    // The passport activity rewritten in the newly chosen unit.
    void RewriteActivityInUnit();

protected:
    QByteArray FormFileBytes() const override;
    void showEvent(QShowEvent* event) override;

private:
    // A column row: its caption and its input at the same height.
    QLineEdit* CaptionedEdit(const QString& caption, const char* name, int top);
    TDateField* CaptionedDate(const QString& caption, const char* name, int top);
    // The constructor's steps, in their order (it gives the tab order).
    void CreateInputs();
    void CreateResults();
    // source.cnf's figures, or the defaults for `workDate`.
    void LoadForm(const QDate& workDate);
    void ConnectInputs();

    QComboBox *cbIsotope = nullptr, *cbUnit = nullptr;
    QLineEdit *eActivity = nullptr, *eRefTime = nullptr, *eRefDist = nullptr, *eRefThick = nullptr, *eDist = nullptr,
              *eThick = nullptr, *eHvl = nullptr;
    TDateField *dePassport = nullptr, *deWork = nullptr, *deRef = nullptr;
    QLabel *lActivity = nullptr, *lRemaining = nullptr, *lExposure = nullptr, *lHint = nullptr;

    int m_unit = 0;
    QList<QLineEdit*> Edits() const;
    // The form's text and date fields beside the value each holds: read and
    // filled in one place.
    QList<std::pair<QLineEdit*, QString TSourceForm::*>> TextFields() const;
    QList<std::pair<TDateField*, QDate TSourceForm::*>> DateFields() const;
};

} // namespace kelto
