// A PostgreSQL server of the test's own for Qt tests: tests/support/
// pgcluster.py run as `serve` (a fresh cluster in a temporary folder, a Unix
// socket only, an unprivileged owner), held through its standard input, so
// the server stops and its folder goes when this object goes or the test
// dies. A test built with kelto_add_qtest(... PGSERVER) has the paths.
//
//     TTestServer server;
//     KELTO_REQUIRE_SERVER(server);     // QSKIP with the reason
//     QSqlDatabase db = server.Connect("name", "journal");
#pragma once
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QTest>
#include <QUuid>
#include <optional>

namespace kelto::testing {

class TTestServer {
public:
    TTestServer() = default;
    TTestServer(const TTestServer&) = delete;
    TTestServer& operator=(const TTestServer&) = delete;
    ~TTestServer() { Close(); }

    // Starts the server once; nullopt when it runs, else why it cannot.
    std::optional<QString> Start()
    {
        if (m_started)
            return m_skip;
        m_started = true;
        m_process.setProgram(QStringLiteral(KELTO_PYTHON));
        m_process.setArguments({QStringLiteral(KELTO_PGCLUSTER), QStringLiteral("serve")});
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        if (!m_process.waitForStarted(10000)) {
            m_skip = QStringLiteral("python3 could not run tests/support/pgcluster.py: ") + m_process.errorString();
            return m_skip;
        }
        const QString line = ReadLine(120000);
        if (!TakeReady(line)) {
            m_skip = line.startsWith(QLatin1String("SKIPPED ")) ? line.mid(8)
                                                                : QStringLiteral("the test server said: ") + line;
            Close();
        }
        return m_skip;
    }

    bool Running() const { return m_started && !m_skip && m_up; }
    QString Host() const { return m_host; }
    int Port() const { return m_port; }
    QString AdminUser() const { return m_user; }

    // A fast shutdown (sessions end, data stays) and a start again.
    bool Stop()
    {
        const bool stopped = Command("stop", QStringLiteral("STOPPED"));
        m_up = m_up && !stopped;
        return stopped;
    }
    bool Restart() { return Command("start", QStringLiteral("READY")); }

    // A connection as the administrator (or `user`) to `database`.
    QSqlDatabase Connect(const QString& database, const QString& user = {}) const
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"),
                                                    QStringLiteral("test-") + QUuid::createUuid().toString());
        db.setHostName(m_host);
        db.setPort(m_port);
        db.setUserName(user.isEmpty() ? m_user : user);
        db.setDatabaseName(database);
        db.open();
        return db;
    }

    // Runs SQL as the administrator on `database`; the error text, empty on success.
    QString Exec(const QString& sql, const QString& database = QStringLiteral("postgres")) const
    {
        QString error;
        QString name;
        {
            QSqlDatabase db = Connect(database);
            name = db.connectionName();
            if (!db.isOpen()) {
                error = db.lastError().text();
            } else {
                QSqlQuery query(db);
                if (!query.exec(sql))
                    error = query.lastError().text();
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
        return error;
    }

    // A new empty database of the test's own.
    QString NewDatabase()
    {
        const QString name = QStringLiteral("j%1").arg(++m_databases);
        const QString error = Exec(QStringLiteral("CREATE DATABASE %1").arg(name));
        return error.isEmpty() ? name : QString();
    }

private:
    QString ReadLine(int ms)
    {
        QElapsedTimer timer;
        timer.start();
        while (!m_process.canReadLine()) {
            const int left = ms - int(timer.elapsed());
            if (left <= 0 || m_process.state() == QProcess::NotRunning)
                return QStringLiteral("no answer from tests/support/pgcluster.py");
            m_process.waitForReadyRead(left);
        }
        return QString::fromUtf8(m_process.readLine()).trimmed();
    }

    bool TakeReady(const QString& line)
    {
        const QStringList parts = line.split(QLatin1Char(' '));
        if (parts.size() != 4 || parts[0] != QLatin1String("READY"))
            return false;
        m_host = parts[1];
        m_port = parts[2].toInt();
        m_user = parts[3];
        m_up = true;
        return true;
    }

    bool Command(const char* command, const QString& answer)
    {
        if (!m_started || m_skip)
            return false;
        m_process.write(QByteArray(command) + '\n');
        m_process.waitForBytesWritten(5000);
        const QString line = ReadLine(60000);
        return line.startsWith(answer) && (answer != QLatin1String("READY") || TakeReady(line));
    }

    void Close()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(60000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
        m_up = false;
    }

    QProcess m_process;
    bool m_started = false;
    bool m_up = false;
    std::optional<QString> m_skip;
    QString m_host;
    int m_port = 0;
    QString m_user;
    int m_databases = 0;
};

} // namespace kelto::testing

// Skips the running test, saying why, when the server cannot start here.
#define KELTO_REQUIRE_SERVER(server)                                                                                   \
    do {                                                                                                               \
        if (const auto why = (server).Start())                                                                         \
            QSKIP(qPrintable(QStringLiteral("PostgreSQL test server not started: ") + *why));                          \
    } while (false)
