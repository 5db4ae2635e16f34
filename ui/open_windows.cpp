// One list for the process, each window with its thread, rather than a thread_local one: a
// thread_local object with a destructor holds the library loaded until its thread ends, whose
// exit may then unload it from within the loader's thread shutdown (which hangs under Wine and
// which Windows does not allow).
#include "ui/open_windows.h"

#include <algorithm>

namespace pagelens {
namespace {

struct OpenWindow {
    DWORD thread;
    HWND hwnd;
};

SRWLOCK gLock = SRWLOCK_INIT;
std::vector<OpenWindow> gOpenWindows;

}  // namespace

void AddOpenWindow(HWND hwnd) {
    AcquireSRWLockExclusive(&gLock);
    gOpenWindows.push_back({GetCurrentThreadId(), hwnd});
    ReleaseSRWLockExclusive(&gLock);
}

void RemoveOpenWindow(HWND hwnd) {
    AcquireSRWLockExclusive(&gLock);
    std::erase_if(gOpenWindows, [&](const OpenWindow& open) { return open.hwnd == hwnd; });
    ReleaseSRWLockExclusive(&gLock);
}

std::vector<HWND> OpenWindows() {
    const DWORD thread = GetCurrentThreadId();
    std::vector<HWND> windows;
    AcquireSRWLockShared(&gLock);
    for (const auto& open : gOpenWindows)
        if (open.thread == thread) windows.push_back(open.hwnd);
    ReleaseSRWLockShared(&gLock);
    return windows;
}

}  // namespace pagelens
