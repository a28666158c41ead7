// The window "Журнал контроля": the table of entries with the search and the
// verdict filter, the form of the chosen entry, the conclusion and the CSV.
// Modeless, one instance, resizable, a tool window in the plug-in's look. It talks to a TJournalStore and never
// knows which one. Nothing typed is lost: a switch to another entry, a close
// and the program's end (SaveTyped) save the form first.
#pragma once
#include "gui/toolwindow.h"
#include "journal/journalstore.h"

#include <QList>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTableView;
class QTimer;

namespace kelto {

class TJournalModel;
class TfConclusion;

class TfJournal : public TToolWindow {
    Q_OBJECT
public:
    explicit TfJournal(std::unique_ptr<TJournalStore> store, QWidget* parent = nullptr);
    ~TfJournal() override;

    // Saves `entry` as a new one (an entry from a card) and shows it in the
    // form. The failure's reason is reported; false then.
    bool AddEntry(TJournalEntry entry);
    // Saves what the form holds when it differs from the stored entry; true
    // when nothing was left unsaved. A failure is reported (`report`) and the
    // form keeps the text.
    bool SaveTyped(bool report = true);
    // The entry the form holds, as typed.
    TJournalEntry FormEntry() const;
    // The form's entry when it differs from the stored one; nothing else.
    std::optional<TJournalEntry> UnsavedEntry() const;
    // An entry typed into another window (whose journal failed) shown as a
    // new one not saved yet; the next save writes it.
    void TakeUnsaved(TJournalEntry typed);
    qint64 CurrentId() const { return m_current.id; }

    // Size and column widths as one line of ini.cnf, and back; a line that
    // does not read leaves the window as built.
    QString LayoutLine() const;
    void SetLayoutLine(const QString& line);

    // The plug-in's look on this window and on the conclusion's, the one
    // made later too.
    void TakeLook(const TToolLook& look);

    // "Выгрузить в CSV…" into `path` without the dialog: the found entries.
    std::optional<QString> WriteCsv(const QString& path);
    // The entries "Заключение…" takes: the selected rows when more than one,
    // else every entry found while a search or filter is on, else the current one.
    QList<TJournalEntry> ChosenEntries() const;

public slots:
    void NewEntry();
    void Save();
    void DeleteCurrent();
    void UndoDelete();
    void OpenConclusion();
    void ExportCsv();

signals:
    // Size or column widths changed: the shell writes LayoutLine to ini.cnf.
    void layoutChanged();
    // The store failed its check after the window opened (the file is
    // damaged): it takes no change; the shell asks what to do.
    void storeDamaged(const QString& reason);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    // "Снимков": the field with its "−" and "+" beside it.
    QWidget* FilmsRow(QWidget* form);
    void Search();
    // A search still waiting for the pause in typing, run now (before the
    // found entries are taken).
    void FinishTyping();
    void ShowInForm(const TJournalEntry& entry);
    void OnRowChanged(int row, int previousRow);
    void SelectId(qint64 id);
    bool ReportFailure(const QString& what, const TStoreResult& result);
    TJournalEntry BlankEntry() const;
    // Others' changes (the store's change mark moved) and the store's state,
    // asked every few seconds while the window is open.
    void FollowOthers();

    std::unique_ptr<TJournalStore> m_store;
    TJournalModel* m_model = nullptr;
    TJournalEntry m_current; // as stored (id 0: a new one not saved yet)
    qint64 m_lastDeleted = 0;
    TfConclusion* m_conclusion = nullptr;
    std::optional<TToolLook> m_look;

    QLineEdit* eSearch = nullptr;
    QComboBox* cbVerdictFilter = nullptr;
    QTableView* tvEntries = nullptr;
    QDateEdit* eDate = nullptr;
    QLineEdit *eObject = nullptr, *eJoint = nullptr, *ePipe = nullptr, *eMaterial = nullptr, *eMethod = nullptr,
              *eSource = nullptr, *eSerial = nullptr, *eFilmSize = nullptr, *eSensitivity = nullptr,
              *eConclusion = nullptr, *ePerformer = nullptr;
    QSpinBox* eFilms = nullptr;
    QPlainTextEdit *eDefects = nullptr, *eNote = nullptr;
    QComboBox* cbVerdict = nullptr;
    QPushButton *bNew = nullptr, *bSave = nullptr, *bDelete = nullptr, *bConclusion = nullptr, *bCsv = nullptr;
    QLabel* lStatus = nullptr;
    QCheckBox* chDeleted = nullptr; // "Показать удалённые"
    QLabel* lStore = nullptr;       // the store's state, hidden while it has none
    bool m_countAwaited = false; // the status line waits for the whole list's count
    qint64 m_changeMark = 0;
    QTimer* m_searchPause = nullptr;
    static constexpr int SearchPauseMs = 180;
};

} // namespace kelto
