// A typed address where no capture browser may run (here: a Protected Mode tab) is opened in the
// browser's own engine, in a WebBrowser control of ours. The control is the stand-in's, which
// plays Internet Explorer's as its container sees it: in-place activation in our window,
// navigation, a document that loads for a while and then draws itself.
#include <exdispid.h>
#include <gtest/gtest.h>
#include <mshtmdid.h>

#include <memory>
#include <string>

#include "common/protected_mode.h"
#include "components/snapshot/browser_process/browser_locator.h"
#include "components/snapshot/view_capture/hosted_browser.h"
#include "components/snapshot/view_capture/zone_protection.h"
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
    // What the page tries once shown: only a navigation on the web goes ahead.
    behaviour.attempts = {{DISPID_NEWWINDOW3, L"http://intranet.example/popup"},
                          {DISPID_FILEDOWNLOAD, L""},
                          {DISPID_BEFORENAVIGATE2, L"mailto:someone@example.com"},
                          {DISPID_BEFORENAVIGATE2, L"ms-settings:display"},
                          {DISPID_BEFORENAVIGATE2, L"https://intranet.example/next"}};
    UseControls(behaviour);
    CaptureAddress(L"http://intranet.example/report");
    ASSERT_EQ(recorder_.finalCode(), 1) << recorder_.finalText();
    EXPECT_TRUE(recorder_.HasStatusContaining(L"Opening the address in the browser's own engine"));
    EXPECT_EQ(log_->addresses, std::vector<std::wstring>{L"http://intranet.example/report"});
    EXPECT_TRUE(log_->silent);  // nobody could answer its dialogs
    const LONG restrictions = DLCTL_NO_JAVA | DLCTL_NO_RUNACTIVEXCTLS | DLCTL_NO_DLACTIVEXCTLS |
                              DLCTL_NO_BEHAVIORS | DLCTL_SILENT;
    ASSERT_TRUE(log_->downloadControl.has_value());
    EXPECT_EQ(*log_->downloadControl & restrictions, restrictions);
    EXPECT_EQ(log_->cancelled, (std::vector<std::wstring>{
                                   L"273 http://intranet.example/popup", L"270 ",
                                   L"250 mailto:someone@example.com", L"250 ms-settings:display"}));
    EXPECT_EQ(log_->allowed, (std::vector<std::wstring>{L"250 http://intranet.example/report",
                                                        L"250 https://intranet.example/next"}));
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

// Outside Protected Mode, with no capture browser, our control opens only what Internet Explorer
// would open without Protected Mode; the rest ends at once saying why, and nothing is opened.
TEST_F(AddressEngineTest, OutsideProtectedModeOnlyZonesWithoutItAreOpened) {
    protectedMode_.reset();
    ASSERT_FALSE(InProtectedMode());
    capture::NoCaptureBrowserScope noCaptureBrowser;
    standin::BrowserControlBehaviour behaviour;
    behaviour.pageFor = [](const std::wstring&) { return standin::PageDesign{}; };
    const struct {
        const char* name;
        std::optional<capture::ZoneAnswer> zone;
        int32_t code;
        const wchar_t* text;
    } cases[] = {
        {"Internet zone", capture::ZoneAnswer{3, true}, -1, L"in the Internet zone"},
        {"zone unknown", std::nullopt, -1, L"zone of the address cannot be told"},
        {"Local intranet zone", capture::ZoneAnswer{1, false}, 1, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        recorder_ = CaptureRecorder();
        log_ = std::make_shared<standin::BrowserControlLog>();
        UseControls(behaviour);
        std::wstring asked;
        capture::ZoneLookupOverride zones([&](const std::wstring& url) {
            asked = url;
            return c.zone;
        });
        CaptureAddress(L"intranet.example/report");
        EXPECT_EQ(asked, L"http://intranet.example/report");
        EXPECT_EQ(recorder_.finalCode(), c.code) << recorder_.finalText();
        if (c.text) {
            EXPECT_NE(recorder_.finalText().find(c.text), std::wstring::npos)
                << recorder_.finalText();
            EXPECT_EQ(log_->created, 0);
        }
        snap_.reset();
    }
    // The system's security manager answers for a web address.
    EXPECT_TRUE(capture::ZoneOf(L"http://intranet.example/").has_value());
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
