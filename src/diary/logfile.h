// The diary file log.cnf and the export note.txt. QtCore only.
#pragma once
#include "diary/daystore.h"
#include <QByteArray>
#include <optional>

class QIODevice;

namespace kelto {

enum class TLoadOutcome {
    NoFile,      // the store stays empty
    Unreadable,  // the file exists but cannot be opened: store empty
    Complete,    // every block read
    Damaged      // reading stopped early; the file was copied to log.cnf.bak
};

// Parses the bytes of a diary file into `store` (appending). Returns true when
// the whole text was read, false when reading stopped early.
bool ParseDiary(const QByteArray& bytes, DayList& store);
QByteArray EncodeDiary(const DayList& store);

// Reads `path` into `store`. A damaged file is copied to path + ".bak" first.
TLoadOutcome LoadDiary(const QString& path, DayList& store);
// Writes the whole store through QSaveFile. Returns the reason on failure;
// the previous file then stays whole.
std::optional<QString> SaveDiary(const QString& path, const DayList& store);

// The export: every record, date line, its lines, an empty line.
QByteArray EncodeNoteExport(const DayList& sortedStore);

} // namespace kelto
