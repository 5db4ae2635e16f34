// Captures of real pages served by the test itself or read from files: the image's size, the
// colours at known places of the page (also far down a page captured in several bands), lazily
// loaded content, and the cut at the largest image.
#include <gtest/gtest.h>

#include <string>

#include "components/snapshot/core/capture_plan.h"
#include "imaging/gdiplus_session.h"
#include "imaging/image_files.h"
#include "tests/snapshot/capture_recorder.h"
#include "tests/snapshot/snapshot_pages.h"
#include "tests/snapshot/test_http_server.h"
#include "tests/support/test_support.h"

namespace pagelens::test {
namespace {

// The image appears only when a script sees its placeholder inside the viewport, as on pages
// that load images lazily by hand; the placeholder is grey until then. `above` and `below` are
// the page's heights around it. With `slowFrames`, a large blurred layer turns at every frame,
// so that each frame takes longer to draw than one frame's time.
std::string LazyImagePage(int above = 4000, int below = 200, bool slowFrames = false) {
    std::string page = R"(<!doctype html><html><head><style>
html,body{margin:0} #spacer{height:ABOVEpx;background:#fff}
#slot{width:400px;height:300px;background:rgb(128,128,128)}
#slot img{width:400px;height:300px;display:block}
#busy{position:fixed;left:0;top:0;width:1280px;height:800px;opacity:.5;
      background:linear-gradient(45deg,red,blue);filter:blur(40px)}
</style></head><body><div id="spacer"></div><div id="slot" data-src="/red.svg"></div>
<div style="height:BELOWpx"></div>
<script>
new IntersectionObserver((entries, observer) => {
  for (const entry of entries) if (entry.isIntersecting) {
    const img = document.createElement('img'); img.src = entry.target.dataset.src;
    entry.target.appendChild(img); observer.disconnect();
  }
}).observe(document.getElementById('slot'));
</script>BUSY</body></html>)";
    page.replace(page.find("ABOVE"), 5, std::to_string(above));
    page.replace(page.find("BELOW"), 5, std::to_string(below));
    page.replace(page.find("BUSY"), 4,
                 slowFrames ? R"(<div id="busy"></div><script>
let angle = 0;
const turn = () => { document.getElementById('busy').style.transform = `rotate(${++angle}deg)`;
                     requestAnimationFrame(turn); };
requestAnimationFrame(turn);
</script>)"
                            : "");
    return page;
}

constexpr char kRedSvg[] =
    "<svg xmlns='http://www.w3.org/2000/svg' width='400' height='300'>"
    "<rect width='400' height='300' fill='rgb(230,20,20)'/></svg>";

class PageCaptureTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_TRUE(CaptureProfileFolders().empty()) << "a capture browser profile is left";
    }

    Image LoadWorkFile() {
        auto image = LoadImageFile(workFile_);
        EXPECT_TRUE(image.ok()) << "the work file does not load";
        return image.ok() ? std::move(image).value() : Image();
    }

    std::unique_ptr<CaptureRun> Capture(const std::wstring& address, const Settings& settings) {
        auto run = CaptureAddress(address, workFile_, settings);
        EXPECT_TRUE(run->finishedInTime);
        EXPECT_EQ(run->recorder.finals().size(), 1u);
        EXPECT_EQ(run->recorder.finalCode(), 1) << run->recorder.finalText();
        return run;
    }

    GdiplusSession gdiplus_;
    TempFolder folder_;
    TestHttpServer server_;
    std::wstring workFile_ = folder_.file(L"snapshot.jpg");
};

TEST_F(PageCaptureTest, PageTallerThanTheViewportIsCapturedWhole) {
    server_.Route("/tall", {200, "text/html", StripedPage(30, 100)});
    auto run = Capture(server_.Url("/tall"), AddressCaptureSettings());
    Image image = LoadWorkFile();
    EXPECT_EQ(image.width(), 1280);
    EXPECT_EQ(image.height(), 3000);
    EXPECT_TRUE(PixelNear(image, 640, 50, StripeColour(0)));
    EXPECT_TRUE(PixelNear(image, 640, 2950, StripeColour(29)));
    EXPECT_EQ(run->recorder.progress.back(), 100);
    EXPECT_EQ(FilesIn(folder_.path()), std::vector<std::wstring>{L"snapshot.jpg"});
}

// What the browser's start-up tab still had on the way when the page replaced it is not waited
// for: a quiet page is captured long before a generous settle limit (here beyond the time
// limit, which would end the capture with -4) runs out.
TEST_F(PageCaptureTest, QuietPageIsNotHeldUpByTheStartUpTab) {
    server_.Route("/quiet", {200, "text/html", StripedPage(3, 100)});
    Settings settings = AddressCaptureSettings(20000);
    for (auto& [index, value] : settings)
        if (index == 9) value = 60000;
    Capture(server_.Url("/quiet"), settings);
}

// A page that sends the browser on before its load is captured where it lands; landing on an
// error status with an empty page is a failure to open.
TEST_F(PageCaptureTest, PageThatMovesOnAtOnceIsCapturedWhereItLands) {
    server_.Route("/tall", {200, "text/html", StripedPage(30, 100)});
    server_.Route("/moving", {200, "text/html",
                              "<html><head><script>location.replace('/tall')</script></"
                              "head><body>Moving</body></html>"});
    server_.Route("/nothing", {404, "text/html", ""});
    server_.Route("/moving-to-nothing", {200, "text/html",
                                         "<html><head><script>location.replace('/nothing')</"
                                         "script></head><body>Moving</body></html>"});
    Capture(server_.Url("/moving"), AddressCaptureSettings());
    EXPECT_EQ(LoadWorkFile().height(), 3000);

    auto failed =
        CaptureAddress(server_.Url("/moving-to-nothing"), workFile_, AddressCaptureSettings(20000));
    EXPECT_EQ(failed->recorder.finalCode(), -3) << failed->recorder.finalText();
}

// An error status that comes with a page of the server's own is captured as the browser shows
// that page, and a status text names the status.
TEST_F(PageCaptureTest, ErrorPageWithABodyIsCapturedAsShown) {
    const struct {
        int status;
        Colour block;
    } cases[] = {{404, {230, 200, 20}}, {401, {150, 40, 170}}, {500, {20, 180, 190}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        const std::string path = "/error-" + std::to_string(c.status);
        server_.Route(path, {c.status, "text/html",
                             "<!doctype html><html><head><style>html,body{margin:0}"
                             "div{height:600px;background:" +
                                 CssColour(c.block) +
                                 "}</style></head><body><div>Sorry</div></body></html>"});
        auto run = Capture(server_.Url(path), AddressCaptureSettings());
        Image image = LoadWorkFile();
        EXPECT_TRUE(PixelNear(image, 640, 300, c.block));
        EXPECT_TRUE(run->recorder.HasStatusContaining(L"HTTP " + std::to_wstring(c.status)));
    }
}

// 24 stripes of 1000 pixels: six bands, each stripe where it belongs in the stitched image.
TEST_F(PageCaptureTest, VeryTallPageKeepsEveryBandInPlace) {
    server_.Route("/stripes", {200, "text/html", StripedPage(24, 1000)});
    auto run = Capture(server_.Url("/stripes"), AddressCaptureSettings());
    Image image = LoadWorkFile();
    ASSERT_EQ(image.height(), 24000);
    for (int stripe = 0; stripe < 24; ++stripe) {
        EXPECT_TRUE(PixelNear(image, 100, stripe * 1000 + 10, StripeColour(stripe)))
            << "stripe " << stripe;
        EXPECT_TRUE(PixelNear(image, 1200, stripe * 1000 + 990, StripeColour(stripe)))
            << "stripe " << stripe;
    }
    EXPECT_TRUE(run->recorder.HasStatusContaining(L"part 6 of 6"));
}

// Also where only one stop of the scroll sees the placeholder and the page's frames are slow.
TEST_F(PageCaptureTest, LazilyLoadedImageArrivesThroughScrolling) {
    server_.Route("/red.svg", {200, "image/svg+xml", kRedSvg});
    const struct {
        int above, below;
        bool slowFrames;
    } cases[] = {{4000, 200, false}, {6000, 6000, true}};
    int requests = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.above);
        const std::string path = "/lazy-" + std::to_string(c.above);
        server_.Route(path, {200, "text/html", LazyImagePage(c.above, c.below, c.slowFrames)});
        Capture(server_.Url(path), AddressCaptureSettings());
        Image image = LoadWorkFile();
        ASSERT_EQ(image.height(), c.above + 300 + c.below);
        EXPECT_TRUE(PixelNear(image, 200, c.above + 150, {230, 20, 20}));
        EXPECT_EQ(server_.RequestCount("/red.svg"), ++requests);
    }
}

// A first screen filled by an element of the viewport's height, and far below it a placeholder
// that a script fills with an image read from a data: address once it is seen.
std::string ViewportHighPageWithLazyDataImage() {
    std::string page = R"(<!doctype html><html><head><style>
html,body{margin:0} #hero{height:100vh;background:rgb(20,40,200)}
#spacer{height:9000px;background:#fff}
#slot{width:400px;height:300px;background:rgb(128,128,128)}
#slot img{width:400px;height:300px;display:block}
</style></head><body><div id="hero"></div><div id="spacer"></div><div id="slot"></div>
<div style="height:200px"></div><script>
const svg = "SVG";
new IntersectionObserver((entries, observer) => {
  for (const entry of entries) if (entry.isIntersecting) {
    const img = document.createElement('img');
    img.src = 'data:image/svg+xml,' + encodeURIComponent(svg);
    entry.target.appendChild(img); observer.disconnect();
  }
}).observe(document.getElementById('slot'));
</script></body></html>)";
    return page.replace(page.find("SVG"), 3, kRedSvg);
}

// The scroll sees the page through a taller window, but the page is measured and captured at
// its own viewport: the first screen's element is one viewport high, not the scroll's window.
// The image read from memory arrives, and waiting for it does not hold the capture up to a
// settle limit beyond the time limit (which would end it with -4).
TEST_F(PageCaptureTest, ScrollingLeavesThePageAtItsOwnViewportAndAwaitsDataImages) {
    server_.Route("/hero", {200, "text/html", ViewportHighPageWithLazyDataImage()});
    Settings settings = AddressCaptureSettings(20000);
    for (auto& [index, value] : settings)
        if (index == 9) value = 60000;
    Capture(server_.Url("/hero"), settings);
    Image image = LoadWorkFile();
    ASSERT_EQ(image.height(), 800 + 9000 + 300 + 200);
    EXPECT_TRUE(PixelNear(image, 640, 790, {20, 40, 200}));
    EXPECT_TRUE(PixelNear(image, 640, 810, {255, 255, 255}));
    EXPECT_TRUE(PixelNear(image, 200, 9950, {230, 20, 20}));
}

TEST_F(PageCaptureTest, WithoutScrollingTheLazyImageStaysAPlaceholder) {
    server_.Route("/lazy", {200, "text/html", LazyImagePage()});
    server_.Route("/red.svg", {200, "image/svg+xml", kRedSvg});
    Settings settings = AddressCaptureSettings();
    settings[3] = {4, 0};
    Capture(server_.Url("/lazy"), settings);
    Image image = LoadWorkFile();
    ASSERT_EQ(image.height(), 4500);
    EXPECT_TRUE(PixelNear(image, 200, 4150, {128, 128, 128}));
}

TEST_F(PageCaptureTest, FirstScreenOnlyIsTheViewport) {
    server_.Route("/tall", {200, "text/html", StripedPage(30, 100)});
    Settings settings = AddressCaptureSettings();
    settings[1] = {2, 0};
    Capture(server_.Url("/tall"), settings);
    Image image = LoadWorkFile();
    EXPECT_EQ(image.width(), 1280);
    EXPECT_EQ(image.height(), 800);
    EXPECT_TRUE(PixelNear(image, 640, 790, StripeColour(7)));
}

// A Windows path is opened as a file:// URL (under Wine, of the host path), spaces and all.
TEST_F(PageCaptureTest, WindowsFilePathIsOpenedAsAFile) {
    const std::string page = StripedPage(3, 500);
    const std::wstring pageFile = folder_.file(L"a page.html");
    WriteFileBytes(pageFile, page.data(), page.size());
    Capture(pageFile, AddressCaptureSettings());
    Image image = LoadWorkFile();
    EXPECT_EQ(image.height(), 1500);
    EXPECT_TRUE(PixelNear(image, 10, 1490, StripeColour(2)));
}

// Setting 5 chooses the print styles, setting 6 keeps the page's scripts from running; the
// capture works either way (scrolling relies on a script of ours).
TEST_F(PageCaptureTest, MediaAndScriptSettingsTakeEffect) {
    server_.Route("/styled", {200, "text/html", R"(<!doctype html><html><head><style>
html,body{margin:0} #media{height:300px;background:rgb(220,30,30)}
#script{height:300px;background:rgb(230,200,20)}
@media print { #media{background:rgb(30,60,220)} }
</style></head><body><div id="media"></div><div id="script"></div><div style="height:1400px"></div>
<script>document.getElementById('script').style.background='rgb(30,160,40)';</script></body>
</html>)"});
    const struct {
        int32_t screenMedia, scripts;
        Colour media, script;
    } cases[] = {
        {1, 1, {220, 30, 30}, {30, 160, 40}},
        {0, 1, {30, 60, 220}, {30, 160, 40}},
        {1, 0, {220, 30, 30}, {230, 200, 20}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "media " << c.screenMedia << ", scripts " << c.scripts);
        Settings settings = AddressCaptureSettings();
        settings[4] = {5, c.screenMedia};
        settings[5] = {6, c.scripts};
        Capture(server_.Url("/styled"), settings);
        Image image = LoadWorkFile();
        EXPECT_TRUE(PixelNear(image, 640, 150, c.media));
        EXPECT_TRUE(PixelNear(image, 640, 450, c.script));
    }
}

class TallestPageTest : public PageCaptureTest {};

// 36,000 pixels at 1280 wide is more than the largest image: the image ends at the limit, and
// a status text says so; with setting 8 off the capture fails instead.
TEST_F(TallestPageTest, PageBeyondTheLargestImageIsCutAndSaidSo) {
    server_.Route("/huge", {200, "text/html", StripedPage(36, 1000)});
    auto run = Capture(server_.Url("/huge"), AddressCaptureSettings());
    Image image = LoadWorkFile();
    EXPECT_EQ(image.height(), capture::LargestHeightFor(1280));
    EXPECT_EQ(image.height(), 32000);
    EXPECT_TRUE(PixelNear(image, 640, 31990, StripeColour(31)));
    EXPECT_TRUE(run->recorder.HasStatusContaining(L"36000 pixels tall"));
}

TEST_F(TallestPageTest, PageBeyondTheLargestImageFailsWhenCuttingIsOff) {
    server_.Route("/huge", {200, "text/html", StripedPage(36, 1000)});
    Settings settings = AddressCaptureSettings();
    settings.push_back({8, 0});
    auto run = CaptureAddress(server_.Url("/huge"), workFile_, settings);
    EXPECT_EQ(run->recorder.finalCode(), -1);
    EXPECT_FALSE(FileExists(workFile_));
}

}  // namespace
}  // namespace pagelens::test
