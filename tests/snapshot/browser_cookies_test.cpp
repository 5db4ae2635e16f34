// The browser's cookies for the capture browser's jar: what is put there for an address, and
// what the platform's store gives (HttpOnly cookies only when asked for them).
#include "components/snapshot/devtools_capture/browser_cookies.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <wininet.h>

#include <algorithm>

#include "tests/snapshot/test_http_server.h"

#ifndef INTERNET_COOKIE_HTTPONLY
#define INTERNET_COOKIE_HTTPONLY 0x00002000
#endif

namespace pagelens::test {
namespace {

using nlohmann::json;

// What goes into the capture browser's jar: the address's host alone (no domain), secure only
// for https, each cookie's HttpOnly kept; nothing for other schemes or without cookies.
TEST(BrowserCookiesTest, JarCookiesAreHostOnlyForTheirAddress) {
    const std::vector<capture::BrowserCookie> cookies = {{"sid", "a=b", true}, {"", "flag", false}};
    const struct {
        std::string url;
        std::vector<capture::BrowserCookie> cookies;
        json expected;  // the first cookie's parameters; null: no command
    } cases[] = {
        {"http://a.test/x/y",
         cookies,
         {{"name", "sid"},
          {"value", "a=b"},
          {"url", "http://a.test/x/y"},
          {"path", "/"},
          {"secure", false},
          {"httpOnly", true}}},
        {"HTTPS://a.test/",
         cookies,
         {{"name", "sid"},
          {"value", "a=b"},
          {"url", "HTTPS://a.test/"},
          {"path", "/"},
          {"secure", true},
          {"httpOnly", true}}},
        {"file:///C:/a.html", cookies, nullptr},
        {"http://a.test/", {}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        const json params = capture::JarCookies(c.url, c.cookies);
        if (c.expected.is_null()) {
            EXPECT_TRUE(params.is_null());
            continue;
        }
        ASSERT_EQ(params["cookies"].size(), 2u);
        EXPECT_EQ(params["cookies"][0], c.expected);
        EXPECT_FALSE(params["cookies"][1].contains("domain"));
        EXPECT_EQ(params["cookies"][1].value("value", ""), "flag");
    }
    const struct {
        const char* url;
        const char* host;
    } hosts[] = {{"http://User@A.test:81/x", "http://a.test"},
                 {"https://[::1]:8443/", "https://[::1]"},
                 {"https://[::1]/", "https://[::1]"},
                 {"http://b.test?q=1:2", "http://b.test"}};
    for (const auto& h : hosts) EXPECT_EQ(capture::CookieHostOf(h.url), h.host) << h.url;
    EXPECT_EQ(capture::ParsedCookies(" sid=1 ;; flag; t=a=b").size(), 3u);
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
    auto find = [&](const char* name) {
        return std::find_if(cookies.begin(), cookies.end(),
                            [&](const capture::BrowserCookie& c) { return c.name == name; });
    };
    ASSERT_NE(find("unitSid"), cookies.end());
    EXPECT_EQ(find("unitSid")->value, "s3cret");
    EXPECT_TRUE(find("unitSid")->httpOnly);
    ASSERT_NE(find("unitTheme"), cookies.end());
    EXPECT_FALSE(find("unitTheme")->httpOnly);
    for (const auto& cookie :
         capture::BrowserCookiesFor(std::string(elsewhere.begin(), elsewhere.end())))
        EXPECT_NE(cookie.name, "unitSid");
    EXPECT_TRUE(capture::BrowserCookiesFor("file:///C:/page.html").empty());
    EXPECT_TRUE(capture::BrowserCookiesFor("data:text/html,x").empty());
}

}  // namespace
}  // namespace pagelens::test
