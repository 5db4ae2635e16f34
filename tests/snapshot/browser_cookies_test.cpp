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

TEST(BrowserCookiesTest, PausedRequestGoesOnWithTheGivenCookies) {
    const std::optional<std::string> cookies = "sid=1; theme=dark";
    const struct {
        json paused;
        std::optional<std::string> cookies;
        json expectedHeaders;  // null: the request goes on unchanged
    } cases[] = {
        {Paused("http://a.test/", {{"Accept", "text/html"}}), cookies,
         json::array({{{"name", "Accept"}, {"value", "text/html"}},
                      {{"name", "Cookie"}, {"value", "sid=1; theme=dark"}}})},
        // A Cookie header of the capture browser's own, in any spelling, is replaced.
        {Paused("http://a.test/", {{"cookie", "old=0"}, {"Referer", "http://b.test/"}}), cookies,
         json::array({{{"name", "Referer"}, {"value", "http://b.test/"}},
                      {{"name", "Cookie"}, {"value", "sid=1; theme=dark"}}})},
        {Paused("http://a.test/", json()), cookies,
         json::array({{{"name", "Cookie"}, {"value", "sid=1; theme=dark"}}})},
        {Paused("http://other.test/", {{"Accept", "*/*"}}), std::nullopt, nullptr},
        {{{"requestId", "interception-7"}}, cookies, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.paused.dump());
        const json continuation = ContinuationWithCookies(c.paused, c.cookies);
        EXPECT_EQ(continuation.value("requestId", ""), "interception-7");
        if (c.expectedHeaders.is_null())
            EXPECT_FALSE(continuation.contains("headers"));
        else
            EXPECT_EQ(continuation["headers"], c.expectedHeaders);
    }
    EXPECT_EQ(capture::PausedUrl(Paused("http://a.test/x", json())), "http://a.test/x");
}

// What the site set during the capture replaces the browser's cookie of the same name and
// nothing else; the order of the browser's cookies stays.
TEST(BrowserCookiesTest, CookiesSetDuringTheCaptureReplaceTheirNamesakes) {
    const struct {
        std::string browser;
        json capture;
        std::string merged;
    } cases[] = {
        {"sid=1; theme=dark", json::array(), "sid=1; theme=dark"},
        {"sid=1; theme=dark", json::array({{{"name", "sid"}, {"value", "2"}}}),
         "sid=2; theme=dark"},
        {"sid=1", json::array({{{"name", "token"}, {"value", "a=b"}}}), "sid=1; token=a=b"},
        {" sid=1 ;; flag ", json::array({{{"name", "sidx"}, {"value", "9"}}}),
         "sid=1; flag; sidx=9"},
        {"sid=1", json(), "sid=1"},
        {"sid=1", json::array({"junk", {{"name", ""}, {"value", ""}}}), "sid=1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.browser + " + " + c.capture.dump());
        EXPECT_EQ(capture::MergedCookies(c.browser, c.capture), c.merged);
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
