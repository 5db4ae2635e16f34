#include "components/snapshot/devtools_capture/browser_cookies.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "common/text_codepage.h"

#ifndef INTERNET_COOKIE_HTTPONLY
#define INTERNET_COOKIE_HTTPONLY 0x00002000
#endif

namespace pagelens::capture {
namespace {

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    return _strnicmp(text.c_str(), prefix, strlen(prefix)) == 0;
}

bool IsHttpAddress(const std::string& url) {
    return StartsWithNoCase(url, "http://") || StartsWithNoCase(url, "https://");
}

// The store's cookie header for `url`, with or without the HttpOnly ones.
std::optional<std::string> StoredHeader(const std::wstring& url, DWORD flags) {
    // The size is in characters; a cookie set between the two calls makes the second one
    // fail for want of room, and it is asked again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD size = 0;
        if (!InternetGetCookieExW(url.c_str(), nullptr, nullptr, &size, flags, nullptr) ||
            size == 0)
            return std::nullopt;
        std::vector<wchar_t> buffer(size + 1);
        DWORD filled = size;
        if (!InternetGetCookieExW(url.c_str(), nullptr, buffer.data(), &filled, flags, nullptr)) {
            if (GetLastError() == ERROR_INSUFFICIENT_BUFFER) continue;
            return std::nullopt;
        }
        buffer[std::min<size_t>(filled, size)] = L'\0';
        return ToUtf8(std::wstring(buffer.data()));
    }
    return std::nullopt;
}

bool SameCookie(const BrowserCookie& a, const BrowserCookie& b) {
    return a.name == b.name && a.value == b.value;
}

}  // namespace

std::vector<BrowserCookie> ParsedCookies(const std::string& header) {
    std::vector<BrowserCookie> cookies;
    for (size_t from = 0; from < header.size();) {
        size_t to = header.find(';', from);
        if (to == std::string::npos) to = header.size();
        std::string pair = header.substr(from, to - from);
        from = to + 1;
        pair.erase(0, pair.find_first_not_of(' '));
        pair.erase(pair.find_last_not_of(' ') + 1);
        if (pair.empty()) continue;
        const size_t equals = pair.find('=');
        if (equals == std::string::npos)
            cookies.push_back({"", pair});
        else
            cookies.push_back({pair.substr(0, equals), pair.substr(equals + 1)});
    }
    return cookies;
}

std::vector<BrowserCookie> BrowserCookiesFor(const std::string& url) {
    if (!IsHttpAddress(url)) return {};
    const std::wstring wideUrl = FromUtf8(url);
    const auto all = StoredHeader(wideUrl, INTERNET_COOKIE_HTTPONLY);
    // A cookie with a line break in it would not survive as a header; the store never holds one.
    if (!all || all->find_first_of("\r\n") != std::string::npos) return {};
    std::vector<BrowserCookie> cookies = ParsedCookies(*all);
    const std::vector<BrowserCookie> scriptVisible =
        ParsedCookies(StoredHeader(wideUrl, 0).value_or(""));
    for (auto& cookie : cookies)
        cookie.httpOnly =
            std::none_of(scriptVisible.begin(), scriptVisible.end(),
                         [&](const BrowserCookie& c) { return SameCookie(c, cookie); });
    return cookies;
}

nlohmann::json JarCookies(const std::string& url, const std::vector<BrowserCookie>& cookies) {
    if (!IsHttpAddress(url) || cookies.empty()) return nullptr;
    const bool secure = StartsWithNoCase(url, "https://");
    nlohmann::json list = nlohmann::json::array();
    for (const auto& cookie : cookies)
        list.push_back({{"name", cookie.name},
                        {"value", cookie.value},
                        {"url", url},
                        {"path", "/"},
                        {"secure", secure},
                        {"httpOnly", cookie.httpOnly}});
    return {{"cookies", std::move(list)}};
}

std::string PausedUrl(const nlohmann::json& paused) {
    const auto request = paused.find("request");
    if (request == paused.end() || !request->is_object()) return {};
    return request->value("url", "");
}

std::string CookieHostOf(const std::string& url) {
    const size_t schemeEnd = url.find("://");
    if (schemeEnd == std::string::npos) return {};
    size_t hostStart = schemeEnd + 3;
    const size_t authorityEnd = std::min(url.find_first_of("/?#", hostStart), url.size());
    if (const size_t at = url.rfind('@', authorityEnd); at != std::string::npos && at >= hostStart)
        hostStart = at + 1;
    size_t hostEnd = authorityEnd;
    // A port, but not the colons of a bracketed IPv6 address.
    if (const size_t colon = url.rfind(':', authorityEnd);
        colon != std::string::npos && colon >= hostStart && url.find(']', colon) >= authorityEnd)
        hostEnd = colon;
    std::string host = url.substr(0, schemeEnd + 3) + url.substr(hostStart, hostEnd - hostStart);
    std::transform(host.begin(), host.end(), host.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return host;
}

}  // namespace pagelens::capture
