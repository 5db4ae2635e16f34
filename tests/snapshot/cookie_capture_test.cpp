// A typed address is captured logged in: the page, its own images and each hop of a redirect
// to another host carry the cookies that the platform's store holds for that address, as the
// browser would send them; parts from other sites carry none of the user's. The store is filled
// as the browser holds a session: HttpOnly cookies set through wininet in this process.
#include <gtest/gtest.h>
#include <windows.h>
#include <wininet.h>

#include <string>
#include <vector>

#include "imaging/gdiplus_session.h"
#include "imaging/image_files.h"
#include "tests/snapshot/capture_recorder.h"
#include "tests/snapshot/snapshot_pages.h"
#include "tests/snapshot/test_http_server.h"
#include "tests/support/test_support.h"

#ifndef INTERNET_COOKIE_HTTPONLY
#define INTERNET_COOKIE_HTTPONLY 0x00002000
#endif

namespace pagelens::test {
namespace {

constexpr Colour kWelcome{30, 160, 40};
constexpr Colour kLoginForm{230, 200, 20};
constexpr Colour kBadgeSignedIn{30, 60, 220};
constexpr Colour kBadgeSignedOut{220, 30, 30};

std::string WelcomePage() {
    return "<!doctype html><html><head><style>html,body{margin:0}"
           "#welcome{height:400px;background:" +
           CssColour(kWelcome) +
           ";font:40px sans-serif}img{display:block;width:400px;height:300px}</style></head>"
           "<body><div id=\"welcome\">Welcome back</div><img src=\"badge.svg\"></body></html>";
}

std::string LoginPage() {
    return "<!doctype html><html><head><style>html,body{margin:0}"
           "form{height:700px;background:" +
           CssColour(kLoginForm) +
           "}</style></head><body><form method=\"post\" action=\"login\">Please sign in"
           "<input name=\"user\"><input name=\"password\" type=\"password\"></form></body></html>";
}

std::string Badge(const Colour& colour) {
    return "<svg xmlns='http://www.w3.org/2000/svg' width='400' height='300'><rect width='400' "
           "height='300' fill='" +
           CssColour(colour) + "'/></svg>";
}

struct StoredCookie {
    std::string host;
    std::wstring name;
    std::wstring value;
};

class CookieCaptureTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_TRUE(CaptureProfileFolders().empty()) << "a capture browser profile is left";
    }

    // The account page at `folder` shows the welcome block and the signed-in badge only to
    // requests that carry `cookie`, on whichever host they reach it.
    void RouteAccountPages(const std::string& folder, const std::string& page,
                           const std::string& cookie) {
        server_.RouteByCookie(folder + page, cookie, {200, "text/html", WelcomePage()},
                              {200, "text/html", LoginPage()});
        server_.RouteByCookie(folder + "badge.svg", cookie,
                              {200, "image/svg+xml", Badge(kBadgeSignedIn)},
                              {200, "image/svg+xml", Badge(kBadgeSignedOut)});
    }

    void Store(const std::string& folder, const StoredCookie& cookie) {
        const std::wstring url = server_.Url(folder, cookie.host);
        ASSERT_TRUE(InternetSetCookieExW(url.c_str(), cookie.name.c_str(),
                                         (cookie.value + L"; HttpOnly").c_str(),
                                         INTERNET_COOKIE_HTTPONLY, 0))
            << GetLastError();
    }

    GdiplusSession gdiplus_;
    TempFolder folder_;
    TestHttpServer server_;
    std::wstring workFile_ = folder_.file(L"snapshot.jpg");
};

TEST_F(CookieCaptureTest, AddressIsCapturedWithTheBrowsersCookies) {
    const struct {
        const char* name;
        std::string folder;
        std::vector<StoredCookie> stored;
        std::string start;           // the typed address's path, on 127.0.0.1
        std::string redirectToHost;  // when set, `start` redirects to "landing" on that host
        std::string startCookie;     // what `start` needs before it redirects
        std::string neededCookie;    // what the account page (and its badge) needs
        Colour top, badge;
    } cases[] = {
        {"signed in",
         "/signed-in/",
         {{"127.0.0.1", L"sidA", L"one"}},
         "account",
         "",
         "",
         "sidA=one",
         kWelcome,
         kBadgeSignedIn},
        {"not signed in",
         "/signed-out/",
         {},
         "account",
         "",
         "",
         "sidB=two",
         kLoginForm,
         kLoginForm},
        // Each host gets its own cookie: the redirect's target needs the one that only the
        // second host holds.
        {"redirect to another host",
         "/redirect/",
         {{"127.0.0.1", L"sidC", L"alpha"}, {"localhost", L"sidC", L"beta"}},
         "start",
         "localhost",
         "sidC=alpha",
         "sidC=beta",
         kWelcome,
         kBadgeSignedIn},
        // The first host's cookie does not travel with the redirect to a host that has none.
        {"redirect to a host without a session",
         "/redirect-out/",
         {{"127.0.0.1", L"sidD", L"alpha"}},
         "start",
         "localhost",
         "sidD=alpha",
         "sidD=alpha",
         kLoginForm,
         kLoginForm},
        // The site renews its session on the way in: the renewed cookie, which only the capture
        // browser holds, goes along with the browser's own.
        {"cookie set during the capture",
         "/renewed/",
         {{"127.0.0.1", L"sidE", L"one"}},
         "start",
         "127.0.0.1",
         "sidE=one",
         "sidE=one; renewedE=two",
         kWelcome,
         kBadgeSignedIn},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& cookie : c.stored) Store(c.folder, cookie);
        if (c.redirectToHost.empty()) {
            RouteAccountPages(c.folder, c.start, c.neededCookie);
        } else {
            RouteAccountPages(c.folder, "landing", c.neededCookie);
            const std::wstring landing = server_.Url(c.folder + "landing", c.redirectToHost);
            HttpResponse redirect{302,
                                  "text/html",
                                  "",
                                  false,
                                  std::string(landing.begin(), landing.end()),
                                  "renewedE=two; Path=/; HttpOnly"};
            server_.RouteByCookie(c.folder + c.start, c.startCookie, redirect,
                                  {200, "text/html", LoginPage()});
        }
        auto run =
            CaptureAddress(server_.Url(c.folder + c.start), workFile_, AddressCaptureSettings());
        ASSERT_EQ(run->recorder.finalCode(), 1) << run->recorder.finalText();
        auto image = LoadImageFile(workFile_);
        ASSERT_TRUE(image.ok());
        EXPECT_TRUE(PixelNear(*image, 640, 200, c.top));
        EXPECT_TRUE(PixelNear(*image, 200, 550, c.badge));
        if (!c.redirectToHost.empty()) {
            EXPECT_EQ(server_.RequestCount(c.folder + "landing"), 1);
        }
    }
}

// The page's own site gets its cookies, HttpOnly ones included; an image, a frame and a fetch
// of another site whose cookies are in the store get none, nor does a fetch that asks for none.
TEST_F(CookieCaptureTest, PartsOfOtherSitesGoWithoutTheUsersCookies) {
    Store("/parts/", {"127.0.0.1", L"ownSid", L"mine"});
    Store("/parts/", {"localhost", L"otherSid", L"theirs"});
    const auto elsewhere = [&](const char* path) {
        const std::wstring url = server_.Url(std::string("/parts/") + path, "localhost");
        return std::string(url.begin(), url.end());
    };
    server_.Route("/parts/page",
                  {200, "text/html",
                   "<html><body><img src=\"own.svg\"><img src=\"" + elsewhere("their.svg") +
                       "\"><iframe src=\"" + elsewhere("frame") + "\"></iframe><script>fetch('" +
                       elsewhere("fetch") +
                       "',{mode:'no-cors',credentials:'include'});"
                       "fetch('own-bare',{credentials:'omit'})</script></body></html>"});
    for (const char* part : {"own.svg", "their.svg"})
        server_.Route(std::string("/parts/") + part, {200, "image/svg+xml", Badge(kWelcome)});
    for (const char* part : {"frame", "fetch", "own-bare"})
        server_.Route(std::string("/parts/") + part, {200, "text/html", "<html></html>"});

    auto run = CaptureAddress(server_.Url("/parts/page"), workFile_, AddressCaptureSettings());
    ASSERT_EQ(run->recorder.finalCode(), 1) << run->recorder.finalText();
    const struct {
        const char* path;
        const char* cookies;
    } expected[] = {{"/parts/page", "ownSid=mine"}, {"/parts/own.svg", "ownSid=mine"},
                    {"/parts/their.svg", ""},       {"/parts/frame", ""},
                    {"/parts/fetch", ""},           {"/parts/own-bare", ""}};
    for (const auto& e : expected)
        EXPECT_EQ(server_.CookiesReceived(e.path), std::vector<std::string>{e.cookies}) << e.path;
    // The frame of another site has a renderer of its own, which the browser's end waits for.
    run.reset();
    PumpUntil([] { return CaptureProfileFolders().empty(); }, std::chrono::seconds(30));
}

}  // namespace
}  // namespace pagelens::test
