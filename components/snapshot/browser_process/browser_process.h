// Starting the capture browser and ending what it leaves behind. Each capture gets a fresh
// profile folder under %TEMP% (named kProfileFolderPrefix + process id + a counter), which the
// browser fills and where it writes DevToolsActivePort: its port and the browser endpoint's
// path. The browser is ended through the DevTools protocol (Browser.close) by the capture. A
// Windows browser runs in a job object that ends it if the capture could not. Wine gives no
// handle for a Linux browser, so that one is started through the host's shell, which ends it
// once our end of a lifeline connection closes: when the capture is done with it, or when this
// process ends in any way, a crash included.
#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/held_folder.h"
#include "common/run_error.h"
#include "common/unique_handle.h"
#include "components/snapshot/browser_process/browser_locator.h"
#include "components/snapshot/core/interrupts.h"
#include "components/snapshot/transport/pipe_transport.h"
#include "components/snapshot/transport/websocket_client.h"

namespace pagelens::capture {

inline constexpr wchar_t kProfileFolderPrefix[] = L"pagelens-capture-";

struct DevToolsEndpoint {
    uint16_t port = 0;
    std::string path;  // "/devtools/browser/<id>"
};

// The two lines of DevToolsActivePort; nothing until both are there and valid.
std::optional<DevToolsEndpoint> ParseDevToolsActivePort(std::string_view content);

// The folder and everything in it is removed by Remove or, failing that, by the destructor; one
// that stays is swept by a later start once this process has gone. Each start first sweeps the
// folders that captures of processes gone left behind (a crash, a removal out of patience).
class ProfileFolder {
public:
    static Result<ProfileFolder> Create();
    ProfileFolder(ProfileFolder&&) noexcept = default;
    ProfileFolder& operator=(ProfileFolder&&) = delete;

    const std::wstring& path() const { return folder_.path(); }
    // Tries until the folder is gone or `patience` runs out: the browser's last processes may
    // still be writing in it for a moment after the connection closed.
    bool Remove(std::chrono::milliseconds patience) { return folder_.Remove(patience); }

private:
    explicit ProfileFolder(HeldFolder folder) : folder_(std::move(folder)) {}
    HeldFolder folder_;
};

// Where the capture browser listens: a port of its choice, named in DevToolsActivePort, or the
// pipes it inherits, which only a Windows browser started by us can have.
enum class DevToolsChannel { Port, Pipe };
DevToolsChannel ChannelFor(const BrowserProgram& program);

// The browser's ends of its pipes, as the values it inherits.
struct InheritedPipes {
    HANDLE browserReads;
    HANDLE browserWrites;
};
using PipedCommandLine = std::function<std::wstring(const InheritedPipes&)>;

// Starts the program at `programPath` with the command line made for the browser's ends of new
// pipes, suspended in `job` (if any), with those ends as its C runtime descriptors 3 and 4 laid
// out for the program's own width, and no other handle of ours; our ends make the transport.
struct PipedProcess {
    UniqueHandleK process;
    std::unique_ptr<PipeTransport> transport;
};
Result<PipedProcess> StartWithDevToolsPipes(const std::wstring& programPath,
                                            const PipedCommandLine& commandLineFor, HANDLE job);

class BrowserProcess {
public:
    static Result<BrowserProcess> Start(const BrowserProgram& program,
                                        const ProfileFolder& profile);
    // A Windows browser driven over pipes: `transport` is its connection, at once.
    static Result<BrowserProcess> StartPiped(const BrowserProgram& program,
                                             const ProfileFolder& profile,
                                             std::unique_ptr<MessageTransport>& transport);
    BrowserProcess(BrowserProcess&&) noexcept = default;
    ~BrowserProcess();

    // Waits for DevToolsActivePort; fails early if the browser's process ends first.
    Result<DevToolsEndpoint> WaitForEndpoint(const ProfileFolder& profile,
                                             const Interrupts& interrupts) const;
    // After Browser.close: waits up to `patience` for a Windows browser to end, then ends it.
    void Finish(std::chrono::milliseconds patience);

private:
    static Result<BrowserProcess> StartHostProgram(const BrowserProgram& program,
                                                   const ProfileFolder& profile);
    BrowserProcess(UniqueHandleK process, UniqueHandleK job, UniqueSocket lifeline = {})
        : process_(std::move(process)), job_(std::move(job)), lifeline_(std::move(lifeline)) {}
    UniqueHandleK process_;  // none for a host program under Wine
    UniqueHandleK job_;
    WinsockSession winsock_;  // for lifeline_
    UniqueSocket lifeline_;   // a host program's: closing it ends the browser
};

// The command line that starts `program` headless, listening on a port of its choice or on the
// inherited `pipes`. A host program's path and profile are given as host paths; it is started
// through the shell.
std::wstring BrowserCommandLine(const BrowserProgram& program, const std::wstring& profileArgument,
                                DevToolsChannel channel = DevToolsChannel::Port,
                                const InheritedPipes* pipes = nullptr);
// How the host's shell is asked to run `browserCommandLine`: with no output of ours (it would
// hold our error output open past our end) and only until its standard input ends.
std::wstring HostLauncherCommandLine(const std::wstring& browserCommandLine);

}  // namespace pagelens::capture
