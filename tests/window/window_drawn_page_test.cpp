// The real window with the real snapshot component over the stand-in's drawn page, as the user
// sees it: the window shows the tab's page at its full size, and the tab is as it was
// afterwards, also when the window is closed during the capture.
#include <gtest/gtest.h>

#include <memory>

#include "imaging/image_files.h"
#include "standin/drawn_page.h"
#include "standin/message_boxes.h"
#include "standin/web_browser.h"
#include "tests/snapshot/drawn_page_checks.h"
#include "tests/support/test_support.h"
#include "tests/window/window_fixture.h"
#include "window/control_ids.h"
#include "window/snapshot_window.h"

namespace pagelens::test {
namespace {

using namespace std::chrono_literals;

class DrawnPageWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        ClearSettings();
        boxes_ = std::make_unique<standin::MessageBoxWatcher>();
        frame_.reset(CreateWindowExW(0, L"STATIC", L"browser", WS_OVERLAPPEDWINDOW, 0, 0, 1000, 800,
                                     nullptr, nullptr, nullptr, nullptr));
        page_ = std::make_unique<standin::DrawnPage>(frame_.get(), standin::PageDesign{});
        page_->ScrollAsUser(0, 1500);
        browser_ = standin::CreateWebBrowser(frame_.get(), {ComPtr<IDispatch>(page_->document()),
                                                            page_->design().url, L"Drawn page"});
        window_ = std::make_unique<frmMain>();
        ASSERT_TRUE(window_->Load(browser_.get()).ok());
    }
    void TearDown() override {
        if (window_ && window_->hwnd()) window_->Unload();
        window_.reset();
        browser_.reset();
        page_.reset();
        frame_.reset();
        boxes_.reset();
        ClearSettings();
        CoUninitialize();
    }
    std::wstring Panel(int panel) {
        return SnapshotWindowSeam(*window_).sbStatusBar().PanelText(panel);
    }

    std::unique_ptr<standin::MessageBoxWatcher> boxes_;
    UniqueHwnd frame_;
    std::unique_ptr<standin::DrawnPage> page_;
    ComPtr<IWebBrowser2> browser_;
    std::unique_ptr<frmMain> window_;
};

TEST_F(DrawnPageWindowTest, TheWindowShowsTheTabsPageAsTheTabShowsIt) {
    ASSERT_TRUE(PumpUntil(
        [&] {
            return Panel(1) == L"The snapshot is successfully taken" &&
                   !SnapshotWindowSeam(*window_).Busy();
        },
        60s))
        << "panel 1: " << Panel(1);
    EXPECT_EQ(SnapshotWindowSeam(*window_).ControlText(ids::lblWidth),
              std::to_wstring(page_->pageWidth()));
    EXPECT_EQ(SnapshotWindowSeam(*window_).ControlText(ids::lblHeight),
              std::to_wstring(page_->pageHeight()));
    EXPECT_EQ(SnapshotWindowSeam(*window_).ControlText(ids::txtAddress), page_->design().url);
    EXPECT_TRUE(ShowsDrawnPage(SnapshotWindowSeam(*window_).Viewer().image(), *page_));
    EXPECT_EQ(page_->scroll().y, 1500);
    EXPECT_EQ(page_->headerVisibility(), L"");
    EXPECT_TRUE(boxes_->Seen().empty());
}

TEST_F(DrawnPageWindowTest, ClosingTheWindowDuringTheCapturePutsTheTabBack) {
    // The user closes the window while the third part is drawn: the close comes in between two
    // steps of the capture, as any input does.
    page_->OnDraw([&](int draws) {
        if (draws == 3) PostMessageW(window_->hwnd(), WM_CLOSE, 0, 0);
    });
    const std::wstring workFile = SnapshotWindowSeam(*window_).WorkFilePath();
    ASSERT_TRUE(PumpUntil([&] { return window_->hwnd() == nullptr; }, 60s));
    const int draws = page_->draws();
    PumpFor(300ms);
    EXPECT_EQ(page_->draws(), draws) << "the capture went on";
    EXPECT_LE(draws, 3);  // of 7
    EXPECT_EQ(page_->scroll().y, 1500);
    EXPECT_EQ(page_->headerVisibility(), L"");
    EXPECT_FALSE(FileExists(workFile));
    EXPECT_TRUE(boxes_->Seen().empty());
}

}  // namespace
}  // namespace pagelens::test
