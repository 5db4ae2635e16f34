// standin_browser.exe run as the demo runs it, in a process of its own: the failure path that
// ends in a message box, the whole path through capture, screenshot and work file, and the
// time limit that ends a run instead of letting it hang.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/text_codepage.h"
#include "imaging/gdiplus_session.h"
#include "imaging/image_files.h"
#include "standin/drawn_page.h"
#include "standin/extension_module.h"
#include "tests/extension/extension_fixture.h"
#include "tests/snapshot/drawn_page_checks.h"
#include "tests/support/test_support.h"

namespace pagelens::test {
namespace {

class StandinProgram : public RegisteredExtensionTest {};

std::wstring StandinProgram() { return BuildDir() + L"\\standin\\standin_browser.exe"; }

ProcessRun RunStandin(const std::wstring& arguments) {
    return RunCaptured(L"\"" + StandinProgram() + L"\" " + arguments, std::chrono::minutes(3));
}

bool Contains(const std::string& output, const char* text) {
    return output.find(text) != std::string::npos;
}

TEST_F(StandinProgram, ReportsTheExtensionsErrorBoxForADocumentThatIsNotHtml) {
    auto run = RunStandin(L"--document plain --command-id 5");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "QueryStatus: 0x00000000, command 5 flags 3")) << run.output;
    EXPECT_TRUE(Contains(run.output,
                         "message box \"iePagelens\": \"iePagelens Error: Type mismatch\" [OK]"))
        << run.output;
    EXPECT_TRUE(Contains(run.output, "Exec returned 0x00000000")) << run.output;
}

TEST_F(StandinProgram, CapturesThenWritesScreenshotAndWorkFileAndCloses) {
    TempFolder folder;
    const auto workFoldersBefore = standin::WorkFolders(0);
    const std::wstring screenshot = folder.file(L"window.png");
    const std::wstring workCopy = folder.file(L"page.jpg");
    auto run = RunStandin(
        L"--register \"" + ExtensionDllPath() +
        L"\" --address \"data:text/html,<body style='background:%23cde'><h1>Stand-in</h1>\""
        L" --wait-capture"
        L" --screenshot \"" +
        screenshot + L"\" --copy-work-file \"" + workCopy + L"\" --close");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "status: The snapshot is successfully taken")) << run.output;
    EXPECT_TRUE(Contains(run.output, "the snapshot window closed")) << run.output;

    // A picture of the whole window: frame, controls and the captured page.
    Picture window = ReadPicture(screenshot);
    EXPECT_GT(window.width, 300u);
    EXPECT_GT(window.height, 200u);
    EXPECT_GE(window.colours.size(), 10u);
    Picture page = ReadPicture(workCopy);
    EXPECT_GT(page.width, 0u);
    EXPECT_TRUE(ColoursNear(page.nearBottomRight, OpaqueColour(RGB(0xCC, 0xDD, 0xEE)), 8))
        << std::hex << page.nearBottomRight << ": not the page's background";
    // The window deleted its own work file when it closed; our copy is what is left.
    // The window removed its own work folder when it closed (and may have swept older ones).
    for (const auto& left : standin::WorkFolders(0))
        EXPECT_NE(std::ranges::find(workFoldersBefore, left), workFoldersBefore.end())
            << ToUtf8(left);
}

TEST_F(StandinProgram, TimeLimitEndsARunThatWouldWaitLonger) {
    auto run = RunStandin(L"--document plain --time-limit 1 --pause 60000");
    EXPECT_EQ(run.exitCode, 3) << run.output;
    EXPECT_TRUE(Contains(run.output, "time limit of 1 s reached")) << run.output;
}

// The capture browser of a host that ends abruptly (here by the time limit, in the middle of a
// page load that never finishes) must not stay behind: it would live on with nobody to end it.
TEST_F(StandinProgram, CaptureBrowserEndsWithTheProgramThatStartedIt) {
    TempFolder temp;  // the browser's profile lies in it, so its command line names it
    const std::string marker = ToUtf8(temp.path().substr(temp.path().rfind(L'\\') + 1));
    wchar_t savedTmp[MAX_PATH] = {}, savedTemp[MAX_PATH] = {};
    GetEnvironmentVariableW(L"TMP", savedTmp, MAX_PATH);
    GetEnvironmentVariableW(L"TEMP", savedTemp, MAX_PATH);
    SetEnvironmentVariableW(L"TMP", temp.path().c_str());
    SetEnvironmentVariableW(L"TEMP", temp.path().c_str());
    auto run = RunStandin(
        L"--register \"" + ExtensionDllPath() +
        L"\" --address \"data:text/html,<script>for(;;);</script>\" --time-limit 8"
        L" --wait-status \"Loading data:text/html,<script>for(;;);</script>\" --pause 60000");
    SetEnvironmentVariableW(L"TMP", savedTmp);
    SetEnvironmentVariableW(L"TEMP", savedTemp);
    EXPECT_EQ(run.exitCode, 3) << run.output;
    EXPECT_TRUE(Contains(run.output, "status: Loading")) << run.output;

    bool browserGone = false;
    for (int i = 0; i < 100 && !browserGone; ++i) {
        browserGone = HostCommandLinesContaining(marker).empty();
        if (!browserGone) Sleep(100);
    }
    for (const auto& left : HostCommandLinesContaining(marker)) ADD_FAILURE() << "left: " << left;
    EXPECT_TRUE(browserGone);
}

TEST_F(StandinProgram, StepsFailWhenTheWindowNeverOpens) {
    auto run = RunStandin(L"--document none --wait-capture");
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(Contains(run.output, "the snapshot window did not open")) << run.output;
}

// The DLL in the stand-in browser over a page that draws itself: the work file is the page as
// the tab shows it, drawn by the browser's own engine.
TEST_F(StandinProgram, CapturesAPageThatDrawsItselfInTheBrowsersEngine) {
    TempFolder folder;
    const std::wstring workCopy = folder.file(L"page.jpg");
    auto run = RunStandin(L"--register \"" + ExtensionDllPath() +
                          L"\" --document drawn --address http://intranet.example/drawn.html"
                          L" --wait-capture --copy-work-file \"" +
                          workCopy + L"\" --close");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "status: The snapshot is successfully taken")) << run.output;
    GdiplusSession gdiplus;
    auto image = LoadImageFile(workCopy);
    ASSERT_TRUE(image.ok());
    // The same design as the program's, measured here.
    standin::PageDesign design;
    design.url = L"http://intranet.example/drawn.html";
    const standin::DrawnPage page(nullptr, design);
    EXPECT_TRUE(ShowsDrawnPage(*image, page));
}

}  // namespace
}  // namespace pagelens::test
