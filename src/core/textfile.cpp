#include "core/textfile.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace kelto {

std::optional<QString> WriteAll(QIODevice& device, const QByteArray& bytes)
{
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

std::optional<QString> WriteFileAtomically(const QString& path, const QByteArray& bytes, const TDeviceWrapper& wrap)
{
    QSaveFile f(path);
    // Unbuffered: Qt 6.4's commit() reports success even when flushing its
    // buffer hit a short write (file-size limit, full disk), and renames a
    // cut-short file over the good one. Writing straight through makes the
    // short write show in WriteAll, which then cancels.
    if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return f.errorString();
    std::unique_ptr<QIODevice> through = wrap ? wrap(f) : nullptr;
    if (auto err = WriteAll(through ? *through : static_cast<QIODevice&>(f), bytes)) {
        f.cancelWriting();
        return err;
    }
    through.reset();
    if (f.error() != QFileDevice::NoError) {
        const QString reason = f.errorString();
        f.cancelWriting();
        return reason;
    }
    if (!f.commit())
        return f.errorString();
    return std::nullopt;
}

namespace {

QString SystemReason(int error)
{
    return qt_error_string(error);
}

struct TFd {
    int fd;
    ~TFd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

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
