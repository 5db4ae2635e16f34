// A typed address where no capture browser may run (here: a Protected Mode tab) is opened in the
// browser's own engine, in a WebBrowser control of ours. The control is the stand-in's, which
// plays Internet Explorer's as its container sees it: in-place activation in our window,
// navigation, a document that loads for a while and then draws itself.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/protected_mode.h"
#include "components/snapshot/view_capture/hosted_browser.h"
#include "imaging/gdiplus_session.h"
#include "imaging/image_files.h"
#include "standin/browser_control.h"
#include "tests/snapshot/capture_recorder.h"
#include "tests/snapshot/drawn_page_checks.h"
#include "tests/support/test_support.h"

namespace pagelens::test {
namespace {

using namespace std::chrono_literals;

HRESULT WINAPI ReportsProtectedMode(BOOL* result) { return *result = TRUE, S_OK; }

Settings AddressCaptureSettings(int32_t timeLimit = 40000) {
    return {{1, timeLimit}, {2, 1}, {3, 100}, {4, 1}, {5, 1}, {6, 1}, {7, 0}, {9, 2000}};
}

class AddressEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        functions_.IEIsProtectedModeProcess = &ReportsProtectedMode;
        protectedMode_ = std::make_unique<ProtectedModeApiOverride>(functions_);
    }
    void TearDown() override {
        snap_.reset();
        protectedMode_.reset();
        CoUninitialize();
    }
    void UseControls(standin::BrowserControlBehaviour behaviour) {
        controls_.reset();  // overrides nest: the one before goes first
        controls_ = std::make_unique<capture::BrowserControlOverride>(
            [this, behaviour](IOleObject** control) {
                return standin::CreateBrowserControl(behaviour, log_, control);
            });
    }
    void CaptureAddress(const std::wstring& address, int32_t timeLimit = 40000) {
        snap_ = std::move(HtmlSnap::Create(&recorder_)).value();
        for (const auto& [index, value] : AddressCaptureSettings(timeLimit))
            ASSERT_TRUE(snap_->SetSetting(index, value).ok());
        ASSERT_TRUE(snap_->CaptureUrl(address, workFile_).ok());
        ASSERT_TRUE(PumpUntil([&] { return recorder_.finished(); }, 60s));
    }
    bool WorkFileExists() const {
        return GetFileAttributesW(workFile_.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    ProtectedModeFunctions functions_;
    std::unique_ptr<ProtectedModeApiOverride> protectedMode_;
    std::unique_ptr<capture::BrowserControlOverride> controls_;
    std::shared_ptr<standin::BrowserControlLog> log_ =
        std::make_shared<standin::BrowserControlLog>();
    GdiplusSession gdiplus_;
    TempFolder folder_;
    std::wstring workFile_ = folder_.file(L"snapshot.jpg");
    CaptureRecorder recorder_;
    std::unique_ptr<HtmlSnap> snap_;
};

TEST_F(AddressEngineTest, TheAddressIsOpenedAndDrawnByTheBrowsersOwnEngine) {
    standin::BrowserControlBehaviour behaviour;
    behaviour.pageFor = [](const std::wstring&) { return standin::PageDesign{}; };
    UseControls(behaviour);
    CaptureAddress(L"http://intranet.example/report");
    ASSERT_EQ(recorder_.finalCode(), 1) << recorder_.finalText();
    EXPECT_TRUE(recorder_.HasStatusContaining(L"Opening the address in the browser's own engine"));
    EXPECT_EQ(log_->addresses, std::vector<std::wstring>{L"http://intranet.example/report"});
    EXPECT_TRUE(log_->silent);  // nobody could answer its dialogs
    ASSERT_TRUE(log_->shown);
    auto image = LoadImageFile(workFile_);
    ASSERT_TRUE(image.ok());
    // The view the control was given is the address capture's, 1280 x 800.
    EXPECT_EQ(log_->shown->design().viewWidth, 1280);
    EXPECT_TRUE(ShowsDrawnPage(*image, *log_->shown));
    EXPECT_TRUE(snap_->Close().ok());
    EXPECT_EQ(log_->closed, 1);
}

TEST_F(AddressEngineTest, AnAddressTheEngineCannotOpenLoadOrDrawEndsWithOneFinalCode) {
    const struct {
        const char* name;
        bool opens;
        bool drawFails;
        int loadingPolls;
        int32_t timeLimit;
        int32_t code;
    } cases[] = {
        {"cannot be opened: IE's error page", false, false, 2, 40000, -3},
        {"still loading at the time limit", true, false, 1 << 30, 1500, -4},
        {"loaded, but its drawing fails", true, true, 2, 40000, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        recorder_ = CaptureRecorder();
        standin::BrowserControlBehaviour behaviour;
        behaviour.loadingPolls = c.loadingPolls;
        const bool opens = c.opens, drawFails = c.drawFails;
        behaviour.pageFor = [=](const std::wstring&) -> std::optional<standin::PageDesign> {
            if (!opens) return std::nullopt;
            standin::PageDesign design;
            design.drawFails = drawFails;
            return design;
        };
        UseControls(behaviour);
        CaptureAddress(L"http://gone.example/", c.timeLimit);
        EXPECT_EQ(recorder_.finalCode(), c.code) << recorder_.finalText();
        EXPECT_EQ(recorder_.finals().size(), 1u);
        EXPECT_EQ(log_->addresses.back(), L"http://gone.example/");  // our stand-in's control
        EXPECT_FALSE(WorkFileExists());
        snap_.reset();
    }
}

TEST_F(AddressEngineTest, WithoutAControlTheCaptureSaysWhatIsMissing) {
    controls_ = std::make_unique<capture::BrowserControlOverride>(
        [](IOleObject**) { return REGDB_E_CLASSNOTREG; });
    CaptureAddress(L"http://intranet.example/");
    EXPECT_EQ(recorder_.finalCode(), -1);
    EXPECT_TRUE(recorder_.HasStatusContaining(L"browser's own engine cannot open the address"));
    EXPECT_EQ(recorder_.finalText(), kNoCaptureBrowserInProtectedMode);
}

TEST_F(AddressEngineTest, CloseWhileThePageLoadsEndsWithoutAReport) {
    standin::BrowserControlBehaviour behaviour;
    behaviour.loadingPolls = 1 << 30;
    behaviour.pageFor = [](const std::wstring&) { return standin::PageDesign{}; };
    UseControls(behaviour);
    snap_ = std::move(HtmlSnap::Create(&recorder_)).value();
    ASSERT_TRUE(snap_->CaptureUrl(L"http://slow.example/", workFile_).ok());
    ASSERT_TRUE(PumpUntil([&] { return !log_->addresses.empty(); }, 10s));
    PumpFor(200ms);
    EXPECT_TRUE(snap_->Close().ok());
    PumpFor(200ms);
    EXPECT_FALSE(recorder_.finished());
    EXPECT_EQ(log_->closed, 1);
    EXPECT_FALSE(WorkFileExists());
}

}  // namespace
}  // namespace pagelens::test
