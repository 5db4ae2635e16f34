#include "extension/shortcut_watch.h"

#include <ocidl.h>

#include <new>
#include <optional>

#include "common/com_ptr.h"
#include "common/window_class.h"
#include "extension/extension_thread.h"
#include "extension/snapshot_command.h"
#include "settings/shortcut_setting.h"
#include "window/control_ids.h"

namespace pagelens {
namespace {

constexpr wchar_t kCommandWindowClass[] = L"iePagelensShortcutCommand";
constexpr UINT kRunCommand = WM_APP + 1;

}  // namespace

struct ShortcutWatch {
    // Read at the first key press rather than when a tab loads us: every tab pays for the load,
    // few press a key that could be the shortcut.
    std::optional<Shortcut> shortcut;
    HHOOK hook = nullptr;
    HWND commandWindow = nullptr;  // made at the first press
    ComPtr<IWebBrowser2> pending;  // the browser of a posted command
    UINT swallowKeyUp = 0;         // the pressed key's release, still to come
    bool swallowAltUp = false;     // Alt released alone would open the browser's menu
};

namespace {

bool Contains(HWND outer, HWND inner) {
    return outer && inner && (outer == inner || IsChild(outer, inner));
}

HWND DocumentWindow(IWebBrowser2* browser) {
    ComPtr<IDispatch> document;
    if (FAILED(browser->get_Document(document.put())) || !document) return nullptr;
    ComPtr<IOleWindow> window;
    HWND hwnd = nullptr;
    if (FAILED(document.As(IID_IOleWindow, window)) || FAILED(window->GetWindow(&hwnd)))
        return nullptr;
    return hwnd;
}

HWND BrowserWindow(IWebBrowser2* browser) {
    SHANDLE_PTR hwnd = 0;
    if (FAILED(browser->get_HWND(&hwnd))) return nullptr;
    return reinterpret_cast<HWND>(hwnd);
}

// The watched browser whose page (or else whose window) holds `target`: the page's window tells
// tabs apart where several share one top-level window.
IWebBrowser2* BrowserHolding(const ExtensionThread& thread, HWND target) {
    for (const auto& m : thread.members)
        if (m.browser && Contains(DocumentWindow(m.browser), target)) return m.browser;
    for (const auto& m : thread.members)
        if (m.browser && Contains(BrowserWindow(m.browser), target)) return m.browser;
    return nullptr;
}

BOOL CALLBACK FindShownSnapshotWindow(HWND hwnd, LPARAM found) {
    wchar_t name[64];
    if (IsWindowVisible(hwnd) && GetClassNameW(hwnd, name, 64) &&
        wcscmp(name, ids::kSnapshotWindowClass) == 0) {
        *reinterpret_cast<bool*>(found) = true;
        return FALSE;
    }
    return TRUE;
}

// The window may also have been opened by the toolbar command.
bool SnapshotWindowShown() {
    bool found = false;
    EnumThreadWindows(GetCurrentThreadId(), FindShownSnapshotWindow,
                      reinterpret_cast<LPARAM>(&found));
    return found;
}

bool Down(int key) { return GetKeyState(key) < 0; }

bool ModifiersMatch(const Shortcut& shortcut) {
    return Down(VK_CONTROL) == shortcut.control && Down(VK_SHIFT) == shortcut.shift &&
           Down(VK_MENU) == shortcut.alt;
}

void Swallow(MSG& msg) {
    msg.message = WM_NULL;
    msg.wParam = 0;
    msg.lParam = 0;
}

ShortcutWatch* CurrentWatch() {
    ExtensionThread* thread = CurrentExtensionThread();
    return thread ? thread->shortcut.get() : nullptr;
}

LRESULT CALLBACK CommandWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kRunCommand) return DefWindowProcW(hwnd, message, wParam, lParam);
    ShortcutWatch* watch = CurrentWatch();
    if (!watch || !watch->pending) return 0;
    ComPtr<IWebBrowser2> browser = std::move(watch->pending);
    // The command may end this thread's record, and this window with it: nothing follows.
    RunSnapshotCommand(browser.get());
    return 0;
}

void PostCommand(ShortcutWatch& watch, IWebBrowser2* browser) {
    if (!watch.commandWindow) {
        if (!RegisterWindowClass({kCommandWindowClass, CommandWindowProc, nullptr}).ok()) return;
        watch.commandWindow = CreateMessageWindow(kCommandWindowClass, nullptr);
        if (!watch.commandWindow) return;
    }
    watch.pending = browser;
    if (!PostMessageW(watch.commandWindow, kRunCommand, 0, 0)) watch.pending.reset();
}

void FilterKey(ExtensionThread& thread, ShortcutWatch& watch, MSG& msg) {
    switch (msg.message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN: {
            if (!watch.shortcut) watch.shortcut = ReadShortcutSetting();
            const Shortcut& shortcut = *watch.shortcut;
            if (shortcut.key == 0 || msg.wParam != shortcut.key || !ModifiersMatch(shortcut))
                return;
            IWebBrowser2* browser = BrowserHolding(thread, msg.hwnd);
            if (!browser) return;
            const bool repeat = (msg.lParam & (1 << 30)) != 0;
            if (!repeat && !watch.pending && thread.commandsRunning == 0 && !SnapshotWindowShown())
                PostCommand(watch, browser);
            watch.swallowKeyUp = shortcut.key;
            watch.swallowAltUp = shortcut.alt;
            Swallow(msg);
            return;
        }
        case WM_KEYUP:
        case WM_SYSKEYUP:
            if (watch.swallowKeyUp && msg.wParam == watch.swallowKeyUp) {
                watch.swallowKeyUp = 0;
                Swallow(msg);
            } else if (watch.swallowAltUp && msg.wParam == VK_MENU) {
                watch.swallowAltUp = false;
                Swallow(msg);
            }
            return;
    }
}

LRESULT CALLBACK GetMessageHook(int code, WPARAM removal, LPARAM lParam) {
    if (code == HC_ACTION && removal == PM_REMOVE) {
        ExtensionThread* thread = CurrentExtensionThread();
        if (thread && thread->shortcut) {
            auto& msg = *reinterpret_cast<MSG*>(lParam);
            if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST)
                FilterKey(*thread, *thread->shortcut, msg);
        }
    }
    return CallNextHookEx(nullptr, code, removal, lParam);
}

}  // namespace

UniqueShortcutWatch StartShortcutWatch() {
    UniqueShortcutWatch watch(new (std::nothrow) ShortcutWatch);
    if (!watch) return nullptr;
    watch->hook = SetWindowsHookExW(WH_GETMESSAGE, GetMessageHook, nullptr, GetCurrentThreadId());
    return watch;
}

void ShortcutWatchEnd::operator()(ShortcutWatch* watch) const {
    if (watch->hook) UnhookWindowsHookEx(watch->hook);
    if (watch->commandWindow) DestroyWindow(watch->commandWindow);
    delete watch;
}

}  // namespace pagelens
