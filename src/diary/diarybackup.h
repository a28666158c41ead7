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
// Of the names in the backup folder, the backups beyond `keep`, first to go
// first: copies dated after `today` (the clock was set back), then the
// oldest. Today's copy, the one just written, is never among them. Names that
// are not backups never appear here.
QStringList DiaryBackupsToDelete(const QStringList& fileNames, const QDate& today, int keep = KeptDiaryBackups);

// How the day's copy was taken.
enum class TBackupKind {
    None,     // no copy was needed (or it failed)
    HardLink, // a second name of the current file: costs no space
    Copy      // the bytes written out (a file system without hard links)
};

// Called before every write of `logPath`. When `logPath` exists and the copy
// for `today` does not, makes it: a hard link to the current file (the save
// replaces log.cnf by a new file, so the link keeps the day's first state),
// or where links cannot be made a copy through the atomic save path (with
// `wrap` over the device as WriteFileAtomically has it); then deletes the
// backups beyond KeptDiaryBackups. Returns the reason when the copy or a
// deletion failed; the caller writes log.cnf all the same.
std::optional<QString> BackUpDiaryOfDay(const QString& logPath, const QDate& today, const TDeviceWrapper& wrap = {},
                                        TBackupKind* kind = nullptr);

// Makes the day's copy by copying, as on a file system without hard links
// (FAT and exFAT sticks); tests stand in for one with it.
void SetDiaryBackupByCopy(bool byCopy);

struct TDiaryWriteResult {
    std::optional<QString> backupError;
    std::optional<QString> saveError;
    // The day's copy was written out and removed again for the save's room.
    bool backupDropped = false;
    // log.cnf had not been written yet on `today` (by anyone).
    bool firstWriteOfDay = false;
};
// The day's copy, then the save of `bytes` to `logPath`. The copy never costs
// the save: when the save fails for space and the copy was just written out
// (no hard links there), it is removed and the save tried once more.
TDiaryWriteResult WriteDiaryOfDay(const QString& logPath, const QDate& today, const QByteArray& bytes,
                                  const TDeviceWrapper& wrap = {});

} // namespace kelto
