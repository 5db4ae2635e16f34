// A WebBrowser control of our own, in-place active in a hidden window of this thread: Internet
// Explorer's engine in the browser's own process, so that a typed address is opened with the
// user's session (cookies, Windows authentication) where no capture browser may run. The window
// lies off every screen and never takes the focus; the control is closed and the window
// destroyed when the object goes.
#pragma once
#include <exdisp.h>
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

class HostedBrowser {
public:
    // A control whose view is `view` device pixels, ready to navigate.
    static Result<std::unique_ptr<HostedBrowser>> Create(SIZE view);
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

    UniqueHwnd window_;
    ComPtr<ControlSite> site_;
    ComPtr<IOleObject> control_;
    ComPtr<IWebBrowser2> browser_;
};

}  // namespace pagelens::capture
