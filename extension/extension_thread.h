// What the extension keeps on one browser thread while any of its objects there holds a browser:
// those objects with their browsers, the keyboard shortcut's watch, and the snapshot window (made
// by the thread's first command, kept for the next ones). The first object of a thread makes the
// record; the last one to go ends it, or, while a command still runs on the thread, that command
// does when it returns. Nothing of ours then stays in a thread that no longer uses us.
#pragma once
// <exdisp.h> needs <windows.h> first.
// clang-format off
#include <windows.h>
#include <exdisp.h>
// clang-format on

#include <memory>
#include <vector>

#include "extension/shortcut_watch.h"

namespace pagelens {

class frmMain;

// The owner holds the browser for as long as it is a member with it: no reference of ours, so
// that a helper object leaves the browser's count as the toolbar's object does.
struct ThreadMember {
    const void* owner;
    IWebBrowser2* browser;
};

struct ExtensionThread {
    ExtensionThread();
    ~ExtensionThread();
    ExtensionThread(const ExtensionThread&) = delete;
    ExtensionThread& operator=(const ExtensionThread&) = delete;

    std::vector<ThreadMember> members;
    UniqueShortcutWatch shortcut;  // none only when memory ran out
    std::unique_ptr<frmMain> snapshotWindow;
    int commandsRunning = 0;
};

// This thread's record; null when no object of ours holds a browser here.
ExtensionThread* CurrentExtensionThread();

// Adds `owner` as a member of this thread with `browser`, or gives it another browser.
void JoinExtensionThread(const void* owner, IWebBrowser2* browser);
// Removes `owner`; nothing when it is not a member.
void LeaveExtensionThread(const void* owner);

// Keeps this thread's record, should it have one, until the command returns.
class RunningCommand {
public:
    RunningCommand();
    ~RunningCommand();
    RunningCommand(const RunningCommand&) = delete;
    RunningCommand& operator=(const RunningCommand&) = delete;
    ExtensionThread* thread() const { return thread_; }

private:
    ExtensionThread* thread_;
};

}  // namespace pagelens
