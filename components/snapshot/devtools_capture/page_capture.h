// The steps of capturing one page through an open DevTools connection: a new page target with
// the chosen viewport, media and scripts; navigation with its failures told apart (an address
// that cannot be opened, an HTTP error status); the load event and a short quiet period of the
// network; one pass of scrolling so that lazily loaded content arrives; the content size; and
// the bands of the image. The object lives for one capture and listens to the connection's
// events while it does.
#pragma once
#include <chrono>
#include <functional>
#include <map>
#include <set>
#include <string>

#include "common/run_error.h"
#include "components/snapshot/core/capture_plan.h"
#include "components/snapshot/core/capture_reporter.h"
#include "components/snapshot/core/capture_settings.h"
#include "components/snapshot/core/interrupts.h"
#include "components/snapshot/core/page_image.h"
#include "components/snapshot/core/viewport.h"
#include "components/snapshot/devtools_capture/browser_cookies.h"
#include "components/snapshot/devtools_capture/live_page_server.h"
#include "components/snapshot/devtools_capture/live_page_state.h"
#include "components/snapshot/transport/devtools_connection.h"

namespace pagelens::capture {

class PageCapture {
public:
    PageCapture(DevToolsConnection& connection, const CaptureSettings& settings,
                CaptureReporter& reporter, const Interrupts& interrupts);
    ~PageCapture();
    PageCapture(const PageCapture&) = delete;
    PageCapture& operator=(const PageCapture&) = delete;

    // Before OpenPage: each address that the main frame opens (the first, and where redirects
    // lead) has the cookies that `source` gives for it put into the capture browser's jar first.
    void GiveSiteCookies(CookieSource source) { cookieSource_ = std::move(source); }
    // Before OpenPage: the page's document is served by `server` (which outlives the capture)
    // instead of the network.
    void ServeLiveDocument(LiveDocumentServer* server) { liveDocument_ = server; }
    // Before OpenPage: the page opens in a blank page of this browser context, made ready with
    // `session` attached to it, or (no session) in a new one, instead of the tab that the browser
    // opened at its start.
    void OpenInContext(std::string browserContextId, std::string session) {
        context_ = std::move(browserContextId);
        contextSession_ = std::move(session);
    }
    Status OpenPage(const Viewport& viewport);
    Status Load(const std::string& url);
    // After Load: the fields of the served live page get the user's state.
    Status ApplyLiveState(const std::vector<FieldState>& fields);
    Status ScrollThrough();
    // The size of what is captured, in CSS pixels: the content, or the first screen.
    Result<std::pair<double, double>> Measure();
    // Captures the plan's bands into `image`, planned to the plan's size.
    Status CaptureBands(const CapturePlan& plan, PageImage& image);

    // How long the network must be idle to count as quiet.
    static constexpr std::chrono::milliseconds kQuietPeriod{200};
    // The height of the window through which the scroll sees the page: about 5 Mpx a frame.
    static constexpr int kScrollViewportHeight = 4096;
    // Scrolling a page of the largest height takes a few seconds even with slow frames.
    static constexpr std::chrono::milliseconds kLongestScroll{20000};

private:
    void OnEvent(std::string_view method, const Json& params);
    Result<Json> Call(std::string_view method, Json params);
    // Reads events until `done` or `until`; only the capture's own time limit is an error.
    Status ReadEventsUntil(const std::function<bool()>& done, Clock::time_point until);
    Status WaitForQuietNetwork();
    Status CheckDocumentStatus() const;
    const std::string& CurrentLoaderId() const;
    bool Loaded() const;
    bool WillScroll() const;
    Result<std::string> PageTarget();
    Result<std::string> NewTarget();
    Status GiveCookiesBefore(const std::string& url);
    void OnRequestPaused(const Json& paused);
    void ContinueWithSiteCookies(const Json& paused);
    void ReportErrorStatus() const;
    void ForgetReplacedRequests();
    Result<int64_t> StartBand(const CapturePlan& plan, int index);

    DevToolsConnection& connection_;
    const CaptureSettings& settings_;
    CaptureReporter& reporter_;
    const Interrupts interrupts_;
    Viewport viewport_;
    std::string context_;
    std::string contextSession_;
    std::string sessionId_;
    std::string loaderId_;
    std::string frameId_;
    std::string mainFrameLoaderId_;
    std::wstring url_;
    std::set<std::string> loadedLoaders_;
    bool loadEventFired_ = false;
    std::map<std::string, std::pair<int, std::string>> documentStatus_;  // loader id -> status
    std::map<std::string, std::string> unreachable_;  // loader id -> the address it could not open
    CookieSource cookieSource_;
    std::set<std::string> cookieHostsGiven_;  // scheme and host of each address given its cookies
    std::string mainFrameId_;
    std::map<std::string, std::string> openRequests_;  // request id -> its document's loader id
    std::set<std::string> localRequests_;              // open requests of data: and blob: addresses
    uint64_t requestEvents_ = 0;                       // requests started and ended so far
    std::set<std::string> replacedLoaders_;  // documents that the main frame has moved on from
    Clock::time_point lastNetworkActivity_ = Clock::now();
    LiveDocumentServer* liveDocument_ = nullptr;
};

}  // namespace pagelens::capture
