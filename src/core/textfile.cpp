#include "core/textfile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace kelto {

std::optional<QString> WriteAll(QIODevice& device, const QByteArray& bytes)
{
    // A device that takes nothing (a short write at a file-size limit or on a
    // full disk) fails here rather than being taken for done.
    qint64 done = 0;
    while (done < bytes.size()) {
        qint64 n = device.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            return device.errorString().isEmpty() ? QStringLiteral("ошибка записи") : device.errorString();
        done += n;
    }
    return std::nullopt;
}

std::optional<QString> WriteFileAtomically(const QString& path, const QByteArray& bytes)
{
    return WriteFileAtomically(path, bytes, nullptr);
}

QString SystemErrorText(int error)
{
    switch (error) {
    case ENOSPC: return QStringLiteral("на диске нет места");
    case EDQUOT: return QStringLiteral("превышена дисковая квота");
    case EFBIG: return QStringLiteral("файл превысил допустимый размер");
    case EIO: return QStringLiteral("ошибка ввода-вывода на диске");
    case EROFS: return QStringLiteral("диск доступен только для чтения");
    case EACCES:
    case EPERM: return QStringLiteral("нет прав доступа");
    case ENOENT: return QStringLiteral("файл или папка не найдены");
    case ENOTDIR: return QStringLiteral("часть пути не является папкой");
    case EISDIR: return QStringLiteral("это папка, а не файл");
    case ELOOP: return QStringLiteral("это символическая ссылка");
    case ENAMETOOLONG: return QStringLiteral("слишком длинное имя файла");
    case EMFILE:
    case ENFILE: return QStringLiteral("открыто слишком много файлов");
    case ENOMEM: return QStringLiteral("недостаточно памяти");
    case EBUSY:
    case ETXTBSY: return QStringLiteral("файл занят");
    case ENOLCK: return QStringLiteral("файловая система не поддерживает блокировки");
    case ESTALE: return QStringLiteral("сетевой диск недоступен");
    case EAGAIN: return QStringLiteral("ресурс временно недоступен");
    // What a FAT or exFAT stick answers to a name it cannot hold (a colon, a
    // question mark, a trailing dot).
    case EINVAL: return QStringLiteral("имя файла недопустимо на этом диске");
    case EXDEV: return QStringLiteral("файл находится на другом диске");
    case ENODEV:
    case ENXIO: return QStringLiteral("устройство недоступно");
    case ENOTEMPTY: return QStringLiteral("папка не пуста");
    case EEXIST: return QStringLiteral("файл с таким именем уже есть");
    case ETIMEDOUT: return QStringLiteral("истекло время ожидания диска");
    default: return QStringLiteral("системная ошибка %1").arg(error);
    }
}

bool IsOutOfSpace(const QString& reason)
{
    for (int e : {ENOSPC, EDQUOT, EFBIG})
        if (reason.compare(SystemErrorText(e), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

namespace {

struct TFd {
    int fd;
    ~TFd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// In a folder its group may write to (one shared by several users), what
// the program creates there is the group's too, whatever the umask: else the
// next user's program could not replace it. Elsewhere the umask rules.
void ShareWithFolderGroup(int fd, int folderFd)
{
    struct stat folder { }, own { };
    if (::fstat(folderFd, &folder) != 0 || !(folder.st_mode & S_IWGRP) || ::fstat(fd, &own) != 0)
        return;
    const mode_t wanted = own.st_mode | S_IRGRP | S_IWGRP | (S_ISDIR(own.st_mode) ? S_IXGRP : 0);
    if ((own.st_mode & 07777) != (wanted & 07777))
        (void)::fchmod(fd, wanted & 07777);
}

// Writes straight to a file descriptor and keeps the reason of a failure in
// the program's own words.
class TFdDevice : public QIODevice {
public:
    explicit TFdDevice(int fd)
        : m_fd(fd)
    {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        for (;;) {
            const ssize_t n = ::write(m_fd, data, size_t(size));
            if (n >= 0)
                return n;
            if (errno != EINTR) {
                setErrorString(SystemErrorText(errno));
                return -1;
            }
        }
    }

private:
    int m_fd;
};

} // namespace

std::optional<QString> WriteFileAtomically(const QString& path, const QByteArray& bytes, const TDeviceWrapper& wrap)
{
    const QFileInfo info(path);
    const QByteArray dirName = QFile::encodeName(info.absolutePath());
    const QByteArray name = QFile::encodeName(info.fileName());
    TFd dir{::open(dirName.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd < 0)
        return SystemErrorText(errno);
    // What the name stands for now, asked of the name itself opened without
    // following a link: only a regular file (or none) is ever replaced.
    mode_t mode = 0;
    {
        TFd old{::openat(dir.fd, name.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC)};
        struct stat st { };
        if (old.fd >= 0) {
            if (::fstat(old.fd, &st) != 0)
                return SystemErrorText(errno);
            if (S_ISLNK(st.st_mode))
                return SystemErrorText(ELOOP);
            if (S_ISDIR(st.st_mode))
                return SystemErrorText(EISDIR);
            if (!S_ISREG(st.st_mode))
                return QStringLiteral("это не обычный файл");
            mode = st.st_mode & 07777;
        } else if (errno != ENOENT) {
            return SystemErrorText(errno);
        }
    }
    // The new text goes to a file of its own beside the target, created
    // here (never an existing name, never through a link), then renamed
    // over the target, which replaces whatever name is there and writes
    // through none.
    QByteArray temp;
    TFd out{-1};
    for (int attempt = 0; out.fd < 0; ++attempt) {
        temp = name + '.' + QByteArray::number(QRandomGenerator::global()->generate() & 0xffffff, 36) + ".tmp";
        out.fd = ::openat(dir.fd, temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (out.fd < 0 && (errno != EEXIST || attempt > 100))
            return SystemErrorText(errno);
    }
    auto fail = [&](const QString& reason) -> std::optional<QString> {
        ::unlinkat(dir.fd, temp.constData(), 0);
        return reason;
    };
    if (mode)
        (void)::fchmod(out.fd, mode); // a file keeps its permissions
    else
        ShareWithFolderGroup(out.fd, dir.fd);
    TFdDevice device(out.fd);
    std::unique_ptr<QIODevice> through = wrap ? wrap(device) : nullptr;
    if (auto err = WriteAll(through ? *through : static_cast<QIODevice&>(device), bytes))
        return fail(*err);
    through.reset();
    if (::fsync(out.fd) != 0)
        return fail(SystemErrorText(errno));
    const int fd = out.fd;
    out.fd = -1;
    if (::close(fd) != 0)
        return fail(SystemErrorText(errno));
    if (::renameat(dir.fd, temp.constData(), dir.fd, name.constData()) != 0)
        return fail(SystemErrorText(errno));
    (void)::fsync(dir.fd);
    return std::nullopt;
}

std::optional<QString> MakeFolder(const QString& path)
{
    const QFileInfo info(path);
    const QByteArray parentName = QFile::encodeName(info.absolutePath());
    TFd parent{::open(parentName.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (parent.fd < 0)
        return SystemErrorText(errno);
    const QByteArray name = QFile::encodeName(info.fileName());
    if (::mkdirat(parent.fd, name.constData(), 0777) != 0 && errno != EEXIST)
        return SystemErrorText(errno);
    TFd made{::openat(parent.fd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)};
    if (made.fd < 0)
        return SystemErrorText(errno);
    // A folder made by an earlier version (or an earlier umask) in a shared
    // folder is mended too, where it is this user's to mend.
    struct stat st { };
    if (::fstat(made.fd, &st) == 0 && st.st_uid == ::geteuid())
        ShareWithFolderGroup(made.fd, parent.fd);
    return std::nullopt;
}

namespace {

QString SystemReason(int error)
{
    return SystemErrorText(error);
}

} // namespace

std::optional<QByteArray> ReadWholeFile(const QString& path, qint64 limit, QString* reason)
{
    auto fail = [reason](const QString& why) -> std::optional<QByteArray> {
        if (reason)
            *reason = why;
        return std::nullopt;
    };
    if (reason)
        reason->clear();
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a
    // writer forever. What kind of file it is is asked of the opened file, so
    // nothing can be swapped in between the look and the read.
    const QByteArray name = QFile::encodeName(path);
    TFd f{::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
    if (f.fd < 0)
        return fail(SystemReason(errno));
    struct stat st { };
    if (::fstat(f.fd, &st) != 0)
        return fail(SystemReason(errno));
    if (!S_ISREG(st.st_mode))
        return fail(QStringLiteral("это не обычный файл"));
    if (st.st_size > limit)
        return fail(QStringLiteral("файл слишком велик (%1 байт)").arg(qint64(st.st_size)));
    QByteArray data;
    try {
        data.resize(qsizetype(st.st_size));
    } catch (const std::bad_alloc&) {
        return fail(QStringLiteral("недостаточно памяти"));
    }
    // A file that grows while it is read is taken up to its size at opening.
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::read(f.fd, data.data() + done, size_t(data.size() - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(SystemReason(errno));
        }
        if (n == 0)
            break;
        done += n;
    }
    data.truncate(done);
    return data;
}

} // namespace kelto
