#include "journalserver/journalsettings.h"

#include "core/cp1251.h"
#include "core/programfolder.h"
#include "core/textfile.h"

namespace kelto {

namespace {

constexpr int LineCount = 6;
// journal.cnf is a few short lines; anything far larger is not ours.
constexpr qint64 SizeLimit = 64 * 1024;

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

TJournalSettings ParseJournalSettings(const QByteArray& bytes)
{
    const QStringList lines = SplitCp1251Lines(bytes);
    if (lines.size() < LineCount)
        return {};
    TJournalSettings settings;
    if (lines[0] == PlaceWord(TJournalPlace::Server))
        settings.place = TJournalPlace::Server;
    else if (lines[0] != PlaceWord(TJournalPlace::Local))
        return {};
    bool number = false;
    settings.port = lines[2].toInt(&number);
    if (!number || settings.port < 1 || settings.port > 65535 || lines[2].trimmed() != lines[2])
        return {};
    if (!SslModes().contains(lines[5]))
        return {};
    settings.host = lines[1];
    settings.database = lines[3];
    settings.user = lines[4];
    settings.sslMode = lines[5];
    return settings;
}

QByteArray JournalSettingsBytes(const TJournalSettings& settings)
{
    return JoinCrLf({PlaceWord(settings.place), settings.host, QString::number(settings.port), settings.database,
                     settings.user, settings.sslMode});
}

TJournalSettings ReadJournalSettings()
{
    const auto bytes = ReadWholeFile(ProgramFolder() + QLatin1String(JournalSettingsFileName), SizeLimit);
    return bytes ? ParseJournalSettings(*bytes) : TJournalSettings{};
}

std::optional<QString> SaveJournalSettings(const TJournalSettings& settings)
{
    return WriteFileAtomically(ProgramFolder() + QLatin1String(JournalSettingsFileName),
                               JournalSettingsBytes(settings));
}

} // namespace kelto
