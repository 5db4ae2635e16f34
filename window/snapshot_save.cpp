// The snapshot window's save handlers: the image type and JPEG quality choices, and Save As
// over the save flow (save_flow.h).
#include "common/number_text.h"
#include "window/control_ids.h"
#include "window/save_flow.h"
#include "window/snapshot_window.h"

namespace pagelens {
namespace {

std::wstring SelectedText(HWND list) {
    LRESULT index = SendMessageW(list, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return {};
    LRESULT length = SendMessageW(list, CB_GETLBTEXTLEN, index, 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

}  // namespace

Status frmMain::cboImageType_Click() {
    if (!state_.ready) return {};
    state_.settings.imageType = SelectedText(GetDlgItem(hwnd_, ids::cboImageType));
    if (IsMinimized()) return {};
    return state_.settings.Store(SnapshotSettings::Field::ImageType);
}

Status frmMain::cboQuality_Click() {
    if (!state_.ready) return {};
    auto quality = LeadingNumber(SelectedText(GetDlgItem(hwnd_, ids::cboQuality)));
    if (!quality.ok()) return quality.error();
    state_.settings.jpegQuality = *quality;
    if (IsMinimized()) return {};
    return state_.settings.Store(SnapshotSettings::Field::JpegQuality);
}

Status frmMain::cmdSave_Click() {
    const SnapshotSettings& settings = state_.settings;
    const auto request = SaveFlow::Request(settings);
    if (!request) {
        MousePointer(kDefaultPointer);
        return {};
    }
    SaveFlow save(saveDialog_);
    const auto chosen = save.Ask(hwnd_, *request);
    if (!chosen) return {};

    WaitCursor wait(*this);
    statusBar_.SetPanelText(1, L"Saving file...");
    SetControlText(ids::txtWidth, DecimalText(settings.preset.width));
    SetControlText(ids::txtHeight, DecimalText(settings.preset.height));
    statusBar_.SetPanelText(1, save.Write(viewer_, *chosen, settings.jpegQuality));
    return {};
}

}  // namespace pagelens
