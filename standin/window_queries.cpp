// Window questions from any thread of this process (see the header).
#include "standin/window_queries.h"

namespace pagelens::standin {
namespace {

BOOL CALLBACK CollectOurs(HWND hwnd, LPARAM lParam) {
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    if (process == GetCurrentProcessId())
        reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
    return TRUE;
}

BOOL CALLBACK CollectAll(HWND hwnd, LPARAM lParam) {
    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
    return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindowsOfThisProcess() {
    std::vector<HWND> windows;
    EnumWindows(CollectOurs, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::vector<HWND> DescendantsOf(HWND parent) {
    std::vector<HWND> windows;
    EnumChildWindows(parent, CollectAll, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::wstring WindowText(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &length))
        return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_NORMAL, kSendTimeoutMs, &copied))
        return {};
    text.resize(copied);
    return text;
}

std::wstring ClassNameOf(HWND hwnd) {
    wchar_t name[256];
    int n = GetClassNameW(hwnd, name, 256);
    return std::wstring(name, n > 0 ? n : 0);
}

bool HasVisibleStyle(HWND hwnd) { return (GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0; }

}  // namespace pagelens::standin
