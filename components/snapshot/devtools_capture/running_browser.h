// One capture browser while it runs: its fresh private profile, its process and the DevTools
// connection to it. Close ends it through the protocol (a browser still starting is waited for
// and connected to just for that) and removes its profile; the destructor does the same.
#pragma once
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "common/run_error.h"
#include "components/snapshot/browser_process/browser_locator.h"
#include "components/snapshot/browser_process/browser_process.h"
#include "components/snapshot/core/interrupts.h"
#include "components/snapshot/transport/devtools_connection.h"

namespace pagelens::capture {

class RunningBrowser {
public:
    RunningBrowser() = default;
    ~RunningBrowser();
    RunningBrowser(const RunningBrowser&) = delete;
    RunningBrowser& operator=(const RunningBrowser&) = delete;

    // Starts `program` in a fresh profile and connects to it; after a failure Close still ends
    // whatever did start.
    Status Start(const BrowserProgram& program, const Interrupts& interrupts);
    bool connected() const { return connection_ != nullptr; }
    DevToolsConnection& connection() { return *connection_; }
    // A browser context of its own, whose cookies, storage and cache no other context sees.
    Result<std::string> CreateContext(const Interrupts& interrupts);
    // Closes the context's pages and forgets all it held; false if the browser did not answer.
    bool DisposeContext(const std::string& id);

    // A new context with a blank page in it, attached to and its Page domain enabled, made
    // while the browser waits for its next capture: its renderer is up when the capture comes.
    // Nothing of any page has been in it.
    struct BlankPage {
        std::string context;
        std::string session;
    };
    Status PrepareBlankPage(const Interrupts& interrupts);
    bool prepared() const { return blankPage_.has_value(); }
    std::optional<BlankPage> TakeBlankPage() { return std::exchange(blankPage_, std::nullopt); }
    void Close();

private:
    Status Connect(const DevToolsEndpoint& endpoint, const Interrupts& interrupts);

    std::optional<ProfileFolder> profile_;
    std::optional<BrowserProcess> process_;
    std::unique_ptr<DevToolsConnection> connection_;
    std::optional<BlankPage> blankPage_;
};

}  // namespace pagelens::capture
