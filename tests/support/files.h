// Files a test lays out and reads back, and a device that fails like a full
// disk.
#pragma once
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QTest>

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

// Passes at most `budget` bytes on to the save file, then fails like a full
// disk.
class TFailingDevice : public QIODevice {
public:
    TFailingDevice(QIODevice& target, qint64 budget)
        : m_target(target)
        , m_budget(budget)
    {
        open(QIODevice::WriteOnly);
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 len) override
    {
        if (m_budget <= 0) {
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
};

} // namespace kelto::testing
