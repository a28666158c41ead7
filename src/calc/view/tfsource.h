// The "Источник и экспозиция" window: the source's activity on the day of
// work and an exposure time scaled from a reference shot. Modeless, one
// instance, created on first use; its inputs live in source.cnf between runs.
#pragma once
#include "calc/sourceform.h"

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;

namespace kelto {

class TDateField;

// What the window takes from the appearance plug-in, through the
// calculation view that wears it.
struct TSourceLook {
    QColor background;
    QFont captionFont;
    QColor captionColour;
    QFont valueFont;
    QColor valueColour;
    QFont inputFont;
    QPalette inputPalette;
};

class TfSource : public QWidget {
    Q_OBJECT
public:
    // Reads source.cnf of the program folder; a missing or damaged file
    // gives the defaults for `workDate`.
    explicit TfSource(const QDate& workDate, QWidget* parent = nullptr);

    static QString FilePath(); // ProgramFolder() + "source.cnf"

    TSourceForm Form() const;
    void SetForm(const TSourceForm& form);
    // Writes source.cnf; the reason on failure.
    std::optional<QString> Save() const;
    // The appearance plug-in's colours and fonts.
    void ApplyLook(const TSourceLook& look);
    // A new day of work (the window opens again on another day).
    void SetWorkDate(const QDate& date);

public slots:
    void Recalculate();
    void TakeIsotopeLayer();
    // The passport activity rewritten in the newly chosen unit.
    void RewriteActivityInUnit();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // The constructor's steps, in their order (it gives the tab order).
    void CreateInputs();
    void CreateResults();
    void OrderTabs();
    // source.cnf's figures, or the defaults for `workDate`.
    void LoadForm(const QDate& workDate);
    void ConnectInputs();

    QComboBox *cbIsotope = nullptr, *cbUnit = nullptr;
    QLineEdit *eActivity = nullptr, *eRefTime = nullptr, *eRefDist = nullptr, *eRefThick = nullptr, *eDist = nullptr,
              *eThick = nullptr, *eHvl = nullptr;
    TDateField *dePassport = nullptr, *deWork = nullptr, *deRef = nullptr;
    QLabel *lActivity = nullptr, *lRemaining = nullptr, *lExposure = nullptr, *lHint = nullptr;

    QList<QLabel*> m_captions;
    int m_unit = 0;
    QList<QLineEdit*> Edits() const;
    QList<QWidget*> Inputs() const;
};

} // namespace kelto
