// A small WebSocket client (RFC 6455) for the browser's DevTools endpoint on the loopback
// interface: the opening handshake with its key check, masked text frames out, whole messages
// in (continuation frames joined, any length), pings answered, the closing handshake. Every
// wait observes the caller's Interrupts. The client owns its socket and its network event.
#pragma once
#include <winsock2.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "common/run_error.h"
#include "common/unique_handle.h"
#include "components/snapshot/core/interrupts.h"
#include "components/snapshot/transport/message_transport.h"
#include "components/snapshot/transport/websocket_frames.h"

namespace pagelens::capture {

namespace detail {
inline void CloseSocket(SOCKET s) { closesocket(s); }
}  // namespace detail
using UniqueSocket = UniqueHandle<SOCKET, detail::CloseSocket, INVALID_SOCKET>;

// Keeps Winsock started while it lives.
class WinsockSession {
public:
    WinsockSession();
    ~WinsockSession();
    WinsockSession(WinsockSession&& other) noexcept : ok_(std::exchange(other.ok_, false)) {}
    WinsockSession& operator=(WinsockSession&&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};

class WebSocketClient final : public MessageTransport {
public:
    // Connects to ws://127.0.0.1:<port><path>. No Origin header is sent: the browser refuses
    // DevTools connections from origins it was not told about.
    static Result<std::unique_ptr<WebSocketClient>> Connect(uint16_t port, const std::string& path,
                                                            const Interrupts& interrupts);
    ~WebSocketClient() override;
    WebSocketClient(const WebSocketClient&) = delete;
    WebSocketClient& operator=(const WebSocketClient&) = delete;

    Status SendText(std::string_view text, const Interrupts& interrupts) override;
    // The next text or binary message. A close frame from the server is answered, and from then
    // on every receive fails with closed() true.
    Result<std::string> Receive(const Interrupts& interrupts) override;
    // Starts the closing handshake (best effort).
    void SendClose(const Interrupts& interrupts);
    bool closed() const override { return closed_; }

    // Largest message accepted; screenshots of a band are far below it.
    static constexpr uint64_t kLargestMessage = 512ull << 20;

private:
    WebSocketClient(UniqueSocket socket, UniqueHandleK networkEvent);
    Status Handshake(uint16_t port, const std::string& path, const Interrupts& interrupts);
    Status SendFrame(websocket::Opcode opcode, std::string_view payload,
                     const Interrupts& interrupts);
    Status SendAll(std::string_view bytes, const Interrupts& interrupts);
    Status ReadExact(char* target, size_t size, const Interrupts& interrupts);
    Status FillSome(char* target, size_t size, size_t& received, const Interrupts& interrupts);
    Status WaitForNetwork(const Interrupts& interrupts);
    Result<websocket::FrameHeader> ReadFrameHeader(const Interrupts& interrupts);
    RunError ConnectionClosed();

    WinsockSession winsock_;
    UniqueSocket socket_;
    UniqueHandleK networkEvent_;
    std::string pending_;  // bytes read past the handshake's end
    size_t pendingOffset_ = 0;
    bool closed_ = false;
    bool closeSent_ = false;
};

// The Sec-WebSocket-Accept value that a server must answer to `key`.
std::string WebSocketAcceptFor(std::string_view key);

}  // namespace pagelens::capture
