#include "gui/shellopen.h"
#include "gui/report.h"
#include "core/error.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <memory>

namespace kelto {

namespace {

// Long enough for the exec of the opener itself, never for the viewer.
constexpr int StartWaitMs = 5000;
// xdg-open reports a missing association within moments. In its generic
// mode it stays until the viewer is closed, and the viewer's own exit code
// then says nothing about the opening.
constexpr qint64 FailureWindowMs = 10000;

QString Quoted(const QString& name)
{
    return QStringLiteral("«%1»").arg(name);
}

void OpenAddress(const QString& address)
{
    const QUrl url = QUrl::fromUserInput(address);
    if (!url.isValid())
        throw TError(QStringLiteral("Неверный адрес %1").arg(Quoted(address)));
    if (!QDesktopServices::openUrl(url))
        throw TError(QStringLiteral("Не удается открыть адрес %1").arg(Quoted(address)));
}

void OpenFile(const QString& name, const TNoViewerReport& noViewer)
{
    // ShellExecute refuses at once what it cannot read; xdg-open would only
    // say so later, or not at all.
    const QFileInfo info(name);
    if (name.isEmpty() || !info.exists() || !info.isReadable())
        throw TError(QString::fromUtf8(FileNotFoundText));

    const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (program.isEmpty())
        throw TNoViewerError(QStringLiteral("Не найдена программа xdg-open, которая открывает файлы "
                                            "в приложениях рабочего стола"));

    // A name that begins with "-" would be read as an option.
    const QString argument = name.startsWith(QLatin1Char('-')) ? QStringLiteral("./") + name : name;

    // Owned by the application, so that it is watched while the program runs
    // and not left behind when it ends.
    auto* process = new QProcess(QCoreApplication::instance());
    process->setProgram(program);
    process->setArguments({argument});
    // The viewer may outlive the program: it must not write into our pipes.
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());

    auto since = std::make_shared<QElapsedTimer>();
    QObject::connect(process, &QProcess::finished, process,
                     [process, name, since, noViewer](int exitCode, QProcess::ExitStatus status) {
                         process->deleteLater();
                         const int code = status == QProcess::CrashExit ? -1 : exitCode;
                         if (code == 0 || since->elapsed() > FailureWindowMs)
                             return;
                         // 3: no program for this kind of file; 4: the
                         // desktop's own tool failed, mostly for that reason.
                         if (noViewer && (code == 3 || code == 4)) {
                             QMetaObject::invokeMethod(QCoreApplication::instance(), noViewer, Qt::QueuedConnection);
                             return;
                         }
                         // Shown from the event loop, not from inside QProcess.
                         QMetaObject::invokeMethod(
                             QCoreApplication::instance(),
                             [text = OpenerFailureText(name, code)] { ReportError(text); }, Qt::QueuedConnection);
                     });
    since->start();
    process->start();
    if (!process->waitForStarted(StartWaitMs)) {
        const QString why = process->errorString();
        process->disconnect();
        process->deleteLater();
        throw TError(QStringLiteral("Не удается запустить программу открытия файлов (%1)").arg(why));
    }
}

class TDesktopOpener : public TShellOpener {
public:
    void Open(const QString& name) override { OpenOrSay(name, {}); }
    void OpenOrSay(const QString& name, const TNoViewerReport& noViewer) override
    {
        if (IsWebAddress(name))
            OpenAddress(name);
        else
            OpenFile(name, noViewer);
    }
};

TDesktopOpener g_desktop;
TShellOpener* g_opener = nullptr;

} // namespace

bool IsWebAddress(const QString& name)
{
    const QString n = name.trimmed();
    if (n.contains(QLatin1String("://")))
        return true;
    for (const char* prefix : {"http:", "https:", "mailto:", "www."})
        if (n.startsWith(QLatin1String(prefix), Qt::CaseInsensitive))
            return true;
    return false;
}

QString OpenerFailureText(const QString& name, int exitCode)
{
    switch (exitCode) {
    case 2: // the file vanished between our check and the opener's
        return QStringLiteral("%1 %2").arg(QString::fromUtf8(FileNotFoundText), Quoted(name));
    case 3: // no method for this kind of file
    case 4: // the desktop's own tool failed, mostly for the same reason
        return QStringLiteral("Для файла %1 нет сопоставленного приложения").arg(Quoted(name));
    default:
        return QStringLiteral("Не удается открыть файл %1: программа открытия сообщила об ошибке").arg(Quoted(name));
    }
}

void SetShellOpener(TShellOpener* opener)
{
    g_opener = opener;
}
TShellOpener& CurrentShellOpener()
{
    return g_opener ? *g_opener : g_desktop;
}
void OpenWithShell(const QString& name)
{
    CurrentShellOpener().Open(name);
}
void OpenWithShell(const QString& name, const TNoViewerReport& noViewer)
{
    try {
        CurrentShellOpener().OpenOrSay(name, noViewer);
    } catch (const TNoViewerError&) {
        if (!noViewer)
            throw;
        noViewer();
    }
}

} // namespace kelto
