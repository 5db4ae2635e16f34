// standin_browser.exe run as the demo runs it, in a process of its own: the failure path that
// ends in a message box, the whole path through capture, screenshot and work file, and the
// time limit that ends a run instead of letting it hang.
#include <gtest/gtest.h>

#include "common/text_codepage.h"
#include "tests/extension/extension_fixture.h"
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
    const std::wstring screenshot = folder.file(L"window.png");
    const std::wstring workCopy = folder.file(L"page.jpg");
    auto run = RunStandin(L"--register \"" + ExtensionDllPath() +
                          L"\" --address \"data:text/html,<h1>Stand-in</h1>\" --wait-capture"
                          L" --screenshot \"" +
                          screenshot + L"\" --copy-work-file \"" + workCopy + L"\" --close");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "status: The snapshot is successfully taken")) << run.output;
    EXPECT_TRUE(Contains(run.output, "the snapshot window closed")) << run.output;

    auto png = ReadFileBytes(screenshot);
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
    auto jpeg = ReadFileBytes(workCopy);
    ASSERT_GT(jpeg.size(), 2u);
    EXPECT_EQ(jpeg[0], 0xFF);
    EXPECT_EQ(jpeg[1], 0xD8);
    // The window deleted its own work file when it closed; our copy is what is left.
    size_t slash = ExtensionDllPath().find_last_of(L'\\');
    EXPECT_FALSE(FileExists(ExtensionDllPath().substr(0, slash + 1) + L"snapshot.jpg"));
}

TEST_F(StandinProgram, TimeLimitEndsARunThatWouldWaitLonger) {
    auto run = RunStandin(L"--document plain --time-limit 1 --pause 60000");
    EXPECT_EQ(run.exitCode, 3) << run.output;
    EXPECT_TRUE(Contains(run.output, "time limit of 1 s reached")) << run.output;
}

TEST_F(StandinProgram, StepsFailWhenTheWindowNeverOpens) {
    auto run = RunStandin(L"--document none --wait-capture");
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(Contains(run.output, "the snapshot window did not open")) << run.output;
}

}  // namespace
}  // namespace pagelens::test
