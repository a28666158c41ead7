// The window "Заключение": the conclusion's fields (remembered in
// conclusion.cnf), its number (the next free one of the year, proposed and
// editable), and its pages to a PDF file or a printer. Saving it gives the
// chosen entries the conclusion's number; a number used twice is refused.
// A tool window in the plug-in's look; conclusion.cnf is written at every close.
#pragma once
#include "gui/toolwindow.h"
#include "journal/conclusion.h"
#include "journal/journalstore.h"

#include <optional>

class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kelto {

class TfConclusion : public TToolWindow {
    Q_OBJECT
public:
    TfConclusion(TJournalStore& store, QWidget* parent = nullptr);

    static QString FilePath(); // ProgramFolder() + "conclusion.cnf"

    // The entries the conclusion reports on, in its table's order; a new
    // number is proposed.
    void SetEntries(const QList<TJournalEntry>& entries);
    // The conclusion as the fields hold it (number 0 when the field does not read).
    TConclusion Conclusion() const;
    // Stores the conclusion (once per set of entries) and writes its PDF to
    // `path`; the reason on failure (a box already said a taken number).
    std::optional<QString> SaveAndWritePdf(const QString& path);

public slots:
    void SavePdf();
    void Print();

signals:
    // The conclusion was stored: its entries carry its number now.
    void saved();

protected:
    QByteArray FormFileBytes() const override;

private:
    // Stores the conclusion unless this set of entries already has it; false
    // when refused or failed (said in a box).
    bool StoreOnce();
    void WriteFieldsFile();
    QList<TConclusionRow> Rows() const;

    TJournalStore& m_store;
    QList<TJournalEntry> m_entries;
    std::optional<TConclusion> m_stored;
    QList<QLineEdit*> m_fields; // in conclusion.cnf's order
    QLineEdit* eNumber = nullptr;
    QDateEdit* eDate = nullptr;
    QLabel* lEntries = nullptr;
    QLabel* lHint = nullptr; // the unread conclusion.cnf, then what was done
    QString m_note;
    QPushButton *bSavePdf = nullptr, *bPrint = nullptr, *bClose = nullptr;
};

} // namespace kelto
