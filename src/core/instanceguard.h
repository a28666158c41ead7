// One running copy at a time. Two exclusive locks that the system drops when
// the process ends, so a crash never blocks the next start: one on a file
// named after the program in the user's runtime folder (one copy per user),
// and one on the program folder itself (one copy per diary, whoever runs it:
// two users sharing a portable folder, or the same user through sudo). Where
// the folder's file system has no locks (NFS without a lock service, say),
// a lock file in the folder stands in for the second: a complete record of
// the holder ("<pid>\n<host>\n"), which only ever appears whole.
#pragma once
#include <QByteArray>
#include <QString>
#include <functional>

namespace kelto {

// What a lock file left in the folder says about its holder.
enum class TLockHolder {
    Live,      // this program's process, alive on this host
    Stale,     // not a complete record, or no such process of this program here
    OtherHost, // a copy on another host, which cannot be asked
};

// `text`: the file's first bytes; `size`: the whole file's size. The
// process is judged by its executable, not by its id alone.
TLockHolder JudgeLockRecord(const QByteArray& text, qint64 size);

// The process of `pid` on this host runs the same executable as this one.
// Where that cannot be read (another user's process) the process name
// stands in; where nothing can be read the process counts as this program.
bool RunsThisProgram(qint64 pid);

class TInstanceGuard {
public:
    explicit TInstanceGuard(QString name = QStringLiteral("kelto"));
    ~TInstanceGuard();
    TInstanceGuard(const TInstanceGuard&) = delete;
    TInstanceGuard& operator=(const TInstanceGuard&) = delete;

    // Asked when the folder's lock file names a copy on another host: true
    // when the user confirms that copy is closed, and the start goes on.
    using TOtherHostQuestion = std::function<bool(const QString& lockPath, const QString& host)>;

    // True when this process now holds the locks (held until destruction).
    // `programFolder` empty: the runtime folder's lock only.
    bool Acquire(const QString& programFolder = {}, const TOtherHostQuestion& otherHostClosed = {});

    // Why the last Acquire refused.
    enum class TRefusal {
        None,
        Running,   // another copy holds the folder or the user's lock
        OtherHost, // the lock file names another host and the start was not confirmed
        NotAFile,  // the lock file is a folder, a link, a device or a pipe
    };
    TRefusal Refusal() const { return m_refusal; }
    // The lock file and the host it names, for the refusal's box.
    const QString& RefusedLockPath() const { return m_refusedPath; }
    const QString& RefusedHost() const { return m_refusedHost; }

    // The runtime lock's file: in $XDG_RUNTIME_DIR, or, where that is unset,
    // in a folder of the temporary folder private to the user (kelto-<uid>,
    // mode 0700), so that no other user can hold it. Empty when no private
    // place can be had.
    QString LockPath() const;
    // The lock file that stands in where the folder cannot be locked.
    static QString FolderLockFileName() { return QStringLiteral("kelto.lock"); }
    // The system's flock() unless replaced (a test makes it fail as NFS does).
    using TFlock = int (*)(int fd, int operation);
    void SetFlock(TFlock flock) { m_flock = flock; }

private:
    QString m_name;
    int m_fd = -1;
    int m_folderFd = -1;
    QByteArray m_lockFile; // the lock file this process made, removed at the end
    TFlock m_flock = nullptr;
    TRefusal m_refusal = TRefusal::None;
    QString m_refusedPath;
    QString m_refusedHost;
    bool LockOrRefuse(int& fd, bool& unsupported);
    bool TakeLockFile(const QString& programFolder, const TOtherHostQuestion& otherHostClosed);
    bool Refuse(TRefusal why, const QByteArray& path = {}, const QString& host = {});
};

} // namespace kelto
