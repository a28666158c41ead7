// The connection to the laboratory's journal server and its schema: opening
// with the settings of journal.cnf and the password of this run, the tables
// made (or upgraded) when the user may, the SQL named when it may not, and
// the conclusion numbers taken inside the saving transaction. QtCore + QtSql.
#pragma once
#include "journalserver/journalsettings.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>
#include <optional>

namespace kelto {

inline constexpr int ServerSchemaVersion = 2;
inline constexpr const char* ServerSqlFileName = "journal-server.sql";
// The channel of LISTEN/NOTIFY on which every change is announced.
inline constexpr const char* ServerChangeChannel = "kelto_journal";

// The text of journal-server.sql, as the program folder carries it.
QString ServerSchemaSql();
// A script's statements without their closing ";" and comments, kept whole
// across quotes and $$-quoted bodies.
QStringList SqlStatements(const QString& script);

// The reason of a failed connection or statement, in Russian.
QString ServerErrorText(const QSqlError& error);
// Whether the error means the server is out of reach (rather than refusing
// a statement): the journal then keeps its entries locally.
bool IsConnectionLost(const QSqlError& error);
// Whether the server refused for want of a (right) password.
bool IsPasswordRefused(const QSqlError& error);

// The operating system's name of the user running the program.
QString OsUserName();

// An open connection of its own name, closed and removed with the object.
class TServerConnection {
public:
    TServerConnection() = default;
    ~TServerConnection();
    TServerConnection(const TServerConnection&) = delete;
    TServerConnection& operator=(const TServerConnection&) = delete;

    // Opens the connection; nullopt on success, else the reason in Russian.
    // An empty password lets libpq look in ~/.pgpass (or PGPASSFILE).
    std::optional<QString> Open(const TJournalSettings& settings, const QString& password, int timeoutSeconds = 5);
    void Close();
    bool IsOpen() const;
    QSqlDatabase Database() const;
    // The last Open failed because the server wants a password (none given,
    // none in ~/.pgpass) or refused the one given.
    bool PasswordRefused() const { return m_passwordRefused; }

private:
    QString m_name;
    bool m_passwordRefused = false;
};

// "Проверить соединение": whether the server answers with these settings and
// in what state the journal's tables are, in Russian.
struct TConnectionCheck {
    bool connected = false;
    bool passwordRefused = false;
    QString text;
    // Why not connected, without the check's words around it.
    QString reason;
};
TConnectionCheck CheckServerConnection(const TJournalSettings& settings, const QString& password);

// Connection attempts on threads the program does not wait for when it
// ends (a server that does not answer holds them up to their timeout).
// Such a thread calls MarkUnwaitedThread first; from then on its attempts
// touch the program's shared state (the driver's list of connections) only
// while the program is not ending, and a late answer that comes while it
// ends stops the thread where it stands instead.
void MarkUnwaitedThread();
// Called once the thread's work is over (the last shared state let go).
void UnmarkUnwaitedThread();
// The program ends: waits for such threads busy with an answer they already
// had (never for a server still silent), and stops the rest at their next step.
void EndUnwaitedThreads();

enum class TSchemaState {
    Ready,    // the tables are there, of this version
    Made,     // made now on an empty database
    Upgraded, // an older version brought up to this one
    NoRights, // missing or old, and the user may not change it
    Newer,    // made by a newer program: not written to
    Failed,   // the server refused for another reason
};

struct TSchemaOutcome {
    TSchemaState state = TSchemaState::Failed;
    // For the user: what happened and, for NoRights, which SQL to run.
    QString message;
};

// Makes the tables on an empty database, upgrades an older schema in one
// transaction, or says why it cannot.
TSchemaOutcome PrepareServerSchema(QSqlDatabase db);
// The indexes of a large journal's list and search (journal-server.sql's
// "speed" part) added to a database made without them, when the user may;
// true when they are there. They change nothing stored: without them the
// journal works the same, slower.
bool EnsureServerIndexes(QSqlDatabase db);
// That part of journal-server.sql.
QString ServerIndexSql();

// The version the database holds, 0 without the tables; nullopt on failure.
std::optional<int> ServerSchemaVersionOf(QSqlDatabase db);

// The next free conclusion number of `year`, to be called inside the
// transaction that saves the conclusion; nullopt on failure.
std::optional<int> TakeConclusionNumber(QSqlDatabase db, int year);

} // namespace kelto
