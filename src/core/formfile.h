// The program's form files (iso.cnf, source.cnf, card.cnf, calc.cnf and
// those added later): one line per value, CR LF. A file read but not read
// whole is kept byte for byte as <name>.bak before anything writes over it.
// QtCore only.
#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace kelto {

// How a form file holds its text: code page 1251 (numbers and names), or
// UTF-8 with a byte-order mark (free text, which 1251 would turn into "?");
// a free-text file without the mark is read as 1251, as older ones are.
enum class TFormText { Cp1251, Utf8WithMark };

// The limits of a form file the program reads.
inline constexpr qint64 FormFileLimit = 1 << 16;
inline constexpr int FormLineLimit = 1000;

struct TFormFileRead {
    // The leading lines that could be read, at most the format's count.
    QStringList lines;
    // False when the file is there but not as the program writes it: too
    // large, a NUL byte, a line over FormLineLimit, another encoding, too few
    // or too many lines. Its valid leading lines are still in `lines`.
    bool whole = true;
};

// Reads a form file of `lineCount` lines (at least `lineCount`, more kept
// in `lines`, when `extraAllowed`). A missing file, or one that is no
// regular file, reads as no lines and whole: there is nothing to keep.
TFormFileRead ReadFormFile(const QString& path, int lineCount, TFormText text, bool extraAllowed = false);
// The same on bytes already read (`truncated`: more bytes followed).
TFormFileRead ReadFormBytes(const QByteArray& bytes, int lineCount, TFormText text, bool extraAllowed = false,
                            bool truncated = false);

// A value as one line: line breaks and other control characters become
// spaces, so no value can shift the lines after it.
QString OneLine(const QString& value);
// The lines of a form file, each made one line, in its text form.
QByteArray FormFileBytes(const QStringList& lines, TFormText text);

// Copies the file at `path` byte for byte to path + ".bak"; an older,
// different copy there is first moved aside to ".bak.1" (or the next free
// number), so no unread file is ever overwritten. The reason on failure.
std::optional<QString> KeepUnreadCopy(const QString& path, const QByteArray& bytes);
QString UnreadCopyPath(const QString& path);

// "Файл iso.cnf не прочитан: сохранена копия iso.cnf.bak"
QString UnreadFileNote(const QString& path);

} // namespace kelto
