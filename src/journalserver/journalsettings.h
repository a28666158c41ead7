// journal.cnf: where the control journal lives, on this computer
// (journal.db) or on the laboratory's PostgreSQL server. Code page 1251,
// CR LF, one value per line in a fixed order; no password is ever written.
// QtCore only.
#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace kelto {

enum class TJournalPlace { Local, Server };

struct TJournalSettings {
    TJournalPlace place = TJournalPlace::Local;
    // A name, an address, or the folder of a Unix socket, as libpq takes it.
    QString host;
    int port = 5432;
    QString database;
    QString user;
    QString sslMode = QStringLiteral("prefer");

    bool operator==(const TJournalSettings&) const = default;
};

inline constexpr const char* JournalSettingsFileName = "journal.cnf";

// The sslmode values libpq knows.
const QStringList& SslModes();

// The file's bytes read back; a damaged file (an unknown place, a port or
// sslmode libpq would refuse, lines missing) gives the local journal.
TJournalSettings ParseJournalSettings(const QByteArray& bytes);
QByteArray JournalSettingsBytes(const TJournalSettings& settings);

QString JournalSettingsPath();
// journal.cnf of the program folder; missing: the local journal. A damaged
// file gives the local journal too, is kept as journal.cnf.bak and `note`
// receives what to tell the user (empty otherwise).
TJournalSettings ReadJournalSettings(QString* note = nullptr);
// Through the one save path; the reason in Russian on failure.
std::optional<QString> SaveJournalSettings(const TJournalSettings& settings);

} // namespace kelto
