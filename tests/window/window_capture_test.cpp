#include <atomic>
#include <thread>

#include "imaging/image_files.h"
#include "standin/documents.h"
#include "standin/web_browser.h"
#include "tests/window/window_fixture.h"

namespace pagelens::test {
namespace {

SnapScript Capture(int width, int height, int32_t finalCode = 1) {
    SnapScript s;
    s.image = SolidImage(width, height, 0xFF112233);
    s.progress(42).status(0, L"Loading the page...");
    if (finalCode == 1) s.write();
    s.status(finalCode);
    return s;
}

std::vector<std::pair<int, int32_t>> Settings(std::initializer_list<std::pair<int, int32_t>> l) {
    return l;
}

TEST_F(SnapshotWindowTest, BrowserCaptureShowsTheWholeImageAndItsSize) {
    Open({Capture(64, 480)});
    WaitForIdle();
    EXPECT_EQ(Text(ids::lblWidth), L"64");
    EXPECT_EQ(Text(ids::lblHeight), L"480");
    EXPECT_EQ(Text(ids::lblZoom), L"100%");
    EXPECT_EQ(Text(ids::txtWidth), L"64");
    EXPECT_EQ(Panel(1), L"The snapshot is successfully taken");
    EXPECT_EQ(Panel(2), L"42%");
    EXPECT_EQ(Text(ids::txtAddress), L"http://127.0.0.1/page.html");
    EXPECT_EQ(*StoredSetting(setting::PagelensAddress), L"http://127.0.0.1/page.html");
    const SnapLog& log = factory->log();
    EXPECT_EQ(
        log.settings[0],
        Settings(
            {{1, 40000}, {2, 1}, {3, 100}, {4, 1}, {5, 1}, {6, 1}, {7, 1}, {8, 1}, {9, 1000}}));
    EXPECT_EQ(log.closed, 1);
    EXPECT_EQ(log.destroyed, 1);
    EXPECT_TRUE(boxes->Seen().empty());
}

TEST_F(SnapshotWindowTest, EachFailureCodeShowsItsMessageAndLeavesTheViewerEmpty) {
    const std::pair<int32_t, const wchar_t*> cases[] = {
        {-1, L"Fail to take the snapshot of the page"},
        {-2, L"Fail to save to file"},
        {-3, L"Fail to open the URL"},
        {-4, L"Time is out before taking a snapshot"},
    };
    for (const auto& [code, text] : cases) {
        Open({Capture(10, 10, code)});
        WaitForIdle();
        EXPECT_EQ(Panel(1), text) << code;
        EXPECT_EQ(seam().Viewer().ImageWidth(), 0) << code;
        EXPECT_EQ(Text(ids::lblWidth), L"-") << code;
        EXPECT_EQ(Text(ids::lblZoom), L"") << code;
        window->Unload();
    }
}

TEST_F(SnapshotWindowTest, ProgressAndNonFinalStatusesDoNotEndTheWait) {
    SnapScript s;
    s.image = SolidImage(8, 8, 0xFFFFFFFF);
    bool checked = false;
    s.progress(0).progress(-5).status(0, L"first").status(7, L"seventh");
    s.run([&] {
        EXPECT_EQ(Panel(2), L"");
        EXPECT_EQ(Panel(1), L"seventh");
        EXPECT_TRUE(seam().Busy());
        checked = true;
    });
    s.progress(100).write().status(1);
    Open({s});
    WaitForIdle();
    EXPECT_TRUE(checked);
    EXPECT_EQ(Panel(2), L"100%");
}

TEST_F(SnapshotWindowTest, AddressCaptureUsesTheTypedAddressAndEmptiesProgressAtTheEnd) {
    Open({Capture(20, 20), Capture(30, 40)});
    WaitForIdle();
    seam().SetControlText(ids::txtAddress, L"  http://127.0.0.1/other.html  ");
    ASSERT_TRUE(window->cmdSnapshot_Click().ok());
    const SnapLog& log = factory->log();
    EXPECT_EQ(log.addresses.back(), L"http://127.0.0.1/other.html");
    EXPECT_EQ(log.settings[1],
              Settings({{1, 180000}, {2, 1}, {3, 100}, {4, 1}, {5, 1}, {6, 1}, {7, 0}, {9, 2000}}));
    EXPECT_EQ(Text(ids::lblWidth), L"30");
    EXPECT_EQ(Panel(2), L"");
    EXPECT_EQ(log.closed, 1);  // an address capture keeps its instance until the next capture
    // Typing and capturing another address does not change the address the window recorded.
    EXPECT_EQ(State().settings.address, L"http://127.0.0.1/page.html");
}

TEST_F(SnapshotWindowTest, AFailedAddressCaptureEmptiesTheSizeLabels) {
    Open({Capture(20, 20), Capture(20, 20, -3)});
    WaitForIdle();
    seam().SetControlText(ids::txtAddress, L"http://127.0.0.1:9/");
    ASSERT_TRUE(window->cmdSnapshot_Click().ok());
    EXPECT_EQ(Text(ids::lblWidth), L"");
    EXPECT_EQ(Panel(1), L"Fail to open the URL");
    EXPECT_FALSE(FileExists(seam().WorkFilePath()));
}

TEST_F(SnapshotWindowTest, ABlankAddressClearsTheImageAndPutsTheFocusInTheAddressBox) {
    Open({Capture(20, 20)});
    WaitForIdle();
    ASSERT_TRUE(FileExists(seam().WorkFilePath()));
    seam().SetControlText(ids::txtAddress, L"   ");
    ASSERT_TRUE(window->cmdSnapshot_Click().ok());
    EXPECT_FALSE(FileExists(seam().WorkFilePath()));
    EXPECT_EQ(seam().Viewer().ImageWidth(), 0);
    EXPECT_EQ(GetFocus(), GetDlgItem(window->hwnd(), ids::txtAddress));
    EXPECT_FALSE(seam().Busy());
    EXPECT_EQ(factory->log().addresses.size(), 1u);
}

TEST_F(SnapshotWindowTest, EnterInTheAddressBoxRunsOneAddressCapture) {
    Open({Capture(20, 20), Capture(50, 60)});
    WaitForIdle();
    seam().SetControlText(ids::txtAddress, L"http://127.0.0.1/enter.html");
    int16_t key = VK_RETURN;
    window->txtAddress_KeyPress(key);
    EXPECT_EQ(key, VK_RETURN);
    EXPECT_EQ(factory->log().addresses.size(), 2u);
    EXPECT_EQ(Text(ids::lblHeight), L"60");
}

TEST_F(SnapshotWindowTest, ACaptureStartedInsideAnotherEndsBothWaits) {
    SnapScript outer;
    outer.image = SolidImage(10, 10, 0xFF000000);
    outer.run([&] {
        seam().SetControlText(ids::txtAddress, L"http://127.0.0.1/inner.html");
        EXPECT_TRUE(window->cmdSnapshot_Click().ok());
    });
    outer.write().status(1);  // never reached: the instance was dropped
    Open({outer, Capture(70, 80)});
    WaitForIdle();
    const SnapLog& log = factory->log();
    EXPECT_EQ(log.created, 2);
    EXPECT_EQ(log.closed, 1);  // the browser capture closes whichever instance is current
    EXPECT_EQ(Text(ids::lblWidth), L"70");
    EXPECT_EQ(Panel(1), L"The snapshot is successfully taken");
    EXPECT_TRUE(boxes->Seen().empty());
}

TEST_F(SnapshotWindowTest, ClosingDuringTheWaitAbandonsTheCaptureQuietly) {
    SnapScript never;
    never.status(0, L"Loading the page...").run([&] { window->Unload(); }).status(0, L"late");
    Open({never});
    ASSERT_TRUE(PumpUntil([&] { return window->hwnd() == nullptr; }, std::chrono::seconds(10)));
    PumpFor(std::chrono::milliseconds(100));
    EXPECT_EQ(factory->log().closed, 1);
    EXPECT_EQ(factory->log().destroyed, 1);
    EXPECT_FALSE(FileExists(seam().WorkFilePath()));
    EXPECT_TRUE(boxes->Seen().empty());
}

TEST_F(SnapshotWindowTest, ABrowserCaptureErrorShowsOneMessageAndLeavesTheWindowUsable) {
    browser.reset();  // no document to read the address from
    Open({Capture(20, 20), Capture(25, 35)});
    ASSERT_TRUE(PumpUntil([&] { return !boxes->Seen().empty() && !seam().Busy(); },
                          std::chrono::seconds(10)));
    ASSERT_EQ(boxes->Seen().size(), 1u);
    EXPECT_EQ(boxes->Seen()[0].text, L"iePagelens Error: Object required");
    EXPECT_EQ(boxes->Seen()[0].caption, L"iePagelens");
    seam().SetControlText(ids::txtAddress, L"http://127.0.0.1/again.html");
    ASSERT_TRUE(window->cmdSnapshot_Click().ok());
    EXPECT_EQ(Text(ids::lblWidth), L"25");
}

// Two tabs' windows, each on its own thread, capture two different pages at once: each shows and
// saves its own page, and once both have closed no work file is left.
TEST_F(SnapshotWindowTest, TwoWindowsOnTwoThreadsKeepTheirOwnPages) {
    TempFolder saved;
    const uint32_t colours[] = {0xFFFF0000, 0xFF0000FF};
    std::wstring workFiles[2];
    auto showAndSave = [&](int i) {
        CoInitialize(nullptr);
        HWND tab = CreateWindowExW(0, L"STATIC", L"tab", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                   nullptr, nullptr, nullptr, nullptr);
        auto page = standin::CreateWebBrowser(
            tab, {standin::CreateDocument(standin::DocumentKind::Html,
                                          L"http://127.0.0.1/" + std::to_wstring(i), L"Page"),
                  L"http://127.0.0.1/" + std::to_wstring(i), L"Page"});
        SnapScript script;
        script.image = SolidImage(120, 80, colours[i]);
        script.write().status(1);
        ScriptedSnapFactory scripts({script});
        {
            frmMain shown;
            SnapshotWindowSeam(shown).UseSnapFactory([&](HtmlSnapEvents* e) { return scripts(e); });
            SnapshotWindowSeam(shown).UseSaveDialog([&](HWND, const SaveDialogRequest&) {
                return std::optional<std::wstring>(saved.file(std::to_wstring(i) + L".png"));
            });
            EXPECT_TRUE(shown.Load(page.get()).ok());
            EXPECT_TRUE(PumpUntil(
                [&] { return scripts.log().created > 0 && !SnapshotWindowSeam(shown).Busy(); },
                std::chrono::seconds(20)));
            workFiles[i] = SnapshotWindowSeam(shown).WorkFilePath();
            EXPECT_EQ(SnapshotWindowSeam(shown).Viewer().image().row(10)[10] & 0xFFFFFF,
                      colours[i] & 0xFFFFFF);
            EXPECT_TRUE(shown.cmdSave_Click().ok());
            shown.Unload();
        }
        page.reset();
        DestroyWindow(tab);
        CoUninitialize();
    };
    std::atomic<int> finished{0};
    auto run = [&](int i) {
        showAndSave(i);
        ++finished;
    };
    std::thread first(run, 0), second(run, 1);
    // Windows of other threads may send to this thread's windows: it keeps pumping meanwhile.
    EXPECT_TRUE(PumpUntil([&] { return finished == 2; }, std::chrono::seconds(120)));
    first.join();
    second.join();
    EXPECT_NE(workFiles[0], workFiles[1]);
    for (int i : {0, 1}) {
        auto image = LoadImageFile(saved.file(std::to_wstring(i) + L".png"));
        ASSERT_TRUE(image.ok());
        EXPECT_EQ(image->row(10)[10] & 0xFFFFFF, colours[i] & 0xFFFFFF);
        const std::wstring folder = workFiles[i].substr(0, workFiles[i].rfind(L'\\'));
        EXPECT_EQ(GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

}  // namespace
}  // namespace pagelens::test
