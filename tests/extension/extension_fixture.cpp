// The extension tests' shared fixture, watchers and process runner (see the header).
#include "tests/extension/extension_fixture.h"

// GDI+ needs the COM types that the lean Windows headers leave out.
// clang-format off
#include <ole2.h>
#include <gdiplus.h>
// clang-format on

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "common/text_codepage.h"
#include "common/unique_handle.h"
#include "extension/guids.h"
#include "standin/extension_module.h"
#include "standin/snapshot_window_driver.h"
#include "tests/support/test_support.h"

namespace pagelens::test {
namespace {

// Whether this program registered the DLL, and so should remove it again at the end.
bool gWeRegistered = false;

// COM for the main thread, and the registry as it was found at the end.
class ComAndRegistry : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override {
        if (gWeRegistered) (void)standin::RunRegsvr32(ExtensionDllPath(), true);
        OleUninitialize();
    }
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new ComAndRegistry);

}  // namespace

void RegisteredExtensionTest::SetUp() {
    ASSERT_TRUE(FileExists(ExtensionDllPath())) << "build iePagelens first";
    // Each regsvr32 run costs a process start: register only when it is missing.
    if (ClassIsRegistered()) return;
    auto registered = standin::RunRegsvr32(ExtensionDllPath());
    ASSERT_TRUE(registered.ok()) << ToUtf8(registered.error().description);
    gWeRegistered = true;
}

std::wstring ExtensionDllPath() { return BuildDir() + L"\\extension\\iePagelens.dll"; }

bool ClassIsRegistered() {
    UniqueHkey key;
    std::wstring path = std::wstring(L"CLSID\\") + kClsidText + L"\\InprocServer32";
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

ExtensionObject CreateExtension() {
    ExtensionObject extension;
    if (FAILED(CoCreateInstance(CLSID_cPagelens, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                extension.unknown.put_void())))
        return {};
    extension.unknown.As(IID_IObjectWithSite, extension.withSite);
    extension.unknown.As(IID_IOleCommandTarget, extension.commands);
    return extension;
}

ULONG ReferenceCount(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

WatchedCall CallWatched(const std::function<HRESULT()>& call) {
    WatchedCall watched;
    standin::MessageBoxWatcher boxes;
    std::atomic<bool> done{false};
    std::atomic<bool> windowOpened{false};
    std::thread guard([&] {
        while (!done) {
            if (HWND window = standin::FindSnapshotWindow()) {
                windowOpened = true;
                (void)standin::PressEscape(window);
            }
            Sleep(25);
        }
    });
    watched.result = call();
    done = true;
    guard.join();
    // The watcher lists a box before it presses its button, so every box is listed by now.
    watched.boxes = boxes.Seen();
    watched.snapshotWindowOpened = windowOpened;
    return watched;
}

Picture ReadPicture(const std::wstring& path) {
    Picture picture;
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return picture;
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromFile(path.c_str(), &bitmap) == Gdiplus::Ok) {
        Gdiplus::DllExports::GdipGetImageWidth(bitmap, &picture.width);
        Gdiplus::DllExports::GdipGetImageHeight(bitmap, &picture.height);
        for (UINT y = 0; y < picture.height; y += 4) {
            for (UINT x = 0; x < picture.width; x += 4) {
                Gdiplus::ARGB colour = 0;
                Gdiplus::DllExports::GdipBitmapGetPixel(bitmap, x, y, &colour);
                picture.colours.insert(colour);
            }
        }
        if (picture.width > 4 && picture.height > 4) {
            Gdiplus::ARGB colour = 0;
            Gdiplus::DllExports::GdipBitmapGetPixel(bitmap, picture.width - 4, picture.height - 4,
                                                    &colour);
            picture.nearBottomRight = colour;
        }
        Gdiplus::DllExports::GdipDisposeImage(bitmap);
    }
    Gdiplus::GdiplusShutdown(token);
    return picture;
}

uint32_t OpaqueColour(COLORREF colour) {
    return Gdiplus::Color::MakeARGB(255, GetRValue(colour), GetGValue(colour), GetBValue(colour));
}

bool ColoursNear(uint32_t a, uint32_t b, int tolerance) {
    for (int shift = 0; shift < 32; shift += 8) {
        int difference =
            static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (difference > tolerance || difference < -tolerance) return false;
    }
    return true;
}

ProcessRun RunCaptured(const std::wstring& commandLine, std::chrono::milliseconds timeout) {
    ProcessRun run;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readRaw = nullptr, writeRaw = nullptr;
    if (!CreatePipe(&readRaw, &writeRaw, &inherit, 0)) return run;
    UniqueHandleK readEnd(readRaw), writeEnd(writeRaw);
    SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{sizeof startup};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = writeEnd.get();
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION info{};
    std::wstring line = commandLine;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &info))
        return run;
    UniqueHandleK process(info.hProcess), thread(info.hThread);
    writeEnd.reset();  // the child holds the only write end now: its exit ends the reading

    // Polled rather than blocking, so that a grandchild holding the pipe cannot stall us.
    auto drain = [&] {
        DWORD available = 0;
        char buffer[4096];
        while (PeekNamedPipe(readEnd.get(), nullptr, 0, nullptr, &available, nullptr) &&
               available > 0) {
            DWORD n = 0;
            if (!ReadFile(readEnd.get(), buffer, std::min<DWORD>(available, sizeof buffer), &n,
                          nullptr) ||
                n == 0)
                break;
            run.output.append(buffer, n);
        }
    };
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        drain();
        if (WaitForSingleObject(process.get(), 20) == WAIT_OBJECT_0) {
            drain();
            DWORD code = 0;
            GetExitCodeProcess(process.get(), &code);
            run.exitCode = static_cast<int>(code);
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            TerminateProcess(process.get(), 255);
            break;
        }
    }
    return run;
}

std::vector<std::string> HostCommandLinesContaining(const std::string& text) {
    std::vector<std::string> found;
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW(L"Z:\\proc\\*", &entry);
    if (find == INVALID_HANDLE_VALUE) return found;
    do {
        const std::wstring name = entry.cFileName;
        if (name.find_first_not_of(L"0123456789") != std::wstring::npos) continue;
        const auto bytes = ReadFileBytes(L"Z:\\proc\\" + name + L"\\cmdline");
        std::string commandLine(bytes.begin(), bytes.end());
        std::replace(commandLine.begin(), commandLine.end(), '\0', ' ');
        if (commandLine.find(text) != std::string::npos) found.push_back(commandLine);
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    return found;
}

}  // namespace pagelens::test
