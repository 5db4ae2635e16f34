// DevToolsActivePort as the browser writes it, and what is not yet (or never) a usable one; the
// command line each kind of capture browser gets; the profile folders that starts sweep.
#include <gtest/gtest.h>

#include "components/snapshot/browser_process/browser_process.h"
#include "tests/support/test_support.h"

namespace pagelens::capture {
namespace {

TEST(DevToolsPortFile, Parses) {
    const struct {
        std::string content;
        uint16_t port;  // 0: not usable
        const char* path;
    } cases[] = {
        {"39397\n/devtools/browser/2f4914c7", 39397, "/devtools/browser/2f4914c7"},
        {"39397\n/devtools/browser/2f4914c7\n", 39397, "/devtools/browser/2f4914c7"},
        {"1\r\n/devtools/browser/x\r\n", 1, "/devtools/browser/x"},
        {"65535\n/p", 65535, "/p"},
        {"", 0, ""},
        {"39397", 0, ""},
        {"39397\n", 0, ""},
        {"0\n/devtools/browser/x", 0, ""},
        {"65536\n/devtools/browser/x", 0, ""},
        {"39a97\n/devtools/browser/x", 0, ""},
        {"39397\ndevtools/browser/x", 0, ""},
        {"39397\n/devtools/browser x", 0, ""},
    };
    for (const auto& c : cases) {
        const auto endpoint = ParseDevToolsActivePort(c.content);
        EXPECT_EQ(endpoint.has_value(), c.port != 0) << c.content;
        if (!endpoint || c.port == 0) continue;
        EXPECT_EQ(endpoint->port, c.port);
        EXPECT_EQ(endpoint->path, c.path);
    }
}

// A Windows browser keeps its sandbox and finds its pipes by value too; only the host's
// Chromium under Wine (run as root) goes without it.
TEST(BrowserCommandLine, SandboxStaysOnForWindowsBrowsers) {
    const InheritedPipes pipes{reinterpret_cast<HANDLE>(1234), reinterpret_cast<HANDLE>(5678)};
    const std::wstring windows = BrowserCommandLine({L"C:\\Edge\\msedge.exe", false}, L"C:\\p",
                                                    DevToolsChannel::Pipe, &pipes);
    const std::wstring host = BrowserCommandLine({L"/usr/bin/chromium", true}, L"/tmp/p");
    for (const wchar_t* weakening :
         {L"--no-sandbox", L"--disable-setuid-sandbox", L"--no-zygote", L"--single-process",
          L"--disable-gpu-sandbox", L"--disable-web-security", L"--remote-debugging-port"})
        EXPECT_EQ(windows.find(weakening), std::wstring::npos) << weakening;
    EXPECT_NE(windows.find(L" --remote-debugging-pipe --remote-debugging-io-pipes=1234,5678 "),
              std::wstring::npos);
    EXPECT_NE(host.find(L" --no-sandbox "), std::wstring::npos);
    EXPECT_NE(host.find(L" --remote-debugging-port=0 "), std::wstring::npos);
}

// Folders whose owner is gone (no lock, or a lock nobody holds) go at the next start, with what
// is in them; the folder of a capture still running stays.
TEST(ProfileFolderSweep, LeftBehindFoldersGoAndRunningOnesStay) {
    auto created = ProfileFolder::Create();
    ASSERT_TRUE(created.ok());
    ProfileFolder held = std::move(created).value();
    ProfileFolder* running = &held;
    const std::wstring base = running->path().substr(0, running->path().rfind(L'\\') + 1) +
                              kProfileFolderPrefix + L"4000000";
    const std::wstring unlocked = base + L"-1", staleLock = base + L"-2";
    for (const auto& folder : {unlocked, staleLock}) {
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        test::WriteFileBytes(folder + L"\\Cookies", "secret", 6);
    }
    test::WriteFileBytes(staleLock + L".lock", "", 0);
    test::WriteFileBytes(running->path() + L"\\Cookies", "live", 4);

    auto next = ProfileFolder::Create();
    ASSERT_TRUE(next.ok());
    for (const auto& gone : {unlocked, staleLock, staleLock + L".lock"})
        EXPECT_EQ(GetFileAttributesW(gone.c_str()), INVALID_FILE_ATTRIBUTES)
            << std::string(gone.begin(), gone.end());
    EXPECT_TRUE(test::FileExists(running->path() + L"\\Cookies"));
    EXPECT_NE(next->path(), running->path());
    const std::wstring runningPath = running->path();
    EXPECT_TRUE(running->Remove(std::chrono::seconds(5)));
    EXPECT_FALSE(test::FileExists(runningPath + L".lock"));
}

}  // namespace
}  // namespace pagelens::capture
