// The keyboard shortcut watched on a browser thread. Each extension object that holds a browser
// is a watcher of its own thread; the first watcher of a thread reads the `Shortcut` setting and
// hooks the thread's message traffic (WH_GETMESSAGE, this thread only), the last one to go
// removes the hook. Until the shortcut is pressed nothing else is made: no window, no thread.
//
// The shortcut is recognised from the keyboard's real state (GetKeyState), in a key message for a
// window of one of the watched browsers; that message and its key-up are swallowed, and the
// command is posted to a message-only window so that it runs from the thread's own message loop,
// with the browser whose window has the keyboard. While this thread's snapshot window is open (or
// a command is on its way) the shortcut does nothing more.
#pragma once
#include <exdisp.h>

namespace pagelens {

// Adds `owner` as a watcher of this thread with `browser`, or gives it another browser. The owner
// keeps `browser` alive until it stops watching or names another.
void WatchShortcut(const void* owner, IWebBrowser2* browser);
// Removes `owner`; nothing when it is not watching.
void StopWatchingShortcut(const void* owner);

}  // namespace pagelens
