#include "journalserver/serverprobe.h"

#include "journalserver/serverdb.h"

#include <chrono>

namespace kelto {

TServerProbe::~TServerProbe()
{
    Join();
}

void TServerProbe::Join()
{
    if (m_thread.joinable())
        m_thread.join();
}

void TServerProbe::Start(const TJournalSettings& settings, const QString& password, int timeoutSeconds)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_running)
            return;
        m_running = true;
        m_result.reset();
    }
    Join(); // the previous attempt, finished already
    m_thread = std::thread([this, settings, password, timeoutSeconds] {
        TProbeResult result;
        {
            TServerConnection connection; // opened and closed on this thread only
            const std::optional<QString> failure = connection.Open(settings, password, timeoutSeconds);
            result.reached = !failure;
            result.reason = failure.value_or(QString());
        }
        std::lock_guard lock(m_mutex);
        m_result = result;
        m_running = false;
        m_done.notify_all();
    });
}

bool TServerProbe::Running() const
{
    std::lock_guard lock(m_mutex);
    return m_running;
}

std::optional<TProbeResult> TServerProbe::Take(int waitMs)
{
    std::unique_lock lock(m_mutex);
    if (waitMs > 0)
        m_done.wait_for(lock, std::chrono::milliseconds(waitMs), [this] { return !m_running; });
    std::optional<TProbeResult> result;
    result.swap(m_result);
    return result;
}

} // namespace kelto
