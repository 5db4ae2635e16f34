// Driving the snapshot window (see the header). Everything here runs on a thread other than
// the window's, so every sent message has a time limit.
#include "standin/snapshot_window_driver.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

#include "standin/window_queries.h"
#include "window/control_ids.h"

namespace pagelens::standin {
namespace {

struct ControlEntry {
    const wchar_t* name;
    int id;
};

constexpr ControlEntry kControls[] = {
    {L"txtAddress", ids::txtAddress},
    {L"cmdSnapshot", ids::cmdSnapshot},
    {L"cmdSave", ids::cmdSave},
    {L"cmdAbout", ids::cmdAbout},
    {L"txtWidth", ids::txtWidth},
    {L"txtHeight", ids::txtHeight},
    {L"cmdReSize", ids::cmdReSize},
    {L"cmdPreset", ids::cmdPreset},
    {L"lblWidth", ids::lblWidth},
    {L"lblHeight", ids::lblHeight},
    {L"cmdOriginal", ids::cmdOriginal},
    {L"cboImageType", ids::cboImageType},
    {L"cboQuality", ids::cboQuality},
    {L"cmdGray", ids::cmdGray},
    {L"cmdBlackAndWhite", ids::cmdBlackAndWhite},
    {L"lblZoom", ids::lblZoom},
    {L"scrollZoom", ids::scrollZoom},
    {L"sbStatusBar", ids::sbStatusBar},
};

constexpr const wchar_t* kFinalCaptureTexts[] = {
    kCaptureSucceeded,       L"Fail to take the snapshot of the page", L"Fail to save to file",
    L"Fail to open the URL", L"Time is out before taking a snapshot",
};

Result<HWND> RequireControl(HWND window, int id) {
    if (HWND control = FindControl(window, id)) return control;
    return DriverError(L"the snapshot window has no control " + ControlName(id));
}

Result<LRESULT> SendWithLimit(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs, &answer))
        return DriverError(L"the snapshot window did not answer in time");
    return static_cast<LRESULT>(answer);
}

LPARAM KeyData(UINT virtualKey, bool release) {
    LPARAM data = 1 | (static_cast<LPARAM>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC)) << 16);
    if (release) data |= (1u << 30) | (1u << 31);
    return data;
}

}  // namespace

RunError DriverError(std::wstring description) {
    return {static_cast<int32_t>(E_FAIL), L"standin_browser", std::move(description)};
}

HWND FindSnapshotWindow() {
    for (HWND hwnd : TopLevelWindowsOfThisProcess()) {
        if (IsWindowVisible(hwnd) && ClassNameOf(hwnd) == ids::kSnapshotWindowClass) return hwnd;
    }
    return nullptr;
}

HWND FindControl(HWND window, int id) {
    for (HWND child : DescendantsOf(window)) {
        if (GetDlgCtrlID(child) == id) return child;
    }
    return nullptr;
}

std::optional<int> ControlIdByName(std::wstring_view name) {
    for (const auto& entry : kControls) {
        if (name == entry.name) return entry.id;
    }
    return std::nullopt;
}

std::wstring ControlName(int id) {
    for (const auto& entry : kControls) {
        if (entry.id == id) return entry.name;
    }
    return L"#" + std::to_wstring(id);
}

Status TypeText(HWND window, int controlId, const std::wstring& text) {
    auto control = RequireControl(window, controlId);
    PAGELENS_RETURN_IF_ERROR(control);
    auto sent = SendWithLimit(*control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    PAGELENS_RETURN_IF_ERROR(sent);
    if (!*sent) return DriverError(L"the control " + ControlName(controlId) + L" refused the text");
    return {};
}

Status ClickButton(HWND window, int controlId) {
    auto control = RequireControl(window, controlId);
    PAGELENS_RETURN_IF_ERROR(control);
    if (!IsWindowEnabled(*control))
        return DriverError(L"the button " + ControlName(controlId) + L" is disabled");
    PostMessageW(*control, BM_CLICK, 0, 0);
    return {};
}

Status SelectListEntry(HWND window, int controlId, const std::wstring& entry) {
    auto control = RequireControl(window, controlId);
    PAGELENS_RETURN_IF_ERROR(control);
    auto index = SendWithLimit(*control, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                               reinterpret_cast<LPARAM>(entry.c_str()));
    PAGELENS_RETURN_IF_ERROR(index);
    if (*index == CB_ERR)
        return DriverError(L"the list " + ControlName(controlId) + L" has no entry " + entry);
    PAGELENS_RETURN_IF_ERROR(SendWithLimit(*control, CB_SETCURSEL, *index, 0));
    // Choosing with the mouse also tells the parent; setting the selection alone does not.
    PostMessageW(GetParent(*control), WM_COMMAND, MAKEWPARAM(controlId, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(*control));
    return {};
}

Result<std::wstring> ReadControlText(HWND window, int controlId) {
    auto control = RequireControl(window, controlId);
    PAGELENS_RETURN_IF_ERROR(control);
    return WindowText(*control);
}

Result<std::wstring> ReadStatusText(HWND window) {
    auto bar = RequireControl(window, ids::sbStatusBar);
    PAGELENS_RETURN_IF_ERROR(bar);
    // Not SB_GETTEXT: it is not told the buffer's size, and the window's thread may lengthen
    // the text between asking its length and copying it. WM_GETTEXT reads the same first part
    // and stops at the buffer's end; a text cut short that way is read whole on the next look.
    auto length = SendWithLimit(*bar, WM_GETTEXTLENGTH, 0, 0);
    PAGELENS_RETURN_IF_ERROR(length);
    std::wstring text(static_cast<size_t>(*length) + 1, L'\0');
    auto copied =
        SendWithLimit(*bar, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    PAGELENS_RETURN_IF_ERROR(copied);
    text.resize(std::min<size_t>(static_cast<size_t>(*copied), text.size() - 1));
    return text;
}

Status PressEscape(HWND window) {
    GUITHREADINFO info{sizeof info};
    DWORD thread = GetWindowThreadProcessId(window, nullptr);
    HWND target = window;
    if (GetGUIThreadInfo(thread, &info) && info.hwndFocus &&
        (info.hwndFocus == window || IsChild(window, info.hwndFocus)))
        target = info.hwndFocus;
    if (!PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, KeyData(VK_ESCAPE, false)) ||
        !PostMessageW(target, WM_KEYUP, VK_ESCAPE, KeyData(VK_ESCAPE, true)))
        return DriverError(L"Escape could not be posted to the snapshot window");
    return {};
}

bool IsFinalCaptureStatus(std::wstring_view text) {
    return std::ranges::any_of(kFinalCaptureTexts, [&](const wchar_t* t) { return text == t; });
}

}  // namespace pagelens::standin
