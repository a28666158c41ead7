#include "app/journalhook.h"
#include "app/settingsfile.h"
#include "calc/view/calcview.h"
#include "core/clock.h"
#include "gui/report.h"
#include "journal/journalrules.h"
#include "journal/sqlitestore.h"
#include "journal/view/journalopen.h"
#include "journal/view/journalwidgets.h"
#include "journal/view/tfjournal.h"
#include "journalserver/journalsettings.h"
#include "journalserver/view/serverpassword.h"
#include "journalserver/view/tfjournalsettings.h"

#include <QTimer>

namespace kelto {

TJournalHook::TJournalHook(QWidget* mainWindow, std::function<TCalcView*()> calcView)
    : QObject(mainWindow)
    , m_main(mainWindow)
    , m_calcView(std::move(calcView))
{
}

TfJournal* TJournalHook::Window(std::unique_ptr<TJournalStore> store)
{
    if (m_window)
        return m_window;
    if (!store)
        store = OpenStore();
    if (!store)
        return nullptr;
    m_window = new TfJournal(std::move(store), m_main);
    // Queued: the window is closed from outside its own timer.
    connect(m_window, &TfJournal::storeDamaged, this, &TJournalHook::FollowDamage, Qt::QueuedConnection);
    if (m_unsaved) {
        m_window->TakeUnsaved(*m_unsaved);
        m_unsaved.reset();
    }
    m_window->SetLayoutLine(ReadJournalLayoutLine());
    // The plug-in's fonts and colours, now and after every change of them.
    if (TCalcView* view = m_calcView()) {
        m_window->TakeLook(view->ToolLook());
        connect(view, &TCalcView::toolLookChanged, m_window, [this, view] { m_window->TakeLook(view->ToolLook()); });
    }
    // The layout is written once the resizing is over, not at every step of it.
    auto* later = new QTimer(m_window);
    later->setSingleShot(true);
    later->setInterval(1000);
    connect(later, &QTimer::timeout, this, [this] {
        if (m_window)
            UpdateJournalLayoutLine(m_window->LayoutLine());
    });
    connect(m_window, &TfJournal::layoutChanged, later, qOverload<>(&QTimer::start));
    return m_window;
}

std::unique_ptr<TJournalStore> TJournalHook::OpenStore()
{
    QString note;
    const TJournalSettings settings = ReadJournalSettings(&note);
    if (!note.isEmpty() && !m_settingsNoteSaid) {
        m_settingsNoteSaid = true;
        ShowWarning(note + QStringLiteral("\nЖурнал контроля ведётся на этом компьютере (journal.db)."));
    }
    if (settings.place == TJournalPlace::Server)
        return OpenLabJournal(m_main, settings, JournalFilePath());
    return OpenFileJournal(JournalFilePath());
}

void TJournalHook::OpenSettings()
{
    Guarded([this] {
        if (!m_settings) {
            m_settings = new TfJournalSettings(JournalFilePath(), m_main);
            connect(m_settings, &TfJournalSettings::settingsChanged, this, &TJournalHook::FollowSettings);
        }
        if (TCalcView* view = m_calcView())
            m_settings->ApplyLook(view->ToolLook());
        m_settings->ShowAndRaise();
    });
}

void TJournalHook::FollowSettings()
{
    Guarded([this] {
        if (!m_window)
            return; // the next opening reads journal.cnf
        if (!m_window->SaveTyped(true))
            return; // the form keeps what was typed; the window stays on its store
        const bool shown = m_window->isVisible();
        UpdateJournalLayoutLine(m_window->LayoutLine());
        delete m_window;
        if (shown)
            Open();
    });
}

void TJournalHook::FollowDamage(const QString& reason)
{
    Guarded([&] {
        if (!m_window)
            return;
        // What was typed waits for the next journal that opens.
        if (auto typed = m_window->UnsavedEntry())
            m_unsaved = std::move(typed);
        const bool shown = m_window->isVisible();
        UpdateJournalLayoutLine(m_window->LayoutLine());
        delete m_window; // its store lets the file go before it is set aside
        std::unique_ptr<TJournalStore> fresh = StartNewJournal(JournalFilePath(), reason);
        if (!fresh)
            return; // the window stays closed
        if (TfJournal* w = Window(std::move(fresh)); w && shown)
            w->ShowAndRaise();
    });
}

void TJournalHook::Open()
{
    Guarded([this] {
        if (TfJournal* w = Window())
            w->ShowAndRaise();
    });
}

void TJournalHook::AddFromCard(const TTechniqueCard& card, const TCardFields& fields)
{
    Guarded([&] {
        TfJournal* w = Window();
        if (!w)
            return;
        w->ShowAndRaise();
        w->AddEntry(EntryFromCard(card, fields, Today()));
    });
}

bool TJournalHook::SaveBeforeEnd(bool ask)
{
    if (!m_window)
        return true;
    UpdateJournalLayoutLine(m_window->LayoutLine());
    if (m_window->SaveTyped(ask) || !ask)
        return true;
    return AskYes(QStringLiteral("Запись журнала контроля не сохранена. Закрыть программу и потерять введённое?"),
                  QMessageBox::Warning);
}

} // namespace kelto
