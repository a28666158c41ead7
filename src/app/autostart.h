// Log-on start through the XDG autostart folder: the stand-in for the
// machine-wide Run list of the system the program was designed for.
#pragma once
#include <QString>
#include <optional>

namespace kelto {

// $XDG_CONFIG_HOME/autostart/kelto.desktop; ~/.config when the variable is
// unset, empty or not absolute; empty when HOME is then unset or relative.
QString AutostartEntryPath();

// The executable the entry starts: the running one, unless a test set
// another. An empty text brings the running one back.
QString AutostartExecutable();
void SetAutostartExecutable(const QString& path);

// The text of the Exec key for `program`: quoted when it holds a reserved
// character, with the escapes a desktop entry needs.
QString DesktopExecValue(const QString& program);

// The whole entry. Off keeps the entry with Hidden=true, as the empty Run
// value kept the registration present but disabled.
QByteArray AutostartEntryText(bool on, const QString& program);

// Writes the entry (creating the folder); the reason on failure.
std::optional<QString> WriteAutostartEntry(bool on);

// At start, with autostart on in ini.cnf: this user's own entry, when it
// is on and names another place than where the program now runs (the
// folder was moved), is written afresh for this one. No entry, or one
// switched off, is left as it is: in a folder shared by two users, one
// user's choice is not the other's. True when this user's entry now starts
// this program; false otherwise, with `reason` set when a rewrite failed
// (autostart then does not work and the menu must not show it on).
bool MendAutostartEntry(QString* reason = nullptr);

} // namespace kelto
