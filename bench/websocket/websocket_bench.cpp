// The screenshot's path over the loopback WebSocket: one command out, one answer of megabytes
// of Base64 JSON in, from a server on 127.0.0.1, each round timed; then the Base64 decoding of
// that answer's data. Ours (the component's client and decoder) against the platform's:
// WinHTTP's WebSocket in asynchronous mode (as the capture would have to use it, its waits
// interruptible), WinHTTP in synchronous mode (its floor, uninterruptible) and crypt32's
// CryptStringToBinaryA. Prints the median milliseconds of each, in that order:
//   ours winhttp-async winhttp-sync ours-decode crypt32-decode megabytes
// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>
#include <winhttp.h>
// clang-format on

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "bench/websocket/winhttp_websocket.h"
#include "components/snapshot/transport/base64.h"
#include "components/snapshot/transport/websocket_client.h"

namespace {

using namespace pagelens;
using Clock = std::chrono::steady_clock;

constexpr int kRounds = 9;
constexpr char kCommand[] = R"({"id":1,"method":"Page.captureScreenshot"})";

std::string ReadSome(SOCKET s) {
    char buffer[65536];
    const int n = recv(s, buffer, sizeof buffer, 0);
    return n > 0 ? std::string(buffer, n) : std::string();
}

// Answers each client's command with `answer`, for `clients` connections one after another.
class AnswerServer {
public:
    AnswerServer(const std::string& answer, int clients) {
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        int length = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        listen(listener_, 4);
        std::string frame = "\x81\x7f";
        for (int shift = 56; shift >= 0; shift -= 8)
            frame += static_cast<char>(uint64_t(answer.size()) >> shift);
        frame += answer;
        thread_ = std::thread([this, frame, clients] {
            for (int c = 0; c < clients; ++c) Serve(accept(listener_, nullptr, nullptr), frame);
        });
    }
    ~AnswerServer() {
        thread_.join();
        closesocket(listener_);
    }
    uint16_t port() const { return port_; }

private:
    static void Serve(SOCKET s, const std::string& frame) {
        std::string request;
        while (request.find("\r\n\r\n") == std::string::npos) request += ReadSome(s);
        const size_t keyStart = request.find("Sec-WebSocket-Key: ") + 19;
        const std::string key = request.substr(keyStart, request.find("\r\n", keyStart) - keyStart);
        const std::string head =
            "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
            "Sec-WebSocket-Accept: " +
            capture::WebSocketAcceptFor(key) + "\r\n\r\n";
        send(s, head.data(), static_cast<int>(head.size()), 0);
        for (int i = 0; i < kRounds; ++i) {
            if (ReadSome(s).empty()) break;  // a command is one small frame
            for (size_t sent = 0; sent < frame.size();) {
                const int n =
                    send(s, frame.data() + sent,
                         static_cast<int>(std::min<size_t>(frame.size() - sent, 1 << 20)), 0);
                if (n <= 0) break;
                sent += static_cast<size_t>(n);
            }
        }
        Sleep(100);
        closesocket(s);
    }

    SOCKET listener_;
    uint16_t port_ = 0;
    std::thread thread_;
};

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The median of `rounds` runs of `step`, in milliseconds; nothing if a run failed.
double TimeRounds(int rounds, const std::function<bool()>& step) {
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        if (!step()) return -1;
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return Median(times);
}

double OverTransport(capture::MessageTransport& transport, size_t expected) {
    const capture::Interrupts interrupts{};
    return TimeRounds(kRounds, [&] {
        if (!transport.SendText(kCommand, interrupts).ok()) return false;
        auto answer = transport.Receive(interrupts);
        return answer.ok() && answer.value().size() == expected;
    });
}

double OverSynchronousWinHttp(uint16_t port, size_t expected) {
    HINTERNET session = WinHttpOpen(L"bench", WINHTTP_ACCESS_TYPE_NO_PROXY, nullptr, nullptr, 0);
    HINTERNET connection = WinHttpConnect(session, L"127.0.0.1", port, 0);
    HINTERNET request = WinHttpOpenRequest(connection, L"GET", L"/", nullptr, nullptr, nullptr, 0);
    WinHttpSetOption(request, WINHTTP_OPTION_UPGRADE_TO_WEB_SOCKET, nullptr, 0);
    HINTERNET socket = nullptr;
    if (WinHttpSendRequest(request, nullptr, 0, nullptr, 0, 0, 0) &&
        WinHttpReceiveResponse(request, nullptr))
        socket = WinHttpWebSocketCompleteUpgrade(request, 0);
    std::string buffer(expected + 1, '\0');
    const double median = !socket ? -1 : TimeRounds(kRounds, [&] {
        std::string command = kCommand;
        if (WinHttpWebSocketSend(socket, WINHTTP_WEB_SOCKET_UTF8_MESSAGE_BUFFER_TYPE,
                                 command.data(), static_cast<DWORD>(command.size())))
            return false;
        size_t size = 0;
        for (;;) {
            DWORD received = 0;
            WINHTTP_WEB_SOCKET_BUFFER_TYPE type;
            if (size == buffer.size() ||
                WinHttpWebSocketReceive(socket, buffer.data() + size,
                                        static_cast<DWORD>(buffer.size() - size), &received, &type))
                return false;
            size += received;
            if (type == WINHTTP_WEB_SOCKET_UTF8_MESSAGE_BUFFER_TYPE)
                return std::string(buffer.data(), size).size() == expected;
        }
    });
    for (HINTERNET handle : {socket, request, connection, session})
        if (handle) WinHttpCloseHandle(handle);
    return median;
}

bool Crypt32Decode(const std::string& text, std::string& bytes) {
    DWORD size = static_cast<DWORD>(text.size() / 4 * 3 + 3);
    bytes.assign(size, '\0');
    if (!CryptStringToBinaryA(text.data(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64,
                              reinterpret_cast<BYTE*>(bytes.data()), &size, nullptr, nullptr))
        return false;
    bytes.resize(size);
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const size_t megabytes = argc > 1 ? std::wcstoul(argv[1], nullptr, 10) : 9;
    capture::WinsockSession winsock;
    std::string image(megabytes << 20, '\0');
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(i * 7919 % 251);
    const std::string data = capture::Base64Encode(image);
    const std::string answer = R"({"id":1,"result":{"data":")" + data + R"("}})";

    AnswerServer server(answer, 3);
    const capture::Interrupts interrupts{};
    double ours = -1, async = -1, sync = -1;
    if (auto client = capture::WebSocketClient::Connect(server.port(), "/", interrupts);
        client.ok())
        ours = OverTransport(*client.value(), answer.size());
    if (auto peer = bench::WinHttpWebSocket::Connect(server.port(), "/", interrupts); peer.ok())
        async = OverTransport(*peer.value(), answer.size());
    sync = OverSynchronousWinHttp(server.port(), answer.size());

    std::string decoded;
    const double ourDecode = TimeRounds(kRounds, [&] {
        auto bytes = capture::Base64Decode(data);
        return bytes && *bytes == image;
    });
    const double crypt32Decode =
        TimeRounds(kRounds, [&] { return Crypt32Decode(data, decoded) && decoded == image; });
    std::printf("%.1f %.1f %.1f %.1f %.1f %.1f\n", ours, async, sync, ourDecode, crypt32Decode,
                answer.size() / 1048576.0);
    return ours < 0 || async < 0 || sync < 0 || ourDecode < 0 || crypt32Decode < 0;
}
