#include "core/instanceguard.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <limits>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelto {

namespace {

// A record is a process id and a host name, each ended by a line feed; a
// real one is a few dozen bytes.
constexpr qint64 MaxRecordSize = 512;

// The lock files the guards of this process hold: a record naming this
// process's own id is live only when it is one of them (a crashed copy may
// have had the id this process now has).
QSet<QByteArray>& HeldHere()
{
    static QSet<QByteArray> held;
    return held;
}

// A folder that only this user can enter: created if missing, refused when
// it is a link, someone else's, or open to others.
bool PrivateFolder(const QByteArray& path)
{
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st { };
    if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    return st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

QByteArray HostName()
{
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0)
        return QByteArray();
    return QByteArray(host);
}

QByteArray Record()
{
    return QByteArray::number(qint64(::getpid())) + '\n' + HostName() + '\n';
}

// The name inside the parentheses of /proc/<pid>/stat.
QByteArray ProcessName(const QByteArray& procFolder)
{
    QFile stat(QFile::decodeName(procFolder + "/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return QByteArray();
    const QByteArray text = stat.read(4096);
    const qsizetype open = text.indexOf('('), close = text.lastIndexOf(')');
    return open >= 0 && close > open ? text.mid(open + 1, close - open - 1) : QByteArray();
}

enum class TCreated { Yes, Exists, NoWrite, Failed };

// `path` made to hold `record` whole or not at all: the record is written
// to a file of this process's own and linked into place, which fails when
// a lock file is there. Where the file system has no hard links, the file
// is created exclusively and written in one go.
TCreated CreateWhole(const QByteArray& path, const QByteArray& record)
{
    const QByteArray own = path + '.' + QByteArray::number(qint64(::getpid()));
    ::unlink(own.constData());
    int fd = ::open(own.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return errno == EACCES || errno == EROFS || errno == EPERM ? TCreated::NoWrite : TCreated::Failed;
    bool written = ::write(fd, record.constData(), size_t(record.size())) == ssize_t(record.size());
    written = ::close(fd) == 0 && written;
    if (!written) {
        ::unlink(own.constData());
        return TCreated::Failed;
    }
    const int linked = ::link(own.constData(), path.constData());
    const int linkError = errno;
    ::unlink(own.constData());
    if (linked == 0)
        return TCreated::Yes;
    if (linkError == EEXIST)
        return TCreated::Exists;
    fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return errno == EEXIST ? TCreated::Exists : TCreated::Failed;
    written = ::write(fd, record.constData(), size_t(record.size())) == ssize_t(record.size());
    written = ::close(fd) == 0 && written;
    if (!written) {
        ::unlink(path.constData());
        return TCreated::Failed;
    }
    return TCreated::Yes;
}

// Takes the stale lock file `path` (the file of inode `ino`) out of the way.
// It is moved aside first, so that a lock another copy put there meanwhile
// is seen and put back rather than deleted.
// False when the folder does not let this user change it.
bool RemoveStale(const QByteArray& path, ino_t ino)
{
    const QByteArray aside = path + ".stale." + QByteArray::number(qint64(::getpid()));
    if (::rename(path.constData(), aside.constData()) != 0)
        return !(errno == EACCES || errno == EROFS || errno == EPERM);
    struct stat st { };
    if (::lstat(aside.constData(), &st) == 0 && st.st_ino != ino)
        (void)::link(aside.constData(), path.constData());
    ::unlink(aside.constData());
    return true;
}

} // namespace

bool RunsThisProgram(qint64 pid)
{
    const QByteArray proc = "/proc/" + QByteArray::number(pid);
    struct stat theirs { }, ours { };
    if (::stat((proc + "/exe").constData(), &theirs) == 0 && ::stat("/proc/self/exe", &ours) == 0)
        return theirs.st_dev == ours.st_dev && theirs.st_ino == ours.st_ino;
    const QByteArray name = ProcessName(proc), own = ProcessName("/proc/self");
    if (name.isEmpty() || own.isEmpty())
        return true; // nothing to tell it by: better refused than run twice
    return name == own;
}

TLockHolder JudgeLockRecord(const QByteArray& text, qint64 size)
{
    if (size > MaxRecordSize || text.size() != size || !text.endsWith('\n'))
        return TLockHolder::Stale;
    const QList<QByteArray> parts = text.split('\n');
    if (parts.size() != 3 || parts[1].isEmpty())
        return TLockHolder::Stale;
    const bool digits = !parts[0].isEmpty() && parts[0].size() <= 10
        && std::all_of(parts[0].begin(), parts[0].end(), [](char c) { return c >= '0' && c <= '9'; });
    const qint64 pid = digits ? parts[0].toLongLong() : 0;
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max())
        return TLockHolder::Stale;
    if (parts[1] != HostName())
        return TLockHolder::OtherHost;
    if (pid == qint64(::getpid()))
        return TLockHolder::Stale; // this process's own is known before (HeldHere)
    if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
        return TLockHolder::Stale;
    return RunsThisProgram(pid) ? TLockHolder::Live : TLockHolder::Stale;
}

// Locks `fd` for this process; false when another holds it. `unsupported`
// tells a file system without locks.
bool TInstanceGuard::LockOrRefuse(int& fd, bool& unsupported)
{
    unsupported = false;
    if ((m_flock ? m_flock : ::flock)(fd, LOCK_EX | LOCK_NB) == 0)
        return true;
    const bool held = errno == EWOULDBLOCK;
    unsupported = !held;
    ::close(fd);
    fd = -1;
    return !held;
}

bool TInstanceGuard::Refuse(TRefusal why, const QByteArray& path, const QString& host)
{
    m_refusal = why;
    m_refusedPath = QFile::decodeName(path);
    m_refusedHost = host;
    return false;
}

bool TInstanceGuard::TakeLockFile(const QString& programFolder, const TOtherHostQuestion& otherHostClosed)
{
    const QByteArray path = QFile::encodeName(QDir(programFolder).filePath(FolderLockFileName()));
    bool confirmed = false;
    for (int attempt = 0; attempt < 4; ++attempt) {
        struct stat st { };
        if (::lstat(path.constData(), &st) != 0) {
            if (errno != ENOENT)
                return Refuse(TRefusal::Running, path);
            switch (CreateWhole(path, Record())) {
            case TCreated::Yes:
                m_lockFile = path;
                HeldHere().insert(path);
                return true;
            case TCreated::NoWrite:
                // A folder that takes no file takes no notes either: two
                // copies cannot overwrite each other there.
                return true;
            case TCreated::Failed:
                return Refuse(TRefusal::Running, path);
            case TCreated::Exists:
                continue;
            }
        }
        if (!S_ISREG(st.st_mode))
            return Refuse(TRefusal::NotAFile, path);
        if (HeldHere().contains(path))
            return Refuse(TRefusal::Running, path);
        const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return Refuse(TRefusal::Running, path);
        QByteArray text(MaxRecordSize + 1, '\0');
        const ssize_t got = ::read(fd, text.data(), size_t(text.size()));
        ::close(fd);
        text.truncate(got < 0 ? 0 : got);
        const QString host = QString::fromUtf8(text.split('\n').value(1));
        switch (JudgeLockRecord(text, st.st_size)) {
        case TLockHolder::Live:
            return Refuse(TRefusal::Running, path);
        case TLockHolder::OtherHost:
            if (!confirmed && !(otherHostClosed && otherHostClosed(QFile::decodeName(path), host)))
                return Refuse(TRefusal::OtherHost, path, host);
            confirmed = true;
            break;
        case TLockHolder::Stale:
            break;
        }
        if (!RemoveStale(path, st.st_ino))
            return true; // a folder this user cannot write in: nothing to overwrite
    }
    return Refuse(TRefusal::Running, path);
}

TInstanceGuard::TInstanceGuard(QString name)
    : m_name(std::move(name))
{
}

TInstanceGuard::~TInstanceGuard()
{
    if (!m_lockFile.isEmpty()) {
        HeldHere().remove(m_lockFile);
        ::unlink(m_lockFile.constData());
    }
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_folderFd >= 0)
        ::close(m_folderFd);
}

QString TInstanceGuard::LockPath() const
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return QDir(runtime).filePath(m_name);
    const QString own = QDir(QDir::tempPath()).filePath(QStringLiteral("%1-%2").arg(m_name).arg(::geteuid()));
    if (!PrivateFolder(QFile::encodeName(own)))
        return QString();
    return QDir(own).filePath(m_name);
}

bool TInstanceGuard::Acquire(const QString& programFolder, const TOtherHostQuestion& otherHostClosed)
{
    m_refusal = TRefusal::None;
    if (m_fd < 0) {
        const QString lock = LockPath();
        if (!lock.isEmpty()) {
            const QByteArray path = QFile::encodeName(lock);
            m_fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
            // No place for a lock: better to run than to refuse; the
            // folder's lock still keeps the diary to one copy.
            bool unsupported = false;
            if (m_fd >= 0 && !LockOrRefuse(m_fd, unsupported))
                return Refuse(TRefusal::Running, path);
        }
    }
    if (m_folderFd < 0 && !programFolder.isEmpty()) {
        // A lock on the opened folder needs no write permission and no file
        // of its own in a folder the user may carry around.
        const QByteArray path = QFile::encodeName(programFolder);
        m_folderFd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        bool unsupported = false;
        if (m_folderFd >= 0 && !LockOrRefuse(m_folderFd, unsupported))
            return Refuse(TRefusal::Running, path);
        // Never unlocked on a folder whose file system has no locks.
        if (unsupported && m_lockFile.isEmpty() && !TakeLockFile(programFolder, otherHostClosed))
            return false;
    }
    return true;
}

} // namespace kelto
