// What the save command decides without a window: the image types and their save-dialog
// filter entries, the proposed file name, and the format that a chosen file name selects.
// The image is written at exactly the chosen name; only the format comes from its last letters.
#pragma once
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "common/run_error.h"

namespace pagelens {

// In the order the image type list shows them.
inline constexpr std::array<std::wstring_view, 8> kImageTypes = {L"jpg", L"gif", L"png", L"bmp",
                                                                 L"tif", L"pdf", L"wmf", L"emf"};

// The save dialog's filter entry (1-based) for an image type; exact, case-sensitive match.
std::optional<int> SaveFilterIndex(std::wstring_view imageType);

// The save dialog's filter in the "description|patterns|...|" form.
const std::wstring& SaveDialogFilter();

// "|" separators become NULs, ending in the double NUL that GetSaveFileName expects.
std::wstring ToWin32Filter(std::wstring_view vbFilter);

// Lower-case MD5 hex of the address, ".", the image type.
Result<std::wstring> DefaultSaveName(const std::wstring& address, const std::wstring& imageType);

enum class SaveFormat { Bmp, Emf, Gif, Jpeg, Pdf, Png, Tiff, Wmf };

// The format named by the last three characters of the chosen name, in any case
// ("TIF" or "IFF" for TIFF); anything else is JPEG.
SaveFormat SaveFormatForName(std::wstring_view chosenName);

}  // namespace pagelens
