// A stand-in for Internet Explorer's WebBrowser control: an OLE object that its container
// activates in place (OLEIVERB_INPLACEACTIVATE, in the window and at the place the container
// gives), whose IWebBrowser2 navigates. Navigated to an address, it shows the drawn page that
// `pageFor` designs for it, in a view of the container's size, after a few polls of "loading";
// an address that `pageFor` refuses shows Internet Explorer's own error page, at a res:// address.
#pragma once
#include <ole2.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "standin/drawn_page.h"

namespace pagelens::standin {

struct BrowserControlBehaviour {
    std::function<std::optional<PageDesign>(const std::wstring& address)> pageFor;
    int loadingPolls = 3;
};

// What the test sees of the controls made.
struct BrowserControlLog {
    int created = 0;
    int activated = 0;
    int closed = 0;
    std::vector<std::wstring> addresses;
    bool silent = false;               // put_Silent(TRUE) before navigation
    std::shared_ptr<DrawnPage> shown;  // the latest page
};

HRESULT CreateBrowserControl(BrowserControlBehaviour behaviour,
                             std::shared_ptr<BrowserControlLog> log, IOleObject** control);

}  // namespace pagelens::standin
