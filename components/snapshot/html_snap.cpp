// The component behind HtmlSnap: it keeps the settings, starts one capture on a worker thread
// and owns the event relay. The worker owns its own copy of the request and shares the relay
// and the capture's control with the component, so that the component may go (Close, or an
// instance dropped for a new capture) while the worker finishes its clean-up. The worker pins
// this module until it ends.
#include "components/snapshot/html_snap.h"

#include <exdisp.h>

#include <cwctype>
#include <vector>

#include "common/com_ptr.h"
#include "common/module.h"
#include "common/protected_mode.h"
#include "common/unique_handle.h"
#include "components/snapshot/browser_access/browser_document.h"
#include "components/snapshot/browser_access/live_document.h"
#include "components/snapshot/browser_process/browser_locator.h"
#include "components/snapshot/core/capture_control.h"
#include "components/snapshot/core/capture_failure.h"
#include "components/snapshot/devtools_capture/capture_run.h"
#include "components/snapshot/devtools_capture/navigation_address.h"
#include "components/snapshot/event_relay.h"
#include "components/snapshot/view_capture/address_capture.h"
#include "components/snapshot/view_capture/view_capture.h"
#include "components/snapshot/view_capture/zone_protection.h"

namespace pagelens {
namespace {

using capture::CaptureControl;
using capture::CaptureRequest;
using capture::EventRelay;

// The ways a tab's page is taken, in the order they are tried; each gives way to the next in
// one place (HandOver), which says why.
enum class TabEngine { DocumentDrawing, WindowPainting, CaptureBrowser };
constexpr TabEngine kTabEngines[] = {TabEngine::DocumentDrawing, TabEngine::WindowPainting,
                                     TabEngine::CaptureBrowser};

std::wstring Capitalized(std::wstring text) {
    if (!text.empty()) text[0] = towupper(text[0]);
    return text;
}

// Close waits this long for the worker's clean-up (closing the browser, removing its
// profile); a worker that needs longer finishes on its own.
constexpr DWORD kCloseWaitMilliseconds = 3000;

RunError InvalidCall(const wchar_t* why) {
    return {5, L"HtmlSnap", std::wstring(L"Invalid procedure call or argument: ") + why};
}

struct WorkerStart {
    CaptureRequest request;
    std::shared_ptr<CaptureControl> control;
    std::shared_ptr<EventRelay> relay;
    HMODULE pinnedModule = nullptr;  // a reference on this library, released by the worker
};

DWORD WINAPI WorkerMain(void* parameter);

// Our own browser control runs at the tab's integrity: outside Protected Mode it opens only
// what Internet Explorer would open there.
std::optional<std::wstring> WhyOwnControlMayNotOpen(const std::wstring& address) {
    if (InProtectedMode()) return std::nullopt;
    const auto url = capture::NavigationUrl(address, {});
    return url ? capture::WhyProtectedModeIsNeeded(*url) : std::nullopt;
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

DWORD WINAPI WorkerMain(void* parameter) {
    HMODULE pinned;
    {
        std::unique_ptr<WorkerStart> start(static_cast<WorkerStart*>(parameter));
        pinned = start->pinnedModule;
        capture::RunCapture(start->request, *start->control, *start->relay);
    }
    // Releasing the library must be the thread's last act: no code of it runs afterwards.
    if (pinned) FreeLibraryAndExitThread(pinned, 0);
    return 0;
}

class HtmlSnapComponent final : public HtmlSnap {
public:
    explicit HtmlSnapComponent(std::shared_ptr<EventRelay> relay) : relay_(std::move(relay)) {}
    ~HtmlSnapComponent() override { (void)Close(); }

    Status SetSetting(int index, int32_t value) override { return settings_.Set(index, value); }
    Status CaptureBrowser(IWebBrowser2* browser, const std::wstring& filePath) override;
    Status CaptureUrl(const std::wstring& address, const std::wstring& filePath) override;
    Status Close() override;
    void UseWarmBrowser(std::shared_ptr<capture::WarmBrowser> warm) override {
        warmBrowser_ = std::move(warm);
    }

private:
    void EndWarmBrowser() {
        if (warmBrowser_) warmBrowser_->End();
    }
    CaptureRequest NewRequest(std::wstring address, const std::wstring& filePath) const;
    Status Start(CaptureRequest request);
    Status ClaimCapture();
    void StartTabEngine(size_t index, const std::wstring& why);
    void HandOver(size_t from, const std::wstring& why);
    void StartInCaptureBrowser(IWebBrowser2* browser, CaptureRequest request,
                               const std::wstring& why);
    bool StartInOwnControl(const CaptureRequest& request);

    std::shared_ptr<EventRelay> relay_;
    capture::CaptureSettings settings_;
    std::shared_ptr<CaptureControl> control_;
    std::unique_ptr<capture::ViewCapture> viewCapture_;
    // Engines that handed over from inside their own step: they go with the component.
    std::vector<std::unique_ptr<capture::ViewCapture>> endedCaptures_;
    ComPtr<IWebBrowser2> tab_;
    CaptureRequest tabRequest_;
    std::unique_ptr<capture::AddressCapture> addressCapture_;
    std::wstring filePath_;
    UniqueHandleK worker_;
    std::shared_ptr<capture::WarmBrowser> warmBrowser_;
    bool captureClaimed_ = false;
    bool closed_ = false;
};

Status HtmlSnapComponent::ClaimCapture() {
    if (closed_) return InvalidCall(L"the snapshot component is closed");
    if (captureClaimed_) return InvalidCall(L"the snapshot component has captured already");
    captureClaimed_ = true;
    return {};
}

CaptureRequest HtmlSnapComponent::NewRequest(std::wstring address,
                                             const std::wstring& filePath) const {
    CaptureRequest request;
    request.address = std::move(address);
    request.filePath = filePath;
    request.settings = settings_;
    request.deadline = capture::Clock::now() + settings_.timeLimit;
    request.warmBrowser = warmBrowser_;
    return request;
}

Status HtmlSnapComponent::CaptureBrowser(IWebBrowser2* browser, const std::wstring& filePath) {
    PAGELENS_RETURN_IF_ERROR(ClaimCapture());
    if (!browser) {
        relay_->Status(L"No browser was given to capture", capture::kFailed);
        return {};
    }
    CaptureRequest request = NewRequest(capture::BrowserAddress(browser), filePath);
    if (settings_.viewportFromBrowser)
        if (auto viewport = capture::BrowserViewport(browser)) request.viewport = *viewport;
    if (request.filePath.empty()) return Start(std::move(request));  // Start reports it
    tab_ = browser;
    tabRequest_ = std::move(request);
    StartTabEngine(0, L"");
    return {};
}

// The tab's view taken in this process, as the document draws it or as its window paints it;
// the capture browser last. An engine that cannot start hands over at once.
void HtmlSnapComponent::StartTabEngine(size_t index, const std::wstring& why) {
    const TabEngine engine = kTabEngines[index];
    if (engine == TabEngine::CaptureBrowser) {
        StartInCaptureBrowser(tab_.get(), tabRequest_, why);
        return;
    }
    auto control = std::make_shared<CaptureControl>();
    if (!control->ok()) {
        HandOver(index, L"its capture cannot be stopped (no stop event)");
        return;
    }
    const auto painting = engine == TabEngine::DocumentDrawing ? capture::Painting::DocumentDrawing
                                                               : capture::Painting::WindowPainting;
    auto view = capture::ViewCapture::Open(
        tab_.get(), {tabRequest_.filePath, tabRequest_.settings, tabRequest_.deadline, painting},
        control, *relay_, [this, index](const std::wstring& why) { HandOver(index, why); });
    if (!view.ok()) {
        HandOver(index, view.error().description);
        return;
    }
    if (!why.empty())
        relay_->Status(Capitalized(why) + L": taking the page as the screen shows it", 0);
    if (viewCapture_) endedCaptures_.push_back(std::move(viewCapture_));
    control_ = std::move(control);
    filePath_ = tabRequest_.filePath;
    viewCapture_ = std::move(view).value();
    viewCapture_->Start();
}

void HtmlSnapComponent::HandOver(size_t from, const std::wstring& why) {
    if (closed_) return;
    StartTabEngine(from + 1, why);
}

// Neither the document's drawing nor its window's painting took the page: the capture browser
// is served the tab's document as it is now, read on this thread, or, where it cannot be read,
// loads the address again.
void HtmlSnapComponent::StartInCaptureBrowser(IWebBrowser2* browser, CaptureRequest request,
                                              const std::wstring& why) {
    const std::wstring cannotDraw = L"The page cannot draw itself (" + why + L"): ";
    if (request.address.empty()) {
        relay_->Status(cannotDraw + L"the capture browser loads its address again", 0);
        relay_->Status(L"The browser shows no document with an address", capture::kFailed);
        return;
    }
    if (InProtectedMode()) {  // Start would refuse: the document need not be read for that
        EndWarmBrowser();
        relay_->Status(kNoCaptureBrowserInProtectedMode, capture::kFailed);
        return;
    }
    auto live = capture::ReadLivePage(browser);
    if (live.ok()) {
        request.livePage = std::make_shared<const capture::LivePage>(std::move(live).value());
        request.settings.scripts = false;  // the markup is what they made of the page
        relay_->Status(cannotDraw + L"the capture browser is given the page as the tab has it", 0);
    } else {
        relay_->Status(cannotDraw + L"its document cannot be read (" + live.error().description +
                           L"): the capture browser loads its address again",
                       0);
    }
    if (Status started = Start(std::move(request)); !started.ok())
        relay_->Status(started.error().description, capture::kFailed);
}

Status HtmlSnapComponent::CaptureUrl(const std::wstring& address, const std::wstring& filePath) {
    PAGELENS_RETURN_IF_ERROR(ClaimCapture());
    if (const auto scheme = capture::RefusedScheme(address)) {
        relay_->Status(
            L"Addresses of the scheme \"" + *scheme + L":\" are not captured: " + address,
            capture::kOpenFailed);
        return {};
    }
    CaptureRequest request = NewRequest(address, filePath);
    if (InProtectedMode() || !capture::FindCaptureBrowser()) {
        EndWarmBrowser();
        if (const auto why = WhyOwnControlMayNotOpen(address)) {
            relay_->Status(*why, capture::kFailed);
            return {};
        }
        if (StartInOwnControl(request)) return {};
    }
    return Start(std::move(request));
}

// Where no capture browser may run, the browser's own engine opens the address in a control of
// ours. When even that cannot be made, Start tells what is missing.
bool HtmlSnapComponent::StartInOwnControl(const CaptureRequest& request) {
    if (request.filePath.empty()) return false;  // Start reports it
    auto control = std::make_shared<CaptureControl>();
    if (!control->ok()) return false;
    auto opened = capture::AddressCapture::Open(
        request.address, {request.viewport.width, request.viewport.height},
        {request.filePath, request.settings, request.deadline}, control, *relay_);
    if (!opened.ok()) {
        relay_->Status(L"The browser's own engine cannot open the address (" +
                           opened.error().description + L")",
                       0);
        return false;
    }
    control_ = std::move(control);
    filePath_ = request.filePath;
    addressCapture_ = std::move(opened).value();
    addressCapture_->Start();
    return true;
}

Status HtmlSnapComponent::Start(CaptureRequest request) {
    if (request.filePath.empty()) {
        relay_->Status(L"No image file was named", capture::kWriteFailed);
        return {};
    }
    // A browser started from a low-integrity tab would inherit its integrity, and could write
    // neither its profile nor the work file where it is told to.
    if (InProtectedMode()) {
        EndWarmBrowser();
        relay_->Status(kNoCaptureBrowserInProtectedMode, capture::kFailed);
        return {};
    }
    auto control = std::make_shared<CaptureControl>();
    if (!control->ok())
        return errors::FromHresult(HRESULT_FROM_WIN32(GetLastError()), L"No stop event");
    filePath_ = request.filePath;
    auto start = std::make_unique<WorkerStart>(
        WorkerStart{std::move(request), control, relay_, PinThisModule()});
    worker_.reset(CreateThread(nullptr, 0, WorkerMain, start.get(), 0, nullptr));
    if (!worker_) {
        const DWORD error = GetLastError();
        UniqueHmodule unpinned(start->pinnedModule);
        return errors::FromHresult(HRESULT_FROM_WIN32(error),
                                   L"The capture thread cannot be started");
    }
    start.release();  // the worker owns it now
    control_ = std::move(control);
    return {};
}

Status HtmlSnapComponent::Close() {
    if (closed_) return {};
    closed_ = true;
    relay_->Detach();
    if (!control_) return {};
    control_->Stop();
    viewCapture_.reset();  // puts the user's page back
    endedCaptures_.clear();
    addressCapture_.reset();
    if (worker_) WaitForSingleObject(worker_.get(), kCloseWaitMilliseconds);
    // A file whose success was never reported is not the window's: a new capture may already
    // have deleted the old work file, expecting it to stay gone unless that capture succeeds.
    if (control_->published() && !relay_->finalDelivered()) DeleteFileW(filePath_.c_str());
    return {};
}

}  // namespace

Result<std::unique_ptr<HtmlSnap>> HtmlSnap::Create(HtmlSnapEvents* events) {
    auto relay = EventRelay::Create(events);
    if (!relay.ok()) return relay.error();
    return std::unique_ptr<HtmlSnap>(new HtmlSnapComponent(std::move(relay).value()));
}

}  // namespace pagelens
