#include "components/snapshot/devtools_capture/browser_cookies.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/text_codepage.h"

#ifndef INTERNET_COOKIE_HTTPONLY
#define INTERNET_COOKIE_HTTPONLY 0x00002000
#endif

namespace pagelens::capture {
namespace {

bool IsHttpAddress(const std::string& url) {
    auto startsWith = [&url](const char* prefix) {
        return _strnicmp(url.c_str(), prefix, strlen(prefix)) == 0;
    };
    return startsWith("http://") || startsWith("https://");
}

bool SameHeaderName(const std::string& a, const char* b) { return _stricmp(a.c_str(), b) == 0; }

}  // namespace

std::optional<std::string> BrowserCookiesFor(const std::string& url) {
    if (!IsHttpAddress(url)) return std::nullopt;
    const std::wstring wideUrl = FromUtf8(url);
    // The size is in characters; a cookie set between the two calls makes the second one
    // fail for want of room, and it is asked again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD size = 0;
        if (!InternetGetCookieExW(wideUrl.c_str(), nullptr, nullptr, &size,
                                  INTERNET_COOKIE_HTTPONLY, nullptr) ||
            size == 0)
            return std::nullopt;
        std::vector<wchar_t> buffer(size + 1);
        DWORD filled = size;
        if (!InternetGetCookieExW(wideUrl.c_str(), nullptr, buffer.data(), &filled,
                                  INTERNET_COOKIE_HTTPONLY, nullptr)) {
            if (GetLastError() == ERROR_INSUFFICIENT_BUFFER) continue;
            return std::nullopt;
        }
        buffer[std::min<size_t>(filled, size)] = L'\0';
        std::string cookies = ToUtf8(std::wstring(buffer.data()));
        // Header values end at a line break; a store that held one would let a cookie add
        // headers of its own.
        if (cookies.empty() || cookies.find_first_of("\r\n") != std::string::npos)
            return std::nullopt;
        return cookies;
    }
    return std::nullopt;
}

nlohmann::json ContinuationWithCookies(const nlohmann::json& paused, const CookieLookup& lookup) {
    nlohmann::json continuation = {{"requestId", paused.value("requestId", "")}};
    const auto request = paused.find("request");
    if (request == paused.end() || !request->is_object() || !lookup) return continuation;
    const auto cookies = lookup(request->value("url", ""));
    if (!cookies) return continuation;
    nlohmann::json headers = nlohmann::json::array();
    if (const auto given = request->find("headers"); given != request->end() && given->is_object())
        for (const auto& [name, value] : given->items())
            if (!SameHeaderName(name, "Cookie") && value.is_string())
                headers.push_back({{"name", name}, {"value", value}});
    headers.push_back({{"name", "Cookie"}, {"value", *cookies}});
    continuation["headers"] = std::move(headers);
    return continuation;
}

nlohmann::json PauseEveryRequest() {
    return {
        {"patterns", nlohmann::json::array({{{"urlPattern", "*"}, {"requestStage", "Request"}}})}};
}

}  // namespace pagelens::capture
