// The benchmark's peer: the DevTools WebSocket spoken by WinHTTP's WebSocket functions in
// asynchronous mode, as the capture would use them in place of our own client (every wait
// observes the Interrupts; an operation that a wait gave up on stays with WinHTTP and the next
// call takes it over; what WinHTTP writes into lives until its last notice for our handles).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/run_error.h"
#include "components/snapshot/core/interrupts.h"
#include "components/snapshot/transport/message_transport.h"

namespace pagelens::bench {

using capture::Interrupts;
using capture::MessageTransport;

class WinHttpWebSocket final : public MessageTransport {
public:
    // Connects to ws://127.0.0.1:<port><path>, never through a proxy. No Origin header is sent:
    // the browser refuses DevTools connections from origins it was not told about.
    static Result<std::unique_ptr<WinHttpWebSocket>> Connect(uint16_t port, const std::string& path,
                                                             const Interrupts& interrupts);
    ~WinHttpWebSocket() override;
    WinHttpWebSocket(const WinHttpWebSocket&) = delete;
    WinHttpWebSocket& operator=(const WinHttpWebSocket&) = delete;

    Status SendText(std::string_view text, const Interrupts& interrupts) override;
    // The next text or binary message, whole. A close from the server is answered, and from
    // then on every receive fails with closed() true; so does any failed receive, after which
    // the stream's place is unknown.
    Result<std::string> Receive(const Interrupts& interrupts) override;
    bool closed() const override { return closed_; }

    // Largest message accepted; screenshots of a band are far below it.
    static constexpr size_t kLargestMessage = size_t(512) << 20;

    struct Channel;  // shared with WinHTTP's notices

private:
    explicit WinHttpWebSocket(Channel* channel) : channel_(channel) {}
    RunError ConnectionClosed();

    Channel* channel_;
    bool closed_ = false;
};

}  // namespace pagelens::bench
