// Writes snapshots of a file off the user-interface thread: the caller fixes
// the snapshot (an immutable copy in the job), the atomic write and its flush
// to disk happen on a worker, one write at a time.
// QtCore only.
#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace kelto {

class TSnapshotWriter : public QObject {
    Q_OBJECT
public:
    explicit TSnapshotWriter(QObject* parent = nullptr);
    ~TSnapshotWriter() override;

    // The whole write done by `job` on the worker (the bytes and more: a
    // backup first, say); it must own what it reads, and returns the reason
    // on failure. While a write is under way the job waits, and a newer one
    // replaces it: only the latest state matters.
    using TJob = std::function<std::optional<QString>()>;
    void WriteWith(const QString& path, TJob job);
    // Blocks until the write under way, and the one waiting, are done.
    void Wait();
    // Forgets the waiting snapshot and blocks until the write under way is
    // done; for a close, whose own save follows.
    void Finish();

signals:
    // On the thread that owns the writer, after every write; `error` is
    // empty on success.
    void written(const QString& path, const QString& error);

private:
    void run();

    std::mutex m_mutex;
    std::thread m_thread;
    bool m_running = false;
    std::optional<std::pair<QString, TJob>> m_pending;
};

} // namespace kelto
