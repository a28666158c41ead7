#include "core/snapshotwriter.h"
#include "core/textfile.h"

#include <QMetaObject>

#include <cerrno>
#include <new>

namespace kelto {

TSnapshotWriter::TSnapshotWriter(QObject* parent)
    : QObject(parent)
{
}

TSnapshotWriter::~TSnapshotWriter()
{
    Finish();
}

void TSnapshotWriter::WriteWith(const QString& path, TJob job)
{
    std::lock_guard lock(m_mutex);
    m_pending.emplace(path, std::move(job));
    if (m_running)
        return; // the worker takes it when the write under way is done
    if (m_thread.joinable())
        m_thread.join(); // ended its loop already; only the join is left
    m_running = true;
    m_thread = std::thread(&TSnapshotWriter::run, this);
}

void TSnapshotWriter::run()
{
    for (;;) {
        std::pair<QString, TJob> job;
        {
            std::lock_guard lock(m_mutex);
            if (!m_pending) {
                m_running = false;
                return;
            }
            job = std::move(*m_pending);
            m_pending.reset();
        }
        std::optional<QString> err;
        try {
            err = job.second();
        } catch (const std::bad_alloc&) {
            // A save that cannot get its memory fails like any other: the
            // program keeps the notes and tries again at the next change.
            err = SystemErrorText(ENOMEM);
        }
        job.second = nullptr; // the snapshot goes on this thread, not under the lock
        const QString error = err ? (err->isEmpty() ? QStringLiteral("ошибка записи") : *err) : QString();
        // Delivered on the owner's thread; dropped if the writer is gone.
        QMetaObject::invokeMethod(
            this, [this, path = job.first, error] { emit written(path, error); }, Qt::QueuedConnection);
    }
}

void TSnapshotWriter::Wait()
{
    std::thread worker;
    {
        std::lock_guard lock(m_mutex);
        worker = std::move(m_thread);
    }
    if (worker.joinable())
        worker.join();
}

void TSnapshotWriter::Finish()
{
    {
        std::lock_guard lock(m_mutex);
        m_pending.reset();
    }
    Wait();
}

} // namespace kelto
