// The diary file log.cnf and the export note.txt. QtCore only.
#pragma once
#include "core/textfile.h"
#include "diary/daystore.h"
#include <QByteArray>
#include <functional>
#include <memory>
#include <optional>

class QIODevice;

namespace kelto {

enum class TLoadOutcome {
    NoFile,         // the store stays empty
    Unreadable,     // the file exists but cannot be read, or is no regular
                    // file: store empty, and the file must never be written over
    Complete,       // every block read
    Damaged,        // reading stopped early; the file was copied to log.cnf.bak
    MergedDates,    // read whole, but a date was held more than once: its
                    // records were joined into one, and the file copied to
                    // log.cnf.bak
    DamagedNoBackup, // reading stopped early and the copy failed: the file
                     // must not be replaced, or its unread part is lost
    MergedNoBackup   // read whole, a date held more than once, and the copy
                     // failed: the file is not damaged, but is not replaced
                     // in another form without its copy
};

// Parses the bytes of a diary file into `store` (appending). The store keeps
// the bytes: the notes point into them. Returns true when the whole text was
// read, false when reading stopped early. With `merged` given, the records of
// one date are joined into the first of them, in file order (lines after
// lines, nothing lost), and `merged` receives how many records were joined
// away.
bool ParseDiary(const QByteArray& bytes, TDayList& store, qsizetype* merged = nullptr);
QByteArray EncodeDiary(const TDayList& store);

// Reads `path` into `store`, one record per date. A damaged file, or one
// holding a date twice, is copied to path + ".bak" first.
TLoadOutcome LoadDiary(const QString& path, TDayList& store);
// Writes the whole store through WriteFileAtomically. Returns the reason on failure;
// the previous file then stays whole.
std::optional<QString> SaveDiary(const QString& path, const TDayList& store);

// The export: every record, date line, its lines, an empty line.
QByteArray EncodeNoteExport(const TDayList& sortedStore);

// note.txt: the store sorted by date, then every note in UTF-8 (log.cnf
// stays in code page 1251 for the diaries users bring along; the export is
// for this desktop's editors), through the atomic save path. The reason of
// a failed write, or nullopt.
std::optional<QString> WriteNoteExport(const QString& path, TDayList& store);

// A record that asks for more note lines than the rest of the file holds is
// taken as cut short and padded with empty lines, but only by up to this many;
// a count beyond that is damage. So no count, however large, makes reading
// cost more than the file's own size plus this padding.
inline constexpr qsizetype MaxPaddedLines = 4096;

// The same as LoadDiary above; `reason`, when given, receives why the file
// could not be read (Unreadable) or copied to log.cnf.bak (DamagedNoBackup,
// MergedNoBackup),
// and is empty otherwise.
TLoadOutcome LoadDiary(const QString& path, TDayList& store, QString* reason);

// Whether the file a load came from may be written over by the next save.
inline bool MayReplaceAfterLoad(TLoadOutcome outcome)
{
    return outcome != TLoadOutcome::Unreadable && outcome != TLoadOutcome::DamagedNoBackup
        && outcome != TLoadOutcome::MergedNoBackup;
}

// Where a damaged diary file is copied: path + ".bak". An older, different
// backup found there is first moved aside to path + ".bak.1" (or the next free
// number), so no damaged file's text is ever overwritten.
QString DiaryBackupPath(const QString& path);
std::optional<QString> BackUpDamagedDiary(const QString& path, const QByteArray& bytes);

// SaveDiary with the save file's device wrapped by `wrap` before the bytes go
// through it (a test puts a device there that fails after some bytes). On a
// failed write nothing is committed and the previous file stays whole.
std::optional<QString> SaveDiaryThrough(const QString& path, const TDayList& store, const TDeviceWrapper& wrap);

} // namespace kelto
