// What the snapshot window writes under Protected Mode, where a low-integrity tab may write
// only into the folders the broker names: the work file goes to the writable counterpart of the
// Temporary Internet Files folder, and a saved image is written there first and then handed to
// Internet Explorer, which copies it where the user chose in its own save dialog (shown at
// medium integrity). Outside Protected Mode, or where ieframe.dll lacks these functions, none of
// this applies and the window works as it always has.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "common/run_error.h"
#include "window/save_dialog.h"

namespace pagelens {

// Under Protected Mode, the broker's writable folder, where the work folder goes; nothing
// otherwise.
std::optional<std::wstring> ProtectedModeWorkFolder();

// One brokered save: the dialog, the staging file and the hand-over. A chosen destination that
// is never handed over is cancelled when the object goes.
class ProtectedModeSave {
public:
    // A save through the broker, when this process is in Protected Mode and the functions exist.
    static std::optional<ProtectedModeSave> IfProtected();

    ProtectedModeSave(ProtectedModeSave&& other) noexcept;
    ProtectedModeSave& operator=(ProtectedModeSave&&) = delete;
    ~ProtectedModeSave();

    // Internet Explorer's save dialog with the request's name, filter, filter index, default
    // extension and flags (it has no title of its own). The destination, or nothing when the
    // user cancelled or the dialog failed.
    std::optional<std::wstring> Ask(HWND owner, const SaveDialogRequest& request);
    // Where the image is written first: a new file of a name of its own in the writable folder,
    // with the chosen file's extension; never a file that is there already (the work file).
    Result<std::wstring> StagingPath(const std::wstring& chosen) const;
    // Hands `staged` over for the chosen destination; the staging file is removed either way.
    Status Deliver(const std::wstring& staged);

private:
    explicit ProtectedModeSave(std::wstring folder) : folder_(std::move(folder)) {}
    std::wstring folder_;
    HANDLE state_ = nullptr;
};

}  // namespace pagelens
