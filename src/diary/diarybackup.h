// Daily copies of log.cnf: before the first write of the diary on each
// calendar day the file as it stands is copied to backup/log-YYYY-MM-DD.cnf
// beside it, so a note cleared by mistake (and autosaved two seconds later)
// can still be brought back. QtCore only.
#pragma once
#include "core/textfile.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

namespace kelto {

// How many daily copies are kept; older ones are deleted.
inline constexpr int KeptDiaryBackups = 30;

// The folder of the copies beside `logPath`, ending in "/".
QString DiaryBackupFolder(const QString& logPath);
// "log-2026-12-08.cnf".
QString DiaryBackupName(const QDate& day);
// The day a backup's file name stands for; an invalid date for any other name
// (such files are the user's and are never touched).
QDate DiaryBackupDay(const QString& fileName);
// Of the names in the backup folder, the backups beyond the newest `keep`,
// oldest first. Names that are not backups never appear here.
QStringList DiaryBackupsToDelete(const QStringList& fileNames, int keep = KeptDiaryBackups);

// Called before every write of `logPath`. When `logPath` exists and the copy
// for `today` does not, copies it there (through the atomic save path, with
// `wrap` over the device as WriteFileAtomically has it) and deletes the
// backups beyond the newest KeptDiaryBackups. Returns the reason when the
// copy or a deletion failed; the caller writes log.cnf all the same.
std::optional<QString> BackUpDiaryOfDay(const QString& logPath, const QDate& today, const TDeviceWrapper& wrap = {});

} // namespace kelto
