#include "app/instanceguard.h"

#include <QDir>
#include <QFile>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace kelto {

TInstanceGuard::TInstanceGuard(QString name) : m_name(std::move(name)) {}

TInstanceGuard::~TInstanceGuard()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QString TInstanceGuard::lockPath() const
{
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !QDir(dir).exists())
        dir = QDir::tempPath();
    return QDir(dir).filePath(m_name);
}

bool TInstanceGuard::acquire()
{
    if (m_fd >= 0)
        return true;
    const QByteArray path = QFile::encodeName(lockPath());
    int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return true; // no place for a lock: better to run than to refuse
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

} // namespace kelto
