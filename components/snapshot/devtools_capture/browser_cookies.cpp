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

std::string PausedUrl(const nlohmann::json& paused) {
    const auto request = paused.find("request");
    if (request == paused.end() || !request->is_object()) return {};
    return request->value("url", "");
}

std::string MergedCookies(const std::string& browserCookies, const nlohmann::json& captureCookies) {
    std::vector<std::pair<std::string, std::string>> pairs;  // name (up to '='), whole pair
    for (size_t from = 0; from < browserCookies.size();) {
        size_t to = browserCookies.find(';', from);
        if (to == std::string::npos) to = browserCookies.size();
        std::string pair = browserCookies.substr(from, to - from);
        pair.erase(0, pair.find_first_not_of(' '));
        pair.erase(pair.find_last_not_of(' ') + 1);
        if (!pair.empty()) pairs.emplace_back(pair.substr(0, pair.find('=')), pair);
        from = to + 1;
    }
    if (captureCookies.is_array())
        for (const auto& cookie : captureCookies) {
            if (!cookie.is_object()) continue;
            const std::string name = cookie.value("name", "");
            const std::string value = cookie.value("value", "");
            if (name.empty() && value.empty()) continue;
            std::string pair = name.empty() ? value : name + "=" + value;
            auto same = std::find_if(pairs.begin(), pairs.end(),
                                     [&](const auto& p) { return p.first == name; });
            if (same != pairs.end())
                same->second = std::move(pair);
            else
                pairs.emplace_back(name, std::move(pair));
        }
    std::string merged;
    for (const auto& [name, pair] : pairs) merged += (merged.empty() ? "" : "; ") + pair;
    return merged;
}

nlohmann::json ContinuationWithCookies(const nlohmann::json& paused,
                                       const std::optional<std::string>& cookies) {
    nlohmann::json continuation = {{"requestId", paused.value("requestId", "")}};
    const auto request = paused.find("request");
    if (request == paused.end() || !request->is_object() || !cookies) return continuation;
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
