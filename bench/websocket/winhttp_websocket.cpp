#include "bench/websocket/winhttp_websocket.h"

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <atomic>

#include "common/text_codepage.h"
#include "common/unique_handle.h"
#include "components/snapshot/core/capture_failure.h"

namespace pagelens::bench {

using capture::Failed;
using capture::WaitForHandle;
namespace {

// Messages up to this size are copied out and the buffer kept for the next; larger ones (the
// screenshots) are handed over whole.
constexpr size_t kKeptBuffer = 256 * 1024;
constexpr size_t kLeastRoom = 64 * 1024;
// How long closing waits for WinHTTP's last notices, so that none arrives after the client.
constexpr DWORD kClosingPatience = 1000;

RunError WinHttpFailure(const wchar_t* what, DWORD error) {
    return Failed(std::wstring(L"The connection to the capture browser failed: ") + what +
                  L" (WinHTTP error " + std::to_wstring(error) + L")");
}

bool IsFragment(WINHTTP_WEB_SOCKET_BUFFER_TYPE type) {
    return type == WINHTTP_WEB_SOCKET_UTF8_FRAGMENT_BUFFER_TYPE ||
           type == WINHTTP_WEB_SOCKET_BINARY_FRAGMENT_BUFFER_TYPE;
}

// One asynchronous operation: the notice's outcome, and an auto-reset event that it sets.
struct Completion {
    UniqueHandleK done{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    bool pending = false;  // started and its notice not yet taken
    DWORD error = ERROR_SUCCESS;

    void Finish(DWORD outcome) {
        error = outcome;
        SetEvent(done.get());
    }
};

}  // namespace

// Shared by the client and WinHTTP's notices: one reference for the client and one for each
// handle that carries the block as its context, dropped at that handle's closing notice.
struct WinHttpWebSocket::Channel {
    std::atomic<long> references{1};
    std::atomic<long> openHandles{0};
    UniqueHandleK allClosed{CreateEventW(nullptr, TRUE, FALSE, nullptr)};

    HINTERNET session = nullptr;
    HINTERNET connection = nullptr;
    HINTERNET request = nullptr;
    HINTERNET socket = nullptr;

    Completion handshake;
    Completion send;
    Completion receive;
    DWORD received = 0;
    WINHTTP_WEB_SOCKET_BUFFER_TYPE receivedType = WINHTTP_WEB_SOCKET_BINARY_MESSAGE_BUFFER_TYPE;
    // Written only by the client; WinHTTP writes into them while the operation is pending.
    std::string outgoing;
    std::string incoming;
    size_t incomingSize = 0;  // bytes of the message being assembled

    bool ready() const { return handshake.done && send.done && receive.done && allClosed; }
    void Adopt() {
        references.fetch_add(1);
        openHandles.fetch_add(1);
    }
    void HandleClosed() {
        if (openHandles.fetch_sub(1) == 1) SetEvent(allClosed.get());
        Release();
    }
    void Release() {
        if (references.fetch_sub(1) == 1) delete this;
    }
};

namespace {

using Channel = WinHttpWebSocket::Channel;

// Only the WebSocket reads and writes, and only its failures carry the operation.
void CALLBACK OnWinHttpNotice(HINTERNET, DWORD_PTR context, DWORD status, void* info,
                              DWORD infoLength) {
    auto* channel = reinterpret_cast<Channel*>(context);
    if (!channel) return;  // the session's and the connection's notices
    switch (status) {
        case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
        case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
            channel->handshake.Finish(ERROR_SUCCESS);
            break;
        case WINHTTP_CALLBACK_STATUS_WRITE_COMPLETE:
            channel->send.Finish(ERROR_SUCCESS);
            break;
        case WINHTTP_CALLBACK_STATUS_READ_COMPLETE: {
            const auto* outcome = static_cast<const WINHTTP_WEB_SOCKET_STATUS*>(info);
            channel->received = outcome->dwBytesTransferred;
            channel->receivedType = outcome->eBufferType;
            channel->receive.Finish(ERROR_SUCCESS);
            break;
        }
        case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR: {
            const auto* failure = static_cast<const WINHTTP_ASYNC_RESULT*>(info);
            if (infoLength < sizeof(WINHTTP_WEB_SOCKET_ASYNC_RESULT)) {
                channel->handshake.Finish(failure->dwError);
                break;
            }
            const auto* socketFailure = static_cast<const WINHTTP_WEB_SOCKET_ASYNC_RESULT*>(info);
            if (socketFailure->Operation == WINHTTP_WEB_SOCKET_SEND_OPERATION)
                channel->send.Finish(failure->dwError);
            else if (socketFailure->Operation == WINHTTP_WEB_SOCKET_RECEIVE_OPERATION)
                channel->receive.Finish(failure->dwError);
            break;
        }
        case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING:
            channel->HandleClosed();  // the last notice for that handle
            break;
        default:
            break;
    }
}

// Waits for the operation's notice; a wait that the interrupts end leaves it pending.
Status Await(Completion& operation, const Interrupts& interrupts, const wchar_t* awaited) {
    PAGELENS_RETURN_IF_ERROR(WaitForHandle(operation.done.get(), interrupts, awaited));
    operation.pending = false;
    return {};
}

Status Handshake(Channel& channel, uint16_t port, const std::string& path,
                 const Interrupts& interrupts) {
    channel.session =
        WinHttpOpen(L"iePagelens", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                    WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
    if (!channel.session) return WinHttpFailure(L"WinHTTP did not start", GetLastError());
    if (WinHttpSetStatusCallback(channel.session, OnWinHttpNotice,
                                 WINHTTP_CALLBACK_FLAG_ALL_NOTIFICATIONS,
                                 0) == WINHTTP_INVALID_STATUS_CALLBACK)
        return WinHttpFailure(L"no notices", GetLastError());
    channel.connection = WinHttpConnect(channel.session, L"127.0.0.1", port, 0);
    if (!channel.connection) return WinHttpFailure(L"no connection", GetLastError());
    channel.request =
        WinHttpOpenRequest(channel.connection, L"GET", FromUtf8(path).c_str(), nullptr,
                           WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0);
    if (!channel.request) return WinHttpFailure(L"no request", GetLastError());
    Channel* context = &channel;
    if (!WinHttpSetOption(channel.request, WINHTTP_OPTION_CONTEXT_VALUE, &context,
                          sizeof context)) {
        const DWORD error = GetLastError();
        // Without our context its closing notice would not come: close it here.
        WinHttpCloseHandle(std::exchange(channel.request, nullptr));
        return WinHttpFailure(L"no request", error);
    }
    channel.Adopt();
    if (!WinHttpSetOption(channel.request, WINHTTP_OPTION_UPGRADE_TO_WEB_SOCKET, nullptr, 0))
        return WinHttpFailure(L"no WebSocket upgrade", GetLastError());

    channel.handshake.pending = true;
    if (!WinHttpSendRequest(channel.request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, nullptr, 0, 0,
                            reinterpret_cast<DWORD_PTR>(context))) {
        channel.handshake.pending = false;
        return WinHttpFailure(L"the browser's DevTools port refused the connection",
                              GetLastError());
    }
    PAGELENS_RETURN_IF_ERROR(Await(channel.handshake, interrupts, L"the WebSocket handshake"));
    if (channel.handshake.error != ERROR_SUCCESS)
        return WinHttpFailure(L"the browser's DevTools port refused the connection",
                              channel.handshake.error);
    channel.handshake.pending = true;
    if (!WinHttpReceiveResponse(channel.request, nullptr)) {
        channel.handshake.pending = false;
        return WinHttpFailure(L"no handshake answer", GetLastError());
    }
    PAGELENS_RETURN_IF_ERROR(Await(channel.handshake, interrupts, L"the WebSocket handshake"));
    if (channel.handshake.error != ERROR_SUCCESS)
        return WinHttpFailure(L"no handshake answer", channel.handshake.error);

    DWORD statusCode = 0, size = sizeof statusCode;
    if (!WinHttpQueryHeaders(channel.request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &statusCode, &size,
                             WINHTTP_NO_HEADER_INDEX) ||
        statusCode != HTTP_STATUS_SWITCH_PROTOCOLS)
        return Failed(L"The capture browser refused the WebSocket handshake");
    channel.socket =
        WinHttpWebSocketCompleteUpgrade(channel.request, reinterpret_cast<DWORD_PTR>(context));
    if (!channel.socket)
        return WinHttpFailure(L"the WebSocket upgrade did not complete", GetLastError());
    channel.Adopt();
    // The WebSocket keeps the connection; the request is done with.
    WinHttpCloseHandle(std::exchange(channel.request, nullptr));
    return {};
}

}  // namespace

Result<std::unique_ptr<WinHttpWebSocket>> WinHttpWebSocket::Connect(uint16_t port,
                                                                    const std::string& path,
                                                                    const Interrupts& interrupts) {
    auto* channel = new (std::nothrow) Channel;
    if (!channel || !channel->ready()) {
        delete channel;
        return Failed(L"The connection to the capture browser failed: no memory or no events");
    }
    std::unique_ptr<WinHttpWebSocket> client(new WinHttpWebSocket(channel));
    PAGELENS_RETURN_IF_ERROR(Handshake(*channel, port, path, interrupts));
    return client;
}

WinHttpWebSocket::~WinHttpWebSocket() {
    Channel& channel = *channel_;
    // Closing cancels what is pending; the handles' closing notices follow, perhaps on other
    // threads, and the block outlives them all.
    for (HINTERNET* handle :
         {&channel.socket, &channel.request, &channel.connection, &channel.session})
        if (*handle) WinHttpCloseHandle(std::exchange(*handle, nullptr));
    if (!channel.receive.pending && !channel.send.pending) {
        std::string().swap(channel.incoming);
        std::string().swap(channel.outgoing);
    }
    // A loaded library must not be left behind by a notice still to come, if it can be helped.
    if (channel.openHandles.load() > 0)
        WaitForSingleObject(channel.allClosed.get(), kClosingPatience);
    channel.Release();
}

RunError WinHttpWebSocket::ConnectionClosed() {
    closed_ = true;
    return Failed(L"The capture browser closed the connection");
}

Status WinHttpWebSocket::SendText(std::string_view text, const Interrupts& interrupts) {
    Channel& channel = *channel_;
    if (closed_) return ConnectionClosed();
    if (channel.send.pending) {
        PAGELENS_RETURN_IF_ERROR(
            Await(channel.send, interrupts, L"sending to the capture browser"));
        if (channel.send.error != ERROR_SUCCESS)
            return WinHttpFailure(L"sending failed", channel.send.error);
    }
    channel.outgoing.assign(text);
    channel.send.pending = true;
    const DWORD started =
        WinHttpWebSocketSend(channel.socket, WINHTTP_WEB_SOCKET_UTF8_MESSAGE_BUFFER_TYPE,
                             channel.outgoing.data(), static_cast<DWORD>(channel.outgoing.size()));
    if (started != NO_ERROR) {
        channel.send.pending = false;
        return WinHttpFailure(L"sending failed", started);
    }
    PAGELENS_RETURN_IF_ERROR(Await(channel.send, interrupts, L"sending to the capture browser"));
    if (channel.send.error != ERROR_SUCCESS)
        return WinHttpFailure(L"sending failed", channel.send.error);
    return {};
}

Result<std::string> WinHttpWebSocket::Receive(const Interrupts& interrupts) {
    Channel& channel = *channel_;
    if (closed_) return ConnectionClosed();
    for (;;) {
        if (!channel.receive.pending) {
            if (channel.incoming.size() - channel.incomingSize < kLeastRoom) {
                const size_t grown =
                    std::max(channel.incoming.size() * 2, channel.incomingSize + kLeastRoom);
                if (channel.incomingSize >= kLargestMessage) {
                    closed_ = true;
                    return Failed(L"The capture browser sent a message that is too large");
                }
                channel.incoming.resize(std::min(grown, kLargestMessage));
            }
            channel.receive.pending = true;
            const DWORD started = WinHttpWebSocketReceive(
                channel.socket, channel.incoming.data() + channel.incomingSize,
                static_cast<DWORD>(channel.incoming.size() - channel.incomingSize),
                &channel.received, &channel.receivedType);
            if (started != NO_ERROR) {
                channel.receive.pending = false;
                closed_ = true;
                return WinHttpFailure(L"receiving failed", started);
            }
        }
        PAGELENS_RETURN_IF_ERROR(
            Await(channel.receive, interrupts, L"waiting for the capture browser"));
        if (channel.receive.error != ERROR_SUCCESS) {
            closed_ = true;
            return WinHttpFailure(L"receiving failed", channel.receive.error);
        }
        if (channel.receivedType == WINHTTP_WEB_SOCKET_CLOSE_BUFFER_TYPE) {
            // Our half of the closing handshake; its notice is of no interest.
            WinHttpWebSocketClose(channel.socket, WINHTTP_WEB_SOCKET_SUCCESS_CLOSE_STATUS, nullptr,
                                  0);
            return ConnectionClosed();
        }
        channel.incomingSize += channel.received;
        if (IsFragment(channel.receivedType)) continue;

        const size_t size = std::exchange(channel.incomingSize, 0);
        if (size <= kKeptBuffer) return std::string(channel.incoming.data(), size);
        std::string message = std::move(channel.incoming);
        channel.incoming.clear();
        message.resize(size);
        return message;
    }
}

}  // namespace pagelens::bench
