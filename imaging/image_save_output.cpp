// The temporary file behind every image writer; see image_save_output.h.
#include "imaging/image_save_output.h"

#include <new>
#include <utility>

namespace pagelens {
namespace {

Result<std::wstring> FullPath(const std::wstring& path) {
    if (path.empty()) return SaveFailure(ERROR_INVALID_NAME, path);
    DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (length == 0) return SaveFailure(GetLastError(), path);
    std::wstring full(length, L'\0');
    length = GetFullPathNameW(path.c_str(), length, full.data(), nullptr);
    if (length == 0 || length >= full.size()) return SaveFailure(GetLastError(), path);
    full.resize(length);
    return full;
}

// Refuses targets that could only fail after the whole file has been written.
Status CheckTarget(const std::wstring& full) {
    if (full.back() == L'\\' || full.back() == L'/') return SaveFailure(ERROR_INVALID_NAME, full);
    const DWORD attributes = GetFileAttributesW(full.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return {};
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return errors::PathFileAccess(full + L" (a folder has that name)");
    if (attributes & FILE_ATTRIBUTE_READONLY) return SaveFailure(ERROR_ACCESS_DENIED, full);
    return {};
}

std::wstring FolderOf(const std::wstring& full) {
    const size_t slash = full.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : full.substr(0, slash + 1);
}

}  // namespace

RunError SaveFailure(DWORD win32Error, const std::wstring& path) {
    return errors::FromWin32File(win32Error, errors::FileUse::Write, path);
}

RunError NoImageToSave() { return errors::InvalidPicture(L"there is no image to save"); }

Result<PendingFile> PendingFile::Create(const std::wstring& target) {
    auto full = FullPath(target);
    if (!full) return full.error();
    PAGELENS_RETURN_IF_ERROR(CheckTarget(*full));

    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kBufferSize]);
    if (!buffer) return errors::OutOfMemory();

    wchar_t temporary[MAX_PATH];
    if (!GetTempFileNameW(FolderOf(*full).c_str(), L"plz", 0, temporary))
        return SaveFailure(GetLastError(), *full);
    UniqueFile file(CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        DeleteFileW(temporary);
        return SaveFailure(error, *full);
    }
    return PendingFile(*full, temporary, std::move(file), std::move(buffer));
}

PendingFile::PendingFile(std::wstring target, std::wstring temporary, UniqueFile file,
                         std::unique_ptr<uint8_t[]> buffer)
    : target_(std::move(target)),
      temporary_(std::move(temporary)),
      file_(std::move(file)),
      buffer_(std::move(buffer)) {}

PendingFile::PendingFile(PendingFile&& other) noexcept
    : target_(std::move(other.target_)),
      temporary_(std::exchange(other.temporary_, std::wstring())),
      file_(std::move(other.file_)),
      buffer_(std::move(other.buffer_)),
      used_(std::exchange(other.used_, 0)),
      written_(other.written_),
      failure_(other.failure_),
      committed_(other.committed_) {}

PendingFile::~PendingFile() {
    if (committed_ || temporary_.empty()) return;
    file_.reset();
    DeleteFileW(temporary_.c_str());
}

void PendingFile::closeHandle() {
    flush();
    file_.reset();
}

void PendingFile::flush() {
    if (used_ == 0) return;
    writeToFile(buffer_.get(), used_);
    used_ = 0;
}

void PendingFile::writeThrough(const void* data, size_t size) {
    flush();
    if (size < kBufferSize) {
        std::memcpy(buffer_.get(), data, size);
        used_ = size;
    } else {
        writeToFile(data, size);
    }
}

void PendingFile::writeToFile(const void* data, size_t size) {
    if (failure_ != ERROR_SUCCESS) return;
    if (!file_) {
        failure_ = ERROR_INVALID_HANDLE;
        return;
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(size < (1u << 30) ? size : (1u << 30));
        DWORD done = 0;
        if (!WriteFile(file_.get(), bytes, chunk, &done, nullptr) || done == 0) {
            failure_ = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
            return;
        }
        bytes += done;
        size -= done;
    }
}

Status PendingFile::commit() {
    if (committed_ || temporary_.empty()) return SaveFailure(ERROR_INVALID_HANDLE, target_);
    flush();
    file_.reset();
    if (failure_ != ERROR_SUCCESS) return SaveFailure(failure_, target_);
    if (!MoveFileExW(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING))
        return SaveFailure(GetLastError(), target_);
    committed_ = true;
    return {};
}

}  // namespace pagelens
