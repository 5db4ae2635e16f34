// The About window object lives on ShowAboutWindow's stack for one showing; the window itself
// and its child controls are destroyed when it unloads. The window holds its fonts; the link
// labels hold their underlined copies.
#include "about/about_window.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

#include "about/about_artwork.h"
#include "about/about_ids.h"
#include "about/link_label.h"
#include "about/link_targets.h"
#include "about/shell_open.h"
#include "about/version_text.h"
#include "common/module.h"
#include "common/routed_window_proc.h"
#include "common/unique_handle.h"
#include "common/window_class.h"
#include "ui/modal_loop.h"
#include "ui/open_windows.h"

namespace pagelens {
namespace {

using namespace about_ids;

constexpr wchar_t kProductName[] = L"iePagelens";
constexpr wchar_t kCopyrightNotice[] =
    L"Copyright \u00A9 2024 Velmora, a fictional maker. All rights reserved.";
constexpr wchar_t kDisclaimer[] =
    L"Velmora, its addresses and this product's notices are fictional examples. The program is "
    L"provided \"as is\", without warranty of any kind, express or implied. Use it at your own "
    L"risk; the maker is not liable for any damage arising from its use.";

// Layout in pixels at 96 dots per inch.
constexpr int kClientWidth = 440;
constexpr int kClientHeight = 300;
constexpr RECT kArtworkBox = {20, 18, 84, 82};

struct ControlLayout {
    int id;
    const wchar_t* className;
    DWORD style;
    RECT box;  // left, top, right, bottom
};

constexpr DWORD kLabel = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
constexpr DWORD kLink = WS_CHILD | WS_VISIBLE | WS_TABSTOP;

const ControlLayout kControls[] = {
    {lblTitle, L"STATIC", kLabel, {104, 20, 420, 50}},
    {lblVersion, L"STATIC", kLabel, {104, 54, 420, 72}},
    {Label8, L"STATIC", kLabel, {104, 74, 420, 92}},
    {Line1, L"STATIC", WS_CHILD | WS_VISIBLE | SS_ETCHEDHORZ, {20, 104, 420, 106}},
    {Label9, L"STATIC", kLabel, {20, 118, 140, 136}},
    {lblVelmora, kLinkLabelClass, kLink, {144, 118, 420, 136}},
    {Label10, L"STATIC", kLabel, {20, 140, 140, 158}},
    {lblSupportEmail, kLinkLabelClass, kLink, {144, 140, 420, 158}},
    {Label11, L"STATIC", kLabel, {20, 162, 140, 180}},
    {lblSalesEmail, kLinkLabelClass, kLink, {144, 162, 420, 180}},
    {lblDisclaimer, L"STATIC", kLabel, {20, 196, 420, 250}},
    {cmdOK, L"BUTTON", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, {332, 260, 420, 286}},
};

// The texts that the design fixes; the loading sequence fills in the rest.
struct FixedText {
    int id;
    std::wstring_view text;
};
const FixedText kFixedTexts[] = {
    {Label8, kCopyrightNotice},
    {Label9, L"Website address:"},
    {lblVelmora, kVelmoraLink.shown},
    {Label10, L"Support Email:"},
    {lblSupportEmail, kSupportEmailLink.shown},
    {Label11, L"Sales Emails:"},
    {lblSalesEmail, kSalesEmailLink.shown},
    {lblDisclaimer, kDisclaimer},
    {cmdOK, L"OK"},
};

thread_local HWND tShowingAbout = nullptr;

int DotsPerInch() {
    WindowDc screen(nullptr);
    return GetDeviceCaps(screen.get(), LOGPIXELSY);
}

UniqueHfont MessageFont(int dpi, int pointSize, int weight) {
    NONCLIENTMETRICSW metrics{sizeof metrics};
    LOGFONTW logFont{};
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        logFont = metrics.lfMessageFont;
    else
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof logFont, &logFont);
    if (pointSize) logFont.lfHeight = -MulDiv(pointSize, dpi, 72);
    logFont.lfWeight = weight;
    return UniqueHfont(CreateFontIndirectW(&logFont));
}

class AboutWindow final {
public:
    explicit AboutWindow(HWND owner) : owner_(owner), dpi_(DotsPerInch()) {}
    AboutWindow(const AboutWindow&) = delete;
    AboutWindow& operator=(const AboutWindow&) = delete;
    ~AboutWindow() {
        if (hwnd_) DestroyWindow(hwnd_);
    }

    Status Create();
    HWND hwnd() const { return hwnd_; }
    // Unload gives the activation back to the owner when RunModal had to disable it.
    void SetOwnerToEnable(bool enable) { enableOwnerOnUnload_ = enable; }

    void Attach(HWND hwnd) { hwnd_ = hwnd; }
    void Detach() { hwnd_ = nullptr; }

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void Form_Load();

private:
    bool CreateControls();
    void OnCommand(int id, int code);
    void OnActivate(bool active);
    void PaintContent(HDC dc);
    void Unload();
    int Scale(int pixels) const { return MulDiv(pixels, dpi_, 96); }
    RECT ScaleBox(const RECT& box) const {
        return {Scale(box.left), Scale(box.top), Scale(box.right), Scale(box.bottom)};
    }
    HWND Control(int id) const { return GetDlgItem(hwnd_, id); }

    void cmdOK_Click();
    void Form_KeyPress(int16_t keyAscii);
    void lblVelmora_Click();
    void lblSupportEmail_Click();
    void lblSalesEmail_Click();

    HWND owner_;
    int dpi_;
    HWND hwnd_ = nullptr;
    HWND lastFocus_ = nullptr;
    bool enableOwnerOnUnload_ = false;
    UniqueHfont textFont_;
    UniqueHfont titleFont_;
};

Status RegisterAboutWindowClass() {
    return RegisterWindowClass({.name = kAboutWindowClass,
                                .procedure = &RoutedWindowProc<AboutWindow>,
                                .background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)});
}

// Centred over the owner, or over the work area when there is none, kept on the screen.
POINT CentredOrigin(HWND owner, SIZE size) {
    RECT area{};
    if (!owner || !GetWindowRect(owner, &area)) SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    RECT screen{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen, 0);
    LONG x = area.left + (area.right - area.left - size.cx) / 2;
    LONG y = area.top + (area.bottom - area.top - size.cy) / 2;
    x = std::max(screen.left, std::min(x, screen.right - size.cx));
    y = std::max(screen.top, std::min(y, screen.bottom - size.cy));
    return {x, y};
}

Status AboutWindow::Create() {
    PAGELENS_RETURN_IF_ERROR(RegisterLinkLabelClass());
    PAGELENS_RETURN_IF_ERROR(RegisterAboutWindowClass());
    textFont_ = MessageFont(dpi_, 0, FW_NORMAL);
    titleFont_ = MessageFont(dpi_, 16, FW_BOLD);

    constexpr DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    constexpr DWORD exStyle = WS_EX_DLGMODALFRAME;
    RECT frame{0, 0, Scale(kClientWidth), Scale(kClientHeight)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const SIZE size{frame.right - frame.left, frame.bottom - frame.top};
    const POINT origin = CentredOrigin(owner_, size);
    CreateWindowExW(exStyle, kAboutWindowClass, L"", style, origin.x, origin.y, size.cx, size.cy,
                    owner_, nullptr, ThisModule(), this);
    if (!hwnd_)
        return errors::FromHresult(HRESULT_FROM_WIN32(GetLastError()),
                                   L"The About window cannot be created");
    return {};
}

LRESULT AboutWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            if (!CreateControls()) return -1;
            AddOpenWindow(hwnd_);
            return 0;
        case WM_DESTROY:
            RemoveOpenWindow(hwnd_);
            return 0;
        case WM_CLOSE:
            Unload();
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case DM_GETDEFID:
            return MAKELRESULT(cmdOK, DC_HASDEFID);
        case WM_ACTIVATE:
            OnActivate(LOWORD(wParam) != WA_INACTIVE);
            break;
        case WM_SETFOCUS:
            SetFocus(lastFocus_ && IsChild(hwnd_, lastFocus_) ? lastFocus_ : Control(cmdOK));
            return 0;
        case WM_CHAR:
            Form_KeyPress(static_cast<int16_t>(wParam));
            return 0;
        case WM_PAINT: {
            PaintScope paint(hwnd_);
            PaintContent(paint.dc());
            return 0;
        }
        case WM_PRINTCLIENT:
            PaintContent(reinterpret_cast<HDC>(wParam));
            return 0;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

bool AboutWindow::CreateControls() {
    for (const ControlLayout& layout : kControls) {
        const RECT box = ScaleBox(layout.box);
        HWND control = CreateWindowExW(0, layout.className, L"", layout.style, box.left, box.top,
                                       box.right - box.left, box.bottom - box.top, hwnd_,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)),
                                       ThisModule(), nullptr);
        if (!control) return false;
        HFONT font = layout.id == lblTitle ? titleFont_.get() : textFont_.get();
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    for (const FixedText& fixed : kFixedTexts)
        SetDlgItemTextW(hwnd_, fixed.id, std::wstring(fixed.text).c_str());
    for (int link : {lblVelmora, lblSupportEmail, lblSalesEmail}) FitLinkLabelToText(Control(link));
    return true;
}

void AboutWindow::Form_Load() {
    const Result<FileVersion> version = ReadFileVersion(ThisModulePath());
    // A module without a version resource reads as version 0.0.0.
    SetDlgItemTextW(hwnd_, lblVersion, VersionText(version.value_or(FileVersion{})).c_str());
    SetDlgItemTextW(hwnd_, lblTitle, kProductName);
    SetWindowTextW(hwnd_, (std::wstring(L"About ") + kProductName).c_str());
}

void AboutWindow::OnCommand(int id, int code) {
    switch (id) {
        case cmdOK:
            if (code == BN_CLICKED) cmdOK_Click();
            break;
        case IDCANCEL:  // Escape, whichever control has the focus
            Form_KeyPress(VK_ESCAPE);
            break;
        case lblVelmora:
            if (code == STN_CLICKED) lblVelmora_Click();
            break;
        case lblSupportEmail:
            if (code == STN_CLICKED) lblSupportEmail_Click();
            break;
        case lblSalesEmail:
            if (code == STN_CLICKED) lblSalesEmail_Click();
            break;
    }
}

void AboutWindow::OnActivate(bool active) {
    if (active) return;
    HWND focus = GetFocus();
    if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
}

void AboutWindow::PaintContent(HDC dc) { PaintLensOverPage(dc, ScaleBox(kArtworkBox)); }

void AboutWindow::Unload() {
    // Enabling the owner before the window goes keeps the activation in this program.
    if (enableOwnerOnUnload_ && owner_ && IsWindow(owner_)) EnableWindow(owner_, TRUE);
    DestroyWindow(hwnd_);
}

void AboutWindow::cmdOK_Click() { Unload(); }

void AboutWindow::Form_KeyPress(int16_t keyAscii) {
    if (keyAscii == VK_ESCAPE) Unload();
}

void OpenLink(const AboutLink& link) {
    ShellOpen(JoinLinkTarget(link.target), L"Open", std::nullopt, std::nullopt, 0);
}

void AboutWindow::lblVelmora_Click() { OpenLink(kVelmoraLink); }
void AboutWindow::lblSupportEmail_Click() { OpenLink(kSupportEmailLink); }
void AboutWindow::lblSalesEmail_Click() { OpenLink(kSalesEmailLink); }

}  // namespace

Status ShowAboutWindow(HWND owner) {
    if (tShowingAbout && IsWindow(tShowingAbout)) {
        SetForegroundWindow(tShowingAbout);
        return {};
    }
    AboutWindow window(owner);
    PAGELENS_RETURN_IF_ERROR(window.Create());
    window.Form_Load();
    window.SetOwnerToEnable(owner && IsWindowEnabled(owner));
    tShowingAbout = window.hwnd();
    RunModal(window.hwnd(), owner);
    tShowingAbout = nullptr;
    return {};
}

}  // namespace pagelens
