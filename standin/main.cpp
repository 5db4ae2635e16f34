// standin_browser.exe: plays Internet Explorer for iePagelens.dll. It creates cPagelens by its
// CLSID through COM (the DLL is registered beforehand, or by --register), gives it a site,
// calls QueryStatus and Exec on this, the user-interface thread, and meanwhile lets a second
// thread drive the snapshot window by the steps of the command line. A third thread answers
// message boxes, and a watchdog ends the program when the time limit passes.
#include <docobj.h>
#include <ocidl.h>
#include <shellapi.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "common/com_ptr.h"
#include "common/text_codepage.h"
#include "common/unique_handle.h"
#include "extension/guids.h"
#include "standin/automation_runner.h"
#include "standin/extension_module.h"
#include "standin/message_boxes.h"
#include "standin/snapshot_window_driver.h"
#include "standin/standin_browser.h"
#include "standin/standin_options.h"

namespace pagelens::standin {
namespace {

enum ExitCode : int {
    kSuccess = 0,
    kFailure = 1,
    kBadCommandLine = 2,
    kTimeLimit = 3,
    kCrashed = 4
};

std::mutex gOutput;

void Print(FILE* stream, const std::wstring& line) {
    std::string bytes = ToUtf8(line + L"\n");
    std::lock_guard lock(gOutput);
    fwrite(bytes.data(), 1, bytes.size(), stream);
    fflush(stream);
}

void Log(const std::wstring& line) { Print(stdout, line); }

std::wstring Hex(HRESULT hr) {
    wchar_t text[16];
    swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

std::vector<std::wstring> Arguments() {
    int count = 0;
    UniqueHlocal owner(CommandLineToArgvW(GetCommandLineW(), &count));
    auto* argv = static_cast<LPWSTR*>(owner.get());
    std::vector<std::wstring> args;
    for (int i = 1; argv && i < count; ++i) args.emplace_back(argv[i]);
    return args;
}

// Ends the whole program with kTimeLimit unless it is destroyed first.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit)
        : disarmed_(CreateEventW(nullptr, TRUE, FALSE, nullptr)), thread_([this, limit] {
              auto ms = static_cast<DWORD>(std::chrono::milliseconds(limit).count());
              if (WaitForSingleObject(disarmed_.get(), ms) == WAIT_TIMEOUT) {
                  Print(stderr, L"time limit of " + std::to_wstring(limit.count()) +
                                    L" s reached; giving up");
                  ExitProcess(kTimeLimit);
              }
          }) {}
    ~Watchdog() {
        SetEvent(disarmed_.get());
        thread_.join();
    }

private:
    UniqueHandleK disarmed_;
    std::thread thread_;
};

// A crash ends the program at once with its own exit code. Left to the system, it would wait on
// a debugger that nobody attends, and whoever runs us would wait with it. Nothing here may use
// the heap: it may be what broke.
LONG WINAPI EndOnCrash(EXCEPTION_POINTERS* crash) {
    char line[96];
    const int length = snprintf(line, sizeof line, "crashed: exception 0x%08lX at %p\n",
                                static_cast<unsigned long>(crash->ExceptionRecord->ExceptionCode),
                                crash->ExceptionRecord->ExceptionAddress);
    DWORD written = 0;
    if (length > 0)
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), line, static_cast<DWORD>(length), &written,
                  nullptr);
    TerminateProcess(GetCurrentProcess(), kCrashed);
    return EXCEPTION_EXECUTE_HANDLER;
}

struct Extension {
    ComPtr<IObjectWithSite> withSite;
    ComPtr<IOleCommandTarget> commands;
};

Result<Extension> CreateExtension() {
    ComPtr<IUnknown> object;
    HRESULT hr = CoCreateInstance(CLSID_cPagelens, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                  object.put_void());
    if (FAILED(hr))
        return DriverError(L"CoCreateInstance of cPagelens failed with " + Hex(hr) +
                           L" (is the DLL registered?)");
    Extension extension;
    hr = object.As(IID_IObjectWithSite, extension.withSite);
    if (SUCCEEDED(hr)) hr = object.As(IID_IOleCommandTarget, extension.commands);
    if (FAILED(hr)) return DriverError(L"cPagelens lacks IObjectWithSite or IOleCommandTarget");
    Log(L"created cPagelens from " + LoadedExtensionPath());
    return extension;
}

// SetSite, QueryStatus and Exec as the browser calls them; Exec returns when the window closes.
Status PlayTheBrowser(const Extension& extension, IUnknown* site, ULONG commandId) {
    HRESULT hr = extension.withSite->SetSite(site);
    Log(L"SetSite: " + Hex(hr));
    OLECMD command{commandId, 0};
    hr = extension.commands->QueryStatus(nullptr, 1, &command, nullptr);
    Log(L"QueryStatus: " + Hex(hr) + L", command " + std::to_wstring(commandId) + L" flags " +
        std::to_wstring(command.cmdf));
    Log(L"Exec: command " + std::to_wstring(commandId));
    hr = extension.commands->Exec(nullptr, commandId, OLECMDEXECOPT_DODEFAULT, nullptr, nullptr);
    Log(L"Exec returned " + Hex(hr));
    HRESULT released = extension.withSite->SetSite(nullptr);
    Log(L"SetSite(NULL): " + Hex(released));
    if (FAILED(hr)) return DriverError(L"Exec failed with " + Hex(hr));
    return {};
}

int Run(const StandinOptions& options) {
    if (!options.registerDll.empty()) {
        if (auto registered = RunRegsvr32(options.registerDll); !registered) {
            Print(stderr, registered.error().description);
            return kFailure;
        }
        Log(L"registered " + options.registerDll);
    }
    MessageBoxWatcher boxes(
        [](const SeenMessageBox& box) { Log(DescribeMessageBox(box) + L" answered"); });
    StandinBrowser browser =
        MakeStandinBrowser(options.document, options.site, options.address, options.title);
    auto extension = CreateExtension();
    if (!extension) {
        Print(stderr, extension.error().description);
        return kFailure;
    }

    std::atomic<bool> execRunning{true};
    Status automation;
    AutomationContext context{WorkFileCandidates, Log, [&] { return execRunning.load(); },
                              options.timeLimit};
    std::thread driver([&] { automation = RunSteps(options.steps, context); });
    Status played = PlayTheBrowser(*extension, browser.site.get(), options.commandId);
    execRunning = false;
    driver.join();

    int code = kSuccess;
    for (const Status* status : {&played, &automation}) {
        if (!*status) {
            Print(stderr, status->error().description);
            code = kFailure;
        }
    }
    Log(code == kSuccess ? L"done" : L"failed");
    return code;
}

}  // namespace
}  // namespace pagelens::standin

int main() {
    using namespace pagelens::standin;
    std::vector<std::wstring> args = Arguments();
    if (args.size() == 1 && (args[0] == L"--help" || args[0] == L"/?")) {
        Print(stdout, StandinUsage());
        return kSuccess;
    }
    auto options = ParseStandinOptions(args);
    if (!options) {
        Print(stderr, options.error().description);
        Print(stderr, StandinUsage());
        return kBadCommandLine;
    }
    SetUnhandledExceptionFilter(EndOnCrash);
    Watchdog watchdog(options->timeLimit);
    if (FAILED(OleInitialize(nullptr))) {
        Print(stderr, L"COM could not start");
        return kFailure;
    }
    int code = Run(*options);
    OleUninitialize();
    return code;
}
