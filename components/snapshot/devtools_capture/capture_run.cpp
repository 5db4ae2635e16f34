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
#include "components/snapshot/devtools_capture/running_browser.h"
#include "components/snapshot/devtools_capture/stage_times.h"
#include "components/snapshot/transport/devtools_connection.h"

namespace pagelens::capture {
namespace {

class CaptureRun {
public:
    CaptureRun(const CaptureRequest& request, CaptureControl& control, CaptureReporter& reporter)
        : request_(request),
          control_(control),
          reporter_(reporter),
          interrupts_{control.stopEvent(), request.deadline},
          image_(request.filePath, request.settings, reporter, 50) {}
    ~CaptureRun() { EndBrowser(false); }

    Status Capture();
    // Clean-up, in two parts: no file but the target may remain when the outcome is told; the
    // browser (or its context, when the window keeps the browser) may go afterwards.
    void Report(const Status& outcome);
    void EndBrowser(bool keep);

private:
    Status OpenBrowser(const BrowserProgram& program);

    const CaptureRequest& request_;
    CaptureControl& control_;
    CaptureReporter& reporter_;
    const Interrupts interrupts_;
    PageImage image_;
    std::unique_ptr<RunningBrowser> browser_;
    // With a window's warm browser: what it lent, and the capture's own context in the browser.
    std::optional<WarmBrowser::Lease> lease_;
    std::string context_;
    std::string session_;  // of a blank page made ready in the context, if any
};

// A warm browser that no longer answers is closed, and a new one started in its place.
Status CaptureRun::OpenBrowser(const BrowserProgram& program) {
    if (auto warm = request_.warmBrowser.lock()) {
        lease_ = warm->Take(interrupts_);
        if (interrupts_.stopped()) return Stopped();
        if (lease_->browser) {
            browser_ = std::move(lease_->browser);
            if (auto blank = browser_->TakeBlankPage()) {
                context_ = std::move(blank->context);
                session_ = std::move(blank->session);
                return {};
            }
            auto context = browser_->CreateContext(interrupts_);
            if (context.ok()) {
                context_ = std::move(context).value();
                return {};
            }
            if (IsStopped(context.error())) return context.error();
            browser_.reset();
        }
    }
    browser_ = std::make_unique<RunningBrowser>();
    PAGELENS_RETURN_IF_ERROR(browser_->Start(program, interrupts_));
    if (!lease_) return {};
    auto context = browser_->CreateContext(interrupts_);
    if (!context.ok()) return context.error();
    context_ = std::move(context).value();
    return {};
}

Status CaptureRun::Capture() {
    StageTimer timer("work file and browser lookup");
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

    timer.Next(nullptr);
    PAGELENS_RETURN_IF_ERROR(OpenBrowser(*program));
    reporter_.Progress(10);
    PageCapture page(browser_->connection(), request_.settings, reporter_, interrupts_);
    if (!context_.empty()) page.OpenInContext(context_, session_);
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
    timer.Next("last rows' encode and file");
    return image_.Write(control_);
}

// Told before the browser is closed, which takes a while: the image can be shown meanwhile.
// Close and the instance's end wait for the rest.
void CaptureRun::Report(const Status& outcome) {
    image_.Discard();
    image_.Report(outcome, control_);
}

// A kept browser goes back once its context, with all the page left in it, is gone.
void CaptureRun::EndBrowser(bool keep) {
    if (!lease_ || !(keep && !context_.empty() && browser_ && browser_->DisposeContext(context_)))
        browser_.reset();  // closes it
    if (!lease_) return;
    lease_->browser = std::move(browser_);
    if (auto warm = request_.warmBrowser.lock()) warm->Give(std::move(*lease_));
    lease_.reset();
}

}  // namespace

// Nothing the worker does may throw out of it: that would end the browser's whole process.
void RunCapture(const CaptureRequest& request, CaptureControl& control, CaptureReporter& reporter) {
    bool told = false;
    StageTimes times;
    try {
        CaptureRun run(request, control, reporter);
        // A Close that comes after the outcome leaves a warm browser to the window.
        Status outcome = GuardedStep([&run] { return run.Capture(); });
        const bool keep = !control.stopped();
        run.Report(outcome);
        told = true;
        times.Print();
        try {
            run.EndBrowser(keep);
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
