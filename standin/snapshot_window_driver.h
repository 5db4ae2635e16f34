// Driving the snapshot window from another thread of the same process, the way a user would:
// finding it, typing into its boxes, pressing its buttons, choosing list entries, reading its
// labels and status bar, and pressing Escape. Clicks and keys are posted, so they run inside
// the window's own message loop as real input does.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "common/run_error.h"

namespace pagelens::standin {

// The visible snapshot window of this process, or none.
HWND FindSnapshotWindow();
// A control of the window by identifier, at any depth (group boxes may hold their controls).
HWND FindControl(HWND window, int id);

// The identifier of a control named as the window names it ("txtAddress", "cmdSnapshot").
std::optional<int> ControlIdByName(std::wstring_view name);
std::wstring ControlName(int id);

Status TypeText(HWND window, int controlId, const std::wstring& text);
Status ClickButton(HWND window, int controlId);
Status SelectListEntry(HWND window, int controlId, const std::wstring& entry);
Result<std::wstring> ReadControlText(HWND window, int controlId);
// The status text (the status bar's first part), safely from any thread.
Result<std::wstring> ReadStatusText(HWND window);
// Escape to the control that has the focus, as the keyboard would deliver it.
Status PressEscape(HWND window);

// One of the texts that end a capture (success or one of the failures).
bool IsFinalCaptureStatus(std::wstring_view text);
inline constexpr wchar_t kCaptureSucceeded[] = L"The snapshot is successfully taken";

// Errors of the stand-in's own steps.
RunError DriverError(std::wstring description);

}  // namespace pagelens::standin
