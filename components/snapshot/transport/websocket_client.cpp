#include "components/snapshot/transport/websocket_client.h"

#include <bcrypt.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <cctype>

#include "components/snapshot/core/capture_failure.h"
#include "components/snapshot/transport/base64.h"
#include "components/snapshot/transport/sha1.h"

namespace pagelens::capture {
namespace {

using websocket::Opcode;

constexpr size_t kLargestHandshakeAnswer = 16 * 1024;
constexpr int kReceiveBuffer = 4 << 20;
constexpr uint16_t kNormalClosure = 1000;

template <size_t N>
std::array<uint8_t, N> RandomBytes() {
    std::array<uint8_t, N> bytes{};
    if (!BCRYPT_SUCCESS(
            BCryptGenRandom(nullptr, bytes.data(), N, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
        // Masking only has to keep proxies from reading frames as requests; on loopback a weaker
        // source does no harm.
        LARGE_INTEGER counter;
        QueryPerformanceCounter(&counter);
        for (size_t i = 0; i < N; ++i)
            bytes[i] = uint8_t(counter.QuadPart >> (8 * (i % 8))) ^ uint8_t(i * 151);
    }
    return bytes;
}

RunError SocketFailure(const wchar_t* what) {
    return Failed(std::wstring(L"The connection to the capture browser failed: ") + what +
                  L" (Winsock error " + std::to_wstring(WSAGetLastError()) + L")");
}

std::string Lowercase(std::string_view text) {
    std::string lower(text);
    for (auto& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// The value of a header in an HTTP answer's head (status line and header lines), or nothing.
std::optional<std::string_view> HeaderValue(std::string_view head, std::string_view name) {
    size_t lineStart = head.find("\r\n");
    while (lineStart != std::string_view::npos && lineStart + 2 < head.size()) {
        lineStart += 2;
        const size_t lineEnd = std::min(head.find("\r\n", lineStart), head.size());
        const std::string_view line = head.substr(lineStart, lineEnd - lineStart);
        const size_t colon = line.find(':');
        if (colon != std::string_view::npos && Lowercase(Trim(line.substr(0, colon))) == name)
            return Trim(line.substr(colon + 1));
        lineStart = lineEnd;
    }
    return std::nullopt;
}

}  // namespace

std::string WebSocketAcceptFor(std::string_view key) {
    const auto digest = Sha1(std::string(key) + "258EAFA5-E914-47DA-95CA-C5AB0DC85B11");
    return Base64Encode(
        std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size()));
}

WinsockSession::WinsockSession() {
    WSADATA data;
    ok_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

WinsockSession::~WinsockSession() {
    if (ok_) WSACleanup();
}

WebSocketClient::WebSocketClient(UniqueSocket socket, UniqueHandleK networkEvent)
    : socket_(std::move(socket)), networkEvent_(std::move(networkEvent)) {}

WebSocketClient::~WebSocketClient() = default;

Result<std::unique_ptr<WebSocketClient>> WebSocketClient::Connect(uint16_t port,
                                                                  const std::string& path,
                                                                  const Interrupts& interrupts) {
    WinsockSession winsock;
    if (!winsock.ok()) return SocketFailure(L"Winsock did not start");
    UniqueSocket socket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!socket) return SocketFailure(L"no socket");
    const BOOL noDelay = TRUE;
    setsockopt(socket.get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
               sizeof noDelay);
    setsockopt(socket.get(), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&kReceiveBuffer),
               sizeof kReceiveBuffer);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // Loopback connections are made or refused at once, so a blocking connect is fine.
    if (connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return SocketFailure(L"the browser's DevTools port refused the connection");

    UniqueHandleK networkEvent(WSACreateEvent());
    if (!networkEvent) return SocketFailure(L"no network event");
    if (WSAEventSelect(socket.get(), networkEvent.get(), FD_READ | FD_WRITE | FD_CLOSE) != 0)
        return SocketFailure(L"the socket cannot signal its events");

    std::unique_ptr<WebSocketClient> client(
        new WebSocketClient(std::move(socket), std::move(networkEvent)));
    PAGELENS_RETURN_IF_ERROR(client->Handshake(port, path, interrupts));
    return client;
}

Status WebSocketClient::Handshake(uint16_t port, const std::string& path,
                                  const Interrupts& interrupts) {
    const auto nonce = RandomBytes<16>();
    const std::string key =
        Base64Encode(std::string_view(reinterpret_cast<const char*>(nonce.data()), nonce.size()));
    const std::string request = "GET " + path +
                                " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                                "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                                "Sec-WebSocket-Key: " +
                                key + "\r\nSec-WebSocket-Version: 13\r\n\r\n";
    PAGELENS_RETURN_IF_ERROR(SendAll(request, interrupts));

    std::string answer;
    size_t headEnd;
    while ((headEnd = answer.find("\r\n\r\n")) == std::string::npos) {
        if (answer.size() >= kLargestHandshakeAnswer)
            return Failed(L"The capture browser's handshake answer is too long");
        char chunk[2048];
        size_t received = 0;
        PAGELENS_RETURN_IF_ERROR(FillSome(chunk, sizeof chunk, received, interrupts));
        answer.append(chunk, received);
    }
    pending_ = answer.substr(headEnd + 4);
    const std::string_view head(answer.data(), headEnd + 2);
    if (head.substr(0, 13) != "HTTP/1.1 101 " && head.substr(0, 14) != "HTTP/1.1 101\r\n")
        return Failed(L"The capture browser refused the WebSocket handshake");
    const auto accept = HeaderValue(head, "sec-websocket-accept");
    if (!accept || *accept != WebSocketAcceptFor(key))
        return Failed(L"The capture browser's handshake answer has a wrong accept key");
    return {};
}

Status WebSocketClient::SendText(std::string_view text, const Interrupts& interrupts) {
    return SendFrame(Opcode::Text, text, interrupts);
}

Status WebSocketClient::SendFrame(Opcode opcode, std::string_view payload,
                                  const Interrupts& interrupts) {
    if (closed_ || closeSent_) return ConnectionClosed();
    return SendAll(websocket::EncodeClientFrame(opcode, payload, RandomBytes<4>()), interrupts);
}

void WebSocketClient::SendClose(const Interrupts& interrupts) {
    if (closed_ || closeSent_) return;
    (void)SendFrame(Opcode::Close, websocket::ClosePayload(kNormalClosure), interrupts);
    closeSent_ = true;
}

Status WebSocketClient::SendAll(std::string_view bytes, const Interrupts& interrupts) {
    while (!bytes.empty()) {
        const int chunk = static_cast<int>(std::min<size_t>(bytes.size(), 1 << 20));
        const int sent = send(socket_.get(), bytes.data(), chunk, 0);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<size_t>(sent));
        } else if (WSAGetLastError() == WSAEWOULDBLOCK) {
            PAGELENS_RETURN_IF_ERROR(WaitForNetwork(interrupts));
        } else {
            closed_ = true;
            return SocketFailure(L"sending failed");
        }
    }
    return {};
}

Status WebSocketClient::WaitForNetwork(const Interrupts& interrupts) {
    PAGELENS_RETURN_IF_ERROR(
        WaitForHandle(networkEvent_.get(), interrupts, L"waiting for the capture browser"));
    WSANETWORKEVENTS events;
    WSAEnumNetworkEvents(socket_.get(), networkEvent_.get(), &events);  // resets the event
    return {};
}

Status WebSocketClient::FillSome(char* target, size_t size, size_t& received,
                                 const Interrupts& interrupts) {
    if (pendingOffset_ < pending_.size()) {
        received = std::min(size, pending_.size() - pendingOffset_);
        std::copy_n(pending_.data() + pendingOffset_, received, target);
        pendingOffset_ += received;
        if (pendingOffset_ == pending_.size()) {
            pending_.clear();
            pendingOffset_ = 0;
        }
        return {};
    }
    for (;;) {
        const int n =
            recv(socket_.get(), target, static_cast<int>(std::min<size_t>(size, 1 << 30)), 0);
        if (n > 0) {
            received = static_cast<size_t>(n);
            return {};
        }
        if (n == 0) return ConnectionClosed();
        if (WSAGetLastError() != WSAEWOULDBLOCK) {
            closed_ = true;
            return SocketFailure(L"receiving failed");
        }
        PAGELENS_RETURN_IF_ERROR(WaitForNetwork(interrupts));
    }
}

Status WebSocketClient::ReadExact(char* target, size_t size, const Interrupts& interrupts) {
    while (size > 0) {
        size_t received = 0;
        PAGELENS_RETURN_IF_ERROR(FillSome(target, size, received, interrupts));
        target += received;
        size -= received;
    }
    return {};
}

Result<websocket::FrameHeader> WebSocketClient::ReadFrameHeader(const Interrupts& interrupts) {
    char header[10];
    PAGELENS_RETURN_IF_ERROR(ReadExact(header, 2, interrupts));
    const size_t extra = websocket::ExtendedLengthSize(static_cast<uint8_t>(header[1]));
    PAGELENS_RETURN_IF_ERROR(ReadExact(header + 2, extra, interrupts));
    return websocket::ParseServerFrameHeader(std::string_view(header, 2 + extra));
}

Result<std::string> WebSocketClient::Receive(const Interrupts& interrupts) {
    if (closed_) return ConnectionClosed();
    std::string message;
    bool assembling = false;
    for (;;) {
        auto header = ReadFrameHeader(interrupts);
        if (!header.ok()) return header.error();
        const auto [fin, opcode, length] = header.value();
        if (length > kLargestMessage - message.size())
            return Failed(L"The capture browser sent a message that is too large");

        if (websocket::IsControl(opcode)) {
            char payload[125];
            PAGELENS_RETURN_IF_ERROR(ReadExact(payload, static_cast<size_t>(length), interrupts));
            const std::string_view body(payload, static_cast<size_t>(length));
            if (opcode == Opcode::Ping) {
                PAGELENS_RETURN_IF_ERROR(SendFrame(Opcode::Pong, body, interrupts));
            } else if (opcode == Opcode::Close) {
                if (!closeSent_) SendClose(interrupts);
                closed_ = true;
                return ConnectionClosed();
            }
            continue;
        }
        if ((opcode == Opcode::Continuation) != assembling)
            return Failed(L"The capture browser's message frames are out of order");
        assembling = true;
        const size_t offset = message.size();
        message.resize(offset + static_cast<size_t>(length));
        PAGELENS_RETURN_IF_ERROR(
            ReadExact(message.data() + offset, static_cast<size_t>(length), interrupts));
        if (fin) return message;
    }
}

RunError WebSocketClient::ConnectionClosed() {
    closed_ = true;
    return Failed(L"The capture browser closed the connection");
}

}  // namespace pagelens::capture
