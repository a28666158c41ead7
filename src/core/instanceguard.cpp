#include "core/instanceguard.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <csignal>
#include <limits>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelto {

namespace {

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

// A lock file's text: "<pid>\n<host>\n".
bool LockFileIsStale(const QByteArray& text)
{
    const QList<QByteArray> parts = text.split('\n');
    if (parts.size() < 2 || parts[1] != HostName())
        return false; // another machine's copy cannot be asked: taken as running
    bool ok = false;
    const qint64 pid = parts[0].toLongLong(&ok);
    if (!ok || pid <= 0 || pid > std::numeric_limits<pid_t>::max())
        return false;
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

} // namespace

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

bool TInstanceGuard::TakeLockFile(const QString& programFolder)
{
    const QByteArray path = QFile::encodeName(QDir(programFolder).filePath(FolderLockFileName()));
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd >= 0) {
            const QByteArray text = QByteArray::number(qint64(::getpid())) + '\n' + HostName() + '\n';
            const bool written = ::write(fd, text.constData(), size_t(text.size())) == ssize_t(text.size());
            ::close(fd);
            if (!written) {
                ::unlink(path.constData());
                return false;
            }
            m_lockFile = path;
            return true;
        }
        // A folder that takes no file takes no notes either: two copies
        // cannot overwrite each other there.
        if (errno == EACCES || errno == EROFS || errno == EPERM)
            return true;
        if (errno != EEXIST)
            return false;
        QFile held(QFile::decodeName(path));
        if (!held.open(QIODevice::ReadOnly) || !LockFileIsStale(held.read(256)))
            return false;
        ::unlink(path.constData()); // its copy ended without removing it
    }
    return false;
}

TInstanceGuard::TInstanceGuard(QString name)
    : m_name(std::move(name))
{
}

TInstanceGuard::~TInstanceGuard()
{
    if (!m_lockFile.isEmpty())
        ::unlink(m_lockFile.constData());
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

bool TInstanceGuard::Acquire(const QString& programFolder)
{
    if (m_fd < 0) {
        const QString lock = LockPath();
        if (!lock.isEmpty()) {
            const QByteArray path = QFile::encodeName(lock);
            m_fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
            // No place for a lock: better to run than to refuse; the
            // folder's lock still keeps the diary to one copy.
            bool unsupported = false;
            if (m_fd >= 0 && !LockOrRefuse(m_fd, unsupported))
                return false;
        }
    }
    if (m_folderFd < 0 && !programFolder.isEmpty()) {
        // A lock on the opened folder needs no write permission and no file
        // of its own in a folder the user may carry around.
        const QByteArray path = QFile::encodeName(programFolder);
        m_folderFd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        bool unsupported = false;
        if (m_folderFd >= 0 && !LockOrRefuse(m_folderFd, unsupported))
            return false;
        // Never unlocked on a folder whose file system has no locks.
        if (unsupported && m_lockFile.isEmpty() && !TakeLockFile(programFolder))
            return false;
    }
    return true;
}

} // namespace kelto
