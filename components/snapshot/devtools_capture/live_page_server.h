// Serves the live page's markup to the capture browser at the page's own address, through the
// DevTools Fetch domain: the main frame's request for the page's own address is fulfilled from
// memory, so that no second request for it reaches the server (nothing is posted twice, and an
// error page is shown as the tab showed it); every other paused request goes on unchanged, but
// for a later document of the main frame (a refresh that its markup asks for): that one is
// abandoned, and the frame keeps the page as the tab had it. A frame's document, or one of
// another address, never gets the tab's markup: where the main navigation is not seen (a file's
// page), a frame of another site would otherwise show the tab's document under its own origin.
#pragma once
#include <string>
#include <utility>

#include "components/snapshot/devtools_capture/navigation_address.h"
#include "components/snapshot/transport/devtools_connection.h"

namespace pagelens::capture {

class LiveDocumentServer {
public:
    explicit LiveDocumentServer(std::wstring_view markup);

    // The parameters of Fetch.enable: document requests are paused.
    static Json EnableParams();
    // Before the navigation: the main frame's id, and the address it opens.
    void Expect(std::string mainFrameId, const std::string& url);
    // The command (method and parameters) that answers one Fetch.requestPaused.
    std::pair<const char*, Json> Answer(const Json& paused);
    bool served() const { return served_; }

private:
    std::string body_;  // Base64 of the markup's UTF-8
    bool served_ = false;
    std::string mainFrameId_;
    std::string url_;  // as requests name it: without its fragment
};

}  // namespace pagelens::capture
