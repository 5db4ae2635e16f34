// What the extension tests share: COM on the main thread; the real iePagelens.dll from the build
// tree, registered with regsvr32 by the first test that needs it (and unregistered at the end
// of the program unless it was registered before); and helpers that call the extension the way the
// browser does while other threads answer message boxes and watch the snapshot window.
#pragma once
#include <docobj.h>
#include <gtest/gtest.h>
#include <ocidl.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "common/com_ptr.h"
#include "standin/message_boxes.h"

namespace pagelens::test {

std::wstring ExtensionDllPath();
bool ClassIsRegistered();

// Tests of the DLL: the DLL is registered before each.
class RegisteredExtensionTest : public ::testing::Test {
protected:
    void SetUp() override;
};

struct ExtensionObject {
    ComPtr<IUnknown> unknown;
    ComPtr<IObjectWithSite> withSite;
    ComPtr<IOleCommandTarget> commands;
};
// cPagelens made by COM from its CLSID; empty members when that failed.
ExtensionObject CreateExtension();

// The reference count of an object whose AddRef and Release report it exactly.
ULONG ReferenceCount(IUnknown* object);

// A call made while a message-box watcher runs; a snapshot window that opens meanwhile is
// noted and closed, so that a call that should not open one cannot hang the test.
struct WatchedCall {
    HRESULT result = E_UNEXPECTED;
    std::vector<standin::SeenMessageBox> boxes;
    bool snapshotWindowOpened = false;
};
WatchedCall CallWatched(const std::function<HRESULT()>& call);

// A child process with its standard output and error read into `output`.
struct ProcessRun {
    int exitCode = -1;  // -1: it did not end in time and was ended
    std::string output;
};
ProcessRun RunCaptured(const std::wstring& commandLine, std::chrono::milliseconds timeout);

}  // namespace pagelens::test
