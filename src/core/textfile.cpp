#include "core/textfile.h"

#include <QFile>
#include <QSaveFile>

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

std::optional<QString> WriteFileAtomically(const QString& path, const QByteArray& bytes,
                                           const TDeviceWrapper& wrap)
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

std::optional<QByteArray> ReadWholeFile(const QString& path, qint64 limit)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    if (f.size() > limit)
        return std::nullopt;
    QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return std::nullopt;
    return data;
}

} // namespace kelto
