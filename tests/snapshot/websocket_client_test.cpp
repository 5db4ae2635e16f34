// The WebSocket client against a scripted server on 127.0.0.1 that does what the browser may
// do: fragmented messages, 16- and 64-bit lengths, pings between fragments, the closing
// handshake; and what it must not: a wrong accept key, a masked frame. Then the DevTools
// connection over it: answers taken as they arrive and parsed later, events in between.
#include "components/snapshot/transport/websocket_client.h"

#include <gtest/gtest.h>
#include <winsock2.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "components/snapshot/core/interrupts.h"
#include "components/snapshot/transport/devtools_connection.h"
#include "tests/snapshot/test_http_server.h"

namespace pagelens::capture {
namespace {

using namespace std::chrono_literals;

// A frame as a server sends it (unmasked).
std::string ServerFrame(uint8_t firstByte, const std::string& payload) {
    std::string frame(1, static_cast<char>(firstByte));
    if (payload.size() < 126) {
        frame += static_cast<char>(payload.size());
    } else if (payload.size() <= 0xFFFF) {
        frame += '\x7e';
        frame += static_cast<char>(payload.size() >> 8);
        frame += static_cast<char>(payload.size());
    } else {
        frame += '\x7f';
        for (int shift = 56; shift >= 0; shift -= 8)
            frame += static_cast<char>(uint64_t(payload.size()) >> shift);
    }
    return frame + payload;
}

// One connection's server side, run on its own thread by ScriptedServer.
class ServerSide {
public:
    explicit ServerSide(SOCKET socket) : socket_(socket) {}
    ~ServerSide() { closesocket(socket_); }

    // Reads the handshake and answers it; the accept key can be spoiled.
    std::string Handshake(bool rightAccept) {
        std::string request;
        while (request.find("\r\n\r\n") == std::string::npos) request += ReadSome();
        const size_t keyStart = request.find("Sec-WebSocket-Key: ") + 19;
        const std::string key = request.substr(keyStart, request.find("\r\n", keyStart) - keyStart);
        const std::string accept = rightAccept ? WebSocketAcceptFor(key) : WebSocketAcceptFor("x");
        Send(
            "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
            "Sec-WebSocket-Accept: " +
            accept + "\r\n\r\n");
        return request;
    }
    void Send(const std::string& bytes) {
        send(socket_, bytes.data(), static_cast<int>(bytes.size()), 0);
    }

    // Reads one client frame; its opcode and unmasked payload.
    std::pair<uint8_t, std::string> ReadClientFrame(bool* wasMasked = nullptr) {
        const std::string head = ReadExact(2);
        uint64_t length = static_cast<uint8_t>(head[1]) & 0x7F;
        if (length == 126 || length == 127) {
            const std::string extended = ReadExact(length == 126 ? 2 : 8);
            length = 0;
            for (char c : extended) length = length << 8 | static_cast<uint8_t>(c);
        }
        const bool masked = static_cast<uint8_t>(head[1]) & 0x80;
        if (wasMasked) *wasMasked = masked;
        const std::string mask = masked ? ReadExact(4) : std::string(4, '\0');
        std::string payload = ReadExact(static_cast<size_t>(length));
        for (size_t i = 0; i < payload.size(); ++i) payload[i] ^= mask[i & 3];
        return {static_cast<uint8_t>(head[0]) & 0x0F, payload};
    }

private:
    std::string ReadSome() {
        char buffer[4096];
        const int n = recv(socket_, buffer, sizeof buffer, 0);
        return n > 0 ? std::string(buffer, n) : std::string();
    }
    std::string ReadExact(size_t size) {
        std::string bytes;
        while (bytes.size() < size) {
            std::string more = pending_.empty() ? ReadSome() : std::exchange(pending_, {});
            if (more.empty()) break;
            bytes += more;
        }
        if (bytes.size() > size) pending_ = bytes.substr(size), bytes.resize(size);
        return bytes;
    }

    SOCKET socket_;
    std::string pending_;
};

// Listens on 127.0.0.1 and runs `script` for the first connection.
class ScriptedServer {
public:
    explicit ScriptedServer(std::function<void(ServerSide&)> script) {
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        int length = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        listen(listener_, 1);
        thread_ = std::thread([this, script] {
            SOCKET client = accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) return;
            ServerSide side(client);
            script(side);
        });
    }
    ~ScriptedServer() { Join(); }
    // Waits for the script to end (the connection, once accepted, outlives the listener).
    void Join() {
        if (!thread_.joinable()) return;
        closesocket(listener_);
        thread_.join();
    }
    uint16_t port() const { return port_; }

private:
    SOCKET listener_;
    uint16_t port_ = 0;
    std::thread thread_;
};

class WebSocketClientTest : public ::testing::Test {
protected:
    WinsockSession winsock_;
    Interrupts interrupts_ = Interrupts{}.within(10s);
};

TEST_F(WebSocketClientTest, ReceivesWholeMessagesAndAnswersPingsAndClose) {
    const std::string large(70000, 'L');  // 64-bit length
    const std::string medium(300, 'M');   // 16-bit length
    std::string request, pong, clientText;
    bool textMasked = false;
    std::pair<uint8_t, std::string> closeReply;
    ScriptedServer server([&](ServerSide& side) {
        request = side.Handshake(true);
        side.Send(ServerFrame(0x01, "frag") + ServerFrame(0x89, "are you there") +
                  ServerFrame(0x00, "men") + ServerFrame(0x80, "ted"));
        pong = side.ReadClientFrame().second;
        side.Send(ServerFrame(0x81, large) + ServerFrame(0x82, medium) + ServerFrame(0x81, ""));
        clientText = side.ReadClientFrame(&textMasked).second;
        side.Send(ServerFrame(0x88, std::string("\x03\xe8", 2)));
        closeReply = side.ReadClientFrame();
    });

    auto client = WebSocketClient::Connect(server.port(), "/devtools/browser/abc", interrupts_);
    ASSERT_TRUE(client.ok()) << client.error().description;
    WebSocketClient& socket = *client.value();
    EXPECT_EQ(socket.Receive(interrupts_).value_or("?"), "fragmented");
    EXPECT_EQ(socket.Receive(interrupts_).value_or("?"), large);
    EXPECT_EQ(socket.Receive(interrupts_).value_or("?"), medium);
    EXPECT_EQ(socket.Receive(interrupts_).value_or("?"), "");
    ASSERT_TRUE(socket.SendText("{\"id\":1}", interrupts_).ok());
    EXPECT_FALSE(socket.Receive(interrupts_).ok());
    EXPECT_TRUE(socket.closed());
    EXPECT_FALSE(socket.Receive(interrupts_).ok());

    client.value().reset();
    server.Join();
    EXPECT_EQ(request.rfind("GET /devtools/browser/abc HTTP/1.1\r\n", 0), 0u);
    EXPECT_EQ(request.find("Origin:"), std::string::npos);
    EXPECT_EQ(pong, "are you there");
    EXPECT_EQ(clientText, "{\"id\":1}");
    EXPECT_TRUE(textMasked);
    EXPECT_EQ(closeReply.first, 0x8);
}

TEST_F(WebSocketClientTest, WrongAcceptKeyFailsTheHandshake) {
    ScriptedServer server([](ServerSide& side) { side.Handshake(false); });
    auto client = WebSocketClient::Connect(server.port(), "/", interrupts_);
    EXPECT_FALSE(client.ok());
}

TEST_F(WebSocketClientTest, MaskedServerFrameIsRefused) {
    ScriptedServer server([](ServerSide& side) {
        side.Handshake(true);
        side.Send(std::string("\x81\x81\x00\x00\x00\x00x", 7));
        Sleep(200);
    });
    auto client = WebSocketClient::Connect(server.port(), "/", interrupts_);
    ASSERT_TRUE(client.ok());
    EXPECT_FALSE(client.value()->Receive(interrupts_).ok());
}

TEST_F(WebSocketClientTest, WaitsEndAtTheTimeLimitOrTheStop) {
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ScriptedServer server([](ServerSide& side) {
        side.Handshake(true);
        Sleep(1500);
    });
    auto client = WebSocketClient::Connect(server.port(), "/", Interrupts{stop}.within(5s));
    ASSERT_TRUE(client.ok());
    auto timedOut = client.value()->Receive(Interrupts{stop}.within(100ms));
    ASSERT_FALSE(timedOut.ok());
    EXPECT_EQ(timedOut.error().number, -4);
    SetEvent(stop);
    auto stopped = client.value()->Receive(Interrupts{stop}.within(5s));
    ASSERT_FALSE(stopped.ok());
    EXPECT_EQ(stopped.error().number, 0);
    CloseHandle(stop);
}

TEST(LeadingAnswerId, ReadsTheFirstMemberOnly) {
    EXPECT_EQ(LeadingAnswerId(R"({"id":5,"result":{}})"), 5);
    EXPECT_EQ(LeadingAnswerId(" {\n \"id\" : 77 , \"result\": {\"data\": \"abc\"}}"), 77);
    // What follows the id is not read: an answer cut short, or megabytes long, are the same.
    EXPECT_EQ(LeadingAnswerId(R"({"id":9,"result":{"data":")" + std::string(3000000, 'A')), 9);
    EXPECT_EQ(LeadingAnswerId(R"({"method":"Page.loadEventFired","params":{}})"), std::nullopt);
    EXPECT_EQ(LeadingAnswerId(R"({"result":{},"id":3})"), std::nullopt);
    EXPECT_EQ(LeadingAnswerId(R"({"id":"3"})"), std::nullopt);
    EXPECT_EQ(LeadingAnswerId(R"({"id":-2})"), -2);
    EXPECT_EQ(LeadingAnswerId(R"([{"id":1}])"), std::nullopt);
    EXPECT_EQ(LeadingAnswerId(""), std::nullopt);
    EXPECT_EQ(LeadingAnswerId("{\"id\":"), std::nullopt);
}

// Two commands out; the first one's answer is taken as it arrives (events before it still reach
// the listener, in order), a third command goes out before it is parsed, and each answer is
// then parsed: a result, a refusal.
TEST_F(WebSocketClientTest, DevToolsAnswersAreTakenOnArrivalAndParsedLater) {
    const std::string image(200000, 'Q');
    std::vector<std::string> commands;
    ScriptedServer server([&](ServerSide& side) {
        side.Handshake(true);
        for (int i = 0; i < 2; ++i) commands.push_back(side.ReadClientFrame().second);
        side.Send(ServerFrame(0x81, R"({"method":"Network.requestWillBeSent","params":{"n":1}})") +
                  ServerFrame(0x81, R"({"id":1,"result":{"data":")" + image + R"("}})") +
                  ServerFrame(0x81, R"({"method":"Page.loadEventFired","params":{"n":2}})"));
        commands.push_back(side.ReadClientFrame().second);
        side.Send(ServerFrame(0x81, R"({"id":2,"error":{"message":"No target"}})") +
                  ServerFrame(0x81, R"({"id":3,"result":{"ok":true}})"));
        Sleep(200);
    });
    auto client = WebSocketClient::Connect(server.port(), "/", interrupts_);
    ASSERT_TRUE(client.ok());
    DevToolsConnection connection(std::move(client).value());
    std::vector<std::string> events;
    connection.SetEventListener([&](std::string_view method, const Json& params) {
        events.push_back(std::string(method) + " " + params.dump());
    });

    auto first = connection.Start("Page.captureScreenshot", Json::object(), "S", interrupts_);
    auto second = connection.Start("Target.attachToTarget", Json::object(), "", interrupts_);
    ASSERT_TRUE(first.ok() && second.ok());
    ASSERT_TRUE(connection.AwaitArrival(*first, interrupts_).ok());
    EXPECT_EQ(events, std::vector<std::string>{R"(Network.requestWillBeSent {"n":1})"});
    auto third = connection.Start("Page.getLayoutMetrics", Json::object(), "S", interrupts_);
    ASSERT_TRUE(third.ok());

    auto shot = connection.Finish(*first, interrupts_);
    ASSERT_TRUE(shot.ok()) << shot.error().description;
    EXPECT_EQ(shot->value("data", ""), image);
    auto refused = connection.Finish(*second, interrupts_);
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error().description.find(L"No target"), std::wstring::npos);
    auto metrics = connection.Finish(*third, interrupts_);
    ASSERT_TRUE(metrics.ok());
    EXPECT_TRUE(metrics->value("ok", false));
    EXPECT_EQ(events.size(), 2u);

    server.Join();
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(Json::parse(commands[0]).value("method", ""), "Page.captureScreenshot");
    EXPECT_EQ(Json::parse(commands[0]).value("sessionId", ""), "S");
    EXPECT_EQ(Json::parse(commands[2]).value("id", 0), *third);
}

}  // namespace
}  // namespace pagelens::capture
