// The save command's tables: filter indices, the dialog filter, the proposed name and the
// format that a chosen name selects.
#include "window/save_choices.h"

#include <gtest/gtest.h>

#include <vector>

namespace pagelens {
namespace {

TEST(SaveFilterIndex, EachImageTypeSelectsItsEntry) {
    const int expected[] = {5, 3, 4, 2, 6, 8, 7, 7};  // in list order
    for (size_t i = 0; i < kImageTypes.size(); ++i) {
        EXPECT_EQ(SaveFilterIndex(kImageTypes[i]), expected[i]) << i;
    }
    for (const wchar_t* other : {L"JPG", L"Png", L"jpeg", L"tiff", L" jpg", L""}) {
        EXPECT_EQ(SaveFilterIndex(other), std::nullopt) << other;
    }
}

std::vector<std::wstring> SplitAtNuls(const std::wstring& filter) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (start < filter.size() && filter[start] != L'\0') {
        size_t end = filter.find(L'\0', start);
        parts.push_back(filter.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

TEST(SaveDialogFilter, NineEntriesOfDescriptionAndPatterns) {
    EXPECT_EQ(SaveDialogFilter(),
              L"All Picture Types|*.bmp;*.dib;*.gif;*.png;*.jpg;*.jpe;*.jpeg;*.tif;*.tiff;*.wmf;"
              L"*.emf|Bitmaps (*.bmp;*.dib)|*.bmp;*.dib|GIF Images (*.gif)|*.gif|PNG Images "
              L"(*.png)|*.png|JPEG Images (*.jpg;*jpe;*.jpeg)|*.jpg;*.jpe;*.jpeg|TIFF "
              L"Images(*.tif,*.tiff)|*.tif;*.tiff|Metafiles (*.wmf;*emf)|*.wmf;*emf|PDF "
              L"(*.pdf)|*.pdf|All Files (*.*)|*.*|");

    const std::wstring win32 = ToWin32Filter(SaveDialogFilter());
    ASSERT_GE(win32.size(), 2u);
    EXPECT_EQ(win32.substr(win32.size() - 2), std::wstring(2, L'\0'));
    const std::vector<std::wstring> expected = {
        L"All Picture Types",
        L"*.bmp;*.dib;*.gif;*.png;*.jpg;*.jpe;*.jpeg;*.tif;*.tiff;*.wmf;*.emf",
        L"Bitmaps (*.bmp;*.dib)",
        L"*.bmp;*.dib",
        L"GIF Images (*.gif)",
        L"*.gif",
        L"PNG Images (*.png)",
        L"*.png",
        L"JPEG Images (*.jpg;*jpe;*.jpeg)",
        L"*.jpg;*.jpe;*.jpeg",
        L"TIFF Images(*.tif,*.tiff)",
        L"*.tif;*.tiff",
        L"Metafiles (*.wmf;*emf)",
        L"*.wmf;*emf",
        L"PDF (*.pdf)",
        L"*.pdf",
        L"All Files (*.*)",
        L"*.*",
    };
    EXPECT_EQ(SplitAtNuls(win32), expected);
}

TEST(ToWin32Filter, AlwaysEndsInADoubleNul) {
    using namespace std::string_literals;
    EXPECT_EQ(ToWin32Filter(L"Text|*.txt|"), L"Text\0*.txt\0\0"s);
    EXPECT_EQ(ToWin32Filter(L"Text|*.txt"), L"Text\0*.txt\0\0"s);
    EXPECT_EQ(ToWin32Filter(L""), L"\0\0"s);
}

TEST(DefaultSaveName, LowerCaseDigestOfTheAddressAndTheType) {
    struct Case {
        const wchar_t* address;
        const wchar_t* type;
        const wchar_t* name;
    };
    const Case cases[] = {
        {L"", L"jpg", L"d41d8cd98f00b204e9800998ecf8427e.jpg"},
        {L"http://www.example.com/index.html", L"png", L"14dd0f15e926472fc3a98c8b9210fe37.png"},
        {L"abc", L"emf", L"900150983cd24fb0d6963f7d28e17f72.emf"},
    };
    for (const auto& c : cases) {
        auto name = DefaultSaveName(c.address, c.type);
        ASSERT_TRUE(name.ok()) << c.address;
        EXPECT_EQ(*name, c.name) << c.address;
    }
    // Characters without a one-byte code digest as the code page's default character, '?'.
    auto wide = DefaultSaveName(L"http://\u4F8B\u3048.jp/", L"gif");
    ASSERT_TRUE(wide.ok());
    EXPECT_EQ(*wide, *DefaultSaveName(L"http://??.jp/", L"gif"));
}

TEST(SaveFormatForName, LastThreeCharactersInAnyCase) {
    struct Case {
        const wchar_t* name;
        SaveFormat format;
    };
    const Case cases[] = {
        {L"C:\\shots\\page.png", SaveFormat::Png},
        {L"C:\\shots\\page.PNG", SaveFormat::Png},
        {L"C:\\shots\\page.pNg", SaveFormat::Png},
        {L"page.bmp", SaveFormat::Bmp},
        {L"page.emf", SaveFormat::Emf},
        {L"page.gif", SaveFormat::Gif},
        {L"page.jpg", SaveFormat::Jpeg},
        {L"page.pdf", SaveFormat::Pdf},
        {L"page.tif", SaveFormat::Tiff},
        {L"page.tiff", SaveFormat::Tiff},
        {L"page.TIFF", SaveFormat::Tiff},
        {L"page.wmf", SaveFormat::Wmf},
        {L"page.WmF", SaveFormat::Wmf},
        {L"page.jpeg", SaveFormat::Jpeg},
        {L"page.jpe", SaveFormat::Jpeg},
        {L"page.dib", SaveFormat::Jpeg},
        {L"C:\\my.shots\\page", SaveFormat::Jpeg},
        {L"C:\\shots\\page", SaveFormat::Jpeg},
        {L"C:\\shots\\gif", SaveFormat::Gif},
        {L"page.png ", SaveFormat::Jpeg},
        {L"png", SaveFormat::Png},
        {L"ng", SaveFormat::Jpeg},
        {L"", SaveFormat::Jpeg},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SaveFormatForName(c.name), c.format) << testing::PrintToString(c.name);
    }
}

}  // namespace
}  // namespace pagelens
