#include "ui/open_windows.h"

#include <algorithm>

namespace pagelens {
namespace {
thread_local std::vector<HWND> tOpenWindows;
}

void AddOpenWindow(HWND hwnd) { tOpenWindows.push_back(hwnd); }

void RemoveOpenWindow(HWND hwnd) {
    tOpenWindows.erase(std::remove(tOpenWindows.begin(), tOpenWindows.end(), hwnd),
                       tOpenWindows.end());
}

const std::vector<HWND>& OpenWindows() { return tOpenWindows; }

}  // namespace pagelens
