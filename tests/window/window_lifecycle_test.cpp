#include "common/number_text.h"
#include "tests/window/window_fixture.h"
#include "window/layout.h"

namespace pagelens::test {
namespace {

SnapScript Succeeds() {
    SnapScript s;
    s.image = SolidImage(40, 30, 0xFF336699);
    s.write().status(1);
    return s;
}

RECT FrameOf(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    return r;
}

TEST(Layout, ViewerFillsTheWidthBetweenZoomBarAndStatusBar) {
    const TwipsRect design = ViewerPlacement(9150, 6090, 420);
    EXPECT_EQ(design.left, 0);
    EXPECT_EQ(design.top, 1865);
    EXPECT_EQ(design.width, 9150);
    EXPECT_EQ(design.height, 3755);
    EXPECT_EQ(ViewerPlacement(3000, 1000, 420).height, 0);  // shrunk too far: nothing negative
}

// What a user reads: no caption wraps or is cut, and the status bar has the design's height.
TEST_F(SnapshotWindowTest, EveryCaptionReadsWholeAndTheStatusBarHasItsDesignHeight) {
    Open({Succeeds()});
    for (int id : {ids::Label2, ids::Label3, ids::Label6, ids::Label4, ids::Label5, ids::Label8,
                   ids::Label7, ids::Label1, ids::cmdSnapshot, ids::cmdSave, ids::cmdAbout,
                   ids::cmdReSize, ids::cmdPreset, ids::cmdOriginal, ids::cmdGray}) {
        HWND control = GetDlgItem(window->hwnd(), id);
        ASSERT_TRUE(control) << id;
        const std::wstring caption = Text(id);
        HDC dc = GetDC(control);
        HGDIOBJ old =
            SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
        SIZE extent{};
        GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
        SelectObject(dc, old);
        ReleaseDC(control, dc);
        RECT client;
        GetClientRect(control, &client);
        EXPECT_LE(extent.cx, client.right) << "cut: " << caption;
    }
    EXPECT_EQ(seam().sbStatusBar().HeightPixels(), TwipsToPixels(420, 96));
}

TEST_F(SnapshotWindowTest, FirstUseOpensWithTheDefaults) {
    Open({Succeeds()});
    const RECT frame = FrameOf(window->hwnd());
    EXPECT_EQ(frame.left, TwipsToPixels(1, 96));
    EXPECT_EQ(frame.right - frame.left, TwipsToPixels(10000, 96));
    EXPECT_EQ(frame.bottom - frame.top, TwipsToPixels(6500, 96));
    EXPECT_EQ(SelectedListText(ids::cboQuality), L"85");
    EXPECT_EQ(SelectedListText(ids::cboImageType), L"jpg");
    EXPECT_EQ(Text(ids::txtWidth), L"120");
    EXPECT_EQ(Text(ids::txtHeight), L"90");
    EXPECT_EQ(Text(ids::lblWidth), L"-");
    EXPECT_EQ(State().settings.address, kDefaultAddress);
    EXPECT_TRUE(State().ready);
    EXPECT_EQ(SendMessageW(GetDlgItem(window->hwnd(), ids::cboQuality), CB_GETCOUNT, 0, 0), 101);
    EXPECT_EQ(SendMessageW(GetDlgItem(window->hwnd(), ids::cboImageType), CB_GETCOUNT, 0, 0), 8);
    // Loading reads settings and writes none.
    EXPECT_FALSE(StoredSetting(setting::ImageType));
    EXPECT_FALSE(StoredSetting(setting::JpegQuality));
}

TEST_F(SnapshotWindowTest, StoredValuesAreRestoredAndBadOnesCorrectedInMemoryOnly) {
    StoreSetting(setting::MainLeft, 1500.0f);
    StoreSetting(setting::MainTop, 3000.0f);
    StoreSetting(setting::MainWidth, 12000.0f);
    StoreSetting(setting::PagelensWidth, int32_t{0});
    StoreSetting(setting::PagelensHeight, int32_t{-4});
    StoreSetting(setting::ImageType, std::wstring(L"JPG"));
    StoreSetting(setting::JpegQuality, int32_t{140});
    Open({Succeeds()});
    const RECT frame = FrameOf(window->hwnd());
    EXPECT_EQ(frame.left, 100);
    EXPECT_EQ(frame.top, 200);
    EXPECT_EQ(frame.right - frame.left, 800);
    EXPECT_EQ(Text(ids::txtWidth), L"120");
    EXPECT_EQ(Text(ids::txtHeight), L"90");
    EXPECT_EQ(*StoredSetting(setting::PagelensWidth), L"0");
    EXPECT_EQ(SelectedListText(ids::cboImageType), L"<none>");
    EXPECT_EQ(SelectedListText(ids::cboQuality), L"<none>");
    EXPECT_EQ(State().settings.jpegQuality, 140);
}

TEST_F(SnapshotWindowTest, ADamagedSettingFallsBackToItsDefaultAndTheWindowStillOpens) {
    StoreSetting(setting::MainWidth, std::wstring(L"abc"));
    StoreSetting(setting::JpegQuality, std::wstring(L"high"));
    StoreSetting(setting::PagelensWidth, std::wstring(L"wide"));
    Open({Succeeds()});
    EXPECT_EQ(FrameOf(window->hwnd()).right - FrameOf(window->hwnd()).left,
              TwipsToPixels(10000, 96));
    EXPECT_EQ(SelectedListText(ids::cboQuality), L"85");
    EXPECT_EQ(Text(ids::txtWidth), L"120");
}

TEST_F(SnapshotWindowTest, EscapeFromAnyControlUnloadsStoresPlacementAndRemovesTheWorkFile) {
    Open({Succeeds()});
    WaitForIdle();
    ASSERT_TRUE(FileExists(seam().WorkFilePath()));
    MoveWindow(window->hwnd(), 30, 45, 700, 450, TRUE);
    HWND quality = GetDlgItem(window->hwnd(), ids::cboQuality);
    SetFocus(quality);
    PostMessageW(quality, WM_KEYDOWN, VK_ESCAPE, 0);
    // The window's own loop is not running: give the key to the window the way it would.
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, quality, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
    int16_t key = VK_ESCAPE;
    window->Form_KeyPress(key);
    EXPECT_EQ(window->hwnd(), nullptr);
    EXPECT_FALSE(FileExists(seam().WorkFilePath()));
    EXPECT_EQ(*StoredSetting(setting::MainLeft), L"450");
    EXPECT_EQ(*StoredSetting(setting::MainTop), L"675");
    EXPECT_EQ(*StoredSetting(setting::MainWidth), L"10500");
    EXPECT_EQ(*StoredSetting(setting::MainHeight), L"6750");
    EXPECT_EQ(factory->log().closed, 1);
}

TEST_F(SnapshotWindowTest, ClosingWhileMinimizedLeavesThePlacementAsItWas) {
    StoreSetting(setting::MainLeft, 300.0f);
    Open({Succeeds()});
    WaitForIdle();
    ShowWindow(window->hwnd(), SW_MINIMIZE);
    window->Unload();
    EXPECT_EQ(*StoredSetting(setting::MainLeft), L"300");
    EXPECT_FALSE(StoredSetting(setting::MainWidth));
}

TEST_F(SnapshotWindowTest, SetAddressWritesTheSettingOnEveryCall) {
    Open({Succeeds()});
    WaitForIdle();
    ASSERT_TRUE(window->SetAddress(L"example.test/a").ok());
    EXPECT_EQ(Text(ids::txtAddress), L"example.test/a");
    ClearSettings();
    ASSERT_TRUE(window->SetAddress(L"example.test/a").ok());
    EXPECT_EQ(*StoredSetting(setting::PagelensAddress), L"example.test/a");
}

TEST_F(SnapshotWindowTest, TheSameWindowObjectShowsAgainWithAFreshLoad) {
    Open({Succeeds()});
    WaitForIdle();
    window->Unload();
    StoreSetting(setting::ImageType, std::wstring(L"png"));
    ASSERT_TRUE(window->Load(browser.get()).ok());
    WaitForIdle();
    EXPECT_EQ(SelectedListText(ids::cboImageType), L"png");
    EXPECT_EQ(factory->log().created, 2);
}

TEST_F(SnapshotWindowTest, ViewerIsPlacedBelowTheZoomBarAcrossTheClient) {
    Open({Succeeds()});
    RECT client, viewer;
    GetClientRect(window->hwnd(), &client);
    GetWindowRect(seam().Viewer().hwnd(), &viewer);
    MapWindowPoints(nullptr, window->hwnd(), reinterpret_cast<POINT*>(&viewer), 2);
    EXPECT_EQ(viewer.left, 0);
    EXPECT_EQ(viewer.top, TwipsToPixels(1865, 96));
    EXPECT_EQ(viewer.right, client.right);
}

}  // namespace
}  // namespace pagelens::test
