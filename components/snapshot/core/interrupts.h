// What may end a capture's wait before the awaited thing happens: Close (an event that the
// component's thread sets) and a point in time. A wait that runs out of time fails with the
// time-out code; a wait that Close ends fails as stopped. The clean-up after a capture waits with
// no stop event, so that it finishes even after Close, and with short limits of its own.
#pragma once
#include <windows.h>

#include <chrono>
#include <string>

#include "common/run_error.h"

namespace pagelens::capture {

using Clock = std::chrono::steady_clock;

struct Interrupts {
    HANDLE stop = nullptr;  // manual-reset event; none during clean-up
    Clock::time_point until = Clock::time_point::max();

    bool stopped() const { return stop && WaitForSingleObject(stop, 0) == WAIT_OBJECT_0; }
    bool expired() const { return Clock::now() >= until; }
    // The same stop event with an earlier end, if `limit` from now comes first.
    Interrupts within(std::chrono::milliseconds limit) const;
};

// Waits for `handle` (none: only for the time or the stop). Ok when it is signalled; otherwise
// the stopped or timed-out error, the latter saying what was awaited.
Status WaitForHandle(HANDLE handle, const Interrupts& interrupts, const wchar_t* awaited);

// Sleeps `duration` unless stopped or the time runs out first (which is not an error here).
Status Pause(std::chrono::milliseconds duration, const Interrupts& interrupts);

}  // namespace pagelens::capture
