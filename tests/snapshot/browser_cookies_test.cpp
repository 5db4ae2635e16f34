// The browser's cookies for the capture browser's requests: what a paused request goes on with,
// and what the platform's store gives (HttpOnly cookies only when asked for them).
#include "components/snapshot/devtools_capture/browser_cookies.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <wininet.h>

#include "tests/snapshot/test_http_server.h"

#ifndef INTERNET_COOKIE_HTTPONLY
#define INTERNET_COOKIE_HTTPONLY 0x00002000
#endif

namespace pagelens::test {
namespace {

using capture::ContinuationWithCookies;
using nlohmann::json;

json Paused(const std::string& url, json headers) {
    return {{"requestId", "interception-7"},
            {"request", {{"url", url}, {"method", "GET"}, {"headers", std::move(headers)}}}};
}

TEST(BrowserCookiesTest, PausedRequestGoesOnWithTheCookiesOfItsOwnAddress) {
    const capture::CookieLookup lookup = [](const std::string& url) -> std::optional<std::string> {
        if (url == "http://a.test/") return std::string("sid=1; theme=dark");
        return std::nullopt;
    };
    const struct {
        json paused;
        json expectedHeaders;  // null: the request goes on unchanged
    } cases[] = {
        {Paused("http://a.test/", {{"Accept", "text/html"}}),
         json::array({{{"name", "Accept"}, {"value", "text/html"}},
                      {{"name", "Cookie"}, {"value", "sid=1; theme=dark"}}})},
        // A Cookie header of the capture browser's own, in any spelling, is replaced.
        {Paused("http://a.test/", {{"cookie", "old=0"}, {"Referer", "http://b.test/"}}),
         json::array({{{"name", "Referer"}, {"value", "http://b.test/"}},
                      {{"name", "Cookie"}, {"value", "sid=1; theme=dark"}}})},
        {Paused("http://a.test/", json()),
         json::array({{{"name", "Cookie"}, {"value", "sid=1; theme=dark"}}})},
        {Paused("http://other.test/", {{"Accept", "*/*"}}), nullptr},
        {{{"requestId", "interception-7"}}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.paused.dump());
        const json continuation = ContinuationWithCookies(c.paused, lookup);
        EXPECT_EQ(continuation.value("requestId", ""), "interception-7");
        if (c.expectedHeaders.is_null())
            EXPECT_FALSE(continuation.contains("headers"));
        else
            EXPECT_EQ(continuation["headers"], c.expectedHeaders);
    }
}

// The store gives the HttpOnly cookies only to whoever asks for them as the browser does; the
// lookup asks so, per host name, and only for web addresses.
TEST(BrowserCookiesTest, StoreGivesHttpOnlyCookiesPerHost) {
    TestHttpServer server;
    const std::wstring here = server.Url("/cookies/");
    const std::wstring elsewhere = server.Url("/cookies/", "localhost");
    ASSERT_TRUE(InternetSetCookieExW(here.c_str(), L"unitSid", L"s3cret; HttpOnly",
                                     INTERNET_COOKIE_HTTPONLY, 0));
    ASSERT_TRUE(InternetSetCookieExW(here.c_str(), L"unitTheme", L"dark", 0, 0));

    wchar_t plain[512];
    DWORD size = std::size(plain);
    ASSERT_TRUE(InternetGetCookieExW(here.c_str(), nullptr, plain, &size, 0, nullptr));
    EXPECT_EQ(std::wstring(plain).find(L"unitSid"), std::wstring::npos)
        << "the HttpOnly cookie is no HttpOnly cookie";

    const auto cookies = capture::BrowserCookiesFor(std::string(here.begin(), here.end()));
    ASSERT_TRUE(cookies.has_value());
    EXPECT_NE(cookies->find("unitSid=s3cret"), std::string::npos) << *cookies;
    EXPECT_NE(cookies->find("unitTheme=dark"), std::string::npos) << *cookies;
    const auto other = capture::BrowserCookiesFor(std::string(elsewhere.begin(), elsewhere.end()));
    EXPECT_TRUE(!other || other->find("unitSid") == std::string::npos);
    EXPECT_FALSE(capture::BrowserCookiesFor("file:///C:/page.html").has_value());
    EXPECT_FALSE(capture::BrowserCookiesFor("data:text/html,x").has_value());
}

}  // namespace
}  // namespace pagelens::test
