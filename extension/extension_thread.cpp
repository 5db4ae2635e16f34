// One ExtensionThread per browser thread, reached through a TLS slot of our own rather than
// thread_local: the library is loaded and unloaded by every tab, and the slot is handed back
// when no thread has a record any more.
#include "extension/extension_thread.h"

#include <algorithm>
#include <new>

#include "extension/module_state.h"
#include "window/snapshot_window.h"

namespace pagelens {
namespace {

SRWLOCK gLock = SRWLOCK_INIT;
DWORD gSlot = TLS_OUT_OF_INDEXES;
int gThreads = 0;

ExtensionThread* StartThread() {
    AcquireSRWLockExclusive(&gLock);
    if (gSlot == TLS_OUT_OF_INDEXES) gSlot = TlsAlloc();
    const bool haveSlot = gSlot != TLS_OUT_OF_INDEXES;
    if (haveSlot) ++gThreads;
    ReleaseSRWLockExclusive(&gLock);
    if (!haveSlot) return nullptr;

    auto* thread = new (std::nothrow) ExtensionThread;
    if (!thread) {
        AcquireSRWLockExclusive(&gLock);
        --gThreads;
        ReleaseSRWLockExclusive(&gLock);
        return nullptr;
    }
    TlsSetValue(gSlot, thread);
    thread->shortcut = StartShortcutWatch();
    ModuleAddRef();  // the hook and the windows call into the library
    return thread;
}

// The window and the hook go while the thread still runs: at its exit the loader lock is held
// and COM may be gone.
void EndThread(ExtensionThread* thread) {
    TlsSetValue(gSlot, nullptr);
    delete thread;
    AcquireSRWLockExclusive(&gLock);
    if (--gThreads == 0) {
        TlsFree(gSlot);
        gSlot = TLS_OUT_OF_INDEXES;
    }
    ReleaseSRWLockExclusive(&gLock);
    ModuleRelease();
}

void EndIfUnused(ExtensionThread* thread) {
    if (thread->members.empty() && thread->commandsRunning == 0) EndThread(thread);
}

}  // namespace

ExtensionThread::ExtensionThread() = default;
ExtensionThread::~ExtensionThread() = default;

// Valid only while this thread has a record; the slot cannot go away meanwhile.
ExtensionThread* CurrentExtensionThread() {
    if (gSlot == TLS_OUT_OF_INDEXES) return nullptr;
    return static_cast<ExtensionThread*>(TlsGetValue(gSlot));
}

void JoinExtensionThread(const void* owner, IWebBrowser2* browser) {
    ExtensionThread* thread = CurrentExtensionThread();
    if (!thread) thread = StartThread();
    if (!thread) return;
    auto it = std::find_if(thread->members.begin(), thread->members.end(),
                           [&](const ThreadMember& m) { return m.owner == owner; });
    if (it != thread->members.end())
        it->browser = browser;
    else
        thread->members.push_back({owner, browser});
}

void LeaveExtensionThread(const void* owner) {
    ExtensionThread* thread = CurrentExtensionThread();
    if (!thread) return;
    auto& members = thread->members;
    const auto before = members.size();
    std::erase_if(members, [&](const ThreadMember& m) { return m.owner == owner; });
    if (members.size() != before) EndIfUnused(thread);
}

RunningCommand::RunningCommand() : thread_(CurrentExtensionThread()) {
    if (thread_) ++thread_->commandsRunning;
}

RunningCommand::~RunningCommand() {
    if (!thread_) return;
    --thread_->commandsRunning;
    EndIfUnused(thread_);
}

}  // namespace pagelens
