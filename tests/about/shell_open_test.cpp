#include "about/shell_open.h"

#include <gtest/gtest.h>

#include "tests/about/shell_recorder.h"
#include "tests/support/test_support.h"

namespace pagelens {
namespace {

TEST(ShellOpen, SuccessIsAShellResultOf33OrMore) {
    const struct {
        INT_PTR reply;
        bool expected;
    } cases[] = {{0, false}, {2, false}, {31, false}, {32, false},
                 {33, true}, {34, true}, {42, true},  {0x10000, true}};
    for (const auto& c : cases) {
        test::ShellRecorder shell(c.reply);
        EXPECT_EQ(ShellOpen(L"target", L"Open", std::nullopt, std::nullopt, 0), c.expected)
            << "shell result " << c.reply;
    }
}

TEST(ShellOpen, PassesEveryArgumentAndAbsentOnesAsNull) {
    test::ShellRecorder shell;
    ShellOpen(L"http://www.velmora.example/", L"Open", std::nullopt, std::nullopt, 0);
    ShellOpen(L"C:\\notes.txt", L"print", L"/quiet", L"C:\\work", SW_SHOWNORMAL);
    ShellOpen(L"app.exe", L"Open", L"", L"", SW_HIDE);

    ASSERT_EQ(shell.calls().size(), 3u);
    const test::ShellCall& first = shell.calls()[0];
    EXPECT_EQ(first.owner, nullptr);
    EXPECT_EQ(first.verb, "Open");
    EXPECT_EQ(first.file, "http://www.velmora.example/");
    EXPECT_EQ(first.parameters, std::nullopt);
    EXPECT_EQ(first.folder, std::nullopt);
    EXPECT_EQ(first.show, 0);

    const test::ShellCall& second = shell.calls()[1];
    EXPECT_EQ(second.verb, "print");
    EXPECT_EQ(second.file, "C:\\notes.txt");
    EXPECT_EQ(second.parameters, "/quiet");
    EXPECT_EQ(second.folder, "C:\\work");
    EXPECT_EQ(second.show, SW_SHOWNORMAL);

    // An empty string is present, not absent: it reaches the shell as "" rather than null.
    const test::ShellCall& third = shell.calls()[2];
    EXPECT_EQ(third.parameters, "");
    EXPECT_EQ(third.folder, "");
}

TEST(ShellOpen, RealShellReportsAMissingFileAsFailure) {
    // Also shows that the recorders of the tests above put the real shell back.
    test::TempFolder folder;
    EXPECT_FALSE(
        ShellOpen(folder.file(L"no-such-document.txt"), L"Open", std::nullopt, std::nullopt, 0));
}

}  // namespace
}  // namespace pagelens
