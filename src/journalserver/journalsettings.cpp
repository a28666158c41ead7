#include "journalserver/journalsettings.h"

#include "core/formfile.h"
#include "core/programfolder.h"
#include "core/textfile.h"

#include <QFile>

namespace kelto {

namespace {

constexpr int LineCount = 6;

QString PlaceWord(TJournalPlace place)
{
    return place == TJournalPlace::Server ? QStringLiteral("server") : QStringLiteral("local");
}

} // namespace

const QStringList& SslModes()
{
    static const QStringList modes
        = {QStringLiteral("disable"), QStringLiteral("allow"),     QStringLiteral("prefer"),
           QStringLiteral("require"), QStringLiteral("verify-ca"), QStringLiteral("verify-full")};
    return modes;
}

namespace {

// The settings the six lines give; nullopt when one of them is not as written.
std::optional<TJournalSettings> SettingsOfLines(const QStringList& lines)
{
    if (lines.size() != LineCount)
        return std::nullopt;
    TJournalSettings settings;
    if (lines[0] == PlaceWord(TJournalPlace::Server))
        settings.place = TJournalPlace::Server;
    else if (lines[0] != PlaceWord(TJournalPlace::Local))
        return std::nullopt;
    bool number = false;
    settings.port = lines[2].toInt(&number);
    if (!number || settings.port < 1 || settings.port > 65535 || lines[2].trimmed() != lines[2])
        return std::nullopt;
    if (!SslModes().contains(lines[5]))
        return std::nullopt;
    settings.host = lines[1];
    settings.database = lines[3];
    settings.user = lines[4];
    settings.sslMode = lines[5];
    return settings;
}

std::optional<TJournalSettings> SettingsOfRead(const TFormFileRead& read)
{
    return read.whole ? SettingsOfLines(read.lines) : std::nullopt;
}

} // namespace

TJournalSettings ParseJournalSettings(const QByteArray& bytes)
{
    return SettingsOfRead(ReadFormBytes(bytes, LineCount, TFormText::Cp1251)).value_or(TJournalSettings{});
}

QByteArray JournalSettingsBytes(const TJournalSettings& settings)
{
    return FormFileBytes({PlaceWord(settings.place), settings.host, QString::number(settings.port), settings.database,
                          settings.user, settings.sslMode},
                         TFormText::Cp1251);
}

QString JournalSettingsPath()
{
    return ProgramFolder() + QLatin1String(JournalSettingsFileName);
}

TJournalSettings ReadJournalSettings(QString* note)
{
    const QString path = JournalSettingsPath();
    const TFormFileRead read = ReadFormFile(path, LineCount, TFormText::Cp1251);
    if (read.whole && read.lines.isEmpty())
        return {}; // no file: the local journal, nothing to say
    if (const auto settings = SettingsOfRead(read))
        return *settings;
    // Kept byte for byte before the settings window may write over it.
    QFile file(path);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.read(FormFileLimit * 16) : QByteArray();
    const auto failure = KeepUnreadCopy(path, bytes);
    if (note)
        *note = failure ? QStringLiteral("Файл %1 не прочитан, и копию сохранить не удалось: %2")
                              .arg(QLatin1String(JournalSettingsFileName), *failure)
                        : UnreadFileNote(path);
    return {};
}

std::optional<QString> SaveJournalSettings(const TJournalSettings& settings)
{
    return WriteFileAtomically(JournalSettingsPath(), JournalSettingsBytes(settings));
}

} // namespace kelto
