#include "diary/view/notepad.h"

#include "core/cp1251.h"

#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>

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

TNotepad::TNotepad(QWidget* parent)
    : QTextEdit(parent)
{
    setAcceptRichText(false);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // Before the view's own change handling, so that the layout it triggers
    // already uses the right wrap.
    connect(document(), &QTextDocument::contentsChanged, this, &TNotepad::ChooseWrap);
}

bool TNotepad::HasLongRun(const QString& text)
{
    qsizetype run = 0;
    for (const QChar c : text) {
        if (c.isSpace()) {
            run = 0;
        } else if (++run >= LongRun) {
            return true;
        }
    }
    return false;
}

void TNotepad::ChooseWrap()
{
    const auto wanted
        = HasLongRun(document()->toRawText()) ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere;
    if (wordWrapMode() != wanted)
        setWordWrapMode(wanted);
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
