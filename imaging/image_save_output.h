// Where the image writers put their bytes. A PendingFile is a temporary file in the target's
// folder that takes the target's name only when the whole file has been written (commit), so a
// failed save leaves no half-written file and an existing file survives a failed overwrite. It
// owns the temporary file: destroying it uncommitted deletes it. Writes are buffered and the
// first write failure sticks, so byte-at-a-time producers need not check each call.
#pragma once
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "common/run_error.h"
#include "common/unique_handle.h"

namespace pagelens {

class PendingFile {
public:
    static Result<PendingFile> Create(const std::wstring& target);

    PendingFile(PendingFile&& other) noexcept;
    PendingFile& operator=(PendingFile&&) = delete;
    ~PendingFile();

    // For writers that open the file by name themselves (GDI+, the metafile DC): the handle is
    // closed first, and commit() then only renames.
    const std::wstring& temporaryPath() const { return temporary_; }
    void closeHandle();

    void write(const void* data, size_t size) {
        if (size <= kBufferSize - used_) {
            std::memcpy(buffer_.get() + used_, data, size);
            used_ += size;
        } else {
            writeThrough(data, size);
        }
        written_ += size;
    }
    void writeByte(uint8_t byte) {
        if (used_ == kBufferSize) flush();
        buffer_[used_++] = byte;
        ++written_;
    }
    // Bytes written so far: the offset of the next byte in the file.
    uint64_t written() const { return written_; }

    // Flushes, closes and renames the temporary file over the target.
    Status commit();

private:
    static constexpr size_t kBufferSize = 256 * 1024;

    PendingFile(std::wstring target, std::wstring temporary, UniqueFile file,
                std::unique_ptr<uint8_t[]> buffer);
    void flush();
    void writeThrough(const void* data, size_t size);
    void writeToFile(const void* data, size_t size);

    std::wstring target_;
    std::wstring temporary_;
    UniqueFile file_;
    std::unique_ptr<uint8_t[]> buffer_;
    size_t used_ = 0;
    uint64_t written_ = 0;
    DWORD failure_ = ERROR_SUCCESS;
    bool committed_ = false;
};

// The error for a failed file operation on `path`, from a Win32 error code.
RunError SaveFailure(DWORD win32Error, const std::wstring& path);
// Saving an empty image (nothing loaded) is refused.
RunError NoImageToSave();

}  // namespace pagelens
