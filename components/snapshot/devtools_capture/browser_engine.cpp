#include "components/snapshot/devtools_capture/browser_engine.h"

namespace pagelens::capture {
namespace {

// Stop waits this long for the worker's clean-up (closing the browser, removing its profile);
// a worker that needs longer finishes on its own.
constexpr DWORD kStopWaitMilliseconds = 3000;

struct WorkerStart {
    CaptureRequest request;
    std::shared_ptr<CaptureControl> control;
    std::shared_ptr<CaptureReporter> reporter;
    HMODULE pinnedModule = nullptr;  // a reference on this library, released by the worker
};

DWORD WINAPI WorkerMain(void* parameter) {
    HMODULE pinned;
    {
        std::unique_ptr<WorkerStart> start(static_cast<WorkerStart*>(parameter));
        pinned = start->pinnedModule;
        RunCapture(start->request, *start->control, *start->reporter);
    }
    // Releasing the library must be the thread's last act: no code of it runs afterwards.
    if (pinned) FreeLibraryAndExitThread(pinned, 0);
    return 0;
}

// Keeps this library loaded while the worker runs: a component dropped by its host may leave
// the worker finishing its clean-up after the host let the library go.
HMODULE PinThisModule() {
    UniqueHmodule module;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(&WorkerMain), module.put()))
        return nullptr;
    // A program, not a library: nothing to keep.
    if (module.get() == GetModuleHandleW(nullptr)) return nullptr;
    return module.release();
}

}  // namespace

BrowserEngine::BrowserEngine(CaptureRequest request, std::shared_ptr<CaptureControl> control,
                             std::shared_ptr<CaptureReporter> reporter)
    : request_(std::move(request)), control_(std::move(control)), reporter_(std::move(reporter)) {}

// The worker is left to finish on its own: it owns what it needs.
BrowserEngine::~BrowserEngine() = default;

Status BrowserEngine::Start() {
    auto start = std::make_unique<WorkerStart>(
        WorkerStart{std::move(request_), control_, reporter_, PinThisModule()});
    worker_.reset(CreateThread(nullptr, 0, WorkerMain, start.get(), 0, nullptr));
    if (!worker_) {
        const DWORD error = GetLastError();
        UniqueHmodule unpinned(start->pinnedModule);
        return errors::FromHresult(HRESULT_FROM_WIN32(error),
                                   L"The capture thread cannot be started");
    }
    start.release();  // the worker owns it now
    return {};
}

void BrowserEngine::Stop() {
    control_->Stop();
    if (worker_) WaitForSingleObject(worker_.get(), kStopWaitMilliseconds);
}

}  // namespace pagelens::capture
