// The windows of this program open on the current thread, in the order they opened. The
// snapshot window, opened first, unloads the others when it closes.
#pragma once
#include <windows.h>

#include <vector>

namespace pagelens {

void AddOpenWindow(HWND hwnd);
void RemoveOpenWindow(HWND hwnd);
std::vector<HWND> OpenWindows();

}  // namespace pagelens
