// Text and file helpers shared by every subsystem. QtCore only.
#pragma once
#include <functional>
#include <memory>
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <stdexcept>

class QIODevice;

namespace kelto {

// The one exception type the program throws; handlers catch it (and any
// std::exception) and hand the text to the general error report.
class Error : public std::runtime_error {
public:
    explicit Error(const QString& text) : std::runtime_error(text.toStdString()), m_text(text) {}
    const QString& text() const { return m_text; }
private:
    QString m_text;
};

// Every text file of the program is code page 1251. A character the code
// page cannot hold becomes '?'.
QByteArray ToCp1251(const QString& text);
QString FromCp1251(const QByteArray& bytes);
// True when every character of `text` survives a round trip through 1251.
bool FitsCp1251(const QString& text);
// Replaces every character that 1251 cannot hold by '?'.
QString ToCp1251Repertoire(const QString& text);

// Code-page-1251 text split at CR LF, a lone CR or a lone LF; a last line
// without a line end still counts. Nothing is trimmed.
// The tables behind these, for code that converts large files itself:
// 256 characters by byte, and the byte of every UTF-16 unit, 0 where the
// code page has none (NUL is 0 too).
const char16_t* Cp1251ToUnicodeTable();
const unsigned char* Cp1251FromUnicodeTable();

QStringList SplitCp1251Lines(const QByteArray& bytes);

// Lines joined with CR LF, every line ended by CR LF, in code page 1251.
QByteArray JoinCrLf(const QStringList& lines);

// Writes `bytes` to `path` through QSaveFile: on any failure the previous
// file stays whole. Returns the reason on failure.
std::optional<QString> WriteFileAtomically(const QString& path, const QByteArray& bytes);
// The same, with the bytes passing through a device that `wrap` lays over
// the file (a test puts one there that fails after some bytes).
using TDeviceWrapper = std::function<std::unique_ptr<QIODevice>(QIODevice& target)>;
std::optional<QString> WriteFileAtomically(const QString& path, const QByteArray& bytes,
                                           const TDeviceWrapper& wrap);
// The same onto an already opened device (fault injection in tests).
std::optional<QString> WriteAll(QIODevice& device, const QByteArray& bytes);

// Reads the whole file; nullopt when it cannot be opened or read.
std::optional<QByteArray> ReadWholeFile(const QString& path, qint64 limit = qint64(1) << 31);

// The program's folder, ending in "/". Set once at start-up; tests set a
// temporary folder.
QString ProgramFolder();
void SetProgramFolder(const QString& folder);
// The executable's own folder with its trailing separator.
QString ExecutableFolder();

} // namespace kelto
