// What every writer does when its file cannot be written: an error that says why, and no file
// (or half a file) left behind; an existing file it could not replace stays as it was.
#include <gtest/gtest.h>

#include <functional>

#include "imaging/gdiplus_session.h"
#include "imaging/image_files.h"
#include "tests/support/test_support.h"
#include "tests/viewer_save/sample_images.h"

namespace pagelens {
namespace {

struct Writer {
    const char* name;
    std::function<Status(const Image&, const std::wstring&)> save;
};

std::vector<Writer> AllWriters() {
    return {
        {"jpeg", [](const Image& i, const std::wstring& p) { return SaveAsJpegFile(i, p, 85); }},
        {"bmp", SaveAsBmpFile},
        {"png", SaveAsPngFile},
        {"tiff", SaveAsTiffFile},
        {"gif", SaveAsGifFile},
        {"emf", SaveAsEmfFile},
        {"wmf", SaveAsWmfFile},
        {"pdf", SaveAsPdfFile},
    };
}

bool FolderIsEmpty(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return true;
    bool empty = true;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") empty = false;
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return empty;
}

class SaveFailures : public testing::Test {
protected:
    GdiplusSession gdiplus_;
    test::TempFolder folder_;
    Image image_ = test::MakeSample(test::Sample::Color, 40, 30);
};

TEST_F(SaveFailures, BadPathsAreErrorsThatLeaveNoFileBehind) {
    struct Case {
        const wchar_t* name;
        int32_t number;
    };
    // A missing folder fails before writing; a refused name only when the file is renamed.
    const Case cases[] = {{L"missing\\page.out", 76}, {L"what?.out", 52}};
    for (const auto& writer : AllWriters()) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(writer.name) + " " + testing::PrintToString(c.name));
            const Status status = writer.save(image_, folder_.file(c.name));
            ASSERT_FALSE(status.ok());
            EXPECT_EQ(status.error().number, c.number);
            EXPECT_NE(status.error().description.find(c.name), std::wstring::npos);
            EXPECT_TRUE(FolderIsEmpty(folder_.path()));
        }
    }
}

TEST_F(SaveFailures, UnwritableTargetsKeepWhatWasThere) {
    const std::string before = "earlier file";
    const std::wstring readOnly = folder_.file(L"locked.out");
    test::WriteFileBytes(readOnly, before.data(), before.size());
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    const std::wstring folderName = folder_.file(L"sub");
    CreateDirectoryW(folderName.c_str(), nullptr);

    for (const auto& writer : AllWriters()) {
        SCOPED_TRACE(writer.name);
        EXPECT_EQ(writer.save(image_, readOnly).error().number, 70);
        const auto bytes = test::ReadFileBytes(readOnly);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), before);
        EXPECT_FALSE(writer.save(image_, folderName).ok());
        EXPECT_FALSE(writer.save(Image(), folder_.file(L"empty.out")).ok());
        EXPECT_FALSE(test::FileExists(folder_.file(L"empty.out")));
    }
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(readOnly.c_str());
    RemoveDirectoryW(folderName.c_str());
    EXPECT_TRUE(FolderIsEmpty(folder_.path()));
}

TEST_F(SaveFailures, AnExistingFileIsReplacedWhole) {
    const std::wstring path = folder_.file(L"page");  // no extension is added
    const std::string filler(500000, 'x');
    test::WriteFileBytes(path, filler.data(), filler.size());
    for (const auto& writer : AllWriters()) {
        SCOPED_TRACE(writer.name);
        ASSERT_TRUE(writer.save(image_, path).ok());
        const auto bytes = test::ReadFileBytes(path);
        EXPECT_LT(bytes.size(), filler.size());
        EXPECT_NE(bytes.front(), 'x');
    }
}

}  // namespace
}  // namespace pagelens
