#include "app/autostart.h"

#include "core/textfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kelto {

namespace {
QString g_executable;
}

QString AutostartEntryPath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config)) {
        // Without a home folder Qt names the root, and the entry would go to
        // /.config: no place at all.
        const QString home = qEnvironmentVariable("HOME");
        if (home.isEmpty() || !QDir::isAbsolutePath(home))
            return QString();
        config = home + QStringLiteral("/.config");
    }
    return QDir::cleanPath(config) + QStringLiteral("/autostart/kelto.desktop");
}

QString AutostartExecutable()
{
    if (!g_executable.isEmpty())
        return g_executable;
    return QCoreApplication::applicationFilePath();
}

void SetAutostartExecutable(const QString& path)
{
    g_executable = path;
}

QString DesktopExecValue(const QString& program)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = program.isEmpty();
    for (QChar c : program)
        if (reserved.contains(c) || c.unicode() < 0x20)
            quote = true;
    QString arg;
    if (quote) {
        arg = QStringLiteral("\"");
        for (QChar c : program) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
                arg += QLatin1Char('\\');
            arg += c;
        }
        arg += QLatin1Char('"');
    } else {
        arg = program;
    }
    // A literal percent sign would start a field code.
    arg.replace(QLatin1Char('%'), QStringLiteral("%%"));
    // The string-value escapes apply on top of the quoting.
    QString out;
    for (QChar c : arg) {
        switch (c.unicode()) {
        case u'\\': out += QStringLiteral("\\\\"); break;
        case u'\n': out += QStringLiteral("\\n"); break;
        case u'\t': out += QStringLiteral("\\t"); break;
        case u'\r': out += QStringLiteral("\\r"); break;
        default: out += c;
        }
    }
    return out;
}

QByteArray AutostartEntryText(bool on, const QString& program)
{
    QString text = QStringLiteral("[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Version=1.0\n"
                                  "Name=Кельто\n"
                                  "Exec=%1\n"
                                  "Terminal=false\n"
                                  "Hidden=%2\n")
                       .arg(DesktopExecValue(program), on ? QStringLiteral("false") : QStringLiteral("true"));
    // Desktop entries are UTF-8, unlike the program's own files.
    return text.toUtf8();
}

std::optional<QString> WriteAutostartEntry(bool on)
{
    const QString path = AutostartEntryPath();
    if (path.isEmpty())
        return QStringLiteral("Не задана домашняя папка (HOME), и некуда записать автозапуск");
    const QString folder = QFileInfo(path).path();
    if (!QDir().mkpath(folder))
        return QStringLiteral("Не удалось создать папку %1").arg(folder);
    if (auto err = WriteFileAtomically(path, AutostartEntryText(on, AutostartExecutable())))
        return QStringLiteral("Не удалось записать %1: %2").arg(path, *err);
    return std::nullopt;
}

bool MendAutostartEntry(QString* reason)
{
    const QString path = AutostartEntryPath();
    if (path.isEmpty())
        return false;
    QFile entry(path);
    if (!entry.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = entry.read(64 * 1024);
    if (text == AutostartEntryText(true, AutostartExecutable()))
        return true;
    // The key as the desktop reads it: a line of its own, blanks around "=".
    for (QByteArray line : text.split('\n')) {
        line = line.trimmed();
        if (!line.startsWith("Hidden"))
            continue;
        const QByteArray value = line.mid(6).trimmed();
        if (value.startsWith('=') && value.mid(1).trimmed() == "true")
            return false;
    }
    if (auto err = WriteAutostartEntry(true)) {
        if (reason)
            *reason = *err;
        return false;
    }
    return true;
}

} // namespace kelto
