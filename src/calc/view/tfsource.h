// The "Источник и экспозиция" window: the source's activity on the day of
// work and an exposure time scaled from a reference shot. Modeless, one
// instance, created on first use; its inputs live in source.cnf between runs.
#pragma once
#include "calc/sourceform.h"

#include <QWidget>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;

namespace kelto {

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
    // The input font and colours of the appearance plug-in, as the
    // calculation view's edits have them.
    void ApplyInputFont(const QFont& font, const QPalette& palette);

public slots:
    void Recalculate();
    void TakeIsotopeLayer();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QComboBox *cbIsotope = nullptr, *cbUnit = nullptr;
    QLineEdit *eActivity = nullptr, *eRefTime = nullptr, *eRefDist = nullptr, *eRefThick = nullptr, *eDist = nullptr,
              *eThick = nullptr, *eHvl = nullptr;
    QDateEdit *dePassport = nullptr, *deWork = nullptr, *deRef = nullptr;
    QLabel *lActivity = nullptr, *lRemaining = nullptr, *lExposure = nullptr, *lHint = nullptr;

    QList<QLineEdit*> edits() const;
    QList<QWidget*> inputs() const;
};

} // namespace kelto
