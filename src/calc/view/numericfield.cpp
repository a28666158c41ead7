#include "calc/view/numericfield.h"

#include "calc/numerickey.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>

namespace kelto {

namespace {

class TNumericFieldFilter : public QObject {
public:
    TNumericFieldFilter(QLineEdit* edit, TNumericKeyHandler accept)
        : QObject(edit)
        , m_edit(edit)
        , m_accept(std::move(accept))
    {
        if (!m_accept)
            m_accept = [this](QChar& key) { key = FilterNumericKey(m_edit->text(), key); };
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_edit)
            return false;
        if (event->type() == QEvent::KeyPress)
            return HandleNumericKey(m_edit, static_cast<QKeyEvent*>(event), m_accept);
        if (event->type() == QEvent::ContextMenu) {
            ShowMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        }
        return false;
    }

private:
    // The edit's own menu, whose "Вставить" pastes as the keys do.
    void ShowMenu(const QPoint& at)
    {
        QMenu* menu = m_edit->createStandardContextMenu();
        if (!menu)
            return;
        for (QAction* a : menu->actions())
            // The menu's items have no names; its paste item is known by
            // its (translated) text before the shortcut.
            if (a->text().section(QLatin1Char('\t'), 0, 0) == QLineEdit::tr("&Paste")) {
                disconnect(a, &QAction::triggered, nullptr, nullptr);
                QLineEdit* edit = m_edit;
                connect(a, &QAction::triggered, edit,
                        [edit] { PasteIntoNumericField(edit, QGuiApplication::clipboard()->text()); });
            }
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(at);
    }

    QLineEdit* m_edit;
    TNumericKeyHandler m_accept;
};

} // namespace

void MakeNumericField(QLineEdit* edit, TNumericKeyHandler accept)
{
    edit->installEventFilter(new TNumericFieldFilter(edit, std::move(accept)));
}

void PasteIntoNumericField(QLineEdit* edit, const QString& text)
{
    if (edit->isReadOnly())
        return;
    const QString add = FilterPastedText(edit->text(), edit->selectionStart(), edit->selectedText().size(), text);
    if (add.isEmpty())
        return;
    if (edit->hasSelectedText()) {
        edit->insert(add);
        return;
    }
    // The edit joins consecutive insertions into one undo step, so a paste
    // right after typing would be undone with the typing. Replacing a
    // selection starts a step of its own: the paste takes the character
    // beside the caret with it.
    const QString before = edit->text();
    const int caret = edit->cursorPosition();
    if (caret > 0) {
        edit->setSelection(caret - 1, 1);
        edit->insert(before.at(caret - 1) + add);
    } else if (!before.isEmpty()) {
        edit->setSelection(0, 1);
        edit->insert(add + before.at(0));
        edit->setCursorPosition(int(add.size()));
    } else {
        edit->insert(add);
    }
}

bool HandleNumericKey(QLineEdit* edit, QKeyEvent* k, const TNumericKeyHandler& accept)
{
    const Qt::KeyboardModifiers mods = k->modifiers() & ~Qt::KeypadModifier;
    const bool ctrl = mods == Qt::ControlModifier, shift = mods == Qt::ShiftModifier;
    const int key = k->key();
    // The editing keys, named here rather than left to the platform's key
    // scheme, so they are the same everywhere.
    if (ctrl && key == Qt::Key_A) {
        edit->selectAll();
        return true;
    }
    if ((ctrl && key == Qt::Key_C) || (ctrl && key == Qt::Key_Insert)) {
        edit->copy();
        return true;
    }
    if ((ctrl && key == Qt::Key_X) || (shift && key == Qt::Key_Delete)) {
        if (!edit->isReadOnly())
            edit->cut();
        return true;
    }
    if ((ctrl && key == Qt::Key_V) || (shift && key == Qt::Key_Insert)) {
        PasteIntoNumericField(edit, QGuiApplication::clipboard()->text());
        return true;
    }
    if (ctrl && key == Qt::Key_Z) {
        edit->undo();
        return true;
    }
    if ((mods == (Qt::ControlModifier | Qt::ShiftModifier) && key == Qt::Key_Z) || (ctrl && key == Qt::Key_Y)) {
        edit->redo();
        return true;
    }
    // Focus moves, keys that type nothing (Delete, arrows) and Esc, which
    // the window closes with, are not the filter's business.
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Delete || key == Qt::Key_Escape)
        return false;
    QString typed = k->text();
    // Any other Ctrl+letter chord types its control character, even where
    // the platform leaves the event's text empty, and the filter refuses it.
    const bool ctrlChord = (k->modifiers() & Qt::ControlModifier) && !(k->modifiers() & Qt::AltModifier);
    if (ctrlChord && key >= Qt::Key_A && key <= Qt::Key_Z)
        typed = QString(QChar(key - Qt::Key_A + 1));
    // The keypad's decimal key types "." or "," by layout; either is the
    // separator here.
    if ((k->modifiers() & Qt::KeypadModifier) && (key == Qt::Key_Period || key == Qt::Key_Comma))
        typed = QStringLiteral(".");
    if (typed.isEmpty())
        return false;
    QString accepted;
    bool replaced = false;
    for (QChar c : typed) {
        QChar filtered = c;
        accept(filtered);
        if (filtered.isNull())
            return true;
        replaced = replaced || filtered != c;
        accepted += filtered;
    }
    if (!replaced)
        return false;
    // The filter changed the character (a point became a comma): type the
    // changed one in the edit's place, over any selection, as the edit would.
    edit->insert(accepted);
    return true;
}

} // namespace kelto
