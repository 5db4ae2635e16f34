// What the extension tests share: COM on the main thread; the real iePagelens.dll from the build
// tree, registered with regsvr32 by the first test that needs it (and unregistered at the end
// of the program unless it was registered before); and helpers that call the extension the way the
// browser does while other threads answer message boxes and watch the snapshot window.
#pragma once
#include <docobj.h>
#include <gtest/gtest.h>
#include <ocidl.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <set>
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

// An image file as GDI+ reads it: its size and the colours on a coarse grid of its pixels.
struct Picture {
    unsigned width = 0;
    unsigned height = 0;
    std::set<uint32_t> colours;  // 0xAARRGGBB
    uint32_t nearBottomRight = 0;
};
Picture ReadPicture(const std::wstring& path);
uint32_t OpaqueColour(COLORREF colour);
// Each channel within `tolerance` (lossy formats move colours a little).
bool ColoursNear(uint32_t a, uint32_t b, int tolerance);

// A child process with its standard output and error read into `output`.
struct ProcessRun {
    int exitCode = -1;  // -1: it did not end in time and was ended
    std::string output;
};
ProcessRun RunCaptured(const std::wstring& commandLine, std::chrono::milliseconds timeout);

// The command lines of the host's (Linux) processes that contain `text`, read from /proc.
std::vector<std::string> HostCommandLinesContaining(const std::string& text);

}  // namespace pagelens::test
