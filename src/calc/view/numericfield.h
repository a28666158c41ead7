// A numeric field: a line edit whose typed and pasted characters go through
// the numeric key rule, with the usual editing keys. Every window with
// number fields makes its edits so, in one way.
#pragma once
#include <QChar>
#include <QString>
#include <functional>

class QKeyEvent;
class QLineEdit;

namespace kelto {

// The key filter of one field: `key` becomes the null character when the
// keystroke is to be discarded.
using TNumericKeyHandler = std::function<void(QChar& key)>;

// Makes `edit` a numeric field. Typed characters go through `accept`
// (FilterNumericKey on the edit's text when none is given); Ctrl+A, Ctrl+C,
// Ctrl+X, Ctrl+V, Ctrl+Z, Ctrl+Shift+Z, Ctrl+Y, Shift+Insert, Ctrl+Insert and
// Shift+Delete do what they do in any line edit, a paste (keys or context
// menu) through FilterPastedText.
void MakeNumericField(QLineEdit* edit, TNumericKeyHandler accept = {});

// Pastes `text` into a numeric field as if it were typed there; one undo
// step brings back the text before it.
void PasteIntoNumericField(QLineEdit* edit, const QString& text);

// A key press in a numeric field; true when the event is used up here.
bool HandleNumericKey(QLineEdit* edit, QKeyEvent* event, const TNumericKeyHandler& accept);

} // namespace kelto
