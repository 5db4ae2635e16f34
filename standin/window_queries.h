// Questions about windows asked from any thread of this process. Text is read with a sent
// message that carries a time limit, so a window whose thread is stuck gives empty text
// instead of hanging the caller. The limit is all: Wine deems a thread that has not pumped for
// a few seconds hung and SMTO_ABORTIFHUNG would then give up at once, even on a thread that
// has just entered a message box's loop.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace pagelens::standin {

// How long a message sent to another thread's window may take.
inline constexpr UINT kSendTimeoutMs = 5000;

std::vector<HWND> TopLevelWindowsOfThisProcess();
std::vector<HWND> DescendantsOf(HWND parent);
std::wstring WindowText(HWND hwnd);
std::wstring ClassNameOf(HWND hwnd);
bool HasVisibleStyle(HWND hwnd);

}  // namespace pagelens::standin
