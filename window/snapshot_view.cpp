// The snapshot window's commands on the image it shows: zoom, black and white, gray, resize,
// preset and original.
#include <algorithm>
#include <optional>

#include "common/number_text.h"
#include "settings/settings.h"
#include "window/control_ids.h"
#include "window/snapshot_window.h"

namespace pagelens {
namespace {

constexpr int kZoomLineStep = 1;
constexpr int kZoomPageStep = 10;

// Where a scroll request (other than a drag) moves the zoom bar, within its reach; nothing for a
// request that moves nothing.
std::optional<int> ScrolledValue(const SCROLLINFO& si, int request) {
    const int maximum = si.nMax - static_cast<int>(si.nPage) + 1;
    int value = si.nPos;
    switch (request) {
        case SB_LINELEFT:
            value -= kZoomLineStep;
            break;
        case SB_LINERIGHT:
            value += kZoomLineStep;
            break;
        case SB_PAGELEFT:
            value -= kZoomPageStep;
            break;
        case SB_PAGERIGHT:
            value += kZoomPageStep;
            break;
        case SB_LEFT:
            value = si.nMin;
            break;
        case SB_RIGHT:
            value = maximum;
            break;
        case SB_THUMBPOSITION:
            value = si.nTrackPos;
            break;
        default:
            return std::nullopt;
    }
    return std::max(si.nMin, std::min(value, maximum));
}

}  // namespace

int frmMain::ZoomValue() const {
    SCROLLINFO si{sizeof si, SIF_POS};
    GetScrollInfo(GetDlgItem(hwnd_, ids::scrollZoom), SB_CTL, &si);
    return si.nPos;
}

// Setting the value it already has is no change.
void frmMain::SetZoomValue(int value) {
    if (value == ZoomValue()) return;
    SCROLLINFO si{sizeof si, SIF_POS};
    si.nPos = value;
    SetScrollInfo(GetDlgItem(hwnd_, ids::scrollZoom), SB_CTL, &si, TRUE);
    scrollZoom_Change();
}

void frmMain::OnZoomScroll(int request) {
    HWND bar = GetDlgItem(hwnd_, ids::scrollZoom);
    SCROLLINFO si{sizeof si, SIF_ALL};
    GetScrollInfo(bar, SB_CTL, &si);
    auto moveThumb = [&](int value) {
        si.fMask = SIF_POS;
        si.nPos = value;
        SetScrollInfo(bar, SB_CTL, &si, TRUE);
    };
    if (request == SB_THUMBTRACK) {
        // Dragging: the view follows the thumb; the change comes when it is let go.
        moveThumb(si.nTrackPos);
        scrollZoom_Scroll();
        return;
    }
    const auto value = ScrolledValue(si, request);
    if (!value) return;
    if (request == SB_THUMBPOSITION) {
        moveThumb(*value);
        scrollZoom_Change();
    } else {
        SetZoomValue(*value);
    }
}

void frmMain::scrollZoom_Scroll() {
    const int value = ZoomValue();
    SetControlText(ids::lblZoom, DecimalText(value) + L"%");
    viewer_.Zoom(value / 100.0);
    viewer_.Redraw();
    SetControlText(ids::txtWidth, DecimalText(viewer_.ZoomedWidth()));
    SetControlText(ids::txtHeight, DecimalText(viewer_.ZoomedHeight()));
}

void frmMain::scrollZoom_Change() { scrollZoom_Scroll(); }

Status frmMain::cmdBlackAndWhite_Click() {
    WaitCursor wait(*this);
    statusBar_.SetPanelText(1, L"Converting image to black and white...");
    PAGELENS_RETURN_IF_ERROR(viewer_.ConvertToBlackAndWhite());
    statusBar_.SetPanelText(1, L"Convert to black and white done");
    return {};
}

Status frmMain::cmdGray_Click() {
    WaitCursor wait(*this);
    statusBar_.SetPanelText(1, L"Converting image to gray scale...");
    PAGELENS_RETURN_IF_ERROR(viewer_.ConvertToGray());
    statusBar_.SetPanelText(1, L"Convert to gray done");
    return {};
}

// Every step that fails is skipped and the command goes on; nothing is reported.
void frmMain::cmdReSize_Click() {
    SnapshotSettings& settings = state_.settings;
    PresetSize& preset = settings.preset;
    WaitCursor wait(*this);
    statusBar_.SetPanelText(1, L"Resizing image...");
    const std::wstring widthText = ControlText(ids::txtWidth);
    const std::wstring heightText = ControlText(ids::txtHeight);
    if (auto width = LeadingNumber(TrimBlanks(widthText)); width.ok()) preset.width = *width;
    if (auto height = LeadingNumber(TrimBlanks(heightText)); height.ok()) preset.height = *height;
    if (preset.width < 1) preset.width = kDefaultPresetWidth;
    if (preset.height < 1) preset.height = kDefaultPresetHeight;
    auto width = WholeNumber(widthText);
    auto height = WholeNumber(heightText);
    if (width.ok() && height.ok()) (void)viewer_.ResizeImage(*width, *height);
    SetZoomValue(100);
    SetControlText(ids::txtWidth, DecimalText(viewer_.ImageWidth()));
    SetControlText(ids::txtHeight, DecimalText(viewer_.ImageHeight()));
    statusBar_.SetPanelText(1, L"Resize image done");
    if (IsMinimized()) return;
    (void)settings.Store(SnapshotSettings::Field::Preset);
}

Status frmMain::cmdPreset_Click() {
    auto stored = SnapshotSettings::StoredPreset();
    if (!stored.ok()) return stored.error();
    PresetSize& preset = state_.settings.preset;
    preset = *stored;
    SetControlText(ids::txtWidth, DecimalText(preset.width));
    SetControlText(ids::txtHeight, DecimalText(preset.height));
    return {};
}

Status frmMain::cmdOriginal_Click() {
    PAGELENS_RETURN_IF_ERROR(ShowResult());
    // A zoom already at 100 refills nothing, and the boxes may still hold a resized size.
    SetControlText(ids::txtWidth, DecimalText(viewer_.ZoomedWidth()));
    SetControlText(ids::txtHeight, DecimalText(viewer_.ZoomedHeight()));
    return {};
}

}  // namespace pagelens
