#include "components/snapshot/devtools_capture/capture_run.h"

#include <atomic>
#include <memory>
#include <optional>

#include "common/text_codepage.h"
#include "common/unique_handle.h"
#include "components/snapshot/browser_process/browser_locator.h"
#include "components/snapshot/browser_process/browser_process.h"
#include "components/snapshot/browser_process/host_system.h"
#include "components/snapshot/core/capture_failure.h"
#include "components/snapshot/core/page_image.h"
#include "components/snapshot/devtools_capture/browser_cookies.h"
#include "components/snapshot/devtools_capture/navigation_address.h"
#include "components/snapshot/transport/devtools_connection.h"

namespace pagelens::capture {
namespace {

// Limits of the clean-up, which runs even after Close or the time limit.
constexpr auto kLateStartLimit = std::chrono::seconds(10);
constexpr auto kBrowserCloseLimit = std::chrono::seconds(3);
constexpr auto kProfileRemovalLimit = std::chrono::seconds(5);

class CaptureRun {
public:
    CaptureRun(const CaptureRequest& request, CaptureControl& control, CaptureReporter& reporter)
        : request_(request),
          control_(control),
          reporter_(reporter),
          interrupts_{control.stopEvent(), request.deadline},
          image_(request.filePath, request.settings, reporter, 50) {}

    Status Capture();
    // Clean-up, in two parts: no file but the target may remain when the outcome is told; the
    // browser and its profile may go afterwards.
    void Report(const Status& outcome);
    void CloseBrowserAndProfile();

private:
    Status StartBrowser(const BrowserProgram& program);
    Status Connect(const DevToolsEndpoint& endpoint, const Interrupts& interrupts);
    void CloseBrowser();

    const CaptureRequest& request_;
    CaptureControl& control_;
    CaptureReporter& reporter_;
    const Interrupts interrupts_;
    PageImage image_;
    std::optional<ProfileFolder> profile_;
    std::optional<BrowserProcess> process_;
    std::unique_ptr<DevToolsConnection> connection_;
};

Status CaptureRun::StartBrowser(const BrowserProgram& program) {
    auto profile = ProfileFolder::Create();
    if (!profile.ok()) return profile.error();
    profile_.emplace(std::move(profile).value());
    if (ChannelFor(program) == DevToolsChannel::Pipe) {
        std::unique_ptr<MessageTransport> pipe;
        auto piped = BrowserProcess::StartPiped(program, *profile_, pipe);
        if (!piped.ok()) return piped.error();
        process_.emplace(std::move(piped).value());
        connection_ = std::make_unique<DevToolsConnection>(std::move(pipe));
        return {};
    }
    auto process = BrowserProcess::Start(program, *profile_);
    if (!process.ok()) return process.error();
    process_.emplace(std::move(process).value());
    auto endpoint = process_->WaitForEndpoint(*profile_, interrupts_);
    if (!endpoint.ok()) return endpoint.error();
    return Connect(*endpoint, interrupts_);
}

Status CaptureRun::Connect(const DevToolsEndpoint& endpoint, const Interrupts& interrupts) {
    auto socket = WebSocketClient::Connect(endpoint.port, endpoint.path, interrupts);
    if (!socket.ok()) return socket.error();
    connection_ = std::make_unique<DevToolsConnection>(std::move(socket).value());
    return {};
}

Status CaptureRun::Capture() {
    PAGELENS_RETURN_IF_ERROR(image_.Reserve());
    reporter_.Status(L"Starting the capture browser", 0);
    reporter_.Progress(5);
    const auto program = FindCaptureBrowser();
    if (!program)
        return Failed(
            L"No capture browser was found: Microsoft Edge, Google Chrome or Chromium is needed");
    PathForBrowser pathForBrowser;
    if (program->hostProgram) pathForBrowser = HostPathOf;
    const auto url = NavigationUrl(request_.address, pathForBrowser);
    if (!url) return Failure(kOpenFailed, L"The address cannot be opened: " + request_.address);

    PAGELENS_RETURN_IF_ERROR(StartBrowser(*program));
    reporter_.Progress(10);
    PageCapture page(*connection_, request_.settings, reporter_, interrupts_);
    page.GiveSiteCookies(BrowserCookiesFor);
    std::optional<LiveDocumentServer> liveDocument;
    if (request_.livePage) page.ServeLiveDocument(&liveDocument.emplace(request_.livePage->markup));
    PAGELENS_RETURN_IF_ERROR(page.OpenPage(request_.viewport));
    PAGELENS_RETURN_IF_ERROR(page.Load(ToUtf8(*url)));
    // A main navigation that the Fetch domain does not see is read from its place.
    if (liveDocument && !liveDocument->served())
        reporter_.Status(
            L"The page could not be served as the tab has it: the capture browser "
            L"loaded its address again",
            0);
    if (request_.livePage) PAGELENS_RETURN_IF_ERROR(page.ApplyLiveState(request_.livePage->fields));
    PAGELENS_RETURN_IF_ERROR(page.ScrollThrough());
    auto size = page.Measure();
    if (!size.ok()) return size.error();
    auto plan = image_.Plan(size->first, size->second);
    if (!plan.ok()) return plan.error();
    // Each band is encoded while the browser renders the next.
    PAGELENS_RETURN_IF_ERROR(page.CaptureBands(*plan, image_));
    // The browser is closed once the outcome is told: its shutdown would take the processors
    // from the last rows' encoding.
    return image_.Write(control_);
}

// Browser.close is the one way to end a host browser under Wine, so a browser that was still
// starting when the capture stopped is waited for and connected to just to close it.
void CaptureRun::CloseBrowser() {
    if (!process_) return;
    const Interrupts unstoppable{};
    if (!connection_) {
        if (auto endpoint =
                process_->WaitForEndpoint(*profile_, unstoppable.within(kLateStartLimit));
            endpoint.ok())
            (void)Connect(*endpoint, unstoppable.within(kLateStartLimit));
    }
    if (connection_ &&
        connection_
            ->Send("Browser.close", Json::object(), "", unstoppable.within(kBrowserCloseLimit))
            .ok())
        (void)connection_->ReadUntilClosed(unstoppable.within(kBrowserCloseLimit));
    connection_.reset();
    process_->Finish(kBrowserCloseLimit);
}

// Told before the browser is closed, which takes a while: the image can be shown meanwhile.
// Close and the instance's end wait for the rest.
void CaptureRun::Report(const Status& outcome) {
    image_.Discard();
    image_.Report(outcome, control_);
}

void CaptureRun::CloseBrowserAndProfile() {
    CloseBrowser();
    if (profile_) profile_->Remove(kProfileRemovalLimit);
}

}  // namespace

// Nothing the worker does may throw out of it: that would end the browser's whole process.
void RunCapture(const CaptureRequest& request, CaptureControl& control, CaptureReporter& reporter) {
    bool told = false;
    try {
        CaptureRun run(request, control, reporter);
        run.Report(GuardedStep([&run] { return run.Capture(); }));
        told = true;
        try {
            run.CloseBrowserAndProfile();
        } catch (...) {
            // Clean-up is best effort; the outcome stands.
        }
    } catch (...) {
        // The run's files went with it; the wait for the outcome must still end.
        if (told || control.stopped()) return;
        try {
            reporter.Status(L"The capture failed", kFailed);
        } catch (...) {
        }
    }
}

}  // namespace pagelens::capture
