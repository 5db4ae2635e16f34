// Modal showing of a top-level window: the owner (if any) is disabled, and a message loop runs
// until the window is destroyed. Windows of the program use it for "show modally".
#pragma once
#include <windows.h>

#include <functional>

namespace pagelens {

// Sees every message of the loop first; returns true when it handled the message itself.
using PreTranslate = std::function<bool(MSG&)>;

// Returns when `hwnd` no longer exists. A WM_QUIT seen by the loop is posted again and ends it.
void RunModal(HWND hwnd, HWND owner, const PreTranslate& preTranslate = {});

// Processes the messages that are waiting, then returns (what "DoEvents" does).
void ProcessPendingMessages(const PreTranslate& preTranslate = {});

}  // namespace pagelens
