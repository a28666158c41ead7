// ini.cnf: line 1 the plug-in applied at start, line 2 the autostart flag,
// line 3 the journal window's size and column widths (older files lack it).
// Code page 1251, CR LF; every operation opens, uses and closes the file.
#pragma once
#include "skin/plgformat.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace kelto {

QString SettingsPath(); // ProgramFolder() + "ini.cnf"

// A plug-in path as line 1 remembers it: relative to ProgramFolder() with
// "/" separators when the file lies inside the folder, so that the folder
// can be copied or moved; any other path unchanged.
QString PluginLineFor(const QString& path);
// Line 1 back to a path to load: a relative line (either separator) is read
// against ProgramFolder(); an absolute line is taken as it stands, with "\"
// read as "/" only when the line as written names no file.
QString PluginPathFromLine(const QString& line);

// The file's lines (CR LF, CR or LF end a line); nullopt when it does not
// exist or cannot be read (`reason` then says why, when it exists).
std::optional<QStringList> ReadSettingsLines(QString* reason = nullptr);

// Start-up: applies the remembered plug-in (the default one when the first
// line is empty or the file unreadable). Only a missing file is created,
// naming the default plug-in, whatever the load gave. A file that is there
// but cannot be read (no permission, no regular file) is said in a box and
// never written over. The file is created through `later` when given (the
// window need not wait for the disk), and not if it has come by then.
void StartupPluginStep(const std::function<bool(const QString&)>& loadPlugin,
                       const std::function<void(std::function<void()>)>& later = {});

// The plug-in start-up will apply, found without a word on failures (the
// start-up step says them).
QString RememberedPluginPath();

// Line 2: exactly "0" is off, any other text on, a missing line off.
bool ReadAutoStartFlag();

// Writes `flag` as line 2, keeping the others; an empty file gets the
// default plug-in as line 1. Failures are ignored.
void UpdateFlagLine(const QString& flag);

// Line 3: the journal window's layout (TfJournal::LayoutLine); empty when
// the file has none.
QString ReadJournalLayoutLine();
// Writes line 3, keeping the others (a missing line 1 or 2 is given its
// default first). Unchanged lines are not written; failures are ignored.
void UpdateJournalLayoutLine(const QString& line);

// Switches log-on start: the autostart entry first, then line 2. When the
// entry cannot be written the reason comes back and ini.cnf is untouched.
std::optional<QString> SwitchAutoStart(bool on);

// After a plug-in was chosen and applied: line 1 becomes `chosenPath` as
// PluginLineFor gives it, the other lines (the autostart flag among them)
// stay. Failures are ignored.
void RewriteAfterPluginChoice(const QString& chosenPath);

} // namespace kelto
