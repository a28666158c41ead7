// What the journal's two windows build alike: a button with its key, the
// save dialog in the program folder, a yes-or-no question.
#pragma once
#include <QKeySequence>
#include <QList>
#include <QMessageBox>
#include <QString>
#include <optional>

class QFormLayout;
class QLabel;
class QPushButton;
class QWidget;

namespace kelto {

// A button whose key (shown in its tooltip) clicks it anywhere in `parent`'s window.
QPushButton* KeyedButton(QWidget* parent, const char* name, const QString& text, const QKeySequence& key);
// The save dialog in the program folder offering `offered`; the chosen path
// or nothing when cancelled.
std::optional<QString> AskSavePath(QWidget* parent, const QString& title, const QString& filter, const QString& suffix,
                                   const QString& offered);
// The captions of a form's rows, to take the plug-in's caption look.
QList<QLabel*> FormCaptions(const QFormLayout* form);
// A box titled "Кельто" with Yes and No (No the default); true for Yes.
bool AskYes(const QString& text, QMessageBox::Icon icon = QMessageBox::Question, const QString& yesText = {},
            const QString& noText = {});

} // namespace kelto
