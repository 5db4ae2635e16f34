#include "about/version_text.h"

#include <windows.h>

#include <vector>

namespace pagelens {

Result<FileVersion> ReadFileVersion(const std::wstring& path) {
    DWORD ignored = 0;
    DWORD size = path.empty() ? 0 : GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return errors::FileNotFound();
    std::vector<unsigned char> block(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return errors::FileNotFound();
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) ||
        fixedSize < sizeof(VS_FIXEDFILEINFO) || fixed->dwSignature != VS_FFI_SIGNATURE)
        return errors::FileNotFound();
    return FileVersion{HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                       HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)};
}

std::wstring VersionText(const FileVersion& version) {
    return L"Version " + std::to_wstring(version.major) + L"." + std::to_wstring(version.minor) +
           L"." + std::to_wstring(version.revision);
}

}  // namespace pagelens
