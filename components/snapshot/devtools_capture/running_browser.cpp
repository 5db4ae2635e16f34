#include "components/snapshot/devtools_capture/running_browser.h"

#include "components/snapshot/core/capture_failure.h"
#include "components/snapshot/devtools_capture/stage_times.h"

namespace pagelens::capture {
namespace {

// Limits of the clean-up, which runs even after Close or the time limit.
constexpr auto kLateStartLimit = std::chrono::seconds(10);
constexpr auto kBrowserCloseLimit = std::chrono::seconds(3);
constexpr auto kProfileRemovalLimit = std::chrono::seconds(5);
constexpr auto kContextDisposalLimit = std::chrono::seconds(3);

}  // namespace

RunningBrowser::~RunningBrowser() { Close(); }

Status RunningBrowser::Start(const BrowserProgram& program, const Interrupts& interrupts) {
    StageTimer timer("profile folder and process creation");
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
    timer.Next("browser start (until its port file)");
    auto endpoint = process_->WaitForEndpoint(*profile_, interrupts);
    if (!endpoint.ok()) return endpoint.error();
    timer.Next("connection");
    return Connect(*endpoint, interrupts);
}

Status RunningBrowser::Connect(const DevToolsEndpoint& endpoint, const Interrupts& interrupts) {
    auto socket = WebSocketClient::Connect(endpoint.port, endpoint.path, interrupts);
    if (!socket.ok()) return socket.error();
    connection_ = std::make_unique<DevToolsConnection>(std::move(socket).value());
    return {};
}

Result<std::string> RunningBrowser::CreateContext(const Interrupts& interrupts) {
    StageTimer timer("browser context");
    auto created = connection_->Call("Target.createBrowserContext", Json::object(), "", interrupts);
    if (!created.ok()) return created.error();
    std::string id = created->value("browserContextId", "");
    if (id.empty()) return Failed(L"The capture browser gave no browser context");
    return id;
}

Status RunningBrowser::PrepareBlankPage(const Interrupts& interrupts) {
    auto context = CreateContext(interrupts);
    if (!context.ok()) return context.error();
    auto created =
        connection_->Call("Target.createTarget",
                          {{"url", "about:blank"}, {"browserContextId", *context}}, "", interrupts);
    const std::string target = created.ok() ? created->value("targetId", "") : std::string();
    Result<Json> attached = Failed(L"The capture browser gave no page");
    if (!target.empty())
        attached = connection_->Call("Target.attachToTarget",
                                     {{"targetId", target}, {"flatten", true}}, "", interrupts);
    const std::string session = attached.ok() ? attached->value("sessionId", "") : std::string();
    // The first Page.enable of a new page waits for its renderer.
    if (session.empty() ||
        !connection_->Call("Page.enable", Json::object(), session, interrupts).ok()) {
        (void)DisposeContext(*context);
        return Failed(L"The capture browser's blank page could not be made ready");
    }
    blankPage_ = BlankPage{std::move(context).value(), session};
    return {};
}

bool RunningBrowser::DisposeContext(const std::string& id) {
    if (!connection_) return false;
    const Interrupts unstoppable{};
    return connection_
        ->Call("Target.disposeBrowserContext", {{"browserContextId", id}}, "",
               unstoppable.within(kContextDisposalLimit))
        .ok();
}

// Browser.close is the one way to end a host browser under Wine, so a browser that was still
// starting when the capture stopped is waited for and connected to just to close it.
void RunningBrowser::Close() {
    if (process_) {
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
        process_.reset();
    }
    connection_.reset();
    if (profile_) profile_->Remove(kProfileRemovalLimit);
    profile_.reset();
}

}  // namespace pagelens::capture
