// Pages that open JavaScript dialogs while they load are captured at once: nobody can see the
// capture browser's dialogs, so each is answered as it opens. The time limit is short, so a
// dialog left open fails the capture with -4 instead of passing slowly.
#include <gtest/gtest.h>

#include <string>

#include "components/snapshot/devtools_capture/dialog_answer.h"
#include "imaging/gdiplus_session.h"
#include "imaging/image_files.h"
#include "tests/snapshot/capture_recorder.h"
#include "tests/snapshot/snapshot_pages.h"
#include "tests/snapshot/test_http_server.h"
#include "tests/support/test_support.h"

namespace pagelens::test {
namespace {

TEST(DialogAnswer, AlertsAndLeavingAreAcceptedQuestionsDismissed) {
    const struct {
        const char* type;
        bool accept;
    } cases[] = {{"alert", true}, {"beforeunload", true}, {"confirm", false}, {"prompt", false},
                 {"", false},     {"somethingNew", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        const auto answer = capture::DialogAnswer({{"type", c.type}, {"message", "?"}});
        EXPECT_EQ(answer, (nlohmann::json{{"accept", c.accept}}));
    }
    EXPECT_EQ(capture::DialogAnswer(nlohmann::json()), (nlohmann::json{{"accept", false}}));
}

constexpr Colour kYes{220, 30, 30};
constexpr Colour kNo{30, 160, 40};

// Two blocks of 400 pixels: the first green once the page's script has run past its dialogs,
// the second green when a question was dismissed (red when it was accepted).
std::string PageAsking(const std::string& script) {
    return "<!doctype html><html><head><style>html,body{margin:0} div{height:400px;"
           "background:rgb(128,128,128)}</style></head><body><div id=\"ran\"></div>"
           "<div id=\"answer\"></div><div style=\"height:600px\"></div><script>"
           "const paint = (id, yes) => document.getElementById(id).style.background = yes ? '" +
           CssColour(kYes) + "' : '" + CssColour(kNo) + "';\n" + script +
           "\npaint('ran', false);</script></body></html>";
}

class PageDialogsTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_TRUE(CaptureProfileFolders().empty()) << "a capture browser profile is left";
    }

    Image CaptureInTime(const std::string& path) {
        auto run = CaptureAddress(server_.Url(path), workFile_, AddressCaptureSettings(15000));
        EXPECT_TRUE(run->finishedInTime);
        EXPECT_EQ(run->recorder.finalCode(), 1) << run->recorder.finalText();
        for (const auto& status : run->recorder.statuses)
            EXPECT_EQ(status.text.find(L"dialog"), std::wstring::npos);
        auto image = LoadImageFile(workFile_);
        EXPECT_TRUE(image.ok()) << "the work file does not load";
        return image.ok() ? std::move(image).value() : Image();
    }

    GdiplusSession gdiplus_;
    TempFolder folder_;
    TestHttpServer server_;
    std::wstring workFile_ = folder_.file(L"snapshot.jpg");
};

TEST_F(PageDialogsTest, AlertWhileLoadingIsAcceptedAndThePageCaptured) {
    server_.Route("/alert", {200, "text/html",
                             PageAsking("alert('Your session ends in 5 minutes');"
                                        "paint('answer', false);")});
    Image image = CaptureInTime("/alert");
    ASSERT_EQ(image.height(), 1400);
    EXPECT_TRUE(PixelNear(image, 640, 200, kNo));
    EXPECT_TRUE(PixelNear(image, 640, 600, kNo));
}

TEST_F(PageDialogsTest, ConfirmAndPromptAreDismissed) {
    server_.Route("/confirm", {200, "text/html",
                               PageAsking("paint('answer', confirm('Leave the old version?'));")});
    server_.Route("/prompt", {200, "text/html",
                              PageAsking("paint('answer', prompt('Your name?', 'x') !== null);")});
    for (const char* path : {"/confirm", "/prompt"}) {
        SCOPED_TRACE(path);
        Image image = CaptureInTime(path);
        ASSERT_EQ(image.height(), 1400);
        EXPECT_TRUE(PixelNear(image, 640, 200, kNo));
        EXPECT_TRUE(PixelNear(image, 640, 600, kNo));
    }
}

// A page that asks before it is left and then sends the browser on by itself: the capture
// goes on to where it lands.
TEST_F(PageDialogsTest, PageThatAsksBeforeItIsLeftIsCapturedWhereItLands) {
    server_.Route("/tall", {200, "text/html", StripedPage(12, 100)});
    server_.Route("/leaving", {200, "text/html",
                               "<html><head><script>"
                               "addEventListener('beforeunload', e => { e.preventDefault();"
                               " e.returnValue = 'Changes you made may not be saved.'; });"
                               "location.href = '/tall';"
                               "</script></head><body>Leaving</body></html>"});
    Image image = CaptureInTime("/leaving");
    ASSERT_EQ(image.height(), 1200);
    EXPECT_TRUE(PixelNear(image, 640, 1150, StripeColour(11)));
}

}  // namespace
}  // namespace pagelens::test
