// A stand-in for Internet Explorer's WebBrowser control: an OLE object that its container
// activates in place (OLEIVERB_INPLACEACTIVATE, in the window and at the place the container
// gives), whose IWebBrowser2 navigates. Navigated to an address, it shows the drawn page that
// `pageFor` designs for it, in a view of the container's size, after a few polls of "loading";
// an address that `pageFor` refuses shows Internet Explorer's own error page, at a res:// address.
// Like the real control it asks its site for the ambient download control when it is activated,
// and fires DWebBrowserEvents2 events at the sinks advised to it: BeforeNavigate2 for each
// navigation, then what the shown page attempts, each of which the sinks may cancel.
#pragma once
#include <ole2.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "standin/drawn_page.h"

namespace pagelens::standin {

// Something a page tries once it is shown: a DWebBrowserEvents2 event (DISPID_NEWWINDOW3,
// DISPID_FILEDOWNLOAD or DISPID_BEFORENAVIGATE2) with its address.
struct PageAttempt {
    DISPID event;
    std::wstring url;
};

struct BrowserControlBehaviour {
    std::function<std::optional<PageDesign>(const std::wstring& address)> pageFor;
    int loadingPolls = 3;
    std::vector<PageAttempt> attempts;
};

// What the test sees of the controls made.
struct BrowserControlLog {
    int created = 0;
    int activated = 0;
    int closed = 0;
    std::vector<std::wstring> addresses;
    bool silent = false;                  // put_Silent(TRUE) before navigation
    std::shared_ptr<DrawnPage> shown;     // the latest page
    std::optional<LONG> downloadControl;  // DISPID_AMBIENT_DLCONTROL, as the site answered it
    // Each event fired, as "<dispid> <url>", by whether a sink cancelled it.
    std::vector<std::wstring> cancelled, allowed;
};

HRESULT CreateBrowserControl(BrowserControlBehaviour behaviour,
                             std::shared_ptr<BrowserControlLog> log, IOleObject** control);

}  // namespace pagelens::standin
