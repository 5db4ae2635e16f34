#include "imaging/image_files.h"
#include "tests/window/window_fixture.h"

namespace pagelens::test {
namespace {

// A captured page: red on top, blue below.
SnapScript TwoColourCapture(int width, int height) {
    SnapScript s;
    s.image = SolidImage(width, height, 0xFF0000FF);
    for (int y = 0; y < height / 2; ++y)
        std::fill(s.image.row(y), s.image.row(y) + width, 0xFFFF0000);
    s.write().status(1);
    return s;
}

class ImageCommandsTest : public SnapshotWindowTest {
protected:
    void SetUp() override {
        SnapshotWindowTest::SetUp();
        Open({TwoColourCapture(200, 100)});
        WaitForIdle();
    }
    void TypeSize(const wchar_t* width, const wchar_t* height) {
        seam().SetControlText(ids::txtWidth, width);
        seam().SetControlText(ids::txtHeight, height);
    }
};

TEST_F(SnapshotWindowTest, TheZoomBarStartsAtTwoAndTheFirstCaptureMovesItToOneHundred) {
    Open({TwoColourCapture(200, 100)});
    EXPECT_EQ(seam().ZoomValue(), 2);
    EXPECT_EQ(Text(ids::lblZoom), L"");
    WaitForIdle();
    EXPECT_EQ(seam().ZoomValue(), 100);
    EXPECT_EQ(Text(ids::lblZoom), L"100%");
    EXPECT_EQ(Text(ids::txtWidth), L"200");
    EXPECT_EQ(Text(ids::txtHeight), L"100");
}

TEST_F(ImageCommandsTest, ZoomShowsThePercentScalesTheViewAndOffersTheZoomedSize) {
    seam().SetZoomValue(37);
    EXPECT_EQ(Text(ids::lblZoom), L"37%");
    EXPECT_DOUBLE_EQ(seam().Viewer().Zoom(), 0.37);
    EXPECT_EQ(Text(ids::txtWidth), L"74");
    EXPECT_EQ(Text(ids::txtHeight), L"37");
    seam().SetZoomValue(500);
    EXPECT_EQ(Text(ids::txtWidth), L"1000");
    // The bar's arrows move it by one.
    SendMessageW(window->hwnd(), WM_HSCROLL, SB_LINELEFT,
                 reinterpret_cast<LPARAM>(GetDlgItem(window->hwnd(), ids::scrollZoom)));
    EXPECT_EQ(seam().ZoomValue(), 499);
    SendMessageW(window->hwnd(), WM_HSCROLL, SB_RIGHT,
                 reinterpret_cast<LPARAM>(GetDlgItem(window->hwnd(), ids::scrollZoom)));
    EXPECT_EQ(seam().ZoomValue(), 500);
}

TEST_F(ImageCommandsTest, ASecondCaptureAtOneHundredLeavesTheResizeBoxesAlone) {
    TypeSize(L"11", L"22");
    seam().SetControlText(ids::txtAddress, L"http://127.0.0.1/again.html");
    ASSERT_TRUE(window->cmdSnapshot_Click().ok());
    EXPECT_EQ(Text(ids::txtWidth), L"11");
    EXPECT_EQ(Text(ids::lblWidth), L"200");
}

TEST_F(ImageCommandsTest, ConversionsAnnounceThemselvesAndKeepSizeAndZoom) {
    ASSERT_TRUE(window->cmdGray_Click().ok());
    EXPECT_EQ(Panel(1), L"Convert to gray done");
    uint32_t p = seam().Viewer().image().pixels()[0];
    EXPECT_TRUE(RedOf(p) == GreenOf(p) && GreenOf(p) == BlueOf(p));
    ASSERT_TRUE(window->cmdBlackAndWhite_Click().ok());
    EXPECT_EQ(Panel(1), L"Convert to black and white done");
    for (size_t i = 0; i < seam().Viewer().image().pixelCount(); ++i) {
        uint32_t q = seam().Viewer().image().pixels()[i] & 0xFFFFFF;
        ASSERT_TRUE(q == 0 || q == 0xFFFFFF);
    }
    EXPECT_EQ(Text(ids::lblWidth), L"200");
    EXPECT_EQ(seam().ZoomValue(), 100);
    EXPECT_FALSE(seam().Busy());
}

TEST_F(ImageCommandsTest, ResizeWithTextThatIsNoWholeNumberKeepsTheImageButStoresTheLeadingNumber) {
    TypeSize(L"800px", L"600");
    window->cmdReSize_Click();
    EXPECT_EQ(seam().Viewer().ImageWidth(), 200);
    EXPECT_EQ(Text(ids::txtWidth), L"200");
    EXPECT_EQ(Text(ids::txtHeight), L"100");
    EXPECT_EQ(Panel(1), L"Resize image done");
    EXPECT_EQ(*StoredSetting(setting::PagelensWidth), L"800");
    EXPECT_EQ(*StoredSetting(setting::PagelensHeight), L"600");
}

TEST_F(ImageCommandsTest, ResizeWithZerosLeavesTheImageAndStoresTheDefaultPreset) {
    TypeSize(L"0", L"0");
    window->cmdReSize_Click();
    EXPECT_EQ(seam().Viewer().ImageWidth(), 200);
    EXPECT_EQ(*StoredSetting(setting::PagelensWidth), L"120");
    EXPECT_EQ(*StoredSetting(setting::PagelensHeight), L"90");
}

TEST_F(ImageCommandsTest, ResizeMakesTheTypedSizeTheImagesOwnAndKeepsItsColours) {
    seam().SetZoomValue(50);
    TypeSize(L" 1024 ", L"768");
    window->cmdReSize_Click();
    EXPECT_EQ(seam().Viewer().ImageWidth(), 1024);
    EXPECT_EQ(seam().Viewer().ImageHeight(), 768);
    EXPECT_EQ(seam().ZoomValue(), 100);
    EXPECT_EQ(Text(ids::txtWidth), L"1024");
    EXPECT_EQ(Text(ids::lblWidth), L"200");  // the labels keep the captured size
    EXPECT_EQ(*StoredSetting(setting::PagelensWidth), L"1024");
    const Image& image = seam().Viewer().image();
    EXPECT_EQ(image.row(100)[500] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(image.row(700)[500] & 0xFFFFFF, 0x0000FFu);
}

TEST_F(ImageCommandsTest, ResizeWhileMinimizedStoresNothing) {
    ShowWindow(window->hwnd(), SW_MINIMIZE);
    TypeSize(L"300", L"150");
    window->cmdReSize_Click();
    EXPECT_EQ(seam().Viewer().ImageWidth(), 300);
    EXPECT_FALSE(StoredSetting(setting::PagelensWidth));
}

TEST_F(ImageCommandsTest, PresetRecallsTheStoredSizeWithoutBounds) {
    ASSERT_TRUE(window->cmdPreset_Click().ok());
    EXPECT_EQ(Text(ids::txtWidth), L"120");
    EXPECT_EQ(Text(ids::txtHeight), L"90");
    StoreSetting(setting::PagelensWidth, int32_t{-3});
    StoreSetting(setting::PagelensHeight, std::wstring(L"45"));
    ASSERT_TRUE(window->cmdPreset_Click().ok());
    EXPECT_EQ(Text(ids::txtWidth), L"-3");
    EXPECT_EQ(Text(ids::txtHeight), L"45");
    EXPECT_EQ(seam().Viewer().ImageWidth(), 200);
}

// With the zoom moved away from 100 and left at it: the boxes read the image's own size.
TEST_F(ImageCommandsTest, OriginalBringsBackTheCapturedPixelsAfterConversionsAndResize) {
    std::vector<uint32_t> captured(seam().Viewer().image().pixels(),
                                   seam().Viewer().image().pixels() + 200 * 100);
    for (int zoomAfterResize : {20, 100}) {
        SCOPED_TRACE(zoomAfterResize);
        ASSERT_TRUE(window->cmdBlackAndWhite_Click().ok());
        TypeSize(L"1", L"1");
        window->cmdReSize_Click();
        seam().SetZoomValue(zoomAfterResize);
        ASSERT_TRUE(window->cmdOriginal_Click().ok());
        const Image& image = seam().Viewer().image();
        ASSERT_EQ(image.width(), 200);
        ASSERT_EQ(image.height(), 100);
        EXPECT_TRUE(std::equal(captured.begin(), captured.end(), image.pixels()));
        EXPECT_EQ(Text(ids::lblHeight), L"100");
        EXPECT_EQ(seam().ZoomValue(), 100);
        EXPECT_EQ(Text(ids::txtWidth), L"200");
        EXPECT_EQ(Text(ids::txtHeight), L"100");
    }
}

TEST_F(SnapshotWindowTest, ImageCommandsWithoutAnImageSayWhyInTheStatusBar) {
    SnapScript failed;
    failed.status(-1);
    Open({failed});
    WaitForIdle();
    SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(ids::cmdGray, BN_CLICKED), 0);
    EXPECT_EQ(Panel(1), L"No image is loaded");
    EXPECT_FALSE(seam().Busy());
    // Original has no work file to reload: a text of its own replaces the one before.
    SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(ids::cmdOriginal, BN_CLICKED), 0);
    EXPECT_EQ(Panel(1), L"File not found");
    EXPECT_TRUE(boxes->Seen().empty());

    // Called without the window's reporting, a handler that fails half-way leaves no hourglass.
    seam().UseSnapFactory([](HtmlSnapEvents*) -> Result<std::unique_ptr<HtmlSnap>> {
        return errors::ObjectRequired();
    });
    seam().SetControlText(ids::txtAddress, L"http://127.0.0.1/again.html");
    const std::pair<const char*, std::function<Status()>> failing[] = {
        {"gray", [&] { return window->cmdGray_Click(); }},
        {"black and white", [&] { return window->cmdBlackAndWhite_Click(); }},
        {"snapshot", [&] { return window->cmdSnapshot_Click(); }},
    };
    for (const auto& [name, click] : failing) {
        EXPECT_FALSE(click().ok()) << name;
        EXPECT_FALSE(seam().Busy()) << name;
    }
}

}  // namespace
}  // namespace pagelens::test
