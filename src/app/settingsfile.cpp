#include "app/settingsfile.h"

#include "app/autostart.h"
#include "core/cp1251.h"
#include "core/programfolder.h"
#include "core/textfile.h"
#include "gui/report.h"

#include <QDir>
#include <QFileInfo>

namespace kelto {

namespace {

// A path that code page 1251 cannot hold would come back as '?'s and name
// nothing; one with a line break would become two lines. The default plug-in is then remembered as an empty first line,
// which means the same; another path is better not remembered at all.
std::optional<QString> StorableLine(const QString& path)
{
    const QString line = PluginLineFor(path);
    if (HoldsControlCharacter(line))
        return std::nullopt;
    if (FitsCp1251(line))
        return line;
    if (path == DefaultPluginPath())
        return QString();
    return std::nullopt;
}

// `path` relative to `folder` when it lies inside it, else nothing.
std::optional<QString> InsideFolder(const QString& folder, const QString& path)
{
    const QString rel = QDir(folder).relativeFilePath(path);
    if (rel.isEmpty() || rel == QLatin1String("..") || rel.startsWith(QLatin1String("../"))
        || QDir::isAbsolutePath(rel))
        return std::nullopt;
    return rel;
}

void WriteLines(const QStringList& lines)
{
    // Failures here are silent by design: the settings only matter at the
    // next start, and nothing the user could do about them now helps.
    (void)WriteFileAtomically(SettingsPath(), JoinCrLf(lines));
}

} // namespace

QString SettingsPath()
{
    return ProgramFolder() + QStringLiteral("ini.cnf");
}

QString PluginLineFor(const QString& path)
{
    const QString folder = ProgramFolder();
    if (folder.isEmpty() || !QDir::isAbsolutePath(path))
        return path;
    const QString clean = QDir::cleanPath(path);
    if (auto rel = InsideFolder(QDir::cleanPath(folder), clean))
        return *rel;
    // The folder reached through a link (a mount point, /media/... and the
    // like) is still the folder.
    const QString canonicalFolder = QFileInfo(folder).canonicalFilePath();
    const QString canonicalPath = QFileInfo(clean).canonicalFilePath();
    if (!canonicalFolder.isEmpty() && !canonicalPath.isEmpty())
        if (auto rel = InsideFolder(canonicalFolder, canonicalPath))
            return *rel;
    return path;
}

QString PluginPathFromLine(const QString& line)
{
    if (line.isEmpty())
        return line;
    QString slashed = line;
    slashed.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (QDir::isAbsolutePath(line)) {
        // Older files hold full paths; a "\\" may be part of a Linux name.
        if (!line.contains(QLatin1Char('\\')) || QFileInfo::exists(line))
            return line;
        return slashed;
    }
    if (QDir::isAbsolutePath(slashed))
        return slashed;
    return ProgramFolder() + slashed;
}

std::optional<QStringList> ReadSettingsLines(QString* reason)
{
    const QString path = SettingsPath();
    if (!QFileInfo::exists(path))
        return std::nullopt;
    const auto bytes = ReadWholeFile(path, qint64(1) << 20, reason);
    if (!bytes)
        return std::nullopt;
    return SplitCp1251Lines(*bytes);
}

QString RememberedPluginPath()
{
    const auto lines = ReadSettingsLines();
    const QString first = lines && !lines->isEmpty() ? lines->first() : QString();
    return first.isEmpty() ? DefaultPluginPath() : PluginPathFromLine(first);
}

void StartupPluginStep(const std::function<bool(const QString&)>& loadPlugin,
                       const std::function<void(std::function<void()>)>& later)
{
    const QString path = SettingsPath();
    if (QFileInfo::exists(path)) {
        QString reason;
        const auto lines = ReadSettingsLines(&reason);
        if (!lines) {
            ShowWarning(QStringLiteral("Не удалось прочитать файл настроек %1: %2.\nЭтот файл не будет изменён.")
                            .arg(QDir::toNativeSeparators(path), reason));
        }
        const QString first = lines && !lines->isEmpty() ? lines->first() : QString();
        loadPlugin(first.isEmpty() ? DefaultPluginPath() : PluginPathFromLine(first));
        return;
    }
    loadPlugin(DefaultPluginPath());
    const auto line = StorableLine(DefaultPluginPath());
    if (!line)
        return;
    auto remember = [line = *line] {
        // A choice made in between is not undone.
        if (!QFileInfo::exists(SettingsPath()))
            WriteLines({line});
    };
    if (later)
        later(remember);
    else
        remember();
}

bool ReadAutoStartFlag()
{
    const auto lines = ReadSettingsLines();
    if (!lines || lines->size() < 2)
        return false;
    return lines->at(1) != QLatin1String("0");
}

namespace {
// The lines a rewrite starts from: none for a missing file, nothing at all
// for one that cannot be read, since such a file is never written over.
std::optional<QStringList> LinesToRewrite()
{
    if (!QFileInfo::exists(SettingsPath()))
        return QStringList();
    return ReadSettingsLines();
}
} // namespace

void UpdateFlagLine(const QString& flag)
{
    const auto existing = LinesToRewrite();
    if (!existing)
        return;
    QStringList lines = *existing;
    if (lines.size() >= 2) {
        lines[1] = flag;
    } else if (lines.size() == 1) {
        lines.append(flag);
    } else {
        lines.append(StorableLine(DefaultPluginPath()).value_or(QString()));
        lines.append(flag);
    }
    WriteLines(lines);
}

std::optional<QString> SwitchAutoStart(bool on)
{
    if (auto err = WriteAutostartEntry(on))
        return err;
    UpdateFlagLine(on ? QStringLiteral("1") : QStringLiteral("0"));
    return std::nullopt;
}

void RewriteAfterPluginChoice(const QString& chosenPath)
{
    const auto line = StorableLine(chosenPath);
    if (!line)
        return;
    const auto existing = LinesToRewrite();
    if (!existing)
        return;
    QStringList lines = *existing;
    if (lines.isEmpty())
        lines.append(*line);
    else
        lines[0] = *line;
    WriteLines(lines);
}

} // namespace kelto
