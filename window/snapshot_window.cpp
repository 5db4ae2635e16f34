// The snapshot window itself: creating it with its controls, its message plumbing, loading,
// the resize layout, the keyboard and unloading. Capture, transforms and saving have files of
// their own.
#include "window/snapshot_window.h"

#include <commctrl.h>

#include <array>
#include <vector>

#include "common/module.h"
#include "common/number_text.h"
#include "common/routed_window_proc.h"
#include "common/window_class.h"
#include "settings/settings.h"
#include "ui/modal_loop.h"
#include "ui/open_windows.h"
#include "ui/resource_ids.h"
#include "ui/visual_styles.h"
#include "window/control_ids.h"
#include "window/layout.h"
#include "window/protected_mode_files.h"
#include "window/save_choices.h"
#include "window/snapshot_state.h"

namespace pagelens {
namespace {

constexpr UINT_PTR kLoadTimer = 1;
constexpr UINT kLoadTimerInterval = 5;
constexpr COLORREF kLineColor = RGB(192, 192, 192);

enum class Kind { Label, Edit, Button, DefaultButton, Group, DropList, HScroll };

struct ControlSpec {
    int id;
    Kind kind;
    const wchar_t* text;
    int left, top, width, height;  // twips; inside a group box, relative to it
    int group;                     // 0 or the id of the group box
};

// In creation order, which is also the tab order.
constexpr ControlSpec kControls[] = {
    {ids::Label2, Kind::Label, L"Address:", 90, 135, 735, 240, 0},
    {ids::txtAddress, Kind::Edit, L"", 855, 90, 6720, 285, 0},
    {ids::cmdSnapshot, Kind::DefaultButton, L"Snapshot", 7695, 90, 1230, 330, 0},
    {ids::cmdSave, Kind::Button, L"Save As", 7695, 540, 1230, 330, 0},
    {ids::cmdAbout, Kind::Button, L"About", 8235, 1215, 645, 285, 0},
    {ids::Frame1, Kind::Group, L"Resize", 135, 495, 2265, 1005, 0},
    {ids::Label3, Kind::Label, L"Width:", 90, 270, 555, 240, ids::Frame1},
    {ids::txtWidth, Kind::Edit, L"", 675, 270, 690, 240, ids::Frame1},
    {ids::Label6, Kind::Label, L"Height:", 90, 585, 645, 285, ids::Frame1},
    {ids::txtHeight, Kind::Edit, L"", 675, 630, 690, 240, ids::Frame1},
    {ids::cmdReSize, Kind::Button, L"Resize", 1440, 225, 735, 285, ids::Frame1},
    {ids::cmdPreset, Kind::Button, L"Preset", 1440, 630, 735, 285, ids::Frame1},
    {ids::Frame2, Kind::Group, L"Original", 2520, 495, 2040, 1005, 0},
    {ids::Label4, Kind::Label, L"Width:", 90, 315, 555, 240, ids::Frame2},
    {ids::lblWidth, Kind::Label, L"-", 675, 315, 600, 240, ids::Frame2},
    {ids::Label5, Kind::Label, L"Height:", 90, 675, 555, 240, ids::Frame2},
    {ids::lblHeight, Kind::Label, L"-", 675, 675, 600, 240, ids::Frame2},
    {ids::cmdOriginal, Kind::Button, L"Original", 1260, 225, 690, 690, ids::Frame2},
    {ids::Frame3, Kind::Group, L"Options", 4680, 495, 2895, 960, 0},
    {ids::Label8, Kind::Label, L"Image Type:", 90, 270, 960, 240, ids::Frame3},
    {ids::cboImageType, Kind::DropList, L"", 1125, 225, 780, 315, ids::Frame3},
    {ids::Label7, Kind::Label, L"Jpeg Quality:", 90, 630, 960, 240, ids::Frame3},
    {ids::cboQuality, Kind::DropList, L"", 1125, 585, 780, 315, ids::Frame3},
    {ids::cmdGray, Kind::Button, L"Gray", 2115, 225, 690, 285, ids::Frame3},
    {ids::cmdBlackAndWhite, Kind::Button, L"B && W", 2115, 585, 690, 285, ids::Frame3},
    {ids::Label1, Kind::Label, L"Zoom:", 225, 1575, 600, 240, 0},
    {ids::lblZoom, Kind::Label, L"", 855, 1575, 465, 240, 0},
    {ids::scrollZoom, Kind::HScroll, L"", 1350, kZoomBarTop, 7530, kZoomBarHeight, 0},
};

constexpr int kLine1[4] = {90, 1890, 9225, 1890};  // x1, y1, x2, y2 in twips

constexpr int kStatusBarHeight = 420;  // twips

const ControlSpec* FindSpec(int id) {
    for (const auto& spec : kControls)
        if (spec.id == id) return &spec;
    return nullptr;
}

struct WindowClassStyle {
    const wchar_t* className;
    DWORD style;
};

WindowClassStyle NativeClassOf(Kind kind) {
    switch (kind) {
        case Kind::Label:
            return {WC_STATICW, SS_LEFT | SS_NOPREFIX};
        case Kind::Edit:
            return {WC_EDITW, WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL};
        case Kind::Button:
            return {WC_BUTTONW, WS_TABSTOP | BS_PUSHBUTTON};
        case Kind::DefaultButton:
            return {WC_BUTTONW, WS_TABSTOP | BS_DEFPUSHBUTTON};
        case Kind::Group:
            return {WC_BUTTONW, BS_GROUPBOX};
        case Kind::DropList:
            return {WC_COMBOBOXW, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST};
        case Kind::HScroll:
            return {WC_SCROLLBARW, WS_TABSTOP | SBS_HORZ};
    }
    return {WC_STATICW, 0};
}

BOOL CALLBACK CollectEnabledWindow(HWND hwnd, LPARAM param) {
    auto* list = reinterpret_cast<std::vector<HWND>*>(param);
    if (IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) list->push_back(hwnd);
    return TRUE;
}

// Room a caption needs beside its text: a button's edges, a group box's frame.
int CaptionMargin(Kind kind) {
    switch (kind) {
        case Kind::Button:
        case Kind::DefaultButton:
            return 6;
        case Kind::Group:
            return 14;
        default:
            return 0;
    }
}

bool CaptionsFit(HFONT font, int dpi) {
    WindowDc screen(nullptr);
    SelectGuard select(screen.get(), font);
    for (const auto& spec : kControls) {
        if (spec.kind != Kind::Label && spec.kind != Kind::Button &&
            spec.kind != Kind::DefaultButton && spec.kind != Kind::Group)
            continue;
        std::wstring text = spec.text;
        if (text.empty() || text == L"-") continue;
        std::erase(text, L'&');  // "B && W" shows one ampersand; near enough for a measure
        SIZE extent{};
        GetTextExtentPoint32W(screen.get(), text.c_str(), static_cast<int>(text.size()), &extent);
        if (extent.cx + CaptionMargin(spec.kind) > TwipsToPixels(spec.width, dpi)) return false;
    }
    return true;
}

// The controls' sizes were laid out for 8-point MS Sans Serif. Where that face is missing the
// system puts a wider one in its place, and "Jpeg Quality:" would be cut: the font then steps
// down until every caption fits its control, to 6 points at least.
UniqueHfont CaptionFont(int dpi) {
    LOGFONTW font{};
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    wcscpy_s(font.lfFaceName, L"MS Sans Serif");
    const int smallest = -MulDiv(6, dpi, 72);
    for (font.lfHeight = -MulDiv(8, dpi, 72);; ++font.lfHeight) {
        UniqueHfont candidate(CreateFontIndirectW(&font));
        if (!candidate || font.lfHeight >= smallest || CaptionsFit(candidate.get(), dpi))
            return candidate;
    }
}

bool IsWindowOrChildOf(HWND candidate, HWND root) {
    return candidate && (candidate == root || IsChild(root, candidate));
}

}  // namespace

frmMain::frmMain() = default;

frmMain::~frmMain() {
    session_.DropSnap();
    if (hwnd_) DestroyWindow(hwnd_);
}

// --- the native window -------------------------------------------------------------------

bool frmMain::CreateNativeWindow() {
    if (!RegisterWindowClass({.name = ids::kSnapshotWindowClass,
                              .procedure = &RoutedWindowProc<frmMain>,
                              .background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)})
             .ok())
        return false;
    VisualStylesScope styles;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    // Not WS_CLIPCHILDREN: group boxes are transparent and rely on the parent painting beneath.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
    hwnd_ =
        CreateWindowExW(0, ids::kSnapshotWindowClass, ids::kSnapshotWindowCaption, style,
                        CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr, nullptr, ThisModule(), this);
    if (!hwnd_) return false;
    CreateControls();
    return true;
}

void frmMain::CreateControls() {
    dpi_ = GetDeviceCaps(WindowDc(nullptr).get(), LOGPIXELSX);

    font_ = CaptionFont(dpi_);
    icon_.reset(static_cast<HICON>(LoadImageW(ThisModule(), MAKEINTRESOURCEW(IDI_PAGELENS),
                                              IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
    if (icon_) SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));

    VisualStylesScope styles;
    for (const auto& spec : kControls) {
        int left = spec.left, top = spec.top;
        if (const ControlSpec* group = spec.group ? FindSpec(spec.group) : nullptr) {
            left += group->left;
            top += group->top;
        }
        auto native = NativeClassOf(spec.kind);
        // A drop-down list's height includes its open list.
        const int height = spec.kind == Kind::DropList ? spec.height * 8 : spec.height;
        HWND control = CreateWindowExW(
            spec.kind == Kind::Edit ? WS_EX_CLIENTEDGE : 0, native.className, spec.text,
            WS_CHILD | WS_VISIBLE | native.style, TwipsToPixels(left, dpi_),
            TwipsToPixels(top, dpi_), TwipsToPixels(spec.width, dpi_), TwipsToPixels(height, dpi_),
            hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), ThisModule(), nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    }
    // Value 2 when the window opens, arrows move it by 1.
    HWND zoom = GetDlgItem(hwnd_, ids::scrollZoom);
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_POS | SIF_PAGE};
    si.nMin = 1;
    si.nMax = 500 + 10 - 1;  // the page size is subtracted from the reachable maximum
    si.nPage = 10;
    si.nPos = 2;
    SetScrollInfo(zoom, SB_CTL, &si, TRUE);

    viewer_.Create(hwnd_, ids::Viewer);
    statusBar_.Create(hwnd_, ids::sbStatusBar);
    SendMessageW(statusBar_.hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    statusBar_.SetHeightPixels(TwipsToPixels(kStatusBarHeight, dpi_));
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

// The viewer paints all of its own area; leaving it out of the erase keeps it from flickering.
void frmMain::EraseBackground(HDC dc) {
    RECT client;
    GetClientRect(hwnd_, &client);
    const int saved = SaveDC(dc);
    if (viewer_.hwnd()) {
        RECT viewer;
        GetWindowRect(viewer_.hwnd(), &viewer);
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&viewer), 2);
        ExcludeClipRect(dc, viewer.left, viewer.top, viewer.right, viewer.bottom);
    }
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    RestoreDC(dc, saved);
}

void frmMain::PaintContent(HDC dc) {
    UniqueHpen pen(CreatePen(PS_SOLID, 1, kLineColor));
    SelectGuard select(dc, pen.get());
    MoveToEx(dc, TwipsToPixels(kLine1[0], dpi_), TwipsToPixels(kLine1[1], dpi_), nullptr);
    LineTo(dc, TwipsToPixels(kLine1[2], dpi_), TwipsToPixels(kLine1[3], dpi_));
}

void frmMain::OnCommand(int id, int notification) {
    switch (id) {
        case ids::cmdSnapshot: {
            Status status = cmdSnapshot_Click();
            if (!status.ok()) ReportError(status.error());
            return;
        }
        case ids::cmdSave: {
            Status status = cmdSave_Click();
            if (!status.ok()) ReportError(status.error());
            return;
        }
        case ids::cmdAbout:
            cmdAbout_Click();
            return;
        case ids::txtAddress:  // the user's typing, not the window's own SetAddress
            if (notification == EN_CHANGE &&
                SendDlgItemMessageW(hwnd_, ids::txtAddress, EM_GETMODIFY, 0, 0))
                session_.StartBrowserEarly();
            return;
        case ids::cmdReSize:
            cmdReSize_Click();
            return;
        // The image commands have no message of their own: a failure is told in the status bar.
        case ids::cmdPreset:
        case ids::cmdOriginal:
        case ids::cmdGray:
        case ids::cmdBlackAndWhite: {
            Status status = id == ids::cmdPreset     ? cmdPreset_Click()
                            : id == ids::cmdOriginal ? cmdOriginal_Click()
                            : id == ids::cmdGray     ? cmdGray_Click()
                                                     : cmdBlackAndWhite_Click();
            if (!status.ok()) ReportInStatusBar(status.error());
            return;
        }
        case ids::cboImageType:
        case ids::cboQuality:
            if (notification == CBN_SELCHANGE) {
                Status status = id == ids::cboImageType ? cboImageType_Click() : cboQuality_Click();
                if (!status.ok()) ReportInStatusBar(status.error());
            }
            return;
        case IDCANCEL: {
            int16_t key = VK_ESCAPE;
            Form_KeyPress(key);
            return;
        }
    }
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
    busy_ = pointer == 11;
    SetCursor(LoadCursorW(nullptr, busy_ ? IDC_WAIT : IDC_ARROW));
}

void frmMain::ReportError(const RunError& error) {
    MousePointer(0);
    MessageBoxW(hwnd_, (L"iePagelens Error: " + error.description).c_str(),
                ids::kSnapshotWindowCaption, MB_OK);
}

void frmMain::ReportInStatusBar(const RunError& error) {
    MousePointer(0);
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

// --- showing, loading, unloading ---------------------------------------------------------

Status frmMain::Load() {
    if (hwnd_) return {};  // already showing
    unloading_ = false;
    if (!CreateNativeWindow())
        return errors::FromHresult(HRESULT_FROM_WIN32(GetLastError()),
                                   L"The snapshot window could not be created");
    Status loaded = Form_Load();
    if (!loaded.ok()) {
        DestroyWindow(hwnd_);
        return loaded;
    }
    ShowWindow(hwnd_, SW_SHOW);
    return {};
}

// Modal with no owner: like any modal form, it keeps the thread's other windows (the browser's)
// disabled until it closes.
Status frmMain::Show() {
    PAGELENS_RETURN_IF_ERROR(Load());
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
    SnapshotState& state = ThreadSnapshotState();
    state.ready = false;
    state.settings = SnapshotSettings::Load();
    const SnapshotSettings& settings = state.settings;

    const Placement& place = settings.placement;
    shownPlacement_.storedTwips = {place.left, place.top, place.width, place.height};
    const PixelRect placed = FitOntoWorkAreas(PlacementPixels(shownPlacement_.storedTwips, dpi_),
                                              MonitorWorkAreas(), UsableFrameSize(hwnd_, dpi_));
    MoveWindow(hwnd_, placed.left, placed.top, placed.width, placed.height, TRUE);
    shownPlacement_.shown = FrameOf(hwnd_);

    // Without a work folder every capture ends with its write failure, which says so.
    (void)session_.MakeWorkFile(ProtectedModeWorkFolder());

    SetControlText(ids::txtWidth, DecimalText(settings.preset.width));
    SetControlText(ids::txtHeight, DecimalText(settings.preset.height));

    viewer_.Clear();

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

    UpdateWindow(hwnd_);
    ProcessPendingMessages();
    state.ready = true;
    return {};
}

Status frmMain::SetAddress(const std::wstring& strURL) {
    SetControlText(ids::txtAddress, strURL);
    SnapshotSettings& settings = ThreadSnapshotState().settings;
    settings.address = strURL;
    return settings.Store(SnapshotSettings::Field::Address);
}

void frmMain::Form_Resize() {
    if (!hwnd_ || !viewer_.hwnd()) return;
    RECT client;
    GetClientRect(hwnd_, &client);
    const TwipsRect place =
        ViewerPlacement(static_cast<int>(PixelsToTwips(client.right, dpi_)),
                        static_cast<int>(PixelsToTwips(client.bottom, dpi_)),
                        static_cast<int>(PixelsToTwips(statusBar_.HeightPixels(), dpi_)));
    MoveWindow(viewer_.hwnd(), TwipsToPixels(place.left, dpi_), TwipsToPixels(place.top, dpi_),
               TwipsToPixels(place.width, dpi_), TwipsToPixels(place.height, dpi_), TRUE);
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

    std::vector<HWND> others = OpenWindows();
    for (auto it = others.rbegin(); it != others.rend(); ++it)
        if (*it != hwnd_ && IsWindow(*it)) DestroyWindow(*it);

    if (IsMinimized()) return;
    const auto twips = TwipsToStore(shownPlacement_, FrameOf(hwnd_), dpi_);
    SnapshotSettings& settings = ThreadSnapshotState().settings;
    settings.placement = {static_cast<float>(twips[0]), static_cast<float>(twips[1]),
                          static_cast<float>(twips[2]), static_cast<float>(twips[3])};
    (void)settings.Store(SnapshotSettings::Field::Placement);
}

Status ShowThreadSnapshotWindow() {
    // Made on the first command of the thread and kept for later ones; see snapshot_state.cpp
    // for why it is never destroyed.
    thread_local frmMain* window = new frmMain();
    return window->Show();
}

}  // namespace pagelens
