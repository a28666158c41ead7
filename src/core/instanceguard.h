// One running copy at a time. Two exclusive locks that the system drops when
// the process ends, so a crash never blocks the next start: one on a file
// named after the program in the user's runtime folder (one copy per user),
// and one on the program folder itself (one copy per diary, whoever runs it:
// two users sharing a portable folder, or the same user through sudo). Where
// the folder's file system has no locks (NFS without a lock service, say),
// a lock file created exclusively in the folder stands in for the second:
// it holds the process id and host, and is taken for stale only when that
// process is gone from this host.
#pragma once
#include <QString>

namespace kelto {

class TInstanceGuard {
public:
    explicit TInstanceGuard(QString name = QStringLiteral("kelto"));
    ~TInstanceGuard();
    TInstanceGuard(const TInstanceGuard&) = delete;
    TInstanceGuard& operator=(const TInstanceGuard&) = delete;

    // True when this process now holds the locks (held until destruction).
    // `programFolder` empty: the runtime folder's lock only.
    bool Acquire(const QString& programFolder = {});
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
    bool LockOrRefuse(int& fd, bool& unsupported);
    bool TakeLockFile(const QString& programFolder);
};

} // namespace kelto
