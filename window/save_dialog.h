// The question Save As puts to the user: what the dialog is given, and the dialogs that answer
// it (the platform's, or a substitute that tests give the window).
#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace pagelens {

struct SaveDialogRequest {
    std::wstring title;
    std::wstring fileName;
    std::wstring defaultExtension;
    std::wstring filter;  // "description|patterns|..." as the window keeps it
    std::optional<int> filterIndex;
    DWORD flags = 0;
};

// The chosen file name, or nothing when the user cancelled.
using SaveDialog = std::function<std::optional<std::wstring>(HWND owner, const SaveDialogRequest&)>;

// The platform's save-file dialog.
std::optional<std::wstring> AskWithCommonDialog(HWND owner, const SaveDialogRequest& request);

}  // namespace pagelens
