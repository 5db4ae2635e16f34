// The browser capture in the browser's own process, through the stand-in's drawn page: the
// image is the page as the tab shows it, at its full size, whatever the document mode or
// width, also where the page scrolls inside an element; the user's page is back as it was
// afterwards, also when Close or the time limit ends the capture between two tiles; a drawing
// that goes wrong is caught and the view's window paints the page instead; and a page that
// neither can take goes to the capture browser, which the status texts say.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>

#include "common/protected_mode.h"
#include "common/unique_handle.h"
#include "components/snapshot/core/capture_plan.h"
#include "components/snapshot/view_capture/hosted_browser.h"
#include "components/snapshot/view_capture/scrolling_area.h"
#include "components/snapshot/view_capture/tile_checks.h"
#include "components/snapshot/view_capture/tile_plan.h"
#include "imaging/gdiplus_session.h"
#include "imaging/image_files.h"
#include "standin/drawn_page.h"
#include "standin/web_browser.h"
#include "tests/snapshot/capture_recorder.h"
#include "tests/snapshot/drawn_page_checks.h"
#include "tests/snapshot/snapshot_pages.h"
#include "tests/snapshot/test_http_server.h"
#include "tests/support/test_support.h"

namespace pagelens::test {
namespace {

using namespace std::chrono_literals;
using standin::DrawnPage;
using standin::PageDesign;

Settings BrowserCaptureSettings(int32_t timeLimit = 40000) {
    return {{1, timeLimit}, {2, 1}, {3, 100}, {4, 1}, {5, 1}, {6, 1}, {7, 1}, {8, 1}, {9, 1000}};
}

// A recorder that can act on a status text as it arrives, between two steps of the capture.
class ActingRecorder final : public HtmlSnapEvents {
public:
    void OnProgress(int32_t percent) override { recorder.OnProgress(percent); }
    void OnStatus(const std::wstring& status, int32_t code) override {
        recorder.OnStatus(status, code);
        if (onStatus) onStatus(status);
    }
    CaptureRecorder recorder;
    std::function<void(const std::wstring&)> onStatus;
};

class ViewCaptureTest : public ::testing::Test {
protected:
    void SetUp() override { CoInitialize(nullptr); }
    void TearDown() override { CoUninitialize(); }

    UniqueHwnd MakeFrame() {
        return UniqueHwnd(CreateWindowExW(0, L"STATIC", L"Browser", WS_OVERLAPPEDWINDOW, 0, 0, 1100,
                                          800, nullptr, nullptr, GetModuleHandleW(nullptr),
                                          nullptr));
    }
    ComPtr<IWebBrowser2> BrowserOf(const DrawnPage& page) {
        return standin::CreateWebBrowser(
            frame_.get(), {ComPtr<IDispatch>(page.document()), page.design().url, L"Drawn page"});
    }
    // Starts a capture of what `browser` shows and pumps until its final status, or until the
    // recorder's hook has closed the component.
    void Capture(IWebBrowser2* browser, const Settings& settings = BrowserCaptureSettings()) {
        snap_ = std::move(HtmlSnap::Create(&events_)).value();
        for (const auto& [index, value] : settings)
            ASSERT_TRUE(snap_->SetSetting(index, value).ok());
        ASSERT_TRUE(snap_->CaptureBrowser(browser, workFile_).ok());
        ASSERT_TRUE(PumpUntil([&] { return events_.recorder.finished() || closed_; }, 90s));
        PumpFor(100ms);
    }
    Image WorkImage() {
        auto image = LoadImageFile(workFile_);
        EXPECT_TRUE(image.ok());
        return image.ok() ? std::move(image).value() : Image();
    }

    GdiplusSession gdiplus_;
    TempFolder folder_;
    std::wstring workFile_ = folder_.file(L"snapshot.jpg");
    UniqueHwnd frame_ = MakeFrame();
    ActingRecorder events_;
    std::unique_ptr<HtmlSnap> snap_;
    bool closed_ = false;
};

struct PageCase {
    const char* name;
    PageDesign design;
    POINT userScroll;
};

PageDesign Design(bool quirks, int contentWidth, int zoomPercent = 100) {
    PageDesign design;
    design.quirks = quirks;
    design.contentWidth = contentWidth;
    design.zoomPercent = zoomPercent;
    return design;
}

TEST_F(ViewCaptureTest, TheImageIsThePageAsTheTabShowsIt) {
    const PageCase cases[] = {
        {"standards mode", Design(false, 0), {0, 1234}},
        {"quirks mode", Design(true, 0), {0, 777}},
        {"wider than the view", Design(false, 1700), {420, 1500}},
        {"zoomed to 125%", Design(false, 1100, 125), {100, 1000}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        events_.recorder = CaptureRecorder();
        DrawnPage page(frame_.get(), c.design);
        page.ScrollAsUser(c.userScroll.x, c.userScroll.y);
        const POINT before = page.scroll();
        Capture(BrowserOf(page).get());
        ASSERT_EQ(events_.recorder.finalCode(), 1) << events_.recorder.finalText();
        EXPECT_TRUE(events_.recorder.HasStatusContaining(L"browser's own engine"));
        EXPECT_TRUE(events_.recorder.HasStatusContaining(L"Capturing part 2 of"));
        EXPECT_TRUE(ShowsDrawnPage(WorkImage(), page));
        EXPECT_TRUE(page.lazyLoaded());
        EXPECT_EQ(page.scroll().x, before.x);
        EXPECT_EQ(page.scroll().y, before.y);
        EXPECT_EQ(page.headerVisibility(), L"");
        EXPECT_TRUE(snap_->Close().ok());
        snap_.reset();
    }
}

// The user had hidden nothing, but had set the header's style: it is that value afterwards.
TEST_F(ViewCaptureTest, ATouchedStyleGetsItsOwnValueBack) {
    DrawnPage page(frame_.get(), PageDesign{});
    ComPtr<IHTMLElementCollection> all;
    ASSERT_EQ(page.document()->get_all(all.put()), S_OK);
    ComPtr<IDispatch> item;
    VARIANT index, none;
    V_VT(&index) = VT_I4;
    V_I4(&index) = 2;  // the header, after html and body
    VariantInit(&none);
    ASSERT_EQ(all->item(index, none, item.put()), S_OK);
    ComPtr<IHTMLElement> header;
    ASSERT_EQ(item.As(IID_IHTMLElement, header), S_OK);
    ComPtr<IHTMLStyle> style;
    ASSERT_EQ(header->get_style(style.put()), S_OK);
    ASSERT_EQ(style->put_visibility(MakeBstr(L"visible").get()), S_OK);
    Capture(BrowserOf(page).get());
    ASSERT_EQ(events_.recorder.finalCode(), 1) << events_.recorder.finalText();
    EXPECT_EQ(page.headerVisibility(), L"visible");
}

enum class Stop { Close, TimeLimit };

TEST_F(ViewCaptureTest, StoppedBetweenTwoTilesThePageIsPutBackAndNothingIsLeft) {
    for (const Stop stop : {Stop::Close, Stop::TimeLimit}) {
        SCOPED_TRACE(stop == Stop::Close ? "Close" : "time limit");
        events_.recorder = CaptureRecorder();
        closed_ = false;
        DrawnPage page(frame_.get(), PageDesign{});
        page.ScrollAsUser(0, 900);
        if (stop == Stop::Close) {
            events_.onStatus = [&](const std::wstring& status) {
                if (status.starts_with(L"Capturing part 3 of") && !closed_) {
                    EXPECT_TRUE(snap_->Close().ok());
                    closed_ = true;
                }
            };
        } else {
            events_.onStatus = nullptr;
            // The third drawing takes longer than the whole time limit.
            page.OnDraw([](int draws) {
                if (draws == 3) Sleep(1500);
            });
        }
        Capture(BrowserOf(page).get(), BrowserCaptureSettings(stop == Stop::Close ? 40000 : 1000));
        const int draws = page.draws();
        PumpFor(300ms);
        EXPECT_EQ(page.draws(), draws) << "the capture went on";
        if (stop == Stop::Close) {
            EXPECT_TRUE(events_.recorder.finals().empty());
        } else {
            EXPECT_EQ(events_.recorder.finalCode(), -4) << events_.recorder.finalText();
        }
        EXPECT_LE(draws, 3);  // of 7
        EXPECT_EQ(page.scroll().y, 900);
        EXPECT_EQ(page.headerVisibility(), L"");
        EXPECT_TRUE(FilesIn(folder_.path()).empty());
        events_.onStatus = nullptr;
        snap_.reset();
    }
}

// Neither the document's drawing nor the window's painting takes it, and its markup cannot be
// read: the page goes to the capture browser, which loads its address.
TEST_F(ViewCaptureTest, APageThatTheBrowsersOwnWaysCannotTakeGoesToTheCaptureBrowser) {
    TestHttpServer server;
    server.Route("/page", {200, "text/html", StripedPage(12, 100)});
    struct Case {
        const char* name;
        bool drawable;
        bool drawFails;
        const wchar_t* why;
    };
    const Case cases[] = {
        {"no IViewObject", false, false,
         L"The document offers no IViewObject: taking the page as the screen shows it"},
        {"Draw fails", true, true,
         L"The browser's drawing failed with 0x80004005: taking the page as the screen shows it"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        events_.recorder = CaptureRecorder();
        PageDesign design;
        design.drawable = c.drawable;
        design.drawFails = c.drawFails;
        design.windowPaints = false;
        design.url = server.Url("/page");
        DrawnPage page(frame_.get(), design);
        page.ScrollAsUser(0, 300);
        Capture(BrowserOf(page).get());
        ASSERT_EQ(events_.recorder.finalCode(), 1) << events_.recorder.finalText();
        EXPECT_TRUE(events_.recorder.HasStatusContaining(c.why));
        EXPECT_TRUE(events_.recorder.HasStatusContaining(
            L"The page cannot draw itself (the view's window painted nothing): its document "
            L"cannot be read (its markup cannot be read): the capture browser loads its address "
            L"again"));
        const Image image = WorkImage();
        EXPECT_EQ(image.height(), 1200);
        EXPECT_TRUE(PixelNear(image, 100, 1150, StripeColour(11)));
        EXPECT_EQ(page.scroll().y, 300);
        EXPECT_EQ(page.headerVisibility(), L"");
        EXPECT_EQ(server.RequestCount("/page"), c.drawable ? 2 : 1);
        EXPECT_TRUE(snap_->Close().ok());
        snap_.reset();
    }
}

// A drawing that goes wrong is caught at the tile where it shows, and the page is taken as its
// window paints it; a page that scrolls inside an element is taken with that element unrolled.
// Every way ends with the whole page in the image and the user's page as it was.
TEST_F(ViewCaptureTest, TheDrawingIsCheckedAndThePageTakenTheWayThatWorks) {
    struct Case {
        const char* name;
        std::function<void(PageDesign&)> design;
        int draws;                // of the document, before the capture went on without it
        const wchar_t* handOver;  // null: the document's drawing took the page
    };
    const auto inside = [](PageDesign& d) {
        d.scrollsInside = true;
        d.headerHeight = 0;
        d.lazyTop = -1;
    };
    const Case cases[] = {
        {"drawing ignores the scroll position", [](PageDesign& d) { d.drawIgnoresScroll = true; },
         2,
         L"The browser's drawing did not follow the page: taking the page as the screen shows it"},
        {"drawing paints black", [](PageDesign& d) { d.drawBlack = true; }, 1,
         L"The browser's drawing came back as one colour: taking the page as the screen shows it"},
        {"drawing fails at the fourth tile", [](PageDesign& d) { d.drawFailsFrom = 4; }, 3,
         L"The browser's drawing failed with 0x80004005: taking the page as the screen shows it"},
        {"content scrolls inside an element", inside, 9, nullptr},
        {"inside an element, drawing ignores the scroll position",
         [&](PageDesign& d) {
             inside(d);
             d.drawIgnoresScroll = true;
         },
         2, L"The browser's drawing did not follow the page"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        events_.recorder = CaptureRecorder();
        PageDesign design;
        c.design(design);
        DrawnPage page(frame_.get(), design);
        page.ScrollAsUser(0, 700);
        page.ScrollAreaAsUser(350);
        const POINT scroll = page.scroll();
        const int areaScroll = page.areaScroll();
        Capture(BrowserOf(page).get());
        ASSERT_EQ(events_.recorder.finalCode(), 1) << events_.recorder.finalText();
        EXPECT_TRUE(ShowsDrawnPage(WorkImage(), page));
        EXPECT_EQ(page.draws(), c.draws);
        if (c.handOver) {
            EXPECT_TRUE(events_.recorder.HasStatusContaining(c.handOver));
        }
        EXPECT_EQ(events_.recorder.HasStatusContaining(L"as the browser's view window shows it"),
                  c.handOver != nullptr);
        EXPECT_EQ(events_.recorder.HasStatusContaining(L"Capturing the scrolling area workspace"),
                  design.scrollsInside);
        EXPECT_EQ(page.scroll().y, scroll.y);
        EXPECT_EQ(page.areaScroll(), areaScroll);
        EXPECT_EQ(page.headerVisibility(), L"");
        EXPECT_TRUE(snap_->Close().ok());
        snap_.reset();
    }
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// The bands of the live pages: 100 pixels each, below 100 pixels of fields.
constexpr char kLiveStyles[] =
    "body{margin:0} .fields{height:100px;overflow:hidden} .band{height:100px}"
    "body:has(#t[value=\"typed\"]) #b1{background:rgb(220,30,30)}"
    "body:has(#c[checked]) #b2{background:rgb(30,160,40)}"
    "body:has(#u:not([checked])) #b3{background:rgb(30,60,220)}"
    "body:has(#o[selected]) #b4{background:rgb(230,200,20)}"
    "body:has(#a:valid) #b5{background:rgb(150,40,170)}";

// The form as the server sent it; what the user typed lives only in the tab's fields.
constexpr char kLiveForm[] =
    "<html><head><link rel=\"stylesheet\" href=\"/live.css\"></head><body>"
    "<div class=\"fields\"><input id=\"t\" value=\"\"><input id=\"c\" type=\"checkbox\">"
    "<input id=\"u\" type=\"checkbox\" checked><select><option>one</option>"
    "<option id=\"o\">two</option></select><textarea id=\"a\" required></textarea></div>"
    "<div class=\"band\" id=\"b1\"></div><div class=\"band\" id=\"b2\"></div>"
    "<div class=\"band\" id=\"b3\"></div><div class=\"band\" id=\"b4\"></div>"
    "<div class=\"band\" id=\"b5\"></div></body></html>";

// The tab's document as a script left it; the script would turn the block blue if it ran.
constexpr char kChangedByScript[] =
    "<html><head><style>body{margin:0} div{height:200px}</style><script>"
    "document.addEventListener('DOMContentLoaded',()=>{"
    "document.getElementById('x').style.background='rgb(30,60,220)'})</script></head><body>"
    "<div id=\"x\" style=\"background:rgb(30,160,40)\"></div>"
    "<div style=\"background:rgb(220,30,30)\"></div></body></html>";

constexpr char kPostResult[] =
    "<html><body style=\"margin:0\"><div style=\"height:300px;background:rgb(20,180,190)\">"
    "Order 12 is placed</div></body></html>";

constexpr char kErrorPage[] =
    "<html><body style=\"margin:0;background:rgb(150,40,170)\"><h1>Not Found</h1></body></html>";

// A refresh that the tab's page asks for does not take the capture elsewhere.
constexpr char kRefreshing[] =
    "<html><head><meta http-equiv=\"refresh\" content=\"0;url=/elsewhere\"></head>"
    "<body style=\"margin:0;background:rgb(30,60,220)\"></body></html>";

// Unitless lengths count only in quirks mode: the doctype keeps the tab's mode.
constexpr char kUnitlessHeight[] =
    "<html><body style=\"margin:0\"><div style=\"height:300;background:rgb(30,160,40)\"></div>"
    "</body></html>";

// A form with a password the user typed, which the old document modes write into the markup,
// and a hidden token. The placeholders of the seven characters turn the first band green; the
// typed password anywhere turns the second red, a hidden value the third.
constexpr char kSecretForm[] =
    "<html><head><style>body{margin:0} .fields{height:100px;overflow:hidden}"
    " .band{height:100px}"
    " body:has(#p[value=\"\\2022\\2022\\2022\\2022\\2022\\2022\\2022\"]) "
    "#b1{background:rgb(30,160,40)}"
    " body:has([value*=\"hunter\"]) #b2{background:rgb(220,30,30)}"
    " body:has(#h[value]) #b3{background:rgb(220,30,30)}</style></head><body>"
    "<div class=\"fields\"><input type=\"hidden\" id=\"h\" value=\"tok3n\">"
    "<input id=\"p\" type=\"password\" value=\"hunter2\"></div>"
    "<div class=\"band\" id=\"b1\"></div><div class=\"band\" id=\"b2\"></div>"
    "<div class=\"band\" id=\"b3\"></div></body></html>";

// A browser capture that falls back to the capture browser captures the page as the tab has it:
// its markup now, served at its address (the server sees no request for it, nor is a file's
// page read again), without running its scripts again, with its styles from the server and
// the fields as the user left them.
TEST_F(ViewCaptureTest, TheCaptureBrowserIsGivenThePageAsTheTabHasIt) {
    TestHttpServer server;
    server.Route("/live.css", {200, "text/css", kLiveStyles});
    server.Route("/form", {200, "text/html", kLiveForm});
    server.Route("/changed", {200, "text/html",
                              "<html><body><div style=\"height:200px;background:rgb(230,200,20)\">"
                              "</div></body></html>"});
    server.Route("/posted", {405, "text/html", "<html><body>Only POST</body></html>"});
    server.Route("/missing", {404, "text/html", kErrorPage});
    server.Route("/elsewhere", {200, "text/html", "<html><body>Elsewhere</body></html>"});
    const Colour white{255, 255, 255};
    using standin::PageField;
    const std::vector<PageField> typed = {
        {L"input", L"text", L"typed"},         {L"input", L"checkbox", L"on", true},
        {L"input", L"checkbox", L"on", false}, {L"option", L"", L"one", false, false},
        {L"option", L"", L"two", false, true}, {L"textarea", L"", L"typed\r\ntext"},
    };
    struct Check {
        int y;
        Colour colour;
    };
    struct Case {
        const char* name;
        std::string path;
        std::string markup;
        std::vector<PageField> fields;
        bool quirks;
        std::vector<Check> checks;
        const char* fileContent = nullptr;  // the page is this file's, not the server's
        const wchar_t* status = nullptr;    // a status text that the capture gives
    };
    server.Route("/other-host.svg",
                 {200, "image/svg+xml",
                  "<svg xmlns='http://www.w3.org/2000/svg' width='400' height='300'><rect "
                  "width='400' height='300' fill='rgb(20,180,190)'/></svg>"});
    server.Route("/frame", {200, "text/html",
                            "<html><body style=\"margin:0;background:rgb(230,200,20)\"></body>"
                            "</html>"});
    const auto onLocalhost = [&](const char* path) {
        const std::wstring url = server.Url(path, "localhost");
        return std::string(url.begin(), url.end());
    };
    std::vector<PageField> typedAndOneMore = typed;
    typedAndOneMore.push_back({L"input", L"text", L"added by a script since"});
    const std::string onDisk = "<html><body style=\"background:rgb(220,30,30)\"></body></html>";
    const Case cases[] = {
        {"typed form",
         "/form",
         kLiveForm,
         typed,
         false,
         {{150, StripeColour(0)},
          {250, StripeColour(1)},
          {350, StripeColour(2)},
          {450, StripeColour(3)},
          {550, StripeColour(4)}}},
        {"a field the markup lacks",
         "/form",
         kLiveForm,
         typedAndOneMore,
         false,
         {{150, StripeColour(0)}, {550, StripeColour(4)}},
         nullptr,
         L"1 of the page's 7 fields were not found in the capture browser"},
        {"form as served",
         "/form",
         kLiveForm,
         {},
         false,
         {{150, white}, {250, white}, {350, white}, {450, white}, {550, white}}},
        {"changed by a script",
         "/changed",
         kChangedByScript,
         {},
         false,
         {{100, StripeColour(1)}, {300, StripeColour(0)}}},
        {"result of a POST", "/posted", kPostResult, {}, false, {{150, StripeColour(5)}}},
        {"error page", "/missing", kErrorPage, {}, false, {{300, StripeColour(4)}}},
        {"asking for a refresh", "/refreshing", kRefreshing, {}, false, {{300, StripeColour(2)}}},
        {"quirks mode", "/quirks", kUnitlessHeight, {}, true, {{150, StripeColour(1)}}},
        {"standards mode", "/standards", kUnitlessHeight, {}, false, {{150, white}}},
        {"a file's page",
         "",
         kChangedByScript,
         {},
         false,
         {{100, StripeColour(1)}},
         onDisk.c_str()},
        // The frame of another site is its own document, never the tab's markup.
        {"a file's page with a frame of another site",
         "",
         "<html><body style=\"margin:0;background:rgb(30,160,40)\"><iframe src=\"" +
             onLocalhost("/frame") +
             "\" style=\"display:block;border:0;width:400px;height:300px\"></iframe>"
             "<div style=\"height:300px\"></div></body></html>",
         {},
         false,
         {{100, StripeColour(3)}, {450, StripeColour(1)}},
         onDisk.c_str()},
        // A part from another host of the same network loads as the tab loaded it.
        {"an image from another local host",
         "/lna",
         "<html><body style=\"margin:0\"><img src=\"" + onLocalhost("/other-host.svg") +
             "\" style=\"display:block;width:400px;height:300px\"></body></html>",
         {},
         false,
         {{100, StripeColour(5)}}},
        {"a typed password",
         "/secret",
         kSecretForm,
         {{L"input", L"hidden", L"tok3n"}, {L"input", L"password", L"hunter2"}},
         false,
         {{150, StripeColour(1)}, {250, white}, {350, white}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        events_.recorder = CaptureRecorder();
        const int requestsBefore = server.RequestCount(c.path);
        const int stylesBefore = server.RequestCount("/live.css");
        PageDesign design;
        design.drawable = false;
        design.windowPaints = false;
        design.quirks = c.quirks;
        design.headerHeight = 0;
        design.lazyTop = -1;
        design.bandCount = 6;
        design.url = server.Url(c.path);
        if (c.fileContent) {
            design.url = folder_.file(L"page.html");
            WriteFileBytes(design.url, c.fileContent, strlen(c.fileContent));
        }
        design.markup = Wide(c.markup);
        design.fields = c.fields;
        DrawnPage page(frame_.get(), design);
        Capture(BrowserOf(page).get());
        ASSERT_EQ(events_.recorder.finalCode(), 1) << events_.recorder.finalText();
        EXPECT_TRUE(events_.recorder.HasStatusContaining(
            L"the capture browser is given the page as the tab has it"));
        const Image image = WorkImage();
        if (c.status) {
            EXPECT_TRUE(events_.recorder.HasStatusContaining(c.status));
        }
        for (const auto& check : c.checks)
            EXPECT_TRUE(PixelNear(image, 100, check.y, check.colour)) << "at " << check.y;
        EXPECT_EQ(server.RequestCount(c.path), requestsBefore);
        if (c.path == "/form") {
            EXPECT_EQ(server.RequestCount("/live.css"), stylesBefore + 1);
        }
        EXPECT_EQ(server.RequestCount("/elsewhere"), 0);
        EXPECT_FALSE(server.AnyRequestHolds("hunter"));
        EXPECT_FALSE(server.AnyRequestHolds("tok3n"));
        EXPECT_TRUE(snap_->Close().ok());
        snap_.reset();
    }
}

HRESULT WINAPI ReportsProtectedMode(BOOL* result) { return *result = TRUE, S_OK; }

// A Protected Mode tab starts no capture browser: its own engine still draws the page, and what
// only the capture browser could take ends at once saying why, with nothing asked of the server.
TEST_F(ViewCaptureTest, UnderProtectedModeOnlyTheBrowsersOwnEngineRuns) {
    ProtectedModeFunctions functions;
    functions.IEIsProtectedModeProcess = &ReportsProtectedMode;
    ProtectedModeApiOverride seam(functions);
    TestHttpServer server;
    server.Route("/page", {200, "text/html", StripedPage(12, 100)});

    PageDesign drawable;
    drawable.url = server.Url("/page");
    {
        DrawnPage page(frame_.get(), drawable);
        Capture(BrowserOf(page).get());
        ASSERT_EQ(events_.recorder.finalCode(), 1) << events_.recorder.finalText();
        EXPECT_TRUE(ShowsDrawnPage(WorkImage(), page));
        EXPECT_TRUE(snap_->Close().ok());
        snap_.reset();
    }
    ASSERT_TRUE(DeleteFileW(workFile_.c_str()));
    PageDesign undrawable = drawable;
    undrawable.drawable = false;
    undrawable.windowPaints = false;
    {
        events_.recorder = CaptureRecorder();
        DrawnPage page(frame_.get(), undrawable);
        Capture(BrowserOf(page).get());
        EXPECT_EQ(events_.recorder.finalCode(), -1);
        EXPECT_EQ(events_.recorder.finalText(), kNoCaptureBrowserInProtectedMode);
        EXPECT_EQ(GetFileAttributesW(workFile_.c_str()), INVALID_FILE_ATTRIBUTES);
        snap_.reset();
    }
    // A typed address goes to a browser control of ours (tested on its own); where none can be
    // made, the capture browser is not started either.
    capture::BrowserControlOverride noControl([](IOleObject**) { return REGDB_E_CLASSNOTREG; });
    events_.recorder = CaptureRecorder();
    snap_ = std::move(HtmlSnap::Create(&events_)).value();
    ASSERT_TRUE(snap_->CaptureUrl(server.Url("/page"), workFile_).ok());
    ASSERT_TRUE(PumpUntil([&] { return events_.recorder.finished(); }, 10s));
    EXPECT_EQ(events_.recorder.finalCode(), -1);
    EXPECT_EQ(events_.recorder.finalText(), kNoCaptureBrowserInProtectedMode);
    EXPECT_EQ(server.RequestCount("/page"), 0);
}

// Setting 2 off: only the first screen, from the page's top, scroll bars left out.
TEST_F(ViewCaptureTest, TheFirstScreenOnlyIsTheViewAtThePagesTop) {
    DrawnPage page(frame_.get(), PageDesign{});
    page.ScrollAsUser(0, 2000);
    Settings settings = BrowserCaptureSettings();
    settings[1].second = 0;
    Capture(BrowserOf(page).get(), settings);
    ASSERT_EQ(events_.recorder.finalCode(), 1) << events_.recorder.finalText();
    const Image image = WorkImage();
    EXPECT_EQ(image.width(), page.clientWidth());
    EXPECT_EQ(image.height(), page.clientHeight());
    const Colour header{standin::kHeaderColour.r, standin::kHeaderColour.g,
                        standin::kHeaderColour.b};
    const auto band = standin::BandColour(5, 0);
    EXPECT_TRUE(PixelNear(image, 450, 30, header));
    EXPECT_TRUE(PixelNear(image, 450, 550, Colour{band.r, band.g, band.b}));
    EXPECT_EQ(page.scroll().y, 2000);
}

// A page beyond the largest image: cut there and said so, or refused before it is touched.
TEST_F(ViewCaptureTest, APageTallerThanTheLargestImageIsCutOrRefused) {
    for (const int32_t cut : {0, 1}) {
        SCOPED_TRACE(cut ? "cut" : "refused");
        events_.recorder = CaptureRecorder();
        PageDesign design;
        design.bandCount = 600;  // 60,000 pixels
        DrawnPage page(frame_.get(), design);
        page.ScrollAsUser(0, 5000);
        Settings settings = BrowserCaptureSettings();
        settings[7].second = cut;
        Capture(BrowserOf(page).get(), settings);
        const int largest = capture::LargestHeightFor(page.pageWidth());
        ASSERT_LT(largest, page.pageHeight());
        if (cut) {
            ASSERT_EQ(events_.recorder.finalCode(), 1) << events_.recorder.finalText();
            EXPECT_TRUE(events_.recorder.HasStatusContaining(
                L"The page is 60000 pixels tall: the image ends at " + std::to_wstring(largest)));
            const Image image = WorkImage();
            EXPECT_EQ(image.height(), largest);
            const auto last = standin::BandColour((largest - 30) / design.bandHeight, 0);
            EXPECT_TRUE(PixelNear(image, 450, largest - 30, Colour{last.r, last.g, last.b}));
        } else {
            EXPECT_EQ(events_.recorder.finalCode(), -1);
            EXPECT_TRUE(events_.recorder.HasStatusContaining(L"The page is 60000 pixels tall"));
            EXPECT_EQ(page.draws(), 0);
            EXPECT_FALSE(FileExists(workFile_));
        }
        EXPECT_EQ(page.scroll().y, 5000);
        snap_.reset();
    }
}

// A document of another thread cannot draw into our device context: it is not touched, and
// the capture goes to the capture browser (here with no address, so it ends there).
TEST_F(ViewCaptureTest, ADocumentOfAnotherThreadIsNotDrawnHere) {
    std::unique_ptr<DrawnPage> page;
    UniqueHandleK made(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    UniqueHandleK done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread owner([&] {
        CoInitialize(nullptr);
        PageDesign design;
        design.url = L"";
        page = std::make_unique<DrawnPage>(nullptr, design);
        SetEvent(made.get());
        WaitForSingleObject(done.get(), INFINITE);
        page.reset();
        CoUninitialize();
    });
    WaitForSingleObject(made.get(), INFINITE);
    auto browser =
        standin::CreateWebBrowser(frame_.get(), {ComPtr<IDispatch>(page->document()), L"", L""});
    Capture(browser.get());
    EXPECT_EQ(events_.recorder.finalCode(), -1);
    EXPECT_TRUE(events_.recorder.HasStatusContaining(
        L"cannot draw itself (the document belongs to another thread)"));
    EXPECT_EQ(page->draws(), 0);
    EXPECT_EQ(page->scroll().y, 0);
    snap_.reset();
    browser.reset();
    SetEvent(done.get());
    owner.join();
}

TEST(TilePlan, TilesFollowOneAnotherAndTheLastIsAlignedToTheEnd) {
    using capture::TileSpan;
    struct Case {
        int image, view, overlap;
        std::vector<TileSpan> spans;
    };
    const Case cases[] = {
        {500, 600, 0, {{0, 0, 500}}},
        {600, 600, 8, {{0, 0, 600}}},
        {1000, 400, 0, {{0, 0, 400}, {400, 400, 800}, {600, 800, 1000}}},
        {1200, 400, 0, {{0, 0, 400}, {400, 400, 800}, {800, 800, 1200}}},
        {1201, 400, 0, {{0, 0, 400}, {400, 400, 800}, {800, 800, 1200}, {801, 1200, 1201}}},
        {1000, 400, 8, {{0, 0, 400}, {392, 400, 792}, {600, 792, 1000}}},
        {700, 400, 8, {{0, 0, 400}, {300, 400, 700}}},
        {5, 2, 8, {{0, 0, 2}, {1, 2, 3}, {2, 3, 4}, {3, 4, 5}}},  // at least one new row each
    };
    for (const auto& c : cases) {
        const auto spans = capture::PlanTileSpans(c.image, c.view, c.overlap);
        ASSERT_EQ(spans.size(), c.spans.size()) << c.image << " in " << c.view;
        for (size_t i = 0; i < spans.size(); ++i) {
            EXPECT_EQ(spans[i].scrollTo, c.spans[i].scrollTo) << c.image << " tile " << i;
            EXPECT_EQ(spans[i].copyStart, c.spans[i].copyStart) << c.image << " tile " << i;
            EXPECT_EQ(spans[i].copyEnd, c.spans[i].copyEnd) << c.image << " tile " << i;
        }
    }
    const auto plan = capture::PlanTiles(1700, 4000, 783, 583);
    EXPECT_EQ(plan.count(), 3 * 7);
    EXPECT_TRUE(plan.endsRow(2));
    EXPECT_FALSE(plan.endsRow(3));
    EXPECT_EQ(plan.rowOf(3).copyStart, 583);
    EXPECT_EQ(plan.columnOf(3).copyStart, 0);
}

TEST(TileChecks, SharedRowsMustAgreeOutsideFixedElements) {
    // A page of 4-pixel stripes; the earlier tiles put rows 0..19 into the image.
    const auto stripe = [](int y) { return PackPixel(uint8_t(y / 4 * 40), 90, 200); };
    Image image(10, 20);
    for (int y = 0; y < 20; ++y) std::fill(image.row(y), image.row(y) + 10, stripe(y));
    struct Case {
        const char* name;
        int drawnAt;        // the page row that the tile's first row shows
        int changedPixels;  // pixels of the tile's shared rows set to another colour
        std::vector<RECT> masks;
        bool agrees;
    };
    const Case cases[] = {
        {"follows the scroll position", 12, 0, {}, true},
        {"off by one row, as at a zoom", 13, 0, {}, true},
        {"ignores the scroll position", 0, 0, {}, false},
        {"an animation of two pixels", 12, 2, {}, true},
        {"a third of the rows changed", 12, 27, {}, false},
        {"changed under a fixed element", 12, 27, {{0, 12, 10, 20}}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint32_t> tile(10 * 10);
        for (int y = 0; y < 10; ++y)
            std::fill(tile.begin() + y * 10, tile.begin() + y * 10 + 10,
                      stripe(c.drawnAt + y) & 0xFFFFFF);
        for (int i = 0; i < c.changedPixels; ++i) tile[i] = 0x123456;
        const capture::TilePixels pixels{tile.data(), 10, 10};
        const auto count = capture::CompareSeam(image, {0, 12, 10, 20}, pixels, {0, 12}, c.masks);
        EXPECT_EQ(capture::SeamAgrees(count), c.agrees)
            << count.changed << " of " << count.compared;
    }
    // One colour, whatever GDI left in the top byte; a second colour anywhere is more.
    std::vector<uint32_t> blank(6 * 4, 0x00000000u);
    blank[5] = 0xFF000000u;
    const capture::TilePixels pixels{blank.data(), 6, 4};
    EXPECT_EQ(capture::SoleColour(pixels, {0, 0, 6, 4}), 0u);
    blank[23] = 0x00000001u;
    EXPECT_FALSE(capture::SoleColour(pixels, {0, 0, 6, 4}));
    EXPECT_EQ(capture::SoleColour(pixels, {0, 0, 5, 4}), 0u);
}

TEST(ScrollingArea, TheLargestVisibleScrollingElementCoveringMostOfTheViewIsChosen) {
    using capture::AreaCandidate;
    const SIZE view{1000, 800};
    const AreaCandidate workspace{{0, 120, 1000, 800}, 680, 5000, true, true};
    const AreaCandidate menu{{0, 120, 200, 800}, 680, 2000, true, true};
    const AreaCandidate inner{{200, 150, 1000, 780}, 630, 4000, true, true};
    AreaCandidate hidden = workspace, noMore = workspace, notScrolling = workspace;
    hidden.visible = false;
    noMore.scrollHeight = 680;
    notScrolling.scrollsY = false;
    AreaCandidate belowTheView = workspace;
    belowTheView.client.bottom = 900;
    struct Case {
        const char* name;
        std::vector<AreaCandidate> candidates;
        std::optional<size_t> chosen;
    };
    const Case cases[] = {
        {"none", {}, std::nullopt},
        {"the workspace", {menu, workspace}, 1},
        {"the largest of nested ones", {workspace, inner}, 0},
        {"too small to be the page", {menu}, std::nullopt},
        {"hidden", {hidden, menu}, std::nullopt},
        {"shows all it has", {noMore}, std::nullopt},
        {"overflow visible", {notScrolling, inner}, 1},
        {"reaching below the view", {belowTheView}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(capture::ChooseScrollingArea(c.candidates, view), c.chosen);
    }
}

}  // namespace
}  // namespace pagelens::test
