// One attempt to reach the journal server on a thread of its own, so that a
// server out of reach (a connection that waits for its timeout) never holds
// the window. The attempt opens a connection of its own on that thread and
// closes it there; the store then opens its own only once the server answered.
// QtCore + QtSql.
#pragma once
#include "journalserver/journalsettings.h"

#include <QString>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace kelto {

struct TProbeResult {
    bool reached = false;
    QString reason; // in Russian, when not reached
};

class TServerProbe {
public:
    TServerProbe() = default;
    TServerProbe(const TServerProbe&) = delete;
    TServerProbe& operator=(const TServerProbe&) = delete;
    // Waits for an attempt under way (at most its connection timeout).
    ~TServerProbe();

    // Starts an attempt unless one is under way.
    void Start(const TJournalSettings& settings, const QString& password, int timeoutSeconds);
    bool Running() const;
    // The finished attempt's result, once; nullopt while none has finished.
    // `waitMs` bounds how long to wait for one under way.
    std::optional<TProbeResult> Take(int waitMs = 0);

private:
    void Join();

    mutable std::mutex m_mutex;
    std::condition_variable m_done;
    std::thread m_thread;
    bool m_running = false;
    std::optional<TProbeResult> m_result;
};

} // namespace kelto
