#include "window/protected_mode_files.h"

#include <objbase.h>

#include <atomic>
#include <cwchar>
#include <utility>

#include "common/protected_mode.h"
#include "common/unique_handle.h"

namespace pagelens {
namespace {

// FOLDERID_InternetCache; its writable counterpart is the Low folder of Temporary Internet
// Files.
constexpr GUID kInternetCache = {
    0x352481E8, 0x33BE, 0x4251, {0xBA, 0x85, 0x60, 0x07, 0xCA, 0xED, 0xCF, 0x9D}};

std::wstring HexText(HRESULT hr) {
    wchar_t hex[16];
    swprintf(hex, 16, L"%08lX", static_cast<unsigned long>(hr));
    return hex;
}

}  // namespace

std::optional<std::wstring> ProtectedModeWorkFolder() { return WriteableFolder(kInternetCache); }

std::optional<ProtectedModeSave> ProtectedModeSave::IfProtected() {
    const auto& api = ProtectedModeApi();
    if (!api.IEShowSaveFileDialog || !api.IESaveFile) return std::nullopt;
    auto folder = WriteableFolder(kInternetCache);
    if (!folder) return std::nullopt;
    return ProtectedModeSave(std::move(*folder));
}

ProtectedModeSave::ProtectedModeSave(ProtectedModeSave&& other) noexcept
    : folder_(std::move(other.folder_)), state_(std::exchange(other.state_, nullptr)) {}

// The broker's handle is freed by IESaveFile, or else by IECancelSaveFile; it is not closed.
ProtectedModeSave::~ProtectedModeSave() {
    const auto& api = ProtectedModeApi();
    if (state_ && api.IECancelSaveFile) api.IECancelSaveFile(state_);
}

std::optional<std::wstring> ProtectedModeSave::Ask(HWND owner, const SaveDialogRequest& request) {
    LPWSTR destination = nullptr;
    HANDLE state = nullptr;
    const HRESULT hr = ProtectedModeApi().IEShowSaveFileDialog(
        owner, request.fileName.c_str(), nullptr, request.filter.c_str(),
        request.defaultExtension.c_str(), static_cast<DWORD>(request.filterIndex.value_or(0)),
        request.flags, &destination, &state);
    std::optional<std::wstring> chosen;
    if (hr == S_OK && destination) chosen = std::wstring(destination);
    if (destination) CoTaskMemFree(destination);
    if (chosen)
        state_ = state;
    else if (state && ProtectedModeApi().IECancelSaveFile)
        ProtectedModeApi().IECancelSaveFile(state);
    return chosen;
}

Result<std::wstring> ProtectedModeSave::StagingPath(const std::wstring& chosen) const {
    const size_t slash = chosen.find_last_of(L"\\/");
    const std::wstring name = slash == std::wstring::npos ? chosen : chosen.substr(slash + 1);
    if (name.empty()) return errors::FileNotFound();
    const size_t dot = name.rfind(L'.');
    const std::wstring extension = dot == std::wstring::npos ? L"" : name.substr(dot);
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring path = folder_ + L"\\iePagelens-save-" +
                                  std::to_wstring(GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(++counter) + extension;
        // Made here, so that no other file of that name can be written over.
        UniqueFile made(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY, nullptr));
        if (made) return path;
        if (GetLastError() != ERROR_FILE_EXISTS) break;
    }
    return errors::PathFileAccess(folder_);
}

Status ProtectedModeSave::Deliver(const std::wstring& staged) {
    const HANDLE state = std::exchange(state_, nullptr);
    const HRESULT hr = state ? ProtectedModeApi().IESaveFile(state, staged.c_str()) : E_HANDLE;
    DeleteFileW(staged.c_str());
    if (FAILED(hr))
        return errors::FromHresult(
            hr, L"Internet Explorer could not save the file (error 0x" + HexText(hr) + L")");
    return {};
}

}  // namespace pagelens
