#include "journalserver/view/serverpassword.h"

#include "gui/report.h"
#include "journalserver/labstore.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QHash>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QScopeGuard>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

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

// How long an attempt may take before the box shows: a server on the
// laboratory's network answers well within it, and no box flickers.
constexpr int MomentMs = 400;
constexpr int PollMs = 20;

bool& Awaiting()
{
    static bool awaiting = false;
    return awaiting;
}

class TWaitBox : public QDialog {
public:
    explicit TWaitBox(QWidget* parent)
        : QDialog(parent)
    {
        setWindowTitle(QString::fromUtf8(AppTitle));
        setWindowModality(Qt::ApplicationModal);
        auto* text = new QLabel(QStringLiteral("Соединение с сервером журнала…"), this);
        auto* bar = new QProgressBar(this);
        bar->setRange(0, 0); // how long is not known
        bar->setTextVisible(false);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
        buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(text);
        layout->addWidget(bar);
        layout->addWidget(buttons);
        setMinimumWidth(340);
        setFixedHeight(sizeHint().height());
    }
};

// A check of the server on the probe's thread, waited for with the box.
TConnectionCheck CheckAway(QWidget* parent, const TJournalSettings& settings, const QString& password)
{
    TServerProbe probe;
    probe.StartCheck(settings, password);
    const std::optional<TProbeResult> result = AwaitProbe(parent, probe);
    if (!result)
        return {false, false, QStringLiteral("Проверка соединения отменена."),
                QStringLiteral("попытка соединения отменена")};
    return {result->reached, result->passwordRefused, result->text, result->reason};
}

} // namespace

bool AwaitingServer()
{
    return Awaiting();
}

std::optional<TProbeResult> AwaitProbe(QWidget* parent, TServerProbe& probe)
{
    if (!probe.Running())
        return probe.Take(); // an attempt's result is there before it stops running
    std::optional<TProbeResult> result;
    Awaiting() = true;
    const auto over = qScopeGuard([] { Awaiting() = false; });
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if ((result = probe.Take()))
            loop.quit();
    });
    poll.start(PollMs);
    QTimer::singleShot(MomentMs, &loop, &QEventLoop::quit);
    // A key pressed in this moment waits for its end, rather than start anything anew.
    QApplication::setOverrideCursor(Qt::BusyCursor);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    QApplication::restoreOverrideCursor();
    if (!result) {
        TWaitBox box(parent);
        QObject::connect(&box, &QDialog::rejected, &loop, &QEventLoop::quit);
        box.show();
        loop.exec();
        box.hide();
        if (!result)
            probe.Abandon();
    }
    return result;
}

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
    TConnectionCheck last = CheckAway(parent, settings, password);
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
        last = CheckAway(parent, settings, password);
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
    if (AwaitingServer())
        return nullptr; // the attempt under way opens it
    TConnectionCheck check;
    const QString password = ServerPassword(parent, settings, &check);
    auto store = std::make_unique<TLabJournalStore>(settings, password, localFile);
    // Waits only when the server just answered: for the store's own connection.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const TStoreResult opened = store->OpenAfter({check.connected, check.reason, check.passwordRefused, check.text});
    QApplication::restoreOverrideCursor();
    if (opened.IsDone())
        return store;
    ReportError(QStringLiteral("Журнал контроля на сервере не открыт: %1\nЖурнал: %2").arg(opened.reason, store->Place()));
    return nullptr;
}

} // namespace kelto
