// The key filter of the calculation's numeric edits, apart from any widget.
// QtCore only.
#pragma once
#include <QChar>
#include <QString>

namespace kelto {

// `key`, or the null character when `text` followed by `key` would hold
// more than one comma.
QChar CommaAllowed(const QString& text, QChar key);

// The character a keystroke `key` enters into an edit holding `text`: digits
// and Backspace (8) as they are, "." and "," as the comma while there is none
// yet, anything else the null character (discarded).
QChar FilterNumericKey(const QString& text, QChar key);

// What a paste of `pasted` puts in place of the `length` characters at
// `from` of `text`: its characters through FilterNumericKey one by one, as
// if typed (the first accepted one replaces the selection, the rest follow
// it); control characters are dropped.
QString FilterPastedText(const QString& text, qsizetype from, qsizetype length, const QString& pasted);

} // namespace kelto
