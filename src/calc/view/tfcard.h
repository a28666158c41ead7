// The "Технологическая карта" window: the card of the calculation it was
// opened from, as it will print, and the fields the user fills in. Modeless,
// one instance, created on first use; the fields live in card.cnf between
// runs. The page goes to a PDF file or to a printer.
#pragma once
#include "calc/techniquecard.h"
#include "gui/toolwindow.h"

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kelto {

class TfCard : public TToolWindow {
    Q_OBJECT
public:
    // The card of a calculation as it stands, with the user's fields.
    using TContent = std::function<TTechniqueCard(const TCardFields&)>;

    // Reads card.cnf of the program folder; a missing or damaged file gives
    // the first-use fields. An empty "Источник излучения" takes
    // `defaultSource` (the source window's isotope).
    explicit TfCard(const QString& defaultSource, QWidget* parent = nullptr);

    static QString FilePath(); // ProgramFolder() + "card.cnf"

    // Which calculation the card describes; shown at once.
    void SetContent(TContent content);
    const TTechniqueCard& Card() const { return m_card; }

    TCardFields Fields() const;
    void SetFields(const TCardFields& fields);
    // The page as a PDF into `path`, through the atomic save path; the
    // reason on failure (a card that does not fit its page is refused).
    std::optional<QString> WritePdf(const QString& path) const;

signals:
    // "Записать в журнал" (Ctrl+J): the shell adds an entry from Card() and Fields().
    void journalRequested();

public slots:
    // The card again from the calculation and the fields.
    void Refresh();
    // "Сохранить PDF…": the save dialog, then the file.
    void SavePdf();
    // "Печать…": the print dialog, then the printer.
    void Print();

protected:
    QByteArray FormFileBytes() const override;
    void changeEvent(QEvent* event) override;

private:
    // The card as it stands can go to paper: calculated and on one page (said when not).
    bool ReadyToOutput();
    QList<QLineEdit*> Edits() const;
    // The fields in the window's order, those of a tube only for a tube.
    void LayOutFields();
    // Says that a card does not fit, or clears what it said.
    void ShowOverflow();
    // Every text of the status line goes through here, which keeps whether
    // it is the refusal of a card that does not fit.
    void SetStatus(const QString& text, bool overflow = false);

    // One field of card.cnf: its caption and its edit (or the IQI's choice).
    struct TFieldRow {
        QLabel* caption = nullptr;
        QWidget* input = nullptr;
        QString TCardFields::*field = nullptr;
    };
    QList<TFieldRow> m_rows;
    QComboBox* cbIqiPosition = nullptr;
    QStringList m_extra;      // a later version's lines of card.cnf
    QWidget* pPage = nullptr; // the preview
    QPushButton *bSavePdf = nullptr, *bPrint = nullptr, *bClose = nullptr, *bToJournal = nullptr;
    QLabel* lStatus = nullptr;


    TContent m_content;
    TTechniqueCard m_card;
    std::optional<QString> m_overflow;
    // The line that says why the card cannot be saved, while it stands.
    QString m_notReadyShown;
    bool m_noteShown = false;
    bool m_overflowShown = false;
};

} // namespace kelto
