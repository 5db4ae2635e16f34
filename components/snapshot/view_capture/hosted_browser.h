// A WebBrowser control of our own, in-place active in a hidden window of this thread: Internet
// Explorer's engine in the browser's own process, so that a typed address is opened with the
// user's session (cookies, Windows authentication) where no capture browser may run. The window
// lies off every screen and never takes the focus; the control is closed and the window
// destroyed when the object goes. The control downloads and runs no ActiveX control, Java applet
// or behaviour (the ambient download control), and opens no new window, file download or
// external protocol (its events are cancelled).
#pragma once
#include <exdisp.h>
#include <ocidl.h>
#include <ole2.h>

#include <functional>
#include <memory>
#include <string>

#include "common/com_ptr.h"
#include "common/run_error.h"
#include "common/unique_handle.h"

namespace pagelens::capture {

// Makes the control; by default CLSID_WebBrowser from the system.
using BrowserControlFactory = std::function<HRESULT(IOleObject** control)>;

// For tests: `factory` makes the controls until the scope ends.
class BrowserControlOverride {
public:
    explicit BrowserControlOverride(BrowserControlFactory factory);
    ~BrowserControlOverride();
    BrowserControlOverride(const BrowserControlOverride&) = delete;
    BrowserControlOverride& operator=(const BrowserControlOverride&) = delete;

private:
    BrowserControlFactory previous_;
};

class ControlSite;

// Whether a navigation of our control may go to `url`: web, file, about: and Internet Explorer's
// own res: pages, never an external protocol's handler.
bool IsSchemeOfOwnControl(const std::wstring& url);

class HostedBrowser {
public:
    // A control whose view is `view` device pixels, ready to navigate, with the page's scripts
    // on or off.
    static Result<std::unique_ptr<HostedBrowser>> Create(SIZE view, bool scripts);
    ~HostedBrowser();
    HostedBrowser(const HostedBrowser&) = delete;
    HostedBrowser& operator=(const HostedBrowser&) = delete;

    IWebBrowser2* browser() const { return browser_.get(); }
    Status Navigate(const std::wstring& address);
    // The document is complete and the control no longer busy.
    bool Loaded() const;
    // Internet Explorer shows its own page from its resources when an address cannot be opened.
    bool ShowsItsErrorPage() const;

private:
    HostedBrowser();
    HRESULT WatchEvents();

    UniqueHwnd window_;
    ComPtr<ControlSite> site_;
    ComPtr<IOleObject> control_;
    ComPtr<IWebBrowser2> browser_;
    ComPtr<IConnectionPoint> events_;
    DWORD eventsCookie_ = 0;
};

}  // namespace pagelens::capture
