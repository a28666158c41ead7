#include "journalserver/view/serverpassword.h"

#include "gui/report.h"
#include "journalserver/labstore.h"

#include <QApplication>
#include <QHash>
#include <QInputDialog>
#include <QLineEdit>

namespace kelto {

namespace {

TPasswordAsker& Asker()
{
    static TPasswordAsker asker;
    return asker;
}

QHash<QString, QString>& Known()
{
    static QHash<QString, QString> known;
    return known;
}

QString KeyOf(const TJournalSettings& s)
{
    return s.host + QLatin1Char('\n') + QString::number(s.port) + QLatin1Char('\n') + s.database + QLatin1Char('\n')
        + s.user;
}

std::optional<QString> AskWithDialog(QWidget* parent, const QString& prompt)
{
    bool ok = false;
    const QString password = QInputDialog::getText(parent, QStringLiteral("Кельто"), prompt, QLineEdit::Password,
                                                   QString(), &ok);
    if (!ok)
        return std::nullopt;
    return password;
}

} // namespace

void SetPasswordAsker(TPasswordAsker asker)
{
    Asker() = std::move(asker);
}

void ForgetServerPasswords()
{
    Known().clear();
}

QString ServerPassword(QWidget* parent, const TJournalSettings& settings, TConnectionCheck* check)
{
    const QString key = KeyOf(settings);
    QString password = Known().value(key);
    TConnectionCheck last;
    {
        // A check waits up to the connection's timeout.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        last = CheckServerConnection(settings, password);
        QApplication::restoreOverrideCursor();
    }
    bool asked = false;
    while (last.passwordRefused) {
        const QString prompt
            = QStringLiteral("%1Пароль пользователя %2 на сервере журнала %3 (база %4):")
                  .arg(asked || !password.isEmpty() ? QStringLiteral("Сервер не принял пароль.\n") : QString(),
                       settings.user, settings.host, settings.database);
        const TPasswordAsker& asker = Asker();
        const std::optional<QString> answer = asker ? asker(parent, prompt) : AskWithDialog(parent, prompt);
        if (!answer)
            break;
        asked = true;
        password = *answer;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        last = CheckServerConnection(settings, password);
        QApplication::restoreOverrideCursor();
    }
    if (last.connected)
        Known().insert(key, password);
    if (check)
        *check = last;
    return last.connected ? password : Known().value(key);
}

std::unique_ptr<TJournalStore> OpenLabJournal(QWidget* parent, const TJournalSettings& settings,
                                              const QString& localFile)
{
    const QString password = ServerPassword(parent, settings);
    auto store = std::make_unique<TLabJournalStore>(settings, password, localFile);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const TStoreResult opened = store->Open();
    QApplication::restoreOverrideCursor();
    if (opened.IsDone())
        return store;
    ReportError(QStringLiteral("Журнал контроля на сервере не открыт: %1\nЖурнал: %2").arg(opened.reason, store->Place()));
    return nullptr;
}

} // namespace kelto
