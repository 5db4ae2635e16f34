// Serves the live page's markup to the capture browser at the page's own address, through the
// DevTools Fetch domain: the first document request of the capture is fulfilled from memory, so
// that no second request for it reaches the server (nothing is posted twice, and an error page
// is shown as the tab showed it); every other paused request goes on unchanged, but for a later
// document of the page's own frame (a refresh that its markup asks for): that one is abandoned,
// and the frame keeps the page as the tab had it. The capture's tab is blank until the capture
// navigates it, so its first document request is that navigation.
#pragma once
#include <string>
#include <utility>

#include "components/snapshot/transport/devtools_connection.h"

namespace pagelens::capture {

class LiveDocumentServer {
public:
    explicit LiveDocumentServer(std::wstring_view markup);

    // The parameters of Fetch.enable: document requests are paused.
    static Json EnableParams();
    // The command (method and parameters) that answers one Fetch.requestPaused.
    std::pair<const char*, Json> Answer(const Json& paused);
    bool served() const { return served_; }

private:
    std::string body_;  // Base64 of the markup's UTF-8
    bool served_ = false;
    std::string frameId_;  // of the served document
};

}  // namespace pagelens::capture
