// The cookies of the browser that hosts us, for the capture browser's requests: a page typed
// into the window is captured logged in, as the browser would show it. The capture browser
// pauses each request (the Fetch domain, at the request stage); it goes on with the Cookie
// header that the platform's cookie store gives for the request's own address, HttpOnly cookies
// included, and with any that the site set during the capture. The store is the one of this
// process, which is the browser's (under Protected Mode, the low-integrity store that the tab
// itself uses). The cookies travel only inside the DevTools connection: nothing of them is written,
// logged or put on a command line.
#pragma once
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace pagelens::capture {

// The Cookie header's value for an address (UTF-8), nothing when there are no cookies for it.
using CookieLookup = std::function<std::optional<std::string>(const std::string& url)>;

// The platform's store, as the browser would send its cookies for `url`: InternetGetCookieExW
// with INTERNET_COOKIE_HTTPONLY. Only http and https addresses have any.
std::optional<std::string> BrowserCookiesFor(const std::string& url);

// The address of a Fetch.requestPaused event's request.
std::string PausedUrl(const nlohmann::json& paused);

// The browser's cookies for an address (a Cookie header's value) with those that the capture
// browser holds for it (Network.getCookies' list) in place of any of the same name: those came
// from the site during this capture, and are newer. The capture browser sends only the header
// it is given, never its own cookies as well.
std::string MergedCookies(const std::string& browserCookies, const nlohmann::json& captureCookies);

// The parameters of Fetch.continueRequest for a Fetch.requestPaused event: the request goes on
// unchanged without `cookies`, else with its headers and `cookies` as the Cookie header in
// place of any that it had.
nlohmann::json ContinuationWithCookies(const nlohmann::json& paused,
                                       const std::optional<std::string>& cookies);

// The Fetch.enable parameters that pause every request before it is sent.
nlohmann::json PauseEveryRequest();

}  // namespace pagelens::capture
