// The save command's tables and name rules.
#include "window/save_choices.h"

#include <algorithm>

#include "digest/md5.h"

namespace pagelens {
namespace {

// ASCII only: the names compared are ASCII, and a locale's rules (a Turkish dotted capital I)
// must not turn ".tif" into something that no longer matches.
wchar_t AsciiUpper(wchar_t ch) { return ch >= L'a' && ch <= L'z' ? ch - (L'a' - L'A') : ch; }
wchar_t AsciiLower(wchar_t ch) { return ch >= L'A' && ch <= L'Z' ? ch + (L'a' - L'A') : ch; }

}  // namespace

std::optional<int> SaveFilterIndex(std::wstring_view imageType) {
    struct Entry {
        std::wstring_view type;
        int index;
    };
    static constexpr Entry kEntries[] = {
        {L"jpg", 5}, {L"gif", 3}, {L"png", 4}, {L"bmp", 2},
        {L"tif", 6}, {L"pdf", 8}, {L"wmf", 7}, {L"emf", 7},
    };
    for (const auto& entry : kEntries) {
        if (entry.type == imageType) return entry.index;
    }
    return std::nullopt;
}

const std::wstring& SaveDialogFilter() {
    static const std::wstring kFilter =
        L"All Picture Types|*.bmp;*.dib;"
        L"*.gif;*.png;*.jpg;*.jpe;*.jpeg;"
        L"*.tif;*.tiff;*.wmf;*.emf|"
        L"Bitmaps (*.bmp;*.dib)|*.bmp;*.dib|"
        L"GIF Images (*.gif)|*.gif|"
        L"PNG Images (*.png)|*.png|"
        L"JPEG Images (*.jpg;*jpe;*.jpeg)|*.jpg;*.jpe;*.jpeg|"
        L"TIFF Images(*.tif,*.tiff)|*.tif;*.tiff|"
        L"Metafiles (*.wmf;*emf)|*.wmf;*emf|"
        L"PDF (*.pdf)|*.pdf|"
        L"All Files (*.*)|*.*|";
    return kFilter;
}

std::wstring ToWin32Filter(std::wstring_view vbFilter) {
    std::wstring filter(vbFilter);
    for (auto& ch : filter) {
        if (ch == L'|') ch = L'\0';
    }
    // The last string ends with one NUL and the list with another.
    if (filter.empty() || filter.back() != L'\0') filter += L'\0';
    filter += L'\0';
    return filter;
}

Result<std::wstring> DefaultSaveName(const std::wstring& address, const std::wstring& imageType) {
    std::wstring name = MD5().DigestStrToHexStr(address);
    for (auto& ch : name) ch = AsciiLower(ch);
    return name + L"." + imageType;
}

SaveFormat SaveFormatForName(std::wstring_view chosenName) {
    std::wstring last(
        chosenName.substr(chosenName.size() - std::min<size_t>(3, chosenName.size())));
    for (auto& ch : last) ch = AsciiUpper(ch);

    struct Entry {
        std::wstring_view ending;
        SaveFormat format;
    };
    static constexpr Entry kEntries[] = {
        {L"BMP", SaveFormat::Bmp},  {L"EMF", SaveFormat::Emf},  {L"GIF", SaveFormat::Gif},
        {L"JPG", SaveFormat::Jpeg}, {L"PDF", SaveFormat::Pdf},  {L"PNG", SaveFormat::Png},
        {L"TIF", SaveFormat::Tiff}, {L"IFF", SaveFormat::Tiff}, {L"WMF", SaveFormat::Wmf},
    };
    for (const auto& entry : kEntries) {
        if (entry.ending == last) return entry.format;
    }
    return SaveFormat::Jpeg;
}

}  // namespace pagelens
