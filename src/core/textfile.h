// Reading a whole file and the one atomic save path of the program: every
// file it writes goes through WriteFileAtomically. QtCore only.
#pragma once
#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QIODevice;

namespace kelto {

// Writes `bytes` to a new file beside `path` and renames it over `path`: on
// any failure the previous file stays whole. A `path` that is a symbolic link
// or anything but a regular file is refused (asked of the opened name, so a
// link swapped in later is replaced, never followed). Returns the reason on
// failure, in the user's words. A new file in a group-writable folder is
// group-writable too, whatever the umask.
std::optional<QString> WriteFileAtomically(const QString& path, const QByteArray& bytes);
// The same, with the bytes passing through a device that `wrap` lays over
// the file (a test puts one there that fails after some bytes).
using TDeviceWrapper = std::function<std::unique_ptr<QIODevice>(QIODevice& target)>;
std::optional<QString> WriteFileAtomically(const QString& path, const QByteArray& bytes, const TDeviceWrapper& wrap);
// The same onto an already opened device (fault injection in tests).
std::optional<QString> WriteAll(QIODevice& device, const QByteArray& bytes);

// Reads the whole file; nullopt when it cannot be opened or read, when it is
// larger than `limit`, or when it is not a regular file (a FIFO, a device, a
// folder: checked on the opened file, which is opened without waiting for a
// writer). `reason`, when given, receives why in the user's words.
std::optional<QByteArray> ReadWholeFile(const QString& path, qint64 limit = qint64(1) << 31, QString* reason = nullptr);

// Makes the folder `path` (its parent must be there), or takes the one there;
// never follows a link. In a group-writable parent it is group-writable too.
// The reason on failure.
std::optional<QString> MakeFolder(const QString& path);

// The reason the program shows for a system error number: its own Russian
// text, never the system's (English) one.
QString SystemErrorText(int error);
// Whether a reason from the save path means the disk (or quota) is full.
bool IsOutOfSpace(const QString& reason);

} // namespace kelto
