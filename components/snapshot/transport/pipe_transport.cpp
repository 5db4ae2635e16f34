#include "components/snapshot/transport/pipe_transport.h"

#include <algorithm>
#include <cstring>

#include "components/snapshot/capture_failure.h"

namespace pagelens::capture {
namespace {

// How long a receive waits between looks at an empty pipe.
constexpr auto kIdlePoll = std::chrono::milliseconds(5);
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

Status PipeTransport::SendText(std::string_view text, const Interrupts& interrupts) {
    if (closed_) return Closed();
    // A NUL inside would end the message early and make the rest a message of its own.
    if (text.find('\0') != std::string_view::npos)
        return Failed(L"A DevTools message cannot hold a NUL byte");
    std::string framed(text);
    framed.push_back('\0');
    for (size_t sent = 0; sent < framed.size();) {
        if (interrupts.stopped()) return Stopped();
        const DWORD chunk =
            static_cast<DWORD>(std::min<size_t>(framed.size() - sent, kLargestWrite));
        DWORD written = 0;
        if (!WriteFile(toBrowser_.get(), framed.data() + sent, chunk, &written, nullptr)) {
            const DWORD error = GetLastError();
            if (error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA) return Closed();
            return Failed(L"Writing to the capture browser failed (error " +
                          std::to_wstring(error) + L")");
        }
        sent += written;
    }
    return {};
}

Result<std::string> PipeTransport::Receive(const Interrupts& interrupts) {
    if (closed_) return Closed();
    for (;;) {
        if (auto message = framer_.Next()) return std::move(*message);
        if (framer_.partialSize() > kLargestMessage)
            return Failed(L"The capture browser sent a message that is too large");
        DWORD available = 0;
        if (!PeekNamedPipe(fromBrowser_.get(), nullptr, 0, nullptr, &available, nullptr)) {
            const DWORD error = GetLastError();
            if (error == ERROR_BROKEN_PIPE) return Closed();
            return Failed(L"Reading from the capture browser failed (error " +
                          std::to_wstring(error) + L")");
        }
        if (available == 0) {
            Status waited = WaitForHandle(nullptr, interrupts.within(kIdlePoll),
                                          L"the capture browser's message");
            if (!waited.ok() && (IsStopped(waited.error()) || interrupts.expired()))
                return waited.error();
            continue;
        }
        std::string chunk(std::min(available, kLargestRead), '\0');
        DWORD read = 0;
        if (!ReadFile(fromBrowser_.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &read,
                      nullptr)) {
            const DWORD error = GetLastError();
            if (error == ERROR_BROKEN_PIPE) return Closed();
            return Failed(L"Reading from the capture browser failed (error " +
                          std::to_wstring(error) + L")");
        }
        framer_.Append(chunk.data(), read);
    }
}

Result<DevToolsPipes> CreateDevToolsPipes() {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE read3 = nullptr, write3 = nullptr, read4 = nullptr, write4 = nullptr;
    if (!CreatePipe(&read3, &write3, &inheritable, kPipeSize))
        return Failed(L"No pipe for the capture browser (error " + std::to_wstring(GetLastError()) +
                      L")");
    DevToolsPipes pipes;
    pipes.browserReads.reset(read3);
    pipes.toBrowser.reset(write3);
    if (!CreatePipe(&read4, &write4, &inheritable, kPipeSize))
        return Failed(L"No pipe for the capture browser (error " + std::to_wstring(GetLastError()) +
                      L")");
    pipes.fromBrowser.reset(read4);
    pipes.browserWrites.reset(write4);
    // Our ends stay ours: a browser holding them would keep its own pipes from ever closing.
    if (!SetHandleInformation(pipes.toBrowser.get(), HANDLE_FLAG_INHERIT, 0) ||
        !SetHandleInformation(pipes.fromBrowser.get(), HANDLE_FLAG_INHERIT, 0))
        return Failed(L"The capture browser's pipes cannot be kept apart (error " +
                      std::to_wstring(GetLastError()) + L")");
    return pipes;
}

std::string InheritedDescriptorBlock(HANDLE fd3, HANDLE fd4) {
    constexpr int kCount = 5;
    const unsigned char flags[kCount] = {0, 0, 0, kOpenPipe, kOpenPipe};
    const HANDLE handles[kCount] = {INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE,
                                    INVALID_HANDLE_VALUE, fd3, fd4};
    std::string block(sizeof(int) + kCount + kCount * sizeof(HANDLE), '\0');
    const int count = kCount;
    std::memcpy(block.data(), &count, sizeof count);
    std::memcpy(block.data() + sizeof count, flags, kCount);
    // Packed, without alignment: the runtime reads the handles right after the flags.
    std::memcpy(block.data() + sizeof count + kCount, handles, sizeof handles);
    return block;
}

}  // namespace pagelens::capture
