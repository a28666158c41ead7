// Files a test lays out and reads back, and a device that fails like a full
// disk.
#pragma once
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace kelto::testing {

// Writes `bytes` to `path`, making its folder first.
inline void Put(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// The bytes at `path`, or "<missing>".
inline QByteArray Get(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "<missing>";
    return f.readAll();
}

// A save file's device that fails like a full disk: after passing `budget`
// bytes on, or, given `failFirst`, on the first that many writes (counted
// across devices, as a save and its retry share one disk) before passing
// everything on.
class TFailingDevice : public QIODevice {
public:
    TFailingDevice(QIODevice& target, qint64 budget, int* failFirst = nullptr)
        : m_target(target)
        , m_budget(budget)
        , m_failFirst(failFirst)
    {
        open(QIODevice::WriteOnly);
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 len) override
    {
        const bool failNow = m_failFirst && *m_failFirst > 0;
        if (failNow)
            --*m_failFirst;
        if (failNow || m_budget <= 0) {
            setErrorString(QStringLiteral("На диске нет места"));
            return -1;
        }
        const qint64 n = m_target.write(data, qMin(len, m_budget));
        if (n > 0)
            m_budget -= n;
        return n;
    }

private:
    QIODevice& m_target;
    qint64 m_budget;
    int* m_failFirst;
};

// A disk that takes files of at most `bytes` bytes, for as long as the object
// lives: writes past it fail (and raise no signal) as on a full disk. Given
// SIG_DFL as `onSignal`, the signal would end the process unless the code
// under test ignores it itself. The results of reading and of setting the
// limit are kept for the test to check.
struct FileSizeLimit {
    rlimit old{};
    void (*oldHandler)(int) = nullptr;
    int readResult = -1;
    int setResult = -1;

    explicit FileSizeLimit(rlim_t bytes, void (*onSignal)(int) = SIG_IGN)
    {
        readResult = getrlimit(RLIMIT_FSIZE, &old);
        oldHandler = std::signal(SIGXFSZ, onSignal);
        rlimit low = old;
        low.rlim_cur = bytes;
        setResult = setrlimit(RLIMIT_FSIZE, &low);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
};

} // namespace kelto::testing
