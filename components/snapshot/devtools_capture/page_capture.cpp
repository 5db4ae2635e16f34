#include "components/snapshot/devtools_capture/page_capture.h"

#include <algorithm>
#include <cmath>
#include <future>
#include <vector>

#include "common/text_codepage.h"
#include "components/snapshot/core/capture_failure.h"
#include "components/snapshot/devtools_capture/band_image.h"
#include "components/snapshot/devtools_capture/dialog_answer.h"
#include "components/snapshot/devtools_capture/stage_times.h"
#include "components/snapshot/transport/base64.h"

namespace pagelens::capture {
namespace {

// Scrolls one screen at a time, letting a frame pass at each stop so that intersection
// observers and native lazy loading see every part of the page (their callbacks may run
// later), then two more at the end, and returns to the top. A stop waits for its frame even
// when frames are slow (a page that draws much at each one), or it would move on before the
// page saw it. A frame that does not come within a quarter second (a throttled page, or the
// isolated world in headless mode, where frames come only on demand) is replaced from then on
// by a timer of one frame's time, until frames come again, so that a long page does not scroll
// for seconds.
constexpr const char* kScrollScript = R"JS(
(async (limit) => {
  let framesCome = true;
  const frame = () => new Promise(done => {
    const timer = setTimeout(() => { framesCome = false; done(); }, framesCome ? 250 : 20);
    requestAnimationFrame(() => { clearTimeout(timer); framesCome = true; done(); });
  });
  const root = document.scrollingElement || document.documentElement;
  const step = Math.max(100, window.innerHeight);
  for (let y = 0; root && y < Math.min(root.scrollHeight, limit); y += step) {
    window.scrollTo(0, y);
    await frame();
  }
  await frame();
  await frame();
  window.scrollTo(0, 0);
  await frame();
  return root ? root.scrollHeight : 0;
})
)JS";

std::wstring Wide(const std::string& text) { return FromUtf8(text); }

Json MetricsOverride(int width, int height) {
    return {{"width", width}, {"height", height}, {"deviceScaleFactor", 1}, {"mobile", false}};
}

// A taller layout viewport for the page's scripts and lazy loading, while the part the browser
// draws at each frame keeps its size: the scroll's frames do not render the tall window.
Json LayoutOnlyOverride(int width, int height) {
    Json metrics = MetricsOverride(width, height);
    metrics["dontSetVisibleSize"] = true;
    return metrics;
}

// data: and blob: addresses are read from memory at once, not fetched: such a load is waited
// for, but it is no activity of the network after which more may follow. Lazily loaded pages
// swap such placeholders by the dozen while they scroll.
bool IsReadFromMemory(const Json& requestSent) {
    const auto request = requestSent.find("request");
    if (request == requestSent.end() || !request->is_object()) return false;
    const std::string url = request->value("url", "");
    return url.starts_with("data:") || url.starts_with("blob:");
}

// A time-out names the step that ran out of time.
Status DuringStep(Status status, const wchar_t* step) {
    if (status.ok() || status.error().number != kTimedOut) return status;
    return TimedOut(std::wstring(L"The time limit was reached ") + step);
}
template <typename T>
Result<T> DuringStep(Result<T> result, const wchar_t* step) {
    if (result.ok() || result.error().number != kTimedOut) return result;
    return TimedOut(std::wstring(L"The time limit was reached ") + step);
}

// A width and a height from the first of `objects` that the layout metrics hold.
std::pair<double, double> SizeIn(const Json& metrics, std::initializer_list<const char*> objects,
                                 const char* widthName, const char* heightName) {
    for (const char* name : objects) {
        const auto found = metrics.find(name);
        if (found == metrics.end() || !found->is_object()) continue;
        return {found->value(widthName, 0.0), found->value(heightName, 0.0)};
    }
    return {0.0, 0.0};
}

}  // namespace

PageCapture::PageCapture(DevToolsConnection& connection, const CaptureSettings& settings,
                         CaptureReporter& reporter, const Interrupts& interrupts)
    : connection_(connection), settings_(settings), reporter_(reporter), interrupts_(interrupts) {
    connection_.SetEventListener(
        [this](std::string_view method, const Json& params) { OnEvent(method, params); });
}

PageCapture::~PageCapture() {
    connection_.SetEventListener(nullptr);
    connection_.ForgetAnswerHandlers();
}

Result<Json> PageCapture::Call(std::string_view method, Json params) {
    return connection_.Call(method, std::move(params), sessionId_, interrupts_);
}

void PageCapture::OnEvent(std::string_view method, const Json& params) {
    if (method == "Page.lifecycleEvent") {
        if (params.value("name", "") == "load") loadedLoaders_.insert(params.value("loaderId", ""));
    } else if (method == "Page.loadEventFired") {
        loadEventFired_ = true;
    } else if (method == "Page.javascriptDialogOpening") {
        // Answered without waiting: the page is stopped until then. A failed send shows as a
        // failed read on the connection soon after.
        (void)connection_.Send("Page.handleJavaScriptDialog", DialogAnswer(params), sessionId_,
                               interrupts_);
    } else if (method == "Page.frameNavigated") {
        // A page that sends the browser on at once (a script or a refresh before its load)
        // is captured where it lands: the main frame's latest document counts.
        const auto frame = params.find("frame");
        if (frame != params.end() && frame->is_object() && !frame->contains("parentId")) {
            mainFrameLoaderId_ = frame->value("loaderId", "");
            // The browser's own error page stands in for a document that did not come.
            if (const std::string lost = frame->value("unreachableUrl", ""); !lost.empty())
                unreachable_[mainFrameLoaderId_] = lost;
            ForgetReplacedRequests();
        }
    } else if (method == "Fetch.requestPaused") {
        OnRequestPaused(params);
    } else if (method == "Network.requestWillBeSent") {
        std::string loaderId = params.value("loaderId", "");
        if (replacedLoaders_.count(loaderId)) return;
        std::string requestId = params.value("requestId", "");
        if (IsReadFromMemory(params))
            localRequests_.insert(requestId);
        else
            lastNetworkActivity_ = Clock::now();
        openRequests_[std::move(requestId)] = std::move(loaderId);
        ++requestEvents_;
    } else if (method == "Network.loadingFinished" || method == "Network.loadingFailed") {
        const std::string requestId = params.value("requestId", "");
        openRequests_.erase(requestId);
        if (localRequests_.erase(requestId) == 0) lastNetworkActivity_ = Clock::now();
        ++requestEvents_;
    } else if (method == "Network.responseReceived" && params.value("type", "") == "Document") {
        const auto response = params.find("response");
        if (response != params.end() && response->is_object())
            documentStatus_[params.value("loaderId", "")] = {response->value("status", 0),
                                                             response->value("statusText", "")};
    }
}

// A new document in the main frame ends what the one before it (and its frames) still had on
// the way, and the browser does not always say so: the start-up tab's own requests, for one,
// never finish. Those are not waited for, nor any that still come in from such a document.
void PageCapture::ForgetReplacedRequests() {
    for (auto request = openRequests_.begin(); request != openRequests_.end();) {
        if (request->second == mainFrameLoaderId_) {
            ++request;
            continue;
        }
        if (!request->second.empty()) replacedLoaders_.insert(request->second);
        localRequests_.erase(request->first);
        request = openRequests_.erase(request);
    }
}

// The tab that the browser opened at its start, whose renderer is already on its way; a new
// one if there is none, or if the page has a context of its own.
Result<std::string> PageCapture::PageTarget() {
    if (!context_.empty()) return NewTarget();
    auto targets = connection_.Call("Target.getTargets", Json::object(), "", interrupts_);
    if (!targets.ok()) return targets.error();
    if (const auto infos = targets->find("targetInfos");
        infos != targets->end() && infos->is_array())
        for (const auto& info : *infos)
            if (info.is_object() && info.value("type", "") == "page" &&
                !info.value("attached", false))
                return info.value("targetId", "");
    return NewTarget();
}

Result<std::string> PageCapture::NewTarget() {
    Json params = {{"url", "about:blank"}};
    if (!context_.empty()) params["browserContextId"] = context_;
    auto created = connection_.Call("Target.createTarget", std::move(params), "", interrupts_);
    if (!created.ok()) return created.error();
    return created->value("targetId", "");
}

Status PageCapture::OpenPage(const Viewport& viewport) {
    StageTimer timer("page target and set-up");
    viewport_ = viewport;
    sessionId_ = contextSession_;
    if (sessionId_.empty()) {
        auto target = PageTarget();
        if (!target.ok()) return target.error();
        auto attached = connection_.Call(
            "Target.attachToTarget", {{"targetId", *target}, {"flatten", true}}, "", interrupts_);
        if (!attached.ok()) return attached.error();
        sessionId_ = attached->value("sessionId", "");
        if (sessionId_.empty()) return Failed(L"The capture browser gave no page session");
    }

    // Sent at once and answered in order: the page's set-up takes one round trip, not six.
    std::vector<std::pair<const char*, Json>> setUp = {
        {"Page.enable", Json::object()},
        {"Page.setLifecycleEventsEnabled", {{"enabled", true}}},
        {"Network.enable", Json::object()},
        {"Emulation.setDeviceMetricsOverride", MetricsOverride(viewport.width, viewport.height)}};
    if (!settings_.screenMedia)
        setUp.push_back({"Emulation.setEmulatedMedia", {{"media", "print"}}});
    if (!settings_.scripts)
        setUp.push_back({"Emulation.setScriptExecutionDisabled", {{"value", true}}});
    // The page's documents are paused: the live document is served, and an address of the main
    // frame gets its site's cookies before it is asked for.
    if (liveDocument_ || cookieSource_)
        setUp.push_back({"Fetch.enable", LiveDocumentServer::EnableParams()});
    setUp.push_back({"Page.getFrameTree", Json::object()});
    std::vector<int64_t> started;
    for (auto& [method, params] : setUp) {
        auto id = connection_.Start(method, std::move(params), sessionId_, interrupts_);
        if (!id.ok()) return id.error();
        started.push_back(*id);
    }
    for (int64_t id : started) {
        auto answer = connection_.Finish(id, interrupts_);
        if (!answer.ok()) return answer.error();
        if (id == started.back())
            mainFrameId_ = answer->value("/frameTree/frame/id"_json_pointer, std::string());
    }
    return {};
}

// Our navigation's document, or the one it moved on to before it loaded.
const std::string& PageCapture::CurrentLoaderId() const {
    if (loadedLoaders_.count(loaderId_) || mainFrameLoaderId_.empty()) return loaderId_;
    return mainFrameLoaderId_;
}

bool PageCapture::Loaded() const {
    if (loaderId_.empty()) return loadEventFired_;
    return loadedLoaders_.count(CurrentLoaderId()) > 0;
}

// The live document is served (or a later document of its frame abandoned) from memory; an
// address of the main frame goes on once its site's cookies are in the jar; everything else goes
// on unchanged. A paused request that is not continued never ends: it goes on whatever the
// lookups say. The answers are nobody's concern; a connection that failed fails the next read.
void PageCapture::OnRequestPaused(const Json& paused) {
    if (liveDocument_) {
        auto [answer, answerParams] = liveDocument_->Answer(paused);
        if (std::string_view(answer) != "Fetch.continueRequest") {
            (void)connection_.Send(answer, std::move(answerParams), sessionId_, interrupts_);
            return;
        }
    }
    const bool mainFrameDocument = paused.value("resourceType", "") == "Document" &&
                                   !mainFrameId_.empty() &&
                                   paused.value("frameId", "") == mainFrameId_;
    if (mainFrameDocument && cookieSource_) {
        ContinueWithSiteCookies(paused);
        return;
    }
    (void)connection_.Send("Fetch.continueRequest", {{"requestId", paused.value("requestId", "")}},
                           sessionId_, interrupts_);
}

// A redirect to another site brings that site's cookies, as the browser would send them to a
// page the user opens; the request waits until the jar holds them.
void PageCapture::ContinueWithSiteCookies(const Json& paused) {
    const Json continuation = {{"requestId", paused.value("requestId", "")}};
    const std::string url = PausedUrl(paused);
    Json jarCookies;
    if (cookieHostsGiven_.insert(CookieHostOf(url)).second)
        jarCookies = JarCookies(url, cookieSource_(url));
    if (jarCookies.is_null()) {
        (void)connection_.Send("Fetch.continueRequest", continuation, sessionId_, interrupts_);
        return;
    }
    (void)connection_.SendThen("Network.setCookies", std::move(jarCookies), sessionId_, interrupts_,
                               [this, continuation](const Json&) {
                                   (void)connection_.Send("Fetch.continueRequest", continuation,
                                                          sessionId_, interrupts_);
                               });
}

// The first address's cookies are in the jar before it is opened, also when its document is
// served from memory: its parts from the same site go with them.
Status PageCapture::GiveCookiesBefore(const std::string& url) {
    if (!cookieSource_ || !cookieHostsGiven_.insert(CookieHostOf(url)).second) return {};
    Json jarCookies = JarCookies(url, cookieSource_(url));
    if (jarCookies.is_null()) return {};
    auto given = Call("Network.setCookies", std::move(jarCookies));
    return given.ok() || given.error().number == kFailed ? Status() : Status(given.error());
}

// An error status with a page of the server's own (a custom 404, a 401 with a login form) is
// captured as the browser shows it. Only where the browser had to show its own error page
// instead (nothing could be opened, or an error status came with an empty page) did the
// address fail to open.
Status PageCapture::CheckDocumentStatus() const {
    const auto lost = unreachable_.find(CurrentLoaderId());
    if (lost == unreachable_.end()) return {};
    std::wstring text = L"The address could not be opened: " + Wide(lost->second);
    if (const auto found = documentStatus_.find(CurrentLoaderId());
        found != documentStatus_.end() && found->second.first >= 400)
        text += L" (the server answered HTTP " + std::to_wstring(found->second.first) + L" " +
                Wide(found->second.second) + L" with an empty page)";
    return Failure(kOpenFailed, text);
}

void PageCapture::ReportErrorStatus() const {
    const auto found = documentStatus_.find(CurrentLoaderId());
    if (found == documentStatus_.end() || found->second.first < 400) return;
    reporter_.Status(L"The server answered HTTP " + std::to_wstring(found->second.first) + L" " +
                         Wide(found->second.second) + L": its page is captured",
                     0);
}

Status PageCapture::Load(const std::string& url) {
    url_ = Wide(url);
    StageTimer timer("load");
    reporter_.Status(L"Loading " + url_, 0);
    loadEventFired_ = false;
    PAGELENS_RETURN_IF_ERROR(GiveCookiesBefore(url));
    if (liveDocument_) liveDocument_->Expect(mainFrameId_, url);
    auto navigated =
        DuringStep(Call("Page.navigate", {{"url", url}}), L"while opening the address");
    if (!navigated.ok()) return navigated.error();
    if (const std::string errorText = navigated->value("errorText", ""); !errorText.empty())
        return Failure(kOpenFailed, L"The address could not be opened: " + Wide(errorText));
    loaderId_ = navigated->value("loaderId", "");
    frameId_ = navigated->value("frameId", "");
    PAGELENS_RETURN_IF_ERROR(CheckDocumentStatus());
    reporter_.Progress(20);

    PAGELENS_RETURN_IF_ERROR(
        DuringStep(connection_.ReadUntil([this] { return Loaded(); }, interrupts_),
                   L"before the page finished loading"));
    PAGELENS_RETURN_IF_ERROR(CheckDocumentStatus());
    ReportErrorStatus();
    reporter_.Progress(35);
    // Scrolling takes its own time and waits for the network afterwards.
    timer.Next(nullptr);
    if (WillScroll()) return {};
    return WaitForQuietNetwork();
}

bool PageCapture::WillScroll() const {
    return settings_.scrollForLazyContent && settings_.fullPage;
}

Status PageCapture::ReadEventsUntil(const std::function<bool()>& done, Clock::time_point until) {
    Interrupts local = interrupts_;
    local.until = std::min(local.until, until);
    Status read = connection_.ReadUntil(done, local);
    if (!read.ok() && read.error().number == kTimedOut && !interrupts_.expired()) return {};
    return read;
}

Status PageCapture::WaitForQuietNetwork() {
    StageTimer timer("network idle waits");
    const auto end = Clock::now() + settings_.settleLimit;
    for (;;) {
        const auto now = Clock::now();
        const auto quietAt = lastNetworkActivity_ + kQuietPeriod;
        if (openRequests_.empty() && now >= quietAt) return {};
        if (now >= end) return {};  // a page that never rests is captured as it is
        const auto until = openRequests_.empty() ? std::min(quietAt, end) : end;
        const auto seen = requestEvents_;
        PAGELENS_RETURN_IF_ERROR(
            DuringStep(ReadEventsUntil([&] { return requestEvents_ != seen; }, until),
                       L"while the page loaded its content"));
    }
}

// The scroll runs in a world of its own: the page's scripts can neither replace scrollTo or
// requestAnimationFrame for it nor, when they are switched off, take its frames away (the
// page's main world then gets no frames and no timers). A scroll that takes too long, or that
// the browser refuses, leaves the page to be captured as it is.
//
// Meanwhile the page is laid out in a taller window, so that a few steps of a frame each pass
// over all of it instead of one step per screen; the page's own viewport is put back before it
// is measured, and its layout with it.
Status PageCapture::ScrollThrough() {
    if (!WillScroll()) return {};
    StageTimer timer("lazy scroll");
    reporter_.Status(L"Scrolling through the page", 0);
    auto world =
        Call("Page.createIsolatedWorld", {{"frameId", frameId_}, {"worldName", "pagelens-scroll"}});
    if (!world.ok()) return world.error().number == kFailed ? Status() : Status(world.error());
    const int tallHeight = std::max(viewport_.height, kScrollViewportHeight);
    auto widened =
        Call("Emulation.setDeviceMetricsOverride", LayoutOnlyOverride(viewport_.width, tallHeight));
    if (!widened.ok() && widened.error().number != kFailed) return widened.error();
    const int limit = LargestHeightFor(viewport_.width);
    auto scrolled = connection_.Call(
        "Runtime.evaluate",
        {{"expression", std::string(kScrollScript) + "(" + std::to_string(limit) + ")"},
         {"contextId", world->value("executionContextId", 0)},
         {"awaitPromise", true},
         {"returnByValue", true}},
        sessionId_, interrupts_.within(kLongestScroll));
    if (!scrolled.ok()) {
        if (IsStopped(scrolled.error())) return scrolled.error();
        if (interrupts_.expired())
            return TimedOut(L"The time limit was reached while scrolling through the page");
    }
    if (widened.ok()) {
        auto restored = DuringStep(Call("Emulation.setDeviceMetricsOverride",
                                        MetricsOverride(viewport_.width, viewport_.height)),
                                   L"while scrolling through the page");
        if (!restored.ok()) return restored.error();
    }
    reporter_.Progress(45);
    timer.Next(nullptr);
    return WaitForQuietNetwork();
}

Status PageCapture::ApplyLiveState(const std::vector<FieldState>& fields) {
    reporter_.Status(L"Giving the page the state of its fields", 0);
    auto unmatched =
        DuringStep(capture::ApplyLiveState(connection_, sessionId_, interrupts_, fields),
                   L"while giving the page the state of its fields");
    if (!unmatched.ok()) return unmatched.error();
    if (*unmatched > 0)
        reporter_.Status(std::to_wstring(*unmatched) + L" of the page's " +
                             std::to_wstring(fields.size()) +
                             L" fields were not found in the capture browser: they show what "
                             L"the markup gives them",
                         0);
    return {};
}

Result<std::pair<double, double>> PageCapture::Measure() {
    StageTimer timer("measure");
    auto metrics =
        DuringStep(Call("Page.getLayoutMetrics", Json::object()), L"while measuring the page");
    if (!metrics.ok()) return metrics.error();
    const auto size = settings_.fullPage
                          ? SizeIn(*metrics, {"cssContentSize", "contentSize"}, "width", "height")
                          : SizeIn(*metrics, {"cssLayoutViewport", "layoutViewport"}, "clientWidth",
                                   "clientHeight");
    if (size.first <= 0 || size.second <= 0)
        return Failed(L"The capture browser could not measure the page");
    return size;
}

Result<int64_t> PageCapture::StartBand(const CapturePlan& plan, int index) {
    const Band& band = plan.bands[index];
    // optimizeForSpeed: a less compressed PNG, which is quicker at both ends.
    return DuringStep(connection_.Start("Page.captureScreenshot",
                                        {{"format", "png"},
                                         {"clip",
                                          {{"x", 0},
                                           {"y", band.top},
                                           {"width", plan.width},
                                           {"height", band.height},
                                           {"scale", 1}}},
                                         {"captureBeyondViewport", settings_.fullPage},
                                         {"fromSurface", true},
                                         {"optimizeForSpeed", true}},
                                        sessionId_, interrupts_),
                      L"while capturing the page");
}

// The browser renders band k + 1 while band k is read, and band k is decoded and placed on a
// thread of its own while band k + 1 arrives: it is asked for as soon as band k has arrived.
// That thread then readies band k + 1's rows. Bands are told placed in order, on this thread.
Status PageCapture::CaptureBands(const CapturePlan& plan, PageImage& image) {
    const int count = static_cast<int>(plan.bands.size());
    std::future<Status> placing;  // the band before
    auto finishPlacing = [&](int k) -> Status {
        StageTimer timer("band PNG decode and place (waited for)");
        PAGELENS_RETURN_IF_ERROR(placing.get());
        timer.Next(nullptr);
        image.RowsReady(plan.bands[k].top + plan.bands[k].height);
        image.PartDone(k, count);
        return {};
    };
    image.PartStarted(0, count);
    auto next = StartBand(plan, 0);
    for (int k = 0; k < count; ++k) {
        if (!next.ok()) return next.error();
        const int64_t current = *next;
        StageTimer timer("band render and transfer (waited for)");
        PAGELENS_RETURN_IF_ERROR(DuringStep(connection_.AwaitArrival(current, interrupts_),
                                            L"while capturing the page"));
        if (k + 1 < count) {
            image.PartStarted(k + 1, count);
            next = StartBand(plan, k + 1);
        }
        timer.Next("band answer read");
        auto data = DuringStep(connection_.FinishString(current, "data", interrupts_),
                               L"while capturing the page");
        if (!data.ok()) return data.error();
        if (data->empty()) return Failed(L"The capture browser sent no image for a band");
        timer.Next("band Base64 decode");
        if (!Base64DecodeInPlace(data.value()))
            return Failed(L"The capture browser sent a band that is not Base64");
        timer.Next(nullptr);
        if (k > 0) PAGELENS_RETURN_IF_ERROR(finishPlacing(k - 1));
        const Band following = k + 1 < count ? plan.bands[k + 1] : Band{};
        placing = std::async(std::launch::async, [&target = image.image(), band = plan.bands[k],
                                                  following, png = std::move(data.value())] {
            Status placed = PlaceBand(png, band.top, band.height, target);
            if (placed.ok()) ReadyRows(following.top, following.height, target);
            return placed;
        });
    }
    return count > 0 ? finishPlacing(count - 1) : Status();
}

}  // namespace pagelens::capture
