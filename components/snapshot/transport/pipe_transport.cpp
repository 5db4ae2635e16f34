#include "components/snapshot/transport/pipe_transport.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>

#include "common/held_folder.h"
#include "components/snapshot/core/capture_failure.h"

namespace pagelens::capture {
namespace {

constexpr DWORD kLargestRead = 1 << 20;
constexpr DWORD kLargestWrite = 1 << 16;
// Big enough for any command without a wait for the browser to read.
constexpr DWORD kPipeSize = 1 << 20;

// The C runtime's descriptor flags: open, and a pipe.
constexpr unsigned char kOpenPipe = 0x01 | 0x08;

}  // namespace

std::optional<std::string> NulFramer::Next() {
    const size_t end = buffer_.find('\0', start_);
    if (end == std::string::npos) {
        if (start_ > 0) {  // keep only the unfinished message
            buffer_.erase(0, start_);
            start_ = 0;
        }
        return std::nullopt;
    }
    std::string message = buffer_.substr(start_, end - start_);
    start_ = end + 1;
    if (start_ == buffer_.size()) {
        buffer_.clear();
        start_ = 0;
    }
    return message;
}

RunError PipeTransport::Closed() {
    closed_ = true;
    return Failed(L"The capture browser closed the connection");
}

Status PipeTransport::Complete(HANDLE pipe, Operation& operation, bool started,
                               const Interrupts& interrupts, DWORD& moved, const wchar_t* awaited) {
    moved = 0;
    DWORD error = started ? ERROR_SUCCESS : GetLastError();
    if (!started && error != ERROR_IO_PENDING) {
        if (error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA ||
            error == ERROR_PIPE_NOT_CONNECTED)
            return Closed();
        return Failed(L"The pipe to the capture browser failed (error " + std::to_wstring(error) +
                      L")");
    }
    Status waited = WaitForHandle(operation.done.get(), interrupts, awaited);
    // The operation must be over before its OVERLAPPED and buffer may go: cancelled, it ends at
    // once, keeping what it had moved.
    if (!waited.ok()) CancelIoEx(pipe, &operation.io);
    if (!GetOverlappedResult(pipe, &operation.io, &moved, TRUE)) {
        error = GetLastError();
        if (!waited.ok()) return waited;
        if (error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA ||
            error == ERROR_PIPE_NOT_CONNECTED)
            return Closed();
        return Failed(L"The pipe to the capture browser failed (error " + std::to_wstring(error) +
                      L")");
    }
    return waited;
}

Status PipeTransport::SendText(std::string_view text, const Interrupts& interrupts) {
    if (closed_) return Closed();
    if (cutOff_) return Failed(L"An earlier message to the capture browser was cut off");
    if (!writing_.done) return Failed(L"No event for the capture browser's pipe");
    // A NUL inside would end the message early and make the rest a message of its own.
    if (text.find('\0') != std::string_view::npos)
        return Failed(L"A DevTools message cannot hold a NUL byte");
    std::string framed(text);
    framed.push_back('\0');
    for (size_t sent = 0; sent < framed.size();) {
        if (interrupts.stopped()) return Stopped();
        const DWORD chunk =
            static_cast<DWORD>(std::min<size_t>(framed.size() - sent, kLargestWrite));
        const bool started = WriteFile(toBrowser_.get(), framed.data() + sent, chunk, nullptr,
                                       writing_.Begin()) != FALSE;
        DWORD written = 0;
        Status done = Complete(toBrowser_.get(), writing_, started, interrupts, written,
                               L"the capture browser's reading");
        sent += written;
        if (!done.ok()) {
            if (sent > 0 && sent < framed.size()) cutOff_ = true;
            return done;
        }
    }
    return {};
}

Result<std::string> PipeTransport::Receive(const Interrupts& interrupts) {
    if (closed_) return Closed();
    if (!reading_.done) return Failed(L"No event for the capture browser's pipe");
    for (;;) {
        if (auto message = framer_.Next()) return std::move(*message);
        if (framer_.partialSize() > kLargestMessage)
            return Failed(L"The capture browser sent a message that is too large");
        if (interrupts.stopped()) return Stopped();
        readBuffer_.resize(kLargestRead);
        const bool started = ReadFile(fromBrowser_.get(), readBuffer_.data(), kLargestRead, nullptr,
                                      reading_.Begin()) != FALSE;
        DWORD read = 0;
        Status done = Complete(fromBrowser_.get(), reading_, started, interrupts, read,
                               L"the capture browser's message");
        // Bytes that arrived before an interruption belong to the next message all the same.
        framer_.Append(readBuffer_.data(), read);
        if (!done.ok()) return done.error();
    }
}

namespace {

// One direction of the channel: our overlapped end of a named pipe that only this user may open
// and that takes one client, and the browser's inheritable, blocking end, opened here as that
// client. No other program can have been the client: then opening ours would have failed.
Status MakePipe(DWORD ourDirection, UniqueHandleK& ours, UniqueHandleK& browsers) {
    static std::atomic<unsigned> counter{0};
    const std::wstring name = L"\\\\.\\pipe\\pagelens-devtools-" +
                              std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++counter) + L"-" + std::to_wstring(GetTickCount());
    PrivateSecurity privateAccess;
    ours.reset(CreateNamedPipeW(
        name.c_str(), ourDirection | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, kPipeSize,
        kPipeSize, 0, privateAccess.get()));
    if (ours.get() == INVALID_HANDLE_VALUE) ours.release();
    if (!ours)
        return Failed(L"No pipe for the capture browser (error " + std::to_wstring(GetLastError()) +
                      L")");
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    const DWORD browserAccess = ourDirection == PIPE_ACCESS_OUTBOUND ? GENERIC_READ : GENERIC_WRITE;
    const HANDLE opened =
        CreateFileW(name.c_str(), browserAccess, 0, &inheritable, OPEN_EXISTING, 0, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return Failed(L"The capture browser's end of its pipe cannot be opened (error " +
                      std::to_wstring(GetLastError()) + L")");
    browsers.reset(opened);
    return {};
}

}  // namespace

Result<DevToolsPipes> CreateDevToolsPipes() {
    DevToolsPipes pipes;
    PAGELENS_RETURN_IF_ERROR(MakePipe(PIPE_ACCESS_OUTBOUND, pipes.toBrowser, pipes.browserReads));
    PAGELENS_RETURN_IF_ERROR(MakePipe(PIPE_ACCESS_INBOUND, pipes.fromBrowser, pipes.browserWrites));
    return pipes;
}

std::optional<size_t> ProgramHandleSize(const std::wstring& path) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return std::nullopt;
    const auto readAt = [&](LONG offset, void* into, DWORD size) {
        DWORD read = 0;
        return SetFilePointer(file.get(), offset, nullptr, FILE_BEGIN) !=
                   INVALID_SET_FILE_POINTER &&
               ReadFile(file.get(), into, size, &read, nullptr) && read == size;
    };
    IMAGE_DOS_HEADER dos{};
    if (!readAt(0, &dos, sizeof dos) || dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew <= 0)
        return std::nullopt;
    // The signature, the file header, then the optional header's magic, common to both widths.
    struct {
        DWORD signature;
        IMAGE_FILE_HEADER file;
        WORD magic;
    } nt{};
    if (!readAt(dos.e_lfanew, &nt, sizeof nt) || nt.signature != IMAGE_NT_SIGNATURE)
        return std::nullopt;
    if (nt.magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) return 8;
    if (nt.magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) return 4;
    return std::nullopt;
}

std::string InheritedDescriptorBlock(HANDLE fd3, HANDLE fd4, size_t handleSize) {
    constexpr int kCount = 5;
    const unsigned char flags[kCount] = {0, 0, 0, kOpenPipe, kOpenPipe};
    const HANDLE handles[kCount] = {INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE,
                                    INVALID_HANDLE_VALUE, fd3, fd4};
    const int count = kCount;
    std::string block(sizeof count + kCount, '\0');
    std::memcpy(block.data(), &count, sizeof count);
    std::memcpy(block.data() + sizeof count, flags, kCount);
    // Packed, without alignment: the runtime reads the handles right after the flags. Handle
    // values widen with their sign, as Windows widens them between 32 and 64 bits.
    for (HANDLE handle : handles) {
        const int64_t value = reinterpret_cast<intptr_t>(handle);
        char bytes[sizeof value];
        std::memcpy(bytes, &value, sizeof value);  // little-endian: the low bytes first
        block.append(bytes, handleSize == 8 ? 8 : 4);
    }
    return block;
}

}  // namespace pagelens::capture
