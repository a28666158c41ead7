// Code page 1251: the code page of every text file the program shares with
// the diaries users bring along (ini.cnf, log.cnf, .plg, source.cnf).
// QtCore only.
#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kelto {

// A character the code page cannot hold becomes '?'.
QByteArray ToCp1251(const QString& text);
QString FromCp1251(const QByteArray& bytes);
// True when every character of `text` survives a round trip through 1251.
bool FitsCp1251(const QString& text);
// Replaces every character that 1251 cannot hold by '?'.
QString ToCp1251Repertoire(const QString& text);

// The tables behind these, for code that converts large files itself:
// 256 characters by byte, and the byte of every UTF-16 unit, 0 where the
// code page has none (NUL is 0 too).
const char16_t* Cp1251ToUnicodeTable();
const unsigned char* Cp1251FromUnicodeTable();

// The line rule of ini.cnf and the .plg files: code-page-1251 text split at
// CR LF, a lone CR or a lone LF; a last line without a line end still
// counts. Nothing is trimmed. (log.cnf has a rule of its own, in the diary.)
QStringList SplitCp1251Lines(const QByteArray& bytes);

// Lines joined with CR LF, every line ended by CR LF, in code page 1251. A
// line break inside a line becomes a space: one line is never read back as
// two, which would shift every value after it.
QByteArray JoinCrLf(const QStringList& lines);

} // namespace kelto
