// The DevTools protocol over pipes: NUL-separated messages however the bytes are cut, a peer
// on real anonymous pipes that answers as the browser does, Close and the time limit while
// nothing arrives, the browser's end of the pipes, and a Windows child that finds the pipes as
// its C runtime descriptors 3 and 4.
#include "components/snapshot/transport/pipe_transport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "components/snapshot/browser_process/browser_process.h"
#include "components/snapshot/capture_failure.h"
#include "components/snapshot/transport/devtools_connection.h"
#include "tests/support/test_support.h"

namespace pagelens::test {
namespace {

using capture::DevToolsConnection;
using capture::Interrupts;
using capture::Json;
using capture::NulFramer;
using capture::PipeTransport;

TEST(PipeTransportTest, FramerSplitsAtNulBytesWhereverTheChunksEnd) {
    const std::string stream = std::string("{\"id\":1}") + '\0' + "{\"method\":\"a\"}" + '\0' +
                               '\0' + "{\"id\":2}" + '\0' + "{\"par";
    const std::vector<std::string> expected = {"{\"id\":1}", "{\"method\":\"a\"}", "",
                                               "{\"id\":2}"};
    for (size_t chunk : {size_t(1), size_t(3), size_t(8), stream.size()}) {
        SCOPED_TRACE(chunk);
        NulFramer framer;
        std::vector<std::string> messages;
        for (size_t at = 0; at < stream.size(); at += chunk) {
            framer.Append(stream.data() + at, std::min(chunk, stream.size() - at));
            while (auto message = framer.Next()) messages.push_back(*message);
        }
        EXPECT_EQ(messages, expected);
        EXPECT_EQ(framer.partialSize(), 5u);
    }
}

TEST(PipeTransportTest, DescriptorBlockGivesThePipesAsDescriptorsThreeAndFour) {
    const HANDLE fd3 = reinterpret_cast<HANDLE>(0x1234);
    const HANDLE fd4 = reinterpret_cast<HANDLE>(0x5678);
    const std::string block = capture::InheritedDescriptorBlock(fd3, fd4);
    ASSERT_EQ(block.size(), sizeof(int) + 5 + 5 * sizeof(HANDLE));
    int count = 0;
    std::memcpy(&count, block.data(), sizeof count);
    EXPECT_EQ(count, 5);
    const unsigned char expectedFlags[] = {0, 0, 0, 0x09, 0x09};
    EXPECT_EQ(std::memcmp(block.data() + 4, expectedFlags, 5), 0);
    HANDLE handles[5];
    std::memcpy(handles, block.data() + 9, sizeof handles);
    EXPECT_EQ(handles[0], INVALID_HANDLE_VALUE);
    EXPECT_EQ(handles[3], fd3);
    EXPECT_EQ(handles[4], fd4);
}

// Reads NUL-terminated messages from `in` until it ends.
std::vector<std::string> ReadMessages(HANDLE in, std::string& pending) {
    std::vector<std::string> messages;
    char buffer[1000];
    DWORD read = 0;
    if (!ReadFile(in, buffer, sizeof buffer, &read, nullptr) || read == 0) return messages;
    pending.append(buffer, read);
    for (size_t end; (end = pending.find('\0')) != std::string::npos;) {
        messages.push_back(pending.substr(0, end));
        pending.erase(0, end + 1);
    }
    return messages;
}

void WriteInPieces(HANDLE out, const std::string& text, size_t piece) {
    for (size_t at = 0; at < text.size(); at += piece) {
        DWORD written = 0;
        WriteFile(out, text.data() + at, static_cast<DWORD>(std::min(piece, text.size() - at)),
                  &written, nullptr);
    }
}

// The browser's side as the protocol describes it: each command answered with its id, after an
// event; a screenshot's answer of megabytes, written in odd pieces; Browser.close closes the
// browser's end of the pipes.
TEST(PipeTransportTest, ConnectionTalksToAPeerOnAnonymousPipes) {
    auto created = capture::CreateDevToolsPipes();
    ASSERT_TRUE(created.ok());
    capture::DevToolsPipes made = std::move(created).value();
    auto* pipes = &made;
    HANDLE peerIn = pipes->browserReads.get();
    UniqueHandleK peerOut(pipes->browserWrites.release());
    const std::string bigData(3 << 20, 'A');
    std::vector<std::string> received;
    std::thread peer([&] {
        std::string pending;
        for (bool closing = false; !closing;) {
            auto messages = ReadMessages(peerIn, pending);
            if (messages.empty()) return;
            for (const auto& text : messages) {
                received.push_back(text);
                const Json command = Json::parse(text);
                const std::string method = command.value("method", "");
                const std::string event =
                    Json{{"method", "Page.lifecycleEvent"}, {"params", {{"name", method}}}}.dump();
                Json answer = {{"id", command.value("id", 0)}, {"result", {{"method", method}}}};
                if (method == "Page.captureScreenshot") answer["result"]["data"] = bigData;
                WriteInPieces(peerOut.get(), event + '\0' + answer.dump() + '\0', 7777);
                closing = method == "Browser.close";
            }
        }
        peerOut.reset();
    });

    DevToolsConnection connection(std::make_unique<PipeTransport>(std::move(pipes->toBrowser),
                                                                  std::move(pipes->fromBrowser)));
    std::vector<std::string> events;
    connection.SetEventListener(
        [&](std::string_view, const Json& params) { events.push_back(params.value("name", "")); });
    const Interrupts interrupts{nullptr, capture::Clock::now() + std::chrono::seconds(30)};
    auto version = connection.Call("Browser.getVersion", Json::object(), "", interrupts);
    ASSERT_TRUE(version.ok());
    EXPECT_EQ(version->value("method", ""), "Browser.getVersion");
    auto shot =
        connection.Call("Page.captureScreenshot", {{"format", "png"}}, "session-1", interrupts);
    ASSERT_TRUE(shot.ok());
    EXPECT_EQ(shot->value("data", "").size(), bigData.size());
    ASSERT_TRUE(connection.Send("Browser.close", Json::object(), "", interrupts).ok());
    EXPECT_TRUE(connection.ReadUntilClosed(interrupts).ok());
    EXPECT_TRUE(connection.transport().closed());
    peer.join();

    EXPECT_EQ(events, (std::vector<std::string>{"Browser.getVersion", "Page.captureScreenshot"}));
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(Json::parse(received[1]).value("sessionId", ""), "session-1");
    EXPECT_EQ(Json::parse(received[2]).value("id", 0), 3);
}

// Nothing arrives: Close ends the wait as stopped, the time limit as timed out; a message with
// a NUL in it is refused rather than sent as two.
TEST(PipeTransportTest, WaitsEndAtCloseAndAtTheTimeLimit) {
    auto created = capture::CreateDevToolsPipes();
    ASSERT_TRUE(created.ok());
    capture::DevToolsPipes made = std::move(created).value();
    auto* pipes = &made;
    PipeTransport transport(std::move(pipes->toBrowser), std::move(pipes->fromBrowser));
    UniqueHandleK stop(CreateEventW(nullptr, TRUE, TRUE, nullptr));
    auto stopped = transport.Receive({stop.get(), capture::Clock::time_point::max()});
    ASSERT_FALSE(stopped.ok());
    EXPECT_TRUE(capture::IsStopped(stopped.error()));
    auto late = transport.Receive({nullptr, capture::Clock::now()});
    ASSERT_FALSE(late.ok());
    EXPECT_EQ(late.error().number, capture::kTimedOut);
    EXPECT_FALSE(transport.closed());
    EXPECT_FALSE(transport.SendText(std::string("a\0b", 3), {}).ok());
}

// A real Windows process started the way the capture browser is: it finds the pipes as its
// descriptors 3 and 4, answers through them, and its end closes the pipe.
TEST(PipeTransportTest, ChildFindsThePipesAsDescriptorsThreeAndFour) {
    const std::wstring child = BuildDir() + L"\\tests\\snapshot\\pipe_peer_child.exe";
    ASSERT_TRUE(FileExists(child));
    auto started = capture::StartWithDevToolsPipes(L"\"" + child + L"\"", nullptr);
    ASSERT_TRUE(started.ok()) << std::string(started.error().description.begin(),
                                             started.error().description.end());
    capture::PipedProcess piped = std::move(started).value();
    DevToolsConnection connection(std::move(piped.transport));
    const Interrupts interrupts{nullptr, capture::Clock::now() + std::chrono::seconds(30)};
    auto answer = connection.Call("Target.getTargets", Json::object(), "", interrupts);
    ASSERT_TRUE(answer.ok());
    EXPECT_EQ(answer->value("through", ""), "fd3 fd4");
    ASSERT_TRUE(connection.Send("Browser.close", Json::object(), "", interrupts).ok());
    EXPECT_TRUE(connection.ReadUntilClosed(interrupts).ok());
    ASSERT_EQ(WaitForSingleObject(piped.process.get(), 30000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(piped.process.get(), &exitCode);
    EXPECT_EQ(exitCode, 0u);
}

}  // namespace
}  // namespace pagelens::test
