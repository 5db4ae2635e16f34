// The DevTools protocol over pipes: NUL-separated messages however the bytes are cut, a peer
// on real anonymous pipes that answers as the browser does, Close and the time limit while
// nothing arrives, the browser's end of the pipes, and a Windows child that finds the pipes as
// its C runtime descriptors 3 and 4.
#include "components/snapshot/transport/pipe_transport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <thread>
#include <vector>

#include "components/snapshot/browser_process/browser_process.h"
#include "components/snapshot/core/capture_failure.h"
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

// Laid out for the child's width: a 64-bit runtime reads 8 bytes per handle, sign-extended.
TEST(PipeTransportTest, DescriptorBlockGivesThePipesAsDescriptorsThreeAndFour) {
    const HANDLE fd3 = reinterpret_cast<HANDLE>(0x1234);
    const HANDLE fd4 = reinterpret_cast<HANDLE>(0x5678);
    for (size_t width : {size_t(4), size_t(8)}) {
        SCOPED_TRACE(width);
        const std::string block = capture::InheritedDescriptorBlock(fd3, fd4, width);
        ASSERT_EQ(block.size(), sizeof(int) + 5 + 5 * width);
        int count = 0;
        std::memcpy(&count, block.data(), sizeof count);
        EXPECT_EQ(count, 5);
        const unsigned char expectedFlags[] = {0, 0, 0, 0x09, 0x09};
        EXPECT_EQ(std::memcmp(block.data() + 4, expectedFlags, 5), 0);
        int64_t handles[5] = {};
        for (int i = 0; i < 5; ++i) {
            std::memcpy(&handles[i], block.data() + 9 + i * width, width);
            if (width == 4) handles[i] = static_cast<int32_t>(handles[i]);
        }
        EXPECT_EQ(handles[0], -1);
        EXPECT_EQ(handles[3], 0x1234);
        EXPECT_EQ(handles[4], 0x5678);
    }
}

std::wstring PeerChild(int width) {
    return BuildDir() + L"\\tests\\snapshot\\pipe_peer_child" + std::to_wstring(width) + L".exe";
}

// A 32-bit process starts 64-bit programs only on 64-bit Windows.
bool SixtyFourBitWindows() {
    BOOL wow64 = FALSE;
    return sizeof(void*) == 8 || (IsWow64Process(GetCurrentProcess(), &wow64) && wow64);
}

// Some Wine hosts cannot run 32-bit programs at all; the child started without pipes says so by
// ending with 3.
bool ThirtyTwoBitProgramsRun() {
    std::wstring commandLine = L"\"" + PeerChild(32) + L"\"";
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &started))
        return false;
    UniqueHandleK process(started.hProcess), thread(started.hThread);
    DWORD exitCode = 0;
    return WaitForSingleObject(process.get(), 30000) == WAIT_OBJECT_0 &&
           GetExitCodeProcess(process.get(), &exitCode) && exitCode == 3;
}

TEST(PipeTransportTest, HandleWidthComesFromTheProgramsHeader) {
    TempFolder folder;
    const std::wstring text = folder.file(L"notes.exe");
    WriteFileBytes(text, "MZ not a program", 16);
    const std::pair<std::wstring, std::optional<size_t>> cases[] = {
        {PeerChild(32), 4},
        {PeerChild(64), 8},
        {text, std::nullopt},
        {folder.file(L"missing.exe"), std::nullopt},
    };
    for (const auto& [path, width] : cases) {
        SCOPED_TRACE(std::string(path.begin(), path.end()));
        EXPECT_EQ(capture::ProgramHandleSize(path), width);
    }
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

// Nothing arrives, or the peer stops reading with the pipe full: Close ends the wait as stopped,
// the time limit as timed out, and a message cut off midway is the last one sent; a message
// with a NUL in it is refused rather than sent as two.
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

    const std::string big(8 << 20, 'x');  // more than the pipe holds
    Status full =
        transport.SendText(big, {nullptr, capture::Clock::now() + std::chrono::seconds(1)});
    ASSERT_FALSE(full.ok());
    EXPECT_EQ(full.error().number, capture::kTimedOut);
    // What follows a cut-off message is refused at once, even without a time limit.
    EXPECT_FALSE(transport.SendText("{}", {}).ok());

    auto again = capture::CreateDevToolsPipes();
    ASSERT_TRUE(again.ok());
    capture::DevToolsPipes second = std::move(again).value();
    PipeTransport other(std::move(second.toBrowser), std::move(second.fromBrowser));
    UniqueHandleK closing(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread closer([&] {
        Sleep(200);
        SetEvent(closing.get());
    });
    Status closed = other.SendText(big, {closing.get(), capture::Clock::time_point::max()});
    closer.join();
    ASSERT_FALSE(closed.ok());
    EXPECT_TRUE(capture::IsStopped(closed.error()));
}

// Real Windows processes of both widths started the way the capture browser is: each finds the
// pipes as its descriptors 3 and 4 and named by the switch, answers through them, and its end
// closes the pipe.
TEST(PipeTransportTest, ChildFindsThePipesAsDescriptorsThreeAndFour) {
    const int ownWidth = sizeof(void*) * 8;
    for (int width : {ownWidth, 96 - ownWidth}) {
        if (width == 64 && !SixtyFourBitWindows()) continue;
        if (width == 32 && !ThirtyTwoBitProgramsRun())
            GTEST_SKIP() << "this machine cannot run 32-bit programs: the 32-bit child is untried";
        SCOPED_TRACE(width);
        const std::wstring child = PeerChild(width);
        ASSERT_TRUE(FileExists(child));
        TempFolder profile;
        auto started = capture::StartWithDevToolsPipes(
            child,
            [&](const capture::InheritedPipes& pipes) {
                return capture::BrowserCommandLine({child, false}, profile.path(),
                                                   capture::DevToolsChannel::Pipe, &pipes);
            },
            nullptr);
        ASSERT_TRUE(started.ok()) << std::string(started.error().description.begin(),
                                                 started.error().description.end());
        capture::PipedProcess piped = std::move(started).value();
        DevToolsConnection connection(std::move(piped.transport));
        const Interrupts interrupts{nullptr, capture::Clock::now() + std::chrono::seconds(30)};
        auto answer = connection.Call("Target.getTargets", Json::object(), "", interrupts);
        ASSERT_TRUE(answer.ok());
        EXPECT_EQ(answer->value("through", ""), "fd3 fd4");
        EXPECT_EQ(answer->value("switch", ""), "same");
        ASSERT_TRUE(connection.Send("Browser.close", Json::object(), "", interrupts).ok());
        EXPECT_TRUE(connection.ReadUntilClosed(interrupts).ok());
        ASSERT_EQ(WaitForSingleObject(piped.process.get(), 30000), WAIT_OBJECT_0);
        DWORD exitCode = 1;
        GetExitCodeProcess(piped.process.get(), &exitCode);
        EXPECT_EQ(exitCode, 0u);
    }
}

}  // namespace
}  // namespace pagelens::test
