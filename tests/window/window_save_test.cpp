#include "imaging/image_files.h"
#include "tests/window/window_fixture.h"
#include "window/save_flow.h"

namespace pagelens::test {
namespace {

SnapScript Capture() {
    SnapScript s;
    s.image = SolidImage(16, 12, 0xFF808080);
    s.write().status(1);
    return s;
}

bool StartsWith(const std::vector<unsigned char>& bytes, std::string_view magic) {
    return bytes.size() >= magic.size() &&
           std::equal(magic.begin(), magic.end(), reinterpret_cast<const char*>(bytes.data()));
}

class SaveTest : public SnapshotWindowTest {
protected:
    void SetUp() override {
        SnapshotWindowTest::SetUp();
        Open({Capture()});
        WaitForIdle();
        seam().UseSaveDialog([this](HWND, const SaveDialogRequest& request) {
            requests.push_back(request);
            return answer;
        });
    }
    void Choose(int list, const wchar_t* text) {
        HWND combo = GetDlgItem(window->hwnd(), list);
        SendMessageW(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(text));
        SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(list, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
    }

    TempFolder folder;
    std::vector<SaveDialogRequest> requests;
    std::optional<std::wstring> answer;
};

TEST(SaveFlow, TheRequestProposesTheDigestOfTheAddressWithTheChosenType) {
    struct Case {
        const wchar_t* address;
        const wchar_t* type;
        const wchar_t* name;
        std::optional<int> filterIndex;
    };
    const Case cases[] = {
        {L"", L"png", L"d41d8cd98f00b204e9800998ecf8427e.png", 4},
        {L"abc", L"emf", L"900150983cd24fb0d6963f7d28e17f72.emf", 7},
        {L"abc", L"JPG", L"900150983cd24fb0d6963f7d28e17f72.JPG", std::nullopt},
    };
    for (const auto& c : cases) {
        SnapshotSettings settings;
        settings.address = c.address;
        settings.imageType = c.type;
        const auto request = SaveFlow::Request(settings);
        ASSERT_TRUE(request);
        EXPECT_EQ(request->fileName, c.name);
        EXPECT_EQ(request->defaultExtension, c.type);
        EXPECT_EQ(request->filterIndex, c.filterIndex);
        EXPECT_EQ(request->title, L"Save Snapshot Image");
        EXPECT_EQ(request->flags, 2050u);
        EXPECT_EQ(request->filter.substr(0, 18), L"All Picture Types|");
    }
}

// The flow without a window: the dialog's answer, and the file written at exactly that name in
// the format its extension selects, or the reason it was not.
TEST(SaveFlow, TheChosenNameIsWrittenExactlyInTheFormatItsExtensionSelects) {
    TempFolder folder;
    PictureViewer viewer;
    ASSERT_TRUE(SaveAsBmpFile(SolidImage(16, 12, 0xFF808080), folder.file(L"shown.bmp")).ok());
    ASSERT_TRUE(viewer.LoadImage(folder.file(L"shown.bmp")).ok());
    CreateDirectoryW(folder.file(L"my.shots").c_str(), nullptr);
    struct Case {
        const wchar_t* name;
        std::string_view magic;  // empty: nothing is written
        const wchar_t* outcome;
    };
    const Case cases[] = {
        {L"page.PNG", "\x89PNG", L"Save file done"},
        {L"page.tiff", "II*", L"Save file done"},
        {L"page.jpeg", "\xFF\xD8\xFF", L"Save file done"},
        {L"page.dib", "\xFF\xD8\xFF", L"Save file done"},
        {L"page.gif", "GIF8", L"Save file done"},
        {L"page.bmp", "BM", L"Save file done"},
        {L"page.pdf", "%PDF", L"Save file done"},
        {L"page.Emf", "\x01\0\0\0", L"Save file done"},
        // A folder name with a dot and no extension: a JPEG at exactly that name.
        {L"my.shots\\page", "\xFF\xD8\xFF", L"Save file done"},
        {L"missing\\x.png", "", L"The file was not saved: "},
    };
    for (const auto& c : cases) {
        const std::wstring chosen = folder.file(c.name);
        SaveFlow save([&](HWND, const SaveDialogRequest&) { return std::optional(chosen); });
        ASSERT_EQ(save.Ask(nullptr, {}), chosen);
        const std::wstring outcome = save.Write(viewer, chosen, 85);
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.name)));
        EXPECT_EQ(outcome.substr(0, wcslen(c.outcome)), c.outcome);
        if (!c.magic.empty()) {
            EXPECT_TRUE(StartsWith(ReadFileBytes(chosen), c.magic));
        }
    }
    EXPECT_FALSE(FileExists(folder.file(L"my.jpg")));
    for (const std::optional<std::wstring>& answer :
         {std::optional<std::wstring>(), std::optional<std::wstring>(L"")}) {
        SaveFlow cancelled([&](HWND, const SaveDialogRequest&) { return answer; });
        EXPECT_FALSE(cancelled.Ask(nullptr, {}));
    }
}

TEST_F(SaveTest, TheChosenImageTypeIsProposedAndStored) {
    Choose(ids::cboImageType, L"emf");
    answer = folder.file(L"page.emf");
    ASSERT_TRUE(window->cmdSave_Click().ok());
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].filterIndex, 7);
    EXPECT_EQ(*StoredSetting(setting::ImageType), L"emf");
    EXPECT_EQ(Panel(1), L"Save file done");
    EXPECT_TRUE(StartsWith(ReadFileBytes(*answer), "\x01\0\0\0"));
}

TEST_F(SaveTest, CancellingChangesNothing) {
    seam().SetControlText(ids::txtWidth, L"77");
    answer.reset();
    ASSERT_TRUE(window->cmdSave_Click().ok());
    answer = L"";
    ASSERT_TRUE(window->cmdSave_Click().ok());
    EXPECT_EQ(Text(ids::txtWidth), L"77");
    EXPECT_EQ(Panel(1), L"The snapshot is successfully taken");
}

TEST_F(SaveTest, SavingRefillsTheResizeBoxesWithThePreset) {
    seam().SetZoomValue(300);
    EXPECT_EQ(Text(ids::txtWidth), L"48");
    answer = folder.file(L"a.png");
    ASSERT_TRUE(window->cmdSave_Click().ok());
    EXPECT_EQ(Text(ids::txtWidth), L"120");
    EXPECT_EQ(Text(ids::txtHeight), L"90");
}

TEST_F(SaveTest, QualityChangesTheJpegAndIsStored) {
    Choose(ids::cboQuality, L"5");
    EXPECT_EQ(*StoredSetting(setting::JpegQuality), L"5");
    answer = folder.file(L"low.jpg");
    ASSERT_TRUE(window->cmdSave_Click().ok());
    Choose(ids::cboQuality, L"100");
    answer = folder.file(L"high.jpg");
    ASSERT_TRUE(window->cmdSave_Click().ok());
    EXPECT_LT(ReadFileBytes(folder.file(L"low.jpg")).size(),
              ReadFileBytes(folder.file(L"high.jpg")).size());
}

TEST_F(SaveTest, ChoicesWhileLoadingOrMinimizedAreNotStored) {
    State().ready = false;
    Choose(ids::cboQuality, L"10");
    EXPECT_EQ(State().settings.jpegQuality, 85);
    State().ready = true;
    ShowWindow(window->hwnd(), SW_MINIMIZE);
    Choose(ids::cboImageType, L"gif");
    EXPECT_EQ(State().settings.imageType, L"gif");
    EXPECT_FALSE(StoredSetting(setting::ImageType));
}

TEST_F(SaveTest, AFailedSaveIsToldInTheStatusBar) {
    answer = folder.file(L"missing\\x.png");
    ASSERT_TRUE(window->cmdSave_Click().ok());
    EXPECT_NE(Panel(1), L"Saving file...");
    EXPECT_NE(Panel(1), L"Save file done");
    EXPECT_FALSE(seam().Busy());
}

}  // namespace
}  // namespace pagelens::test
