// The program's clock held at a moment for as long as the object lives, then
// given back to the real time, whatever way the test leaves.
#pragma once
#include "core/clock.h"

#include <QDateTime>

namespace kelto::testing {

struct FixedClock {
    explicit FixedClock(const QDateTime& moment) { SetFixedNow(moment); }
    ~FixedClock() { SetFixedNow({}); }
    FixedClock(const FixedClock&) = delete;
    FixedClock& operator=(const FixedClock&) = delete;

    // Moves the held moment on (or back).
    void Set(const QDateTime& moment) { SetFixedNow(moment); }
};

} // namespace kelto::testing
