// The component behind HtmlSnap: it keeps the settings, chooses the engine that takes the page
// from one ordered list, hands over from one engine to the next in one place, and owns the
// event relay, which the engines share. An engine that runs on a worker (the capture browser)
// shares the relay and its stop control with the component, so that the component may go
// (Close, or an instance dropped for a new capture) while the worker finishes its clean-up.
#include "components/snapshot/html_snap.h"

#include <exdisp.h>

#include <cwctype>
#include <iterator>
#include <optional>
#include <vector>

#include "common/com_ptr.h"
#include "common/protected_mode.h"
#include "components/snapshot/browser_access/browser_document.h"
#include "components/snapshot/browser_access/live_document.h"
#include "components/snapshot/browser_process/browser_locator.h"
#include "components/snapshot/core/capture_control.h"
#include "components/snapshot/core/capture_engine.h"
#include "components/snapshot/core/capture_failure.h"
#include "components/snapshot/devtools_capture/browser_engine.h"
#include "components/snapshot/devtools_capture/capture_run.h"
#include "components/snapshot/devtools_capture/navigation_address.h"
#include "components/snapshot/event_relay.h"
#include "components/snapshot/view_capture/address_capture.h"
#include "components/snapshot/view_capture/view_capture.h"
#include "components/snapshot/view_capture/zone_protection.h"

namespace pagelens {
namespace {

using capture::CaptureControl;
using capture::CaptureEngine;
using capture::CaptureRequest;
using capture::EventRelay;

// The ways a page is taken, in the order they are tried. A tab's page: its document draws
// itself, its view window paints itself, then the capture browser. A typed address: our own
// browser control where no capture browser may run, then the capture browser. Each engine
// gives way to the next in one place (HandOver), which says why.
enum class Engine { DocumentDrawing, WindowPainting, OwnControl, CaptureBrowser };
constexpr Engine kEngines[] = {Engine::DocumentDrawing, Engine::WindowPainting, Engine::OwnControl,
                               Engine::CaptureBrowser};
constexpr size_t kEngineCount = std::size(kEngines);

std::wstring Capitalized(std::wstring text) {
    if (!text.empty()) text[0] = towupper(text[0]);
    return text;
}

RunError InvalidCall(const wchar_t* why) {
    return {5, L"HtmlSnap", std::wstring(L"Invalid procedure call or argument: ") + why};
}

// Our own browser control runs at the tab's integrity: outside Protected Mode it opens only
// what Internet Explorer would open there.
std::optional<std::wstring> WhyOwnControlMayNotOpen(const std::wstring& address) {
    if (InProtectedMode()) return std::nullopt;
    const auto url = capture::NavigationUrl(address, {});
    return url ? capture::WhyProtectedModeIsNeeded(*url) : std::nullopt;
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
    // A capture that may not run the capture browser ends the window's warm one.
    void EndWarmBrowser() {
        if (warmBrowser_) warmBrowser_->End();
    }
    Status ClaimCapture();
    CaptureRequest NewRequest(std::wstring address, const std::wstring& filePath) const;
    Status Begin();
    bool Applies(Engine engine) const;
    Status StartFirstFrom(size_t first, const std::wstring& why);
    Status StartEngine(size_t index, const std::wstring& why);
    Status HandOver(size_t from, const std::wstring& why);
    Status Run(std::unique_ptr<CaptureEngine> engine, std::shared_ptr<CaptureControl> control);
    Status Unstarted(Status outcome);
    Status StartTabView(size_t index, const std::wstring& why,
                        std::shared_ptr<CaptureControl> control);
    Status StartOwnControl(size_t index, std::shared_ptr<CaptureControl> control);
    Status StartCaptureBrowser(const std::wstring& why, std::shared_ptr<CaptureControl> control);

    std::shared_ptr<EventRelay> relay_;
    capture::CaptureSettings settings_;
    ComPtr<IWebBrowser2> tab_;  // none for a typed address
    CaptureRequest request_;
    std::shared_ptr<CaptureControl> control_;  // the running engine's
    std::unique_ptr<CaptureEngine> engine_;
    // Engines that handed over from inside their own step: they go with the component.
    std::vector<std::unique_ptr<CaptureEngine>> endedEngines_;
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
    request_ = NewRequest(capture::BrowserAddress(browser), filePath);
    if (settings_.viewportFromBrowser)
        if (auto viewport = capture::BrowserViewport(browser)) request_.viewport = *viewport;
    tab_ = browser;
    return Begin();
}

Status HtmlSnapComponent::CaptureUrl(const std::wstring& address, const std::wstring& filePath) {
    PAGELENS_RETURN_IF_ERROR(ClaimCapture());
    if (const auto scheme = capture::RefusedScheme(address)) {
        relay_->Status(
            L"Addresses of the scheme \"" + *scheme + L":\" are not captured: " + address,
            capture::kOpenFailed);
        return {};
    }
    request_ = NewRequest(address, filePath);
    return Begin();
}

bool HtmlSnapComponent::Applies(Engine engine) const {
    switch (engine) {
        case Engine::DocumentDrawing:
        case Engine::WindowPainting:
            return static_cast<bool>(tab_);
        case Engine::OwnControl:
            return !tab_ && (InProtectedMode() || !capture::FindCaptureBrowser());
        case Engine::CaptureBrowser:
            return true;
    }
    return false;
}

// Every engine writes the file.
Status HtmlSnapComponent::Begin() {
    if (request_.filePath.empty()) {
        relay_->Status(L"No image file was named", capture::kWriteFailed);
        return {};
    }
    return StartFirstFrom(0, L"");
}

// The one place where a capture goes on with the next engine that applies. An error is the
// capture call's own: no engine could be started at all.
Status HtmlSnapComponent::HandOver(size_t from, const std::wstring& why) {
    return StartFirstFrom(from + 1, why);
}

Status HtmlSnapComponent::StartFirstFrom(size_t first, const std::wstring& why) {
    if (closed_) return {};
    for (size_t index = first; index < kEngineCount; ++index)
        if (Applies(kEngines[index])) return StartEngine(index, why);
    relay_->Status(Capitalized(why), capture::kFailed);
    return {};
}

Status HtmlSnapComponent::StartEngine(size_t index, const std::wstring& why) {
    auto control = std::make_shared<CaptureControl>();
    if (!control->ok()) {
        if (index + 1 == kEngineCount)
            return Unstarted(
                errors::FromHresult(HRESULT_FROM_WIN32(GetLastError()), L"No stop event"));
        return HandOver(index, L"its capture cannot be stopped (no stop event)");
    }
    switch (kEngines[index]) {
        case Engine::DocumentDrawing:
        case Engine::WindowPainting:
            return StartTabView(index, why, std::move(control));
        case Engine::OwnControl:
            return StartOwnControl(index, std::move(control));
        case Engine::CaptureBrowser:
            return StartCaptureBrowser(why, std::move(control));
    }
    return {};
}

// The engine is the running one before it starts: it may hand over from inside Start.
Status HtmlSnapComponent::Run(std::unique_ptr<CaptureEngine> engine,
                              std::shared_ptr<CaptureControl> control) {
    // An engine that handed over is still inside its own step: it goes with the component.
    if (engine_) endedEngines_.push_back(std::move(engine_));
    CaptureEngine* const started = engine.get();
    engine_ = std::move(engine);
    control_ = std::move(control);
    Status outcome = started->Start();
    if (!outcome.ok() && engine_.get() == started) engine_.reset();
    return Unstarted(std::move(outcome));
}

// A tab's capture has begun when its call returns: an engine that cannot start ends it with a
// report. An address's capture call returns the error itself.
Status HtmlSnapComponent::Unstarted(Status outcome) {
    if (outcome.ok() || !tab_) return outcome;
    relay_->Status(outcome.error().description, capture::kFailed);
    return {};
}

// The tab's view taken in this process, as the document draws it or as its window paints it.
// An engine that cannot open the view hands over at once.
Status HtmlSnapComponent::StartTabView(size_t index, const std::wstring& why,
                                       std::shared_ptr<CaptureControl> control) {
    const auto painting = kEngines[index] == Engine::DocumentDrawing
                              ? capture::Painting::DocumentDrawing
                              : capture::Painting::WindowPainting;
    auto view = capture::ViewCapture::Open(
        tab_.get(), {request_.filePath, request_.settings, request_.deadline, painting}, control,
        *relay_, [this, index](const std::wstring& why) { (void)HandOver(index, why); });
    if (!view.ok()) return HandOver(index, view.error().description);
    if (!why.empty())
        relay_->Status(Capitalized(why) + L": taking the page as the screen shows it", 0);
    return Run(std::move(view).value(), std::move(control));
}

// Where no capture browser may run, the browser's own engine opens the address in a control of
// ours. When even that cannot be made, the capture browser's engine tells what is missing.
Status HtmlSnapComponent::StartOwnControl(size_t index, std::shared_ptr<CaptureControl> control) {
    EndWarmBrowser();
    if (const auto why = WhyOwnControlMayNotOpen(request_.address)) {
        relay_->Status(*why, capture::kFailed);
        return {};
    }
    auto opened = capture::AddressCapture::Open(
        request_.address, {request_.viewport.width, request_.viewport.height},
        {request_.filePath, request_.settings, request_.deadline}, control, *relay_);
    if (!opened.ok()) {
        relay_->Status(L"The browser's own engine cannot open the address (" +
                           opened.error().description + L")",
                       0);
        return HandOver(index, opened.error().description);
    }
    return Run(std::move(opened).value(), std::move(control));
}

// The capture browser, on a worker. For a tab whose own engine did not take the page it is
// served the tab's document as it is now, read on this thread, or, where that cannot be read,
// loads the address again.
Status HtmlSnapComponent::StartCaptureBrowser(const std::wstring& why,
                                              std::shared_ptr<CaptureControl> control) {
    CaptureRequest request = request_;
    const std::wstring cannotDraw = L"The page cannot draw itself (" + why + L"): ";
    if (tab_ && request.address.empty()) {
        relay_->Status(cannotDraw + L"the capture browser loads its address again", 0);
        relay_->Status(L"The browser shows no document with an address", capture::kFailed);
        return {};
    }
    // A browser started from a low-integrity tab would inherit its integrity, and could write
    // neither its profile nor the work file where it is told to.
    if (InProtectedMode()) {
        EndWarmBrowser();
        relay_->Status(kNoCaptureBrowserInProtectedMode, capture::kFailed);
        return {};
    }
    if (tab_) {
        auto live = capture::ReadLivePage(tab_.get());
        if (live.ok()) {
            request.livePage = std::make_shared<const capture::LivePage>(std::move(live).value());
            request.settings.scripts = false;  // the markup is what they made of the page
            relay_->Status(cannotDraw + L"the capture browser is given the page as the tab has it",
                           0);
        } else {
            relay_->Status(cannotDraw + L"its document cannot be read (" +
                               live.error().description +
                               L"): the capture browser loads its address again",
                           0);
        }
    }
    auto engine = std::make_unique<capture::BrowserEngine>(std::move(request), control, relay_);
    return Run(std::move(engine), std::move(control));
}

Status HtmlSnapComponent::Close() {
    if (closed_) return {};
    closed_ = true;
    relay_->Detach();
    if (!engine_) return {};
    engine_->Stop();  // puts the user's page back, or waits for the worker's clean-up
    engine_.reset();
    endedEngines_.clear();
    // A file whose success was never reported is not the window's: a new capture may already
    // have deleted the old work file, expecting it to stay gone unless that capture succeeds.
    if (control_->published() && !relay_->finalDelivered()) DeleteFileW(request_.filePath.c_str());
    return {};
}

}  // namespace

Result<std::unique_ptr<HtmlSnap>> HtmlSnap::Create(HtmlSnapEvents* events) {
    auto relay = EventRelay::Create(events);
    if (!relay.ok()) return relay.error();
    return std::unique_ptr<HtmlSnap>(new HtmlSnapComponent(std::move(relay).value()));
}

}  // namespace pagelens
