// The keyboard shortcut watched on a browser thread. Each extension object that holds a browser
// watches its own thread; the first of a thread hooks the thread's message traffic (WH_GETMESSAGE,
// this thread only), the last one to go removes the hook. The `Shortcut` setting is read at the
// thread's first key press; until the shortcut is pressed nothing else is made: no window, no
// thread.
//
// The shortcut is recognised from the keyboard's real state (GetKeyState), in a key message for a
// window of one of the watched browsers; that message and its key-up are swallowed, and the
// command is posted to a message-only window so that it runs from the thread's own message loop,
// with the browser whose window has the keyboard. While this thread's snapshot window is open (or
// a command is on its way) the shortcut does nothing more.
#pragma once
#include <windows.h>

#include <memory>

namespace pagelens {

struct ShortcutWatch;
struct ShortcutWatchEnd {
    void operator()(ShortcutWatch* watch) const;
};
using UniqueShortcutWatch = std::unique_ptr<ShortcutWatch, ShortcutWatchEnd>;

// Hooks this thread's message traffic; a setting that turns the shortcut off leaves the hook
// passing every key. The browsers it watches are the members of this thread's record
// (extension/extension_thread.h); ending the watch removes the hook.
UniqueShortcutWatch StartShortcutWatch();

}  // namespace pagelens
