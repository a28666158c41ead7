// The password of the journal's server: asked when the journal first
// connects in a run and kept in this process's memory only, never written.
// Where the server needs none, or libpq finds it in ~/.pgpass (or the file
// PGPASSFILE names), nothing is asked.
#pragma once
#include "journalserver/journalsettings.h"
#include "journalserver/serverdb.h"
#include "journalserver/serverprobe.h"

#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace kelto {

// Asks the password; nullopt when the user declines. `prompt` says which
// server and user, and why it is asked again after a refusal.
using TPasswordAsker = std::function<std::optional<QString>(QWidget* parent, const QString& prompt)>;
// Tests answer the question themselves; an empty asker brings the dialog back.
void SetPasswordAsker(TPasswordAsker asker);

// The password to connect with: the one this run already took for these
// settings, or none when the server lets in without one, or the user's
// answer once the server accepted it. `check` receives the last check
// (connected or why not). Declined: an empty password, `check` says why.
// Each check runs on a thread of its own while the windows keep answering;
// after a moment a box "Соединение с сервером журнала…" lets the user give
// up ("Отмена", Esc): then `check` says so and the server counts as away.
QString ServerPassword(QWidget* parent, const TJournalSettings& settings, TConnectionCheck* check = nullptr);
// Forgets every password of this run (tests).
void ForgetServerPasswords();

// Waits for the attempt under way in `probe` with the window's thread
// serving its events (no user input for the first moment, then the box
// above, modal). nullopt: the user gave up, and the attempt is abandoned
// to end on its own.
std::optional<TProbeResult> AwaitProbe(QWidget* parent, TServerProbe& probe);
// Whether such a wait is under way: nothing starts a second one meanwhile.
bool AwaitingServer();

} // namespace kelto

#include <memory>

namespace kelto {

class TJournalStore;

// The journal of the laboratory's server as journal.cnf names it, the
// password asked when needed; entries wait in `localFile` while the server
// is away. Nothing when it cannot be used at all (its tables missing and no
// right to make them, a newer schema, journal.db unwritable): said in a box.
// Nothing either, and nothing said, while another attempt is being waited for.
std::unique_ptr<TJournalStore> OpenLabJournal(QWidget* parent, const TJournalSettings& settings,
                                              const QString& localFile);

} // namespace kelto
