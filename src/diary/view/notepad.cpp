#include "diary/view/notepad.h"

#include "core/cp1251.h"
#include "diary/daystore.h"
#include "gui/report.h"

#include <QMimeData>
#include <QTextBlock>
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
    connect(document(), &QTextDocument::contentsChange, this, &TNotepad::ChooseWrap);
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

void TNotepad::ChooseWrap(int position, int /*removed*/, int added)
{
    // Only the paragraphs a change touches can gain a long run, so only they
    // are looked at: a note of a million lines is not read whole per key. A
    // run can vanish by a change too; while the notepad wraps anywhere, the
    // whole text is looked at again when the touched ones hold none.
    bool longRun = false;
    const QTextBlock last = document()->findBlock(position + added);
    for (QTextBlock b = document()->findBlock(position); b.isValid() && !longRun; b = b.next()) {
        longRun = HasLongRun(b.text());
        if (b == last)
            break;
    }
    if (!longRun && wordWrapMode() == QTextOption::WrapAnywhere)
        longRun = HasLongRun(document()->toRawText());
    const auto wanted = longRun ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere;
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
    // A note the notepad could not lay out in time would hold the window for
    // minutes, deaf to a close and to signals: such a paste is refused
    // before any of it is laid out, and the clipboard keeps the text.
    const QTextCursor at = textCursor();
    const QString current = toPlainText();
    const QString after = current.left(at.selectionStart()) + plain + current.mid(at.selectionEnd());
    if (!NoteTextFitsNotepad(after)) {
        ShowWarning(PasteTooLargeText(after.count(QLatin1Char('\n')) + 1));
        return;
    }
    textCursor().insertText(ToCp1251Repertoire(plain));
    ensureCursorVisible();
}

} // namespace kelto
