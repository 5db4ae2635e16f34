// Starting the capture browser and ending what it leaves behind. Each capture gets a fresh
// profile folder under %TEMP% (named kProfileFolderPrefix + process id + a counter), which the
// browser fills and where it writes DevToolsActivePort: its port and the browser endpoint's
// path. The browser is ended through the DevTools protocol (Browser.close) by the capture; a
// Linux browser started from Wine cannot be ended any other way, and Wine gives no handle for
// it. A Windows browser runs in a job object that ends it if the capture could not.
#pragma once
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/run_error.h"
#include "common/unique_handle.h"
#include "components/snapshot/browser_locator.h"
#include "components/snapshot/interrupts.h"

namespace pagelens::capture {

inline constexpr wchar_t kProfileFolderPrefix[] = L"pagelens-capture-";

struct DevToolsEndpoint {
    uint16_t port = 0;
    std::string path;  // "/devtools/browser/<id>"
};

// The two lines of DevToolsActivePort; nothing until both are there and valid.
std::optional<DevToolsEndpoint> ParseDevToolsActivePort(std::string_view content);

// The folder and everything in it is removed by Remove or, failing that, by the destructor.
class ProfileFolder {
public:
    static Result<ProfileFolder> Create();
    ProfileFolder(ProfileFolder&& other) noexcept : path_(std::exchange(other.path_, {})) {}
    ProfileFolder& operator=(ProfileFolder&&) = delete;
    ~ProfileFolder();

    const std::wstring& path() const { return path_; }
    // Tries until the folder is gone or `patience` runs out: the browser's last processes may
    // still be writing in it for a moment after the connection closed.
    bool Remove(std::chrono::milliseconds patience);

private:
    explicit ProfileFolder(std::wstring path) : path_(std::move(path)) {}
    std::wstring path_;
};

class BrowserProcess {
public:
    static Result<BrowserProcess> Start(const BrowserProgram& program,
                                        const ProfileFolder& profile);
    BrowserProcess(BrowserProcess&&) noexcept = default;
    ~BrowserProcess();

    // Waits for DevToolsActivePort; fails early if the browser's process ends first.
    Result<DevToolsEndpoint> WaitForEndpoint(const ProfileFolder& profile,
                                             const Interrupts& interrupts) const;
    // After Browser.close: waits up to `patience` for a Windows browser to end, then ends it.
    void Finish(std::chrono::milliseconds patience);

private:
    BrowserProcess(UniqueHandleK process, UniqueHandleK job)
        : process_(std::move(process)), job_(std::move(job)) {}
    UniqueHandleK process_;  // none for a host program under Wine
    UniqueHandleK job_;
};

// The command line that starts `program` headless with its DevTools port chosen by itself.
std::wstring BrowserCommandLine(const BrowserProgram& program, const std::wstring& profileArgument);

}  // namespace pagelens::capture
