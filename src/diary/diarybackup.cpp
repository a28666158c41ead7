#include "diary/diarybackup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace kelto {

namespace {
constexpr QLatin1StringView Prefix("log-");
constexpr QLatin1StringView Suffix(".cnf");
} // namespace

QString DiaryBackupFolder(const QString& logPath)
{
    return QFileInfo(logPath).absolutePath() + QStringLiteral("/backup/");
}

QString DiaryBackupName(const QDate& day)
{
    return Prefix + day.toString(QStringLiteral("yyyy-MM-dd")) + Suffix;
}

QDate DiaryBackupDay(const QString& fileName)
{
    // Exactly log-YYYY-MM-DD.cnf with a real date; "log-2026-12-08 (2).cnf"
    // or "log-2026-13-01.cnf" are someone else's files.
    if (fileName.size() != Prefix.size() + 10 + Suffix.size() || !fileName.startsWith(Prefix)
        || !fileName.endsWith(Suffix))
        return {};
    const QString middle = fileName.mid(Prefix.size(), 10);
    for (int i = 0; i < 10; ++i) {
        const bool dash = i == 4 || i == 7;
        const QChar c = middle.at(i);
        if (dash ? c != QLatin1Char('-') : !(c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            return {};
    }
    return QDate::fromString(middle, QStringLiteral("yyyy-MM-dd"));
}

QStringList DiaryBackupsToDelete(const QStringList& fileNames, int keep)
{
    QList<QPair<QDate, QString>> backups;
    for (const QString& name : fileNames)
        if (const QDate d = DiaryBackupDay(name); d.isValid())
            backups.append({d, name});
    std::sort(backups.begin(), backups.end());
    QStringList old;
    for (qsizetype i = 0; i + keep < backups.size(); ++i)
        old << backups[i].second;
    return old;
}

std::optional<QString> BackUpDiaryOfDay(const QString& logPath, const QDate& today, const TDeviceWrapper& wrap)
{
    if (!QFileInfo(logPath).isFile())
        return std::nullopt; // nothing written yet, nothing to lose (the save will say what is in the way)
    const QString folder = DiaryBackupFolder(logPath);
    const QString target = folder + DiaryBackupName(today);
    if (QFileInfo::exists(target))
        return std::nullopt; // the day's copy holds the file as the day found it
    const auto bytes = ReadWholeFile(logPath);
    if (!bytes)
        return QStringLiteral("не удалось прочитать %1").arg(QDir::toNativeSeparators(logPath));
    if (!QDir().mkpath(folder))
        return QStringLiteral("не удалось создать папку %1").arg(QDir::toNativeSeparators(folder));
    if (auto err = WriteFileAtomically(target, *bytes, wrap))
        return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(target), *err);
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString& old : DiaryBackupsToDelete(names)) {
        if (!QFile::remove(folder + old))
            return QStringLiteral("не удалось удалить старую копию %1").arg(QDir::toNativeSeparators(folder + old));
    }
    return std::nullopt;
}

} // namespace kelto
