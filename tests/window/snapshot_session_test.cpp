#include "window/snapshot_session.h"

#include <gtest/gtest.h>

#include "common/unique_handle.h"
#include "standin/documents.h"
#include "standin/web_browser.h"
#include "tests/support/test_support.h"
#include "tests/window/scripted_snap.h"
#include "window/capture_runner.h"

namespace pagelens::test {
namespace {

std::wstring UserTemp() {
    wchar_t temp[MAX_PATH];
    const DWORD n = GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp, n);
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsEmpty(const std::wstring& folder) {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return true;
    bool empty = true;
    do {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..") empty = false;
    } while (empty && FindNextFileW(find, &entry));
    FindClose(find);
    return empty;
}

// Two showings at once each get a work file of their own; what a window that ended without
// closing left is swept by the next one, and a closed showing leaves nothing.
TEST(SnapshotSession, EachShowingHasAWorkFileOfItsOwn) {
    TempFolder parent;
    const std::wstring crashed = parent.file(L"iePagelens-snapshot-4000000-1");
    ASSERT_TRUE(CreateDirectoryW(crashed.c_str(), nullptr));
    WriteFileBytes(crashed + L"\\snapshot.jpg", "page", 4);
    SnapshotSession first, second;
    ASSERT_TRUE(first.MakeWorkFile(parent.path()).ok());
    ASSERT_TRUE(second.MakeWorkFile(parent.path()).ok());
    EXPECT_FALSE(Exists(crashed));
    EXPECT_NE(first.WorkFilePath(), second.WorkFilePath());
    for (const auto* session : {&first, &second}) {
        const std::wstring& path = session->WorkFilePath();
        EXPECT_EQ(path.rfind(parent.path() + L"\\iePagelens-snapshot-", 0), 0u);
        EXPECT_EQ(path.substr(path.size() - 13), L"\\snapshot.jpg");
    }
    WriteFileBytes(first.WorkFilePath(), "first", 5);
    ASSERT_TRUE(second.MakeWorkFile(parent.path()).ok());  // the next showing's sweep
    EXPECT_TRUE(first.WorkFileExists());
    first.ReleaseWorkFile();
    second.ReleaseWorkFile();
    EXPECT_TRUE(IsEmpty(parent.path()));
    ASSERT_TRUE(first.MakeWorkFile(std::nullopt).ok());
    EXPECT_EQ(first.WorkFilePath().rfind(UserTemp() + L"iePagelens-snapshot-", 0), 0u);
}

TEST(SnapshotSession, EachWayOfCapturingWritesItsOwnSettingsInOrder) {
    ScriptedSnapFactory factory({SnapScript{}});
    SnapshotSession session;
    session.UseFactory(std::ref(factory));
    ASSERT_TRUE(session.StartNewSnap(kBrowserCaptureSettings, nullptr).ok());
    ASSERT_TRUE(session.StartNewSnap(kAddressCaptureSettings, nullptr).ok());
    const auto& seen = factory.log().settings;
    ASSERT_EQ(seen.size(), 2u);
    const std::vector<std::pair<int, int32_t>> browser = {
        {1, 40000}, {2, 1}, {3, 100}, {4, 1}, {5, 1}, {6, 1}, {7, 1}, {8, 1}, {9, 1000}};
    const std::vector<std::pair<int, int32_t>> address = {{1, 180000}, {2, 1}, {3, 100}, {4, 1},
                                                          {5, 1},      {6, 1}, {7, 0},   {9, 2000}};
    EXPECT_EQ(seen[0], browser);
    EXPECT_EQ(seen[1], address);
    // The first instance was dropped without Close when the second was made.
    EXPECT_EQ(factory.log().closed, 0);
    EXPECT_EQ(factory.log().destroyed, 1);
    session.CloseSnap();
    EXPECT_EQ(factory.log().closed, 1);
    EXPECT_EQ(session.Snap(), nullptr);
}

TEST(SnapshotSession, OnlyFinalCodesEndTheWaitAndEachHasItsText) {
    const struct {
        int32_t code;
        const wchar_t* text;
    } cases[] = {
        {1, L"The snapshot is successfully taken"},
        {-1, L"Fail to take the snapshot of the page"},
        {-2, L"Fail to save to file"},
        {-3, L"Fail to open the URL"},
        {-4, L"Time is out before taking a snapshot"},
        {0, nullptr},
        {7, nullptr},
        {-5, nullptr},
        {2, nullptr},
    };
    for (const auto& c : cases) {
        SnapshotSession session;
        session.BeginCapture();
        const wchar_t* text = FinalStatusText(c.code);
        if (c.text)
            EXPECT_STREQ(text, c.text) << c.code;
        else
            EXPECT_EQ(text, nullptr) << c.code;
        EXPECT_EQ(session.ReportStatus(c.code), c.text != nullptr) << c.code;
        EXPECT_EQ(session.CaptureDone(), c.text != nullptr) << c.code;
    }
}

TEST(SnapshotSession, DeletingTheWorkFileThatCannotGoIsAnAccessError) {
    SnapshotSession session;
    const std::wstring path = UserTemp() + L"pagelens-session-work.jpg";
    session.SetWorkFilePath(path);
    EXPECT_TRUE(session.DeleteWorkFile().ok());  // nothing there: nothing to do
    UniqueFile held(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(held);
    EXPECT_TRUE(session.WorkFileExists());
    const Status refused = session.DeleteWorkFile();  // open without sharing: cannot be deleted
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().number, 75);
    EXPECT_EQ(refused.error().description, L"Path/File access error");
    held.reset();
    EXPECT_TRUE(session.DeleteWorkFile().ok());
    EXPECT_FALSE(session.WorkFileExists());
}

// The two captures without a window: each ends where its instance should, shows only a written
// work file, and stops at a failing step.
TEST(CaptureRunner, EachCaptureEndsItsInstanceAsItsWaySays) {
    enum class Way { TabPage, TabWithoutPage, Address, BlankAddress, Closing };
    struct Case {
        const char* name;
        Way way;
        int32_t finalCode;
        bool writes;
        std::optional<CaptureEnd> end;  // nothing: an error
        int shown, closed, destroyed;
        bool instanceKept;
    };
    const Case cases[] = {
        {"tab page", Way::TabPage, 1, true, CaptureEnd::Done, 1, 1, 1, false},
        {"tab page failed", Way::TabPage, -1, false, CaptureEnd::Done, 0, 1, 1, false},
        {"tab without a page", Way::TabWithoutPage, 1, true, std::nullopt, 0, 0, 1, false},
        {"typed address", Way::Address, 1, true, CaptureEnd::Done, 1, 0, 0, true},
        {"typed address failed", Way::Address, -3, false, CaptureEnd::Done, 0, 0, 0, true},
        {"blank address", Way::BlankAddress, 1, true, CaptureEnd::Nothing, 0, 0, 0, true},
        {"window closing", Way::Closing, 0, false, CaptureEnd::Abandoned, 0, 0, 0, true},
    };
    UniqueHwnd frame(CreateWindowExW(0, L"STATIC", L"tab", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                     nullptr, nullptr, nullptr, nullptr));
    const std::wstring page = L"http://127.0.0.1/page.html";
    auto browser = standin::CreateWebBrowser(
        frame.get(),
        {standin::CreateDocument(standin::DocumentKind::Html, page, L"Page"), page, L"Page"});
    TempFolder parent;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SnapScript script;
        script.image = SolidImage(8, 6, 0xFF00FF00);
        if (c.writes) script.write();
        script.status(c.finalCode);
        ScriptedSnapFactory factory({script});
        SnapshotSession session;
        session.UseFactory(std::ref(factory));
        ASSERT_TRUE(session.MakeWorkFile(parent.path()).ok());
        struct : HtmlSnapEvents {
            SnapshotSession* session;
            void OnProgress(int32_t) override {}
            void OnStatus(const std::wstring&, int32_t code) override {
                session->ReportStatus(code);
            }
        } events;
        events.session = &session;
        int shown = 0;
        std::wstring found;
        CaptureRunner runner(session, &events,
                             {.clearImage = [] {},
                              .showResult = [&] { return ++shown, Status{}; },
                              .abandoned = [&] { return c.way == Way::Closing; },
                              .preTranslate = {}});
        const auto end =
            c.way == Way::TabPage || c.way == Way::TabWithoutPage
                ? runner.CaptureTabPage(c.way == Way::TabPage ? browser.get() : nullptr,
                                        [&](const std::wstring& address) { found = address; })
                : runner.CaptureTypedAddress(c.way == Way::BlankAddress ? L"" : page);
        EXPECT_EQ(end.ok() ? std::optional(*end) : std::nullopt, c.end);
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(factory.log().created, 1);
        EXPECT_EQ(factory.log().closed, c.closed);
        EXPECT_EQ(factory.log().destroyed, c.destroyed);
        EXPECT_EQ(session.Snap() != nullptr, c.instanceKept);
        EXPECT_EQ(found, c.way == Way::TabPage ? page : L"");
        session.DropSnap();
        session.ReleaseWorkFile();
    }
}

}  // namespace
}  // namespace pagelens::test
