#include "components/snapshot/view_capture/work_file.h"

#include <windows.h>

#include <atomic>

#include "common/unique_handle.h"
#include "components/snapshot/capture_failure.h"

namespace pagelens::capture {
namespace {

std::wstring PartialPathFor(const std::wstring& target) {
    static std::atomic<unsigned> counter{0};
    return target + L"." + std::to_wstring(GetCurrentProcessId()) + L"-view" +
           std::to_wstring(++counter) + L".part";
}

RunError WriteFailure(const std::wstring& path, DWORD error) {
    return Failure(kWriteFailed, L"The image file cannot be written: " + path + L" (error " +
                                     std::to_wstring(error) + L")");
}

}  // namespace

WorkFile::WorkFile(std::wstring target)
    : target_(std::move(target)), partial_(PartialPathFor(target_)) {}

Status WorkFile::Reserve() {
    const DWORD attributes = GetFileAttributesW(target_.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return WriteFailure(target_, ERROR_ACCESS_DENIED);
    UniqueFile file(CreateFileW(partial_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return WriteFailure(target_, GetLastError());
    partialExists_ = true;
    return {};
}

Status WorkFile::Write(JpegInPieces& jpeg, CaptureControl& control) {
    Status saved = jpeg.WriteFile(partial_);
    if (!saved.ok()) return Failure(kWriteFailed, saved.error().description);
    DWORD moveError = ERROR_SUCCESS;
    const bool ran = control.PublishUnlessStopped([&] {
        if (MoveFileExW(partial_.c_str(), target_.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        moveError = GetLastError();
        return false;
    });
    if (!ran) return Stopped();
    if (moveError != ERROR_SUCCESS) return WriteFailure(target_, moveError);
    partialExists_ = false;
    return {};
}

void WorkFile::RemovePartial() {
    if (partialExists_) DeleteFileW(partial_.c_str());
    partialExists_ = false;
}

}  // namespace pagelens::capture
