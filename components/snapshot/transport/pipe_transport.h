// The DevTools protocol's pipe channel (--remote-debugging-pipe): the browser reads commands
// from its file descriptor 3 and writes answers and events to its descriptor 4, each message a
// JSON text ended by a NUL byte. No port is opened, so no other local program can reach the
// browser. Our ends are overlapped, so that every read and write waits on Close and the time
// limit too, and is cancelled when either comes first: a browser that stops reading or writing
// holds nothing. The browser's ends are ordinary blocking handles, as its runtime expects.
#pragma once
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/unique_handle.h"
#include "components/snapshot/transport/message_transport.h"

namespace pagelens::capture {

// Splits the byte stream at NUL bytes.
class NulFramer {
public:
    void Append(const char* data, size_t size) { buffer_.append(data, size); }
    // The next whole message, if one has arrived.
    std::optional<std::string> Next();
    // Bytes of a message that has not ended yet.
    size_t partialSize() const { return buffer_.size() - start_; }

private:
    std::string buffer_;
    size_t start_ = 0;  // where the next message begins
};

class PipeTransport final : public MessageTransport {
public:
    // `toBrowser` is our end of the browser's descriptor 3, `fromBrowser` of its descriptor 4.
    PipeTransport(UniqueHandleK toBrowser, UniqueHandleK fromBrowser)
        : toBrowser_(std::move(toBrowser)), fromBrowser_(std::move(fromBrowser)) {}

    Status SendText(std::string_view text, const Interrupts& interrupts) override;
    Result<std::string> Receive(const Interrupts& interrupts) override;
    bool closed() const override { return closed_; }

    // Largest message accepted, as over the WebSocket.
    static constexpr size_t kLargestMessage = size_t(512) << 20;

private:
    RunError Closed();
    // One direction's overlapped operation and the event that says it is over.
    struct Operation {
        UniqueHandleK done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
        OVERLAPPED io{};
        OVERLAPPED* Begin() {
            io = OVERLAPPED{};
            io.hEvent = done.get();
            return &io;
        }
    };
    // Runs `operation`, just begun on `pipe`, to its end; an interrupted one is cancelled, and
    // what it moved before that is counted in `moved`.
    Status Complete(HANDLE pipe, Operation& operation, bool started, const Interrupts& interrupts,
                    DWORD& moved, const wchar_t* awaited);

    UniqueHandleK toBrowser_;
    UniqueHandleK fromBrowser_;
    Operation writing_, reading_;
    std::string readBuffer_;
    NulFramer framer_;
    bool closed_ = false;
    bool cutOff_ = false;  // a write ended midway: what follows would not be a message
};

// Both ends of the two pipes of a browser started with --remote-debugging-pipe: the browser's
// ends are inheritable and blocking, ours are neither. Only this user may open the pipes, and
// each takes one client, which is the browser's end made here.
struct DevToolsPipes {
    UniqueHandleK browserReads;   // its descriptor 3
    UniqueHandleK browserWrites;  // its descriptor 4
    UniqueHandleK toBrowser;
    UniqueHandleK fromBrowser;
};
Result<DevToolsPipes> CreateDevToolsPipes();

// The width of a handle in the C runtime of the program at `path`, from its PE header: 8 for a
// PE32+ program (x64, ARM64), 4 for a PE32 one; nothing when the file is no program.
std::optional<size_t> ProgramHandleSize(const std::wstring& path);

// The block of inherited C runtime descriptors (STARTUPINFO's cbReserved2 and lpReserved2)
// that gives a child `fd3` and `fd4` as its descriptors 3 and 4, and nothing as 0 to 2 (those
// come from its standard handles): a count, one flag byte per descriptor, one handle each, as
// wide as the child's `intptr_t` (`handleSize`), whatever our own width.
std::string InheritedDescriptorBlock(HANDLE fd3, HANDLE fd4, size_t handleSize = sizeof(HANDLE));

}  // namespace pagelens::capture
