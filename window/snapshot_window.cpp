// The snapshot window's message plumbing: its messages and commands routed to the named
// handlers, the key preview, the mouse pointer and how failures are told. The handlers live in
// the files of their parts: lifecycle, layout, capture, view, save.
#include "window/snapshot_window.h"

#include <commctrl.h>

#include "ui/open_windows.h"
#include "window/control_ids.h"

namespace pagelens {
namespace {

bool IsWindowOrChildOf(HWND candidate, HWND root) {
    return candidate && (candidate == root || IsChild(root, candidate));
}

}  // namespace

frmMain::frmMain() = default;

frmMain::~frmMain() {
    session_.DropSnap();
    if (hwnd_) DestroyWindow(hwnd_);
}

void frmMain::Attach(HWND hwnd) {
    hwnd_ = hwnd;
    AddOpenWindow(hwnd);
}

void frmMain::Detach() {
    RemoveOpenWindow(hwnd_);
    hwnd_ = nullptr;
}

LRESULT frmMain::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            statusBar_.Dock();
            Form_Resize();
            return 0;
        case WM_PAINT: {
            PaintScope paint(hwnd_);
            PaintContent(paint.dc());
            return 0;
        }
        case WM_PRINTCLIENT:
            PaintContent(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_ERASEBKGND:
            EraseBackground(reinterpret_cast<HDC>(wParam));
            return 1;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_HSCROLL:
            if (reinterpret_cast<HWND>(lParam) == GetDlgItem(hwnd_, ids::scrollZoom))
                OnZoomScroll(LOWORD(wParam));
            return 0;
        case WM_TIMER:
            if (wParam == kLoadTimer) tmrLoad_Timer();
            return 0;
        case WM_SETCURSOR:
            if (busy_) {
                SetCursor(LoadCursorW(nullptr, IDC_WAIT));
                return TRUE;
            }
            break;
        case DM_GETDEFID:
            return MAKELRESULT(ids::cmdSnapshot, DC_HASDEFID);
        case WM_CLOSE:
            Unload();
            return 0;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void frmMain::OnCommand(int id, int notification) {
    struct Handler {
        int id;
        Status (frmMain::*click)();
        bool toStatusBar;  // the image commands and the lists have no message of their own
    };
    static constexpr Handler kHandlers[] = {
        {ids::cmdSnapshot, &frmMain::cmdSnapshot_Click, false},
        {ids::cmdSave, &frmMain::cmdSave_Click, false},
        {ids::cmdPreset, &frmMain::cmdPreset_Click, true},
        {ids::cmdOriginal, &frmMain::cmdOriginal_Click, true},
        {ids::cmdGray, &frmMain::cmdGray_Click, true},
        {ids::cmdBlackAndWhite, &frmMain::cmdBlackAndWhite_Click, true},
        {ids::cboImageType, &frmMain::cboImageType_Click, true},
        {ids::cboQuality, &frmMain::cboQuality_Click, true},
    };
    const bool list = id == ids::cboImageType || id == ids::cboQuality;
    if (list && notification != CBN_SELCHANGE) return;
    for (const auto& handler : kHandlers) {
        if (handler.id != id) continue;
        if (Status status = (this->*handler.click)(); !status.ok())
            handler.toStatusBar ? ReportInStatusBar(status.error()) : ReportError(status.error());
        return;
    }
    int16_t escape = VK_ESCAPE;
    if (id == ids::txtAddress && notification == EN_CHANGE) txtAddress_Change();
    if (id == ids::cmdAbout) cmdAbout_Click();
    if (id == ids::cmdReSize) cmdReSize_Click();
    if (id == IDCANCEL) Form_KeyPress(escape);
}

// Key preview: the window sees keys before the control that has the focus.
bool frmMain::PreTranslate(MSG& msg) {
    if (!hwnd_ || !IsWindowOrChildOf(msg.hwnd, hwnd_)) return false;
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
        int16_t key = VK_ESCAPE;
        Form_KeyPress(key);
        return true;
    }
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN &&
        msg.hwnd == GetDlgItem(hwnd_, ids::txtAddress)) {
        int16_t key = VK_RETURN;
        txtAddress_KeyPress(key);
        return true;
    }
    return false;
}

void frmMain::MousePointer(int pointer) {
    busy_ = pointer == kHourglass;
    SetCursor(LoadCursorW(nullptr, busy_ ? IDC_WAIT : IDC_ARROW));
}

void frmMain::ReportError(const RunError& error) {
    MousePointer(kDefaultPointer);
    MessageBoxW(hwnd_, (L"iePagelens Error: " + error.description).c_str(),
                ids::kSnapshotWindowCaption, MB_OK);
}

void frmMain::ReportInStatusBar(const RunError& error) {
    MousePointer(kDefaultPointer);
    statusBar_.SetPanelText(1, error.description);
}

bool frmMain::IsMinimized() const { return hwnd_ && IsIconic(hwnd_); }

std::wstring frmMain::ControlText(int id) const {
    HWND control = GetDlgItem(hwnd_, id);
    int length = GetWindowTextLengthW(control);
    std::wstring text(length + 1, L'\0');
    GetWindowTextW(control, text.data(), length + 1);
    text.resize(length);
    return text;
}

void frmMain::SetControlText(int id, const std::wstring& text) {
    SetWindowTextW(GetDlgItem(hwnd_, id), text.c_str());
}

}  // namespace pagelens
