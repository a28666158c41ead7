// One attempt to reach the journal server on a thread of its own, so that a
// server out of reach (a connection that waits for its timeout) never holds
// the window. The attempt opens a connection of its own on that thread and
// closes it there; the store then opens its own only once the server answered.
// Nobody waits for the thread: an attempt given up, or one under way when
// its owner goes, ends on its own with everything it touches its own.
// QtCore + QtSql.
#pragma once
#include "journalserver/journalsettings.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace kelto {

struct TProbeResult {
    bool reached = false;
    QString reason; // in Russian, when not reached
    // A check (StartCheck): the server wants a (right) password, and what
    // the check came to as "Проверить соединение" says it.
    bool passwordRefused = false;
    QString text;
};

class TServerProbe {
public:
    TServerProbe();
    TServerProbe(const TServerProbe&) = delete;
    TServerProbe& operator=(const TServerProbe&) = delete;
    // Never waits: an attempt under way is given up (Abandon).
    ~TServerProbe();

    // Starts an attempt unless one is under way.
    void Start(const TJournalSettings& settings, const QString& password, int timeoutSeconds);
    // The same, and once connected, the state of the journal's tables
    // (CheckServerConnection).
    void StartCheck(const TJournalSettings& settings, const QString& password);
    bool Running() const;
    // The finished attempt's result, once; nullopt while none has finished.
    // `waitMs` bounds how long to wait for one under way.
    std::optional<TProbeResult> Take(int waitMs = 0);
    // Forgets the attempt under way: its thread ends on its own, its result
    // goes nowhere, and a new attempt may start at once.
    void Abandon();

private:
    struct TState;
    void Launch(std::function<TProbeResult()> attempt);

    std::shared_ptr<TState> m_state;
};

} // namespace kelto
