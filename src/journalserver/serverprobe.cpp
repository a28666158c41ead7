#include "journalserver/serverprobe.h"

#include "journalserver/serverdb.h"

#include <QCoreApplication>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace kelto {

struct TServerProbe::TState {
    std::mutex mutex;
    std::condition_variable done;
    bool running = false;
    std::optional<TProbeResult> result;
};

namespace {

void EndThreadsWithTheProgram()
{
    static bool registered = false;
    if (registered || !QCoreApplication::instance())
        return;
    registered = true;
    // Before the program's shared objects go: a late answer must not find them half gone.
    qAddPostRoutine(EndUnwaitedThreads);
}

} // namespace

TServerProbe::TServerProbe()
    : m_state(std::make_shared<TState>())
{
}

TServerProbe::~TServerProbe() = default;

void TServerProbe::Launch(std::function<TProbeResult()> attempt)
{
    {
        std::lock_guard lock(m_state->mutex);
        if (m_state->running)
            return;
    }
    // A state of each attempt's own: one given up keeps its own to the end.
    m_state = std::make_shared<TState>();
    m_state->running = true;
    EndThreadsWithTheProgram();
    std::thread([state = m_state, attempt = std::move(attempt)] {
        MarkUnwaitedThread();
        const TProbeResult result = attempt(); // its connection opened and closed on this thread only
        {
            std::lock_guard lock(state->mutex);
            state->result = result;
            state->running = false;
            state->done.notify_all();
        }
        UnmarkUnwaitedThread();
    }).detach();
}

void TServerProbe::Start(const TJournalSettings& settings, const QString& password, int timeoutSeconds)
{
    Launch([settings, password, timeoutSeconds] {
        TProbeResult result;
        TServerConnection connection;
        const std::optional<QString> failure = connection.Open(settings, password, timeoutSeconds);
        result.reached = !failure;
        result.reason = failure.value_or(QString());
        result.passwordRefused = connection.PasswordRefused();
        return result;
    });
}

void TServerProbe::StartCheck(const TJournalSettings& settings, const QString& password)
{
    Launch([settings, password] {
        const TConnectionCheck check = CheckServerConnection(settings, password);
        return TProbeResult{check.connected, check.reason, check.passwordRefused, check.text};
    });
}

bool TServerProbe::Running() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->running;
}

std::optional<TProbeResult> TServerProbe::Take(int waitMs)
{
    std::unique_lock lock(m_state->mutex);
    if (waitMs > 0)
        m_state->done.wait_for(lock, std::chrono::milliseconds(waitMs), [this] { return !m_state->running; });
    std::optional<TProbeResult> result;
    result.swap(m_state->result);
    return result;
}

void TServerProbe::Abandon()
{
    m_state = std::make_shared<TState>();
}

} // namespace kelto
