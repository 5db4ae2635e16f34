// One ThreadWatch per browser thread, reached through a TLS slot of our own rather than
// thread_local: the library is loaded and unloaded by every tab, and the slot is handed back
// when no thread watches any more.
#include "extension/shortcut_watch.h"

#include <ocidl.h>

#include <algorithm>
#include <new>
#include <vector>

#include "common/com_ptr.h"
#include "common/window_class.h"
#include "extension/module_state.h"
#include "extension/snapshot_command.h"
#include "settings/shortcut_setting.h"
#include "window/control_ids.h"

namespace pagelens {
namespace {

constexpr wchar_t kCommandWindowClass[] = L"iePagelensShortcutCommand";
constexpr UINT kRunCommand = WM_APP + 1;

// The owner holds the browser for as long as it watches with it: no reference of ours, so that
// a helper object leaves the browser's count as the toolbar's object does.
struct Watcher {
    const void* owner;
    IWebBrowser2* browser;
};

struct ThreadWatch {
    Shortcut shortcut;
    HHOOK hook = nullptr;
    std::vector<Watcher> watchers;
    HWND commandWindow = nullptr;  // made at the first press
    ComPtr<IWebBrowser2> pending;  // the browser of a posted command
    bool commandRunning = false;
    UINT swallowKeyUp = 0;      // the pressed key's release, still to come
    bool swallowAltUp = false;  // Alt released alone would open the browser's menu
};

SRWLOCK gLock = SRWLOCK_INIT;
DWORD gSlot = TLS_OUT_OF_INDEXES;
int gWatchingThreads = 0;

// Valid only while this thread has a watch; the slot cannot go away meanwhile.
ThreadWatch* CurrentWatch() {
    if (gSlot == TLS_OUT_OF_INDEXES) return nullptr;
    return static_cast<ThreadWatch*>(TlsGetValue(gSlot));
}

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
IWebBrowser2* BrowserHolding(const ThreadWatch& watch, HWND target) {
    for (const auto& w : watch.watchers)
        if (w.browser && Contains(DocumentWindow(w.browser), target)) return w.browser;
    for (const auto& w : watch.watchers)
        if (w.browser && Contains(BrowserWindow(w.browser), target)) return w.browser;
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

LRESULT CALLBACK CommandWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kRunCommand) return DefWindowProcW(hwnd, message, wParam, lParam);
    ThreadWatch* watch = CurrentWatch();
    if (!watch || !watch->pending) return 0;
    ComPtr<IWebBrowser2> browser = std::move(watch->pending);
    watch->commandRunning = true;
    RunSnapshotCommand(browser.get());
    // The tab may have let go of every watcher while the window was open.
    if (ThreadWatch* still = CurrentWatch()) still->commandRunning = false;
    return 0;
}

void PostCommand(ThreadWatch& watch, IWebBrowser2* browser) {
    if (!watch.commandWindow) {
        if (!RegisterWindowClass({kCommandWindowClass, CommandWindowProc, nullptr}).ok()) return;
        watch.commandWindow = CreateMessageWindow(kCommandWindowClass, nullptr);
        if (!watch.commandWindow) return;
    }
    watch.pending = browser;
    if (!PostMessageW(watch.commandWindow, kRunCommand, 0, 0)) watch.pending.reset();
}

void FilterKey(ThreadWatch& watch, MSG& msg) {
    switch (msg.message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN: {
            if (msg.wParam != watch.shortcut.key || !ModifiersMatch(watch.shortcut)) return;
            IWebBrowser2* browser = BrowserHolding(watch, msg.hwnd);
            if (!browser) return;
            const bool repeat = (msg.lParam & (1 << 30)) != 0;
            if (!repeat && !watch.pending && !watch.commandRunning && !SnapshotWindowShown())
                PostCommand(watch, browser);
            watch.swallowKeyUp = watch.shortcut.key;
            watch.swallowAltUp = watch.shortcut.alt;
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
        if (ThreadWatch* watch = CurrentWatch()) {
            auto& msg = *reinterpret_cast<MSG*>(lParam);
            if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) FilterKey(*watch, msg);
        }
    }
    return CallNextHookEx(nullptr, code, removal, lParam);
}

ThreadWatch* StartWatch() {
    AcquireSRWLockExclusive(&gLock);
    if (gSlot == TLS_OUT_OF_INDEXES) gSlot = TlsAlloc();
    const bool haveSlot = gSlot != TLS_OUT_OF_INDEXES;
    if (haveSlot) ++gWatchingThreads;
    ReleaseSRWLockExclusive(&gLock);
    if (!haveSlot) return nullptr;

    auto* watch = new (std::nothrow) ThreadWatch;
    if (watch) {
        watch->shortcut = ReadShortcutSetting();
        if (watch->shortcut.key != 0)
            watch->hook =
                SetWindowsHookExW(WH_GETMESSAGE, GetMessageHook, nullptr, GetCurrentThreadId());
    }
    TlsSetValue(gSlot, watch);
    if (!watch) {
        AcquireSRWLockExclusive(&gLock);
        --gWatchingThreads;
        ReleaseSRWLockExclusive(&gLock);
        return nullptr;
    }
    ModuleAddRef();  // the hook and the window call into the library
    return watch;
}

void EndWatch(ThreadWatch* watch) {
    if (watch->hook) UnhookWindowsHookEx(watch->hook);
    if (watch->commandWindow) DestroyWindow(watch->commandWindow);
    TlsSetValue(gSlot, nullptr);
    delete watch;
    AcquireSRWLockExclusive(&gLock);
    if (--gWatchingThreads == 0) {
        TlsFree(gSlot);
        gSlot = TLS_OUT_OF_INDEXES;
    }
    ReleaseSRWLockExclusive(&gLock);
    ModuleRelease();
}

}  // namespace

void WatchShortcut(const void* owner, IWebBrowser2* browser) {
    ThreadWatch* watch = CurrentWatch();
    if (!watch) watch = StartWatch();
    if (!watch) return;
    auto it = std::find_if(watch->watchers.begin(), watch->watchers.end(),
                           [&](const Watcher& w) { return w.owner == owner; });
    if (it != watch->watchers.end())
        it->browser = browser;
    else
        watch->watchers.push_back({owner, browser});
}

void StopWatchingShortcut(const void* owner) {
    ThreadWatch* watch = CurrentWatch();
    if (!watch) return;
    auto& watchers = watch->watchers;
    watchers.erase(std::remove_if(watchers.begin(), watchers.end(),
                                  [&](const Watcher& w) { return w.owner == owner; }),
                   watchers.end());
    if (watchers.empty()) EndWatch(watch);
}

}  // namespace pagelens
