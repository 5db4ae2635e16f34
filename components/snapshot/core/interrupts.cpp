#include "components/snapshot/core/interrupts.h"

#include <algorithm>

#include "components/snapshot/core/capture_failure.h"

namespace pagelens::capture {
namespace {

DWORD MillisecondsLeft(Clock::time_point until) {
    if (until == Clock::time_point::max()) return INFINITE;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()).count();
    return static_cast<DWORD>(std::clamp<long long>(left, 0, INFINITE - 1));
}

}  // namespace

Interrupts Interrupts::within(std::chrono::milliseconds limit) const {
    Interrupts shorter = *this;
    const auto end = Clock::now() + limit;
    if (end < until) shorter.until = end;
    return shorter;
}

Status WaitForHandle(HANDLE handle, const Interrupts& interrupts, const wchar_t* awaited) {
    HANDLE handles[2];
    DWORD count = 0;
    if (handle) handles[count++] = handle;
    if (interrupts.stop) handles[count++] = interrupts.stop;
    const DWORD wait =
        count ? WaitForMultipleObjects(count, handles, FALSE, MillisecondsLeft(interrupts.until))
              : (Sleep(MillisecondsLeft(interrupts.until)), WAIT_TIMEOUT);
    if (handle && wait == WAIT_OBJECT_0) return {};
    if (wait == WAIT_TIMEOUT)
        return TimedOut(std::wstring(L"The time limit was reached: ") + awaited);
    if (wait == WAIT_FAILED) return Failed(std::wstring(L"Waiting failed: ") + awaited);
    return Stopped();
}

Status Pause(std::chrono::milliseconds duration, const Interrupts& interrupts) {
    Status waited = WaitForHandle(nullptr, interrupts.within(duration), L"a pause");
    if (!waited.ok() && IsStopped(waited.error())) return waited;
    return {};
}

}  // namespace pagelens::capture
