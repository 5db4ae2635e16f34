#include "tests/window/window_fixture.h"

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
        window->UseSaveDialog([this](HWND, const SaveDialogRequest& request) {
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

TEST_F(SaveTest, TheDialogProposesTheDigestOfTheAddressWithTheChosenType) {
    State().settings.address = L"";
    Choose(ids::cboImageType, L"png");
    ASSERT_TRUE(window->cmdSave_Click().ok());
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].fileName, L"d41d8cd98f00b204e9800998ecf8427e.png");
    EXPECT_EQ(requests[0].title, L"Save Snapshot Image");
    EXPECT_EQ(requests[0].filterIndex, 4);
    EXPECT_EQ(requests[0].flags, 2050u);
    EXPECT_EQ(requests[0].filter.substr(0, 18), L"All Picture Types|");
    Choose(ids::cboImageType, L"emf");
    ASSERT_TRUE(window->cmdSave_Click().ok());
    EXPECT_EQ(requests[1].filterIndex, 7);
    EXPECT_EQ(*StoredSetting(setting::ImageType), L"emf");
}

TEST_F(SaveTest, TheChosenNameIsWrittenExactlyInTheFormatItsExtensionSelects) {
    struct Case {
        const wchar_t* name;
        std::string_view magic;
    };
    const Case cases[] = {
        {L"page.PNG", "\x89PNG"},      {L"page.tiff", "II*"},       {L"page.jpeg", "\xFF\xD8\xFF"},
        {L"page.dib", "\xFF\xD8\xFF"}, {L"page.gif", "GIF8"},       {L"page.bmp", "BM"},
        {L"page.pdf", "%PDF"},         {L"page.Emf", "\x01\0\0\0"},
    };
    for (const auto& c : cases) {
        answer = folder.file(c.name);
        ASSERT_TRUE(window->cmdSave_Click().ok());
        EXPECT_EQ(Panel(1), L"Save file done") << testing::PrintToString(std::wstring(c.name));
        EXPECT_TRUE(StartsWith(ReadFileBytes(*answer), c.magic))
            << testing::PrintToString(std::wstring(c.name));
    }
    // A folder name with a dot and no extension: a JPEG at exactly that name, nothing else.
    CreateDirectoryW(folder.file(L"my.shots").c_str(), nullptr);
    answer = folder.file(L"my.shots\\page");
    ASSERT_TRUE(window->cmdSave_Click().ok());
    EXPECT_TRUE(StartsWith(ReadFileBytes(*answer), "\xFF\xD8\xFF"));
    EXPECT_FALSE(FileExists(folder.file(L"my.jpg")));
}

TEST_F(SaveTest, CancellingChangesNothing) {
    window->SetControlText(ids::txtWidth, L"77");
    answer.reset();
    ASSERT_TRUE(window->cmdSave_Click().ok());
    answer = L"";
    ASSERT_TRUE(window->cmdSave_Click().ok());
    EXPECT_EQ(Text(ids::txtWidth), L"77");
    EXPECT_EQ(Panel(1), L"The snapshot is successfully taken");
}

TEST_F(SaveTest, SavingRefillsTheResizeBoxesWithThePreset) {
    window->SetZoomValue(300);
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
    EXPECT_FALSE(window->Busy());
}

}  // namespace
}  // namespace pagelens::test
