// Save As without the window: the request the dialog gets (a name made from the digest of the
// address, with the chosen image type), the question (Internet Explorer's broker under Protected
// Mode, else the given dialog or the platform's), and the writing of the viewer's image, exactly
// at the chosen name, in the format that the name's extension selects. One object per command.
#pragma once
#include <optional>
#include <string>

#include "components/viewer/picture_viewer.h"
#include "window/protected_mode_files.h"
#include "window/save_dialog.h"
#include "window/snapshot_settings.h"

namespace pagelens {

class SaveFlow {
public:
    // An empty `dialog` is the platform's.
    explicit SaveFlow(SaveDialog dialog = {}) : dialog_(std::move(dialog)) {}

    // What the dialog is asked; nothing when no name can be proposed.
    static std::optional<SaveDialogRequest> Request(const SnapshotSettings& settings);
    // The chosen name; nothing when the user cancelled or chose no name.
    std::optional<std::wstring> Ask(HWND owner, const SaveDialogRequest& request);
    // Writes the viewer's image for the name that Ask returned and says how it went, in the
    // words of the status bar: a failed save must not look like one still under way.
    std::wstring Write(PictureViewer& viewer, const std::wstring& chosen, int32_t jpegQuality);

private:
    SaveDialog dialog_;
    std::optional<ProtectedModeSave> brokered_;
};

}  // namespace pagelens
