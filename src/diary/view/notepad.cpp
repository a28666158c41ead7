#include "diary/view/notepad.h"

#include "core/cp1251.h"

#include <QMimeData>
#include <QTextCursor>

namespace kelto {

namespace {

// The text a source offers, or an empty string. Only the plain-text format is
// asked for: asking an ownerless clipboard for its other formats is what
// brings the rich-text edit down.
QString PlainTextOf(const QMimeData* source)
{
    if (!source || !source->hasText())
        return QString();
    return source->text();
}

} // namespace

TNotepad::TNotepad(QWidget* parent) : QTextEdit(parent)
{
    setAcceptRichText(false);
}

bool TNotepad::canInsertFromMimeData(const QMimeData* source) const
{
    return !PlainTextOf(source).isEmpty();
}

void TNotepad::insertFromMimeData(const QMimeData* source)
{
    if (isReadOnly())
        return;
    const QString text = PlainTextOf(source);
    if (text.isEmpty())
        return;
    // Line ends of other systems become paragraphs, not stray characters.
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    plain.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    textCursor().insertText(ToCp1251Repertoire(plain));
    ensureCursorVisible();
}

} // namespace kelto
