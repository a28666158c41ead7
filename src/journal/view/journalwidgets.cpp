#include "journal/view/journalwidgets.h"
#include "core/programfolder.h"
#include "gui/qtdialogs.h"
#include "gui/report.h"

#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>

namespace kelto {

QPushButton* KeyedButton(QWidget* parent, const char* name, const QString& text, const QKeySequence& key)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    if (!key.isEmpty()) {
        b->setToolTip(key.toString(QKeySequence::NativeText));
        auto* s = new QShortcut(key, parent);
        QObject::connect(s, &QShortcut::activated, b, &QPushButton::click);
    }
    return b;
}

QList<QLabel*> FormCaptions(const QFormLayout* form)
{
    QList<QLabel*> captions;
    for (int row = 0; row < form->rowCount(); ++row)
        if (const QLayoutItem* item = form->itemAt(row, QFormLayout::LabelRole))
            if (auto* caption = qobject_cast<QLabel*>(item->widget()))
                captions << caption;
    return captions;
}

std::optional<QString> AskSavePath(QWidget* parent, const QString& title, const QString& filter, const QString& suffix,
                                   const QString& offered)
{
    QFileDialog dialog(parent, title);
    // Before the folder is listed: no file of it is opened to learn its type.
    RussianColumns(&dialog);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(suffix);
    dialog.setDirectory(ProgramFolder());
    dialog.selectFile(offered);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

bool AskYes(const QString& text, QMessageBox::Icon icon, const QString& yesText, const QString& noText)
{
    TMessageRequest q;
    q.icon = icon;
    q.caption = QString::fromUtf8(AppTitle);
    q.text = text;
    q.buttons = QMessageBox::Yes | QMessageBox::No;
    q.defaultButton = QMessageBox::No;
    if (!yesText.isEmpty())
        q.buttonTexts = {{QMessageBox::Yes, yesText}, {QMessageBox::No, noText}};
    return ShowMessage(q) == QMessageBox::Yes;
}

} // namespace kelto
