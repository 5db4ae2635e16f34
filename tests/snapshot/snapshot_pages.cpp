#include "tests/snapshot/snapshot_pages.h"

#include <windows.h>

#include <cstdlib>

#include "components/snapshot/browser_process/browser_process.h"
#include "components/snapshot/browser_process/host_system.h"

namespace pagelens::test {

std::string CssColour(const Colour& c) {
    return "rgb(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) +
           ")";
}

std::string StripedPage(int count, int stripeHeight) {
    std::string page =
        "<!doctype html><html><head><style>html,body{margin:0;padding:0}"
        "div{width:100%;height:" +
        std::to_string(stripeHeight) + "px}</style></head><body>";
    for (int i = 0; i < count; ++i)
        page += "<div style=\"background:" + CssColour(StripeColour(i)) + "\"></div>";
    return page + "</body></html>";
}

::testing::AssertionResult PixelNear(const Image& image, int x, int y, const Colour& expected) {
    if (x >= image.width() || y >= image.height())
        return ::testing::AssertionFailure()
               << "(" << x << "," << y << ") is outside the " << image.width() << " x "
               << image.height() << " image";
    const uint32_t p = image.row(y)[x];
    const int tolerance = 16;
    if (std::abs(RedOf(p) - expected.r) <= tolerance &&
        std::abs(GreenOf(p) - expected.g) <= tolerance &&
        std::abs(BlueOf(p) - expected.b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "pixel (" << x << "," << y << ") is " << int(RedOf(p)) << "," << int(GreenOf(p))
           << "," << int(BlueOf(p)) << ", expected " << expected.r << "," << expected.g << ","
           << expected.b;
}

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    return names;
}

std::vector<std::wstring> CaptureProfileFolders() {
    const std::wstring temp = capture::TemporaryFolder();
    const std::wstring prefix =
        std::wstring(capture::kProfileFolderPrefix) + std::to_wstring(GetCurrentProcessId()) + L"-";
    std::vector<std::wstring> folders;
    // Each folder's lock goes with its owner's handle, so the folders alone tell.
    for (const auto& name : FilesIn(temp))
        if (name.rfind(prefix, 0) == 0 && !name.ends_with(L".lock"))
            folders.push_back(temp + L"\\" + name);
    return folders;
}

}  // namespace pagelens::test
