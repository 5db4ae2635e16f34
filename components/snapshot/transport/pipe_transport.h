// The DevTools protocol's pipe channel (--remote-debugging-pipe): the browser reads commands
// from its file descriptor 3 and writes answers and events to its descriptor 4, each message a
// JSON text ended by a NUL byte. No port is opened, so no other local program can reach the
// browser. Anonymous pipes have no overlapped reads: a receive looks at what the pipe holds and
// waits a little while it holds nothing, so that Close and the time limit are observed.
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

    UniqueHandleK toBrowser_;
    UniqueHandleK fromBrowser_;
    NulFramer framer_;
    bool closed_ = false;
};

// Both ends of the two pipes of a browser started with --remote-debugging-pipe: the browser's
// ends are inheritable, ours are not.
struct DevToolsPipes {
    UniqueHandleK browserReads;   // its descriptor 3
    UniqueHandleK browserWrites;  // its descriptor 4
    UniqueHandleK toBrowser;
    UniqueHandleK fromBrowser;
};
Result<DevToolsPipes> CreateDevToolsPipes();

// The block of inherited C runtime descriptors (STARTUPINFO's cbReserved2 and lpReserved2)
// that gives a child `fd3` and `fd4` as its descriptors 3 and 4, and nothing as 0 to 2 (those
// come from its standard handles): a count, one flag byte per descriptor, one handle each.
std::string InheritedDescriptorBlock(HANDLE fd3, HANDLE fd4);

}  // namespace pagelens::capture
