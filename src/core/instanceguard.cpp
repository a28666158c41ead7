#include "core/instanceguard.h"

#include <QDir>
#include <QFile>
#include <cerrno>
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

// Locks `fd` for this process; false when another holds it.
bool LockOrRefuse(int& fd)
{
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return true;
    const bool held = errno == EWOULDBLOCK;
    ::close(fd);
    fd = -1;
    return !held; // a file system without locks: better to run than to refuse
}

} // namespace

TInstanceGuard::TInstanceGuard(QString name)
    : m_name(std::move(name))
{
}

TInstanceGuard::~TInstanceGuard()
{
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
            // No place for a lock: better to run than to refuse.
            if (m_fd >= 0 && !LockOrRefuse(m_fd))
                return false;
        }
    }
    if (m_folderFd < 0 && !programFolder.isEmpty()) {
        // A lock on the opened folder needs no write permission and no file
        // of its own in a folder the user may carry around.
        const QByteArray path = QFile::encodeName(programFolder);
        m_folderFd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (m_folderFd >= 0 && !LockOrRefuse(m_folderFd))
            return false;
    }
    return true;
}

} // namespace kelto
