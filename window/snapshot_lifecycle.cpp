// The snapshot window's lifecycle: showing it modally, the load sequence that every showing
// runs (settings, placement, work file, lists), the keyboard's Escape and unloading.
#include <vector>

#include "common/number_text.h"
#include "ui/modal_loop.h"
#include "ui/open_windows.h"
#include "window/control_ids.h"
#include "window/protected_mode_files.h"
#include "window/save_choices.h"
#include "window/snapshot_window.h"

namespace pagelens {
namespace {

BOOL CALLBACK CollectEnabledWindow(HWND hwnd, LPARAM param) {
    auto* list = reinterpret_cast<std::vector<HWND>*>(param);
    if (IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) list->push_back(hwnd);
    return TRUE;
}

}  // namespace

Status frmMain::Load(IWebBrowser2* browser) {
    if (hwnd_) return {};  // already showing
    unloading_ = false;
    browser_ = browser;
    if (!CreateNativeWindow())
        return errors::FromHresult(HRESULT_FROM_WIN32(GetLastError()),
                                   L"The snapshot window could not be created");
    Status loaded = Form_Load();
    if (!loaded.ok()) {
        DestroyWindow(hwnd_);
        browser_.reset();
        return loaded;
    }
    ShowWindow(hwnd_, SW_SHOW);
    return {};
}

// Modal with no owner: like any modal form, it keeps the thread's other windows (the browser's)
// disabled until it closes.
Status frmMain::Show(IWebBrowser2* browser) {
    PAGELENS_RETURN_IF_ERROR(Load(browser));
    std::vector<HWND> disabled;
    EnumThreadWindows(GetCurrentThreadId(), &CollectEnabledWindow,
                      reinterpret_cast<LPARAM>(&disabled));
    std::erase(disabled, hwnd_);
    for (HWND other : disabled) EnableWindow(other, FALSE);
    RunModal(hwnd_, nullptr, [this](MSG& msg) { return PreTranslate(msg); });
    for (HWND other : disabled)
        if (IsWindow(other)) EnableWindow(other, TRUE);
    return {};
}

Status frmMain::Form_Load() {
    PAGELENS_RETURN_IF_ERROR(PrepareLoad());
    SetTimer(hwnd_, kLoadTimer, kLoadTimerInterval, nullptr);
    return {};
}

Status frmMain::PrepareLoad() {
    state_.ready = false;
    state_.settings = SnapshotSettings::Load();
    const SnapshotSettings& settings = state_.settings;
    PlaceAsStored(settings.placement);
    // Without a work folder every capture ends with its write failure, which says so.
    (void)session_.MakeWorkFile(ProtectedModeWorkFolder());
    SetControlText(ids::txtWidth, DecimalText(settings.preset.width));
    SetControlText(ids::txtHeight, DecimalText(settings.preset.height));
    viewer_.Clear();
    FillChoiceLists(settings);
    UpdateWindow(hwnd_);
    ProcessPendingMessages();
    state_.ready = true;
    return {};
}

void frmMain::PlaceAsStored(const Placement& place) {
    shownPlacement_.storedTwips = {place.left, place.top, place.width, place.height};
    const PixelRect placed = FitOntoWorkAreas(PlacementPixels(shownPlacement_.storedTwips, dpi_),
                                              MonitorWorkAreas(), UsableFrameSize(hwnd_, dpi_));
    MoveWindow(hwnd_, placed.left, placed.top, placed.width, placed.height, TRUE);
    shownPlacement_.shown = FrameOf(hwnd_);
}

// The stored choices are selected; a value the lists do not hold selects nothing.
void frmMain::FillChoiceLists(const SnapshotSettings& settings) {
    HWND quality = GetDlgItem(hwnd_, ids::cboQuality);
    SendMessageW(quality, CB_RESETCONTENT, 0, 0);
    for (int32_t q = 0; q <= 100; ++q) {
        auto index = SendMessageW(quality, CB_ADDSTRING, 0,
                                  reinterpret_cast<LPARAM>(DecimalText(q).c_str()));
        if (q == settings.jpegQuality) SendMessageW(quality, CB_SETCURSEL, index, 0);
    }
    HWND types = GetDlgItem(hwnd_, ids::cboImageType);
    SendMessageW(types, CB_RESETCONTENT, 0, 0);
    for (const std::wstring_view type : kImageTypes) {
        auto index = SendMessageW(types, CB_ADDSTRING, 0,
                                  reinterpret_cast<LPARAM>(std::wstring(type).c_str()));
        if (type == settings.imageType) SendMessageW(types, CB_SETCURSEL, index, 0);
    }
}

Status frmMain::SetAddress(const std::wstring& strURL) {
    SetControlText(ids::txtAddress, strURL);
    SnapshotSettings& settings = state_.settings;
    settings.address = strURL;
    return settings.Store(SnapshotSettings::Field::Address);
}

void frmMain::Form_KeyPress(int16_t& keyAscii) {
    if (keyAscii == VK_ESCAPE) Unload();
}

void frmMain::Unload() {
    if (!hwnd_ || unloading_) return;
    unloading_ = true;
    int16_t cancel = 0;
    Form_Unload(cancel);
    DestroyWindow(hwnd_);
}

// Every step runs whatever the earlier ones did.
void frmMain::Form_Unload(int16_t&) {
    KillTimer(hwnd_, kLoadTimer);
    session_.CloseSnap();
    session_.EndWarmBrowser();
    (void)session_.DeleteWorkFile();
    session_.ReleaseWorkFile();

    browser_.reset();

    std::vector<HWND> others = OpenWindows();
    for (auto it = others.rbegin(); it != others.rend(); ++it)
        if (*it != hwnd_ && IsWindow(*it)) DestroyWindow(*it);

    if (IsMinimized()) return;
    const auto twips = TwipsToStore(shownPlacement_, FrameOf(hwnd_), dpi_);
    SnapshotSettings& settings = state_.settings;
    settings.placement = {static_cast<float>(twips[0]), static_cast<float>(twips[1]),
                          static_cast<float>(twips[2]), static_cast<float>(twips[3])};
    (void)settings.Store(SnapshotSettings::Field::Placement);
}

}  // namespace pagelens
