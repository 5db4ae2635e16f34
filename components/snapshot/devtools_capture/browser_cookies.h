// The cookies of the browser that hosts us, for the capture browser: a page typed into the
// window is captured logged in, as the browser would show it. Only the captured page's own site
// gets them: before the capture browser opens an address of the main frame (the first, and each
// one a redirect leads to), the platform's cookie store's cookies for that address are put into
// the capture browser's own private jar (Network.setCookies), host-only, and the capture browser
// decides by its own rules which request carries which. Third-party parts, frames of other sites
// and requests that ask for no credentials go as the capture browser would send them, without
// the user's cookies. The store is the one of this process, which is the browser's (under
// Protected Mode, the low-integrity store that the tab itself uses). The cookies travel only
// inside the DevTools connection: nothing of them is written, logged or put on a command line.
#pragma once
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace pagelens::capture {

struct BrowserCookie {
    std::string name;  // empty for a cookie stored as a bare value
    std::string value;
    bool httpOnly = false;
};

// The cookies the browser would send to an address (UTF-8).
using CookieSource = std::function<std::vector<BrowserCookie>(const std::string& url)>;

// The platform's store, as the browser would send its cookies for `url`: InternetGetCookieExW
// with INTERNET_COOKIE_HTTPONLY, and without it to tell which are HttpOnly. Only http and https
// addresses have any.
std::vector<BrowserCookie> BrowserCookiesFor(const std::string& url);

// "a=1; b; c=x=y" as the store gives it, in its order.
std::vector<BrowserCookie> ParsedCookies(const std::string& header);

// The parameters of Network.setCookies that put `cookies` into the capture browser's jar for
// the host of `url` alone (no domain: host-only), secure where `url` is https; null when there
// are none or `url` is no web address.
nlohmann::json JarCookies(const std::string& url, const std::vector<BrowserCookie>& cookies);

// The address of a Fetch.requestPaused event's request.
std::string PausedUrl(const nlohmann::json& paused);

// The scheme and host of a web address, lower case ("https://a.test"): whose cookies it gets.
std::string CookieHostOf(const std::string& url);

}  // namespace pagelens::capture
