// The shell's side of the control journal: the window "Журнал контроля"
// made on first use (the journal is opened then, never at start-up), entries
// from the technique card, the window's layout in ini.cnf, and the form saved
// before the program ends.
#pragma once
#include "journal/journalentry.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace kelto {

class TCalcView;
class TfJournal;
class TfJournalSettings;
class TJournalStore;
struct TTechniqueCard;
struct TCardFields;

class TJournalHook : public QObject {
    Q_OBJECT
public:
    // `calcView`: the view whose plug-in look the journal's windows wear
    // (made when first asked for).
    TJournalHook(QWidget* mainWindow, std::function<TCalcView*()> calcView);

    // Ctrl+J and the link "Журнал контроля…": the window, opened on first use.
    void Open();
    // "Записать в журнал" in the card window: an entry from the card, saved
    // at once, and the window on it.
    void AddFromCard(const TTechniqueCard& card, const TCardFields& fields);
    // The program ends: what the form holds is saved. When that fails and
    // `ask`, the user is told and asked; false: the user stays.
    bool SaveBeforeEnd(bool ask);
    // "Журнал контроля…" of the settings menu: where the journal lives. A
    // changed choice takes effect at once: an open journal window saves its
    // form and opens again on the new store.
    void OpenSettings();

private:
    // The window, made on `store` (else on OpenStore) when there is none.
    TfJournal* Window(std::unique_ptr<TJournalStore> store = nullptr);
    // The journal failed its check while the window was open: the box, the
    // window closed, and on the user's word a new journal with what was typed.
    void FollowDamage(const QString& reason);
    // journal.db, or the laboratory's server when journal.cnf says so.
    std::unique_ptr<TJournalStore> OpenStore();
    void FollowSettings();

    QWidget* m_main;
    std::function<TCalcView*()> m_calcView;
    QPointer<TfJournal> m_window;
    QPointer<TfJournalSettings> m_settings;
    std::optional<TJournalEntry> m_unsaved; // typed into a window whose journal failed
    bool m_settingsNoteSaid = false; // a damaged journal.cnf is said once a run
};

} // namespace kelto
