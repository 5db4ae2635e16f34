// The snapshot window's save function: the image type and JPEG quality choices, and Save As,
// which proposes a name made from the digest of the current address and writes the image in the
// format that the chosen name's extension selects.

// <commdlg.h> needs <windows.h> first.
// clang-format off
#include <windows.h>
#include <commdlg.h>
// clang-format on

#include <vector>

#include "common/number_text.h"
#include "settings/settings.h"
#include "window/control_ids.h"
#include "window/protected_mode_files.h"
#include "window/save_choices.h"
#include "window/snapshot_window.h"

namespace pagelens {
namespace {

constexpr wchar_t kSaveDialogTitle[] = L"Save Snapshot Image";
// The overwrite prompt and the path-must-exist check.
constexpr DWORD kSaveDialogFlags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;

std::wstring SelectedText(HWND list) {
    LRESULT index = SendMessageW(list, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return {};
    LRESULT length = SendMessageW(list, CB_GETLBTEXTLEN, index, 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

// The platform's save-file dialog. Cancelling gives no name.
std::optional<std::wstring> AskWithCommonDialog(HWND owner, const SaveDialogRequest& request) {
    std::vector<wchar_t> fileName(32768, L'\0');
    request.fileName.copy(fileName.data(), fileName.size() - 1);
    const std::wstring filter = ToWin32Filter(request.filter);
    OPENFILENAMEW ofn{sizeof ofn};
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = request.filterIndex.value_or(0);
    ofn.lpstrFile = fileName.data();
    ofn.nMaxFile = static_cast<DWORD>(fileName.size());
    ofn.lpstrTitle = request.title.c_str();
    ofn.lpstrDefExt = request.defaultExtension.c_str();
    ofn.Flags = request.flags | OFN_EXPLORER | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&ofn)) return std::nullopt;
    return std::wstring(fileName.data());
}

}  // namespace

Status frmMain::cboImageType_Click() {
    SnapshotState& state = state_;
    if (!state.ready) return {};
    state.settings.imageType = SelectedText(GetDlgItem(hwnd_, ids::cboImageType));
    if (IsMinimized()) return {};
    return state.settings.Store(SnapshotSettings::Field::ImageType);
}

Status frmMain::cboQuality_Click() {
    SnapshotState& state = state_;
    if (!state.ready) return {};
    auto quality = LeadingNumber(SelectedText(GetDlgItem(hwnd_, ids::cboQuality)));
    if (!quality.ok()) return quality.error();
    state.settings.jpegQuality = *quality;
    if (IsMinimized()) return {};
    return state.settings.Store(SnapshotSettings::Field::JpegQuality);
}

Status frmMain::cmdSave_Click() {
    const SnapshotSettings& settings = state_.settings;
    auto defaultName = DefaultSaveName(settings.address, settings.imageType);
    if (!defaultName.ok()) {
        MousePointer(kDefaultPointer);
        return {};
    }
    SaveDialogRequest request;
    request.title = kSaveDialogTitle;
    request.fileName = *defaultName;
    request.flags = kSaveDialogFlags;
    request.defaultExtension = settings.imageType;
    request.filterIndex = SaveFilterIndex(settings.imageType);
    request.filter = SaveDialogFilter();
    // Under Protected Mode the file is written where the tab may write and handed over.
    auto brokered = ProtectedModeSave::IfProtected();
    const auto chosen = brokered      ? brokered->Ask(hwnd_, request)
                        : saveDialog_ ? saveDialog_(hwnd_, request)
                                      : AskWithCommonDialog(hwnd_, request);
    if (!chosen || chosen->empty()) return {};

    WaitCursor wait(*this);
    statusBar_.SetPanelText(1, L"Saving file...");
    SetControlText(ids::txtWidth, DecimalText(settings.preset.width));
    SetControlText(ids::txtHeight, DecimalText(settings.preset.height));

    // The image goes exactly where the user said; only the format comes from the extension.
    const auto target = brokered ? brokered->StagingPath(*chosen) : Result<std::wstring>(*chosen);
    if (!target.ok()) {
        statusBar_.SetPanelText(1, L"The file was not saved: " + target.error().description);
        return {};
    }
    Status saved;
    switch (SaveFormatForName(*chosen)) {
        case SaveFormat::Bmp:
            saved = viewer_.SaveAsBmp(*target);
            break;
        case SaveFormat::Emf:
            saved = viewer_.SaveAsEmf(*target);
            break;
        case SaveFormat::Gif:
            saved = viewer_.SaveAsGif(*target);
            break;
        case SaveFormat::Pdf:
            saved = viewer_.SaveAsPdf(*target);
            break;
        case SaveFormat::Png:
            saved = viewer_.SaveAsPng(*target);
            break;
        case SaveFormat::Wmf:
            saved = viewer_.SaveAsWmf(*target);
            break;
        case SaveFormat::Tiff:
            viewer_.TiffOption(0);
            saved = viewer_.SaveAsTiff(*target);
            break;
        case SaveFormat::Jpeg:
            viewer_.JpegSaveQuality(settings.jpegQuality);
            saved = viewer_.SaveAsJpeg(*target);
            break;
    }
    if (saved.ok() && brokered)
        saved = brokered->Deliver(*target);
    else if (brokered)
        DeleteFileW(target->c_str());  // the staging file made for it
    // A failed save must not look like one still under way.
    statusBar_.SetPanelText(1, saved.ok()
                                   ? std::wstring(L"Save file done")
                                   : L"The file was not saved: " + saved.error().description);
    return {};
}

}  // namespace pagelens
