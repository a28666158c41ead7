#include "diary/diarybackup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <tuple>
#include <unistd.h>

namespace kelto {

namespace {
constexpr QLatin1StringView Prefix("log-");
bool g_byCopy = false;
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

QStringList DiaryBackupsToDelete(const QStringList& fileNames, const QDate& today, int keep)
{
    // (dated after today, date): later-dated copies sort before every other,
    // each group oldest first.
    QList<std::tuple<bool, QDate, QString>> backups;
    qsizetype total = 0;
    for (const QString& name : fileNames)
        if (const QDate d = DiaryBackupDay(name); d.isValid()) {
            ++total;
            if (d != today)
                backups.append({d < today, d, name});
        }
    std::sort(backups.begin(), backups.end());
    QStringList old;
    for (qsizetype i = 0; i + keep < total && i < backups.size(); ++i)
        old << std::get<2>(backups[i]);
    return old;
}

namespace {

// The backup folder as a real folder of its own: never a link leading
// elsewhere, never a file.
std::optional<QString> MakeBackupFolder(const QString& folder)
{
    const QFileInfo info(folder.chopped(1));
    if (info.isSymLink() || (info.exists() && !info.isDir()))
        return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(folder),
                                            info.isSymLink() ? SystemErrorText(ELOOP) : QStringLiteral("это не папка"));
    if (auto err = MakeFolder(folder.chopped(1)))
        return QStringLiteral("не удалось создать папку %1: %2").arg(QDir::toNativeSeparators(folder), *err);
    return std::nullopt;
}

} // namespace

std::optional<QString> BackUpDiaryOfDay(const QString& logPath, const QDate& today, const TDeviceWrapper& wrap,
                                        TBackupKind* kind)
{
    if (kind)
        *kind = TBackupKind::None;
    const QFileInfo log(logPath);
    if (!log.isFile() || log.isSymLink())
        return std::nullopt; // nothing written yet, nothing to lose (the save will say what is in the way)
    const QString folder = DiaryBackupFolder(logPath);
    const QString target = folder + DiaryBackupName(today);
    if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
        return std::nullopt; // the day's copy holds the file as the day found it
    if (auto err = MakeBackupFolder(folder))
        return err;
    // link() makes the new name itself, never following one already there.
    if (!g_byCopy && ::link(QFile::encodeName(logPath).constData(), QFile::encodeName(target).constData()) == 0) {
        if (kind)
            *kind = TBackupKind::HardLink;
    } else {
        const auto bytes = ReadWholeFile(logPath);
        if (!bytes)
            return QStringLiteral("не удалось прочитать %1").arg(QDir::toNativeSeparators(logPath));
        if (auto err = WriteFileAtomically(target, *bytes, wrap))
            return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(target), *err);
        if (kind)
            *kind = TBackupKind::Copy;
    }
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString& old : DiaryBackupsToDelete(names, today)) {
        if (!QFile::remove(folder + old))
            return QStringLiteral("не удалось удалить старую копию %1").arg(QDir::toNativeSeparators(folder + old));
    }
    return std::nullopt;
}

void SetDiaryBackupByCopy(bool byCopy)
{
    g_byCopy = byCopy;
}

TDiaryWriteResult WriteDiaryOfDay(const QString& logPath, const QDate& today, const QByteArray& bytes,
                                  const TDeviceWrapper& wrap)
{
    TDiaryWriteResult r;
    const QFileInfo log(logPath);
    r.firstWriteOfDay = !log.exists() || log.lastModified().date() < today;
    TBackupKind kind = TBackupKind::None;
    r.backupError = BackUpDiaryOfDay(logPath, today, {}, &kind);
    r.saveError = WriteFileAtomically(logPath, bytes, wrap);
    // The notes matter more than the day's copy: a copy this very write has
    // written out gives way when the save needs its room (the next write of
    // the day makes it again). A hard link costs no room: removing it would
    // lose the copy and gain nothing.
    if (r.saveError && IsOutOfSpace(*r.saveError) && kind == TBackupKind::Copy
        && QFile::remove(DiaryBackupFolder(logPath) + DiaryBackupName(today))) {
        r.backupDropped = true;
        r.saveError = WriteFileAtomically(logPath, bytes, wrap);
    }
    return r;
}

} // namespace kelto
