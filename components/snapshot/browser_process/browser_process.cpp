#include "components/snapshot/browser_process/browser_process.h"

#include <windows.h>

#include <utility>
#include <vector>

#include "common/text_codepage.h"
#include "components/snapshot/browser_process/host_system.h"
#include "components/snapshot/core/capture_failure.h"

namespace pagelens::capture {
namespace {

constexpr auto kStartupLimit = std::chrono::seconds(30);
constexpr auto kPortFilePoll = std::chrono::milliseconds(20);

// Headless, and without what a capture has no use for (and what costs start-up time):
// extensions, background services, crash reports. The profile keeps nothing past the capture:
// its folder is fresh, private, removed afterwards and swept when left behind (--incognito
// made the host's Chromium start and close slower, past the time limits). Frames stay at the
// display's rate: unthrottled, a page with an animation renders without pause and slows the
// whole capture down (by a second on a page of spinning pictures). One switch a line; none of
// them weakens the sandbox.
constexpr const wchar_t* kCaptureSwitches[] = {
    L"--headless",
    L"--disable-gpu",
    L"--no-first-run",
    L"--disable-background-networking",
    L"--disable-component-update",
    L"--disable-sync",
    L"--disable-quic",
    L"--hide-scrollbars",
    L"--disable-extensions",
    L"--disable-component-extensions-with-background-pages",
    L"--disable-default-apps",
    L"--disable-breakpad",
    L"--mute-audio",
    // A page served from the tab's markup loads its parts from the intranet's other hosts.
    L"--disable-features=LocalNetworkAccessChecks",
};
// Only the host's Chromium under Wine, which runs as root there and refuses to start sandboxed
// as root. A Windows browser keeps its sandbox: the pages it renders are the web's.
constexpr wchar_t kHostOnlySwitch[] = L"--no-sandbox";

// The handle's value as Chromium reads it back (base::win::Uint32ToHandle): decimal.
std::wstring HandleValueText(HANDLE handle) {
    return std::to_wstring(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle)));
}

// The host's shell, and what it runs: the browser in the background with no standard streams
// of ours, then reads of its own standard input (the lifeline) until that ends or the browser
// does, then the browser's end. Wine gives the shell the socket non-blocking: cat fails when
// nothing is waiting and succeeds at the end of the stream, so it is retried each second. The
// shell's own error output goes too, since it lives as long as we do.
constexpr wchar_t kHostShell[] = L"Z:\\bin\\sh";
constexpr wchar_t kHostLauncherScript[] =
    L"exec 2>/dev/null; \"$@\" </dev/null >/dev/null 2>&1 & b=$!;"
    L" while kill -0 $b && ! cat >/dev/null; do sleep 1; done; kill $b";

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// One argument of a command line, as CommandLineToArgvW reads it back (no backslash in it is
// followed by a quote).
std::wstring QuotedArgument(const std::wstring& text) {
    std::wstring quoted = L"\"";
    for (wchar_t c : text) {
        if (c == L'"') quoted += L'\\';
        quoted += c;
    }
    return quoted + L"\"";
}

std::string ReadSmallFile(const std::wstring& path) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    if (!file) return {};
    char buffer[1024];
    DWORD read = 0;
    if (!ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr)) return {};
    return std::string(buffer, read);
}

bool HasEnded(HANDLE process) {
    return process && WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

// A job that ends the browser with all its processes when the job's last handle closes, so
// that no browser outlives the capture even if this process dies.
UniqueHandleK KillOnCloseJob() {
    UniqueHandleK job(CreateJobObjectW(nullptr, nullptr));
    if (!job) return job;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                 sizeof limits))
        job.reset();
    return job;
}

// Both ends of a TCP connection over the loopback interface.
Result<std::pair<UniqueSocket, UniqueSocket>> LoopbackConnection() {
    WinsockSession winsock;
    UniqueSocket listener(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    UniqueSocket connecting, accepted;
    if (winsock.ok() && listener &&
        bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        listen(listener.get(), 1) == 0 &&
        getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        connecting.reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        // Loopback connections are made or refused at once, so blocking calls are fine.
        if (connecting && connect(connecting.get(), reinterpret_cast<const sockaddr*>(&address),
                                  sizeof address) == 0)
            accepted.reset(accept(listener.get(), nullptr, nullptr));
    }
    // Another local program may have connected first: only our own connection will do.
    sockaddr_in ours{}, peer{};
    int oursLength = sizeof ours, peerLength = sizeof peer;
    if (accepted &&
        (getsockname(connecting.get(), reinterpret_cast<sockaddr*>(&ours), &oursLength) != 0 ||
         getpeername(accepted.get(), reinterpret_cast<sockaddr*>(&peer), &peerLength) != 0 ||
         ours.sin_port != peer.sin_port))
        accepted.reset();
    if (!accepted)
        return Failed(L"The capture browser's lifeline cannot be made (Winsock error " +
                      std::to_wstring(WSAGetLastError()) + L")");
    return std::pair{std::move(connecting), std::move(accepted)};
}

RunError CannotStart(const BrowserProgram& program) {
    return Failed(L"The capture browser could not be started: " + program.path + L" (error " +
                  std::to_wstring(GetLastError()) + L")");
}

}  // namespace

std::optional<DevToolsEndpoint> ParseDevToolsActivePort(std::string_view content) {
    const size_t firstEnd = content.find('\n');
    if (firstEnd == std::string_view::npos) return std::nullopt;
    std::string_view portText = content.substr(0, firstEnd);
    std::string_view path = content.substr(firstEnd + 1);
    if (!portText.empty() && portText.back() == '\r') portText.remove_suffix(1);
    // The browser writes the file whole (to a temporary name, then renamed), without a line
    // end after the path.
    path = path.substr(0, path.find_first_of("\r\n"));

    if (portText.empty() || portText.size() > 5) return std::nullopt;
    uint32_t port = 0;
    for (char c : portText) {
        if (c < '0' || c > '9') return std::nullopt;
        port = port * 10 + static_cast<uint32_t>(c - '0');
    }
    if (port == 0 || port > 65535) return std::nullopt;
    if (path.size() < 2 || path[0] != '/' || path.find_first_of(" \t") != std::string_view::npos)
        return std::nullopt;
    return DevToolsEndpoint{static_cast<uint16_t>(port), std::string(path)};
}

Result<ProfileFolder> ProfileFolder::Create() {
    const auto temporary = UserTemporaryFolder();
    if (!temporary)
        return Failed(
            L"No profile folder for the capture browser: the temporary folder is unknown");
    auto folder = HeldFolder::Create(*temporary, kProfileFolderPrefix);
    if (!folder.ok())
        return Failed(L"No profile folder for the capture browser could be made: " +
                      folder.error().description);
    return ProfileFolder(std::move(folder).value());
}

std::wstring BrowserCommandLine(const BrowserProgram& program, const std::wstring& profileArgument,
                                DevToolsChannel channel, const InheritedPipes* pipes) {
    std::wstring line = Quoted(program.path);
    for (const wchar_t* name : kCaptureSwitches) line += std::wstring(L" ") + name;
    if (program.hostProgram) line += std::wstring(L" ") + kHostOnlySwitch;
    if (channel == DevToolsChannel::Port) {
        line += L" --remote-debugging-port=0";
    } else {
        line += L" --remote-debugging-pipe";
        // Current builds take the inherited handles by value too, older ones only descriptors
        // 3 and 4: with both, either finds them.
        if (pipes)
            line += L" --remote-debugging-io-pipes=" + HandleValueText(pipes->browserReads) + L"," +
                    HandleValueText(pipes->browserWrites);
    }
    // The start-up tab opens a blank page: the browser's own start page would load meanwhile.
    return line + L" " + Quoted(L"--user-data-dir=" + profileArgument) + L" about:blank";
}

// A host program under Wine gets no handles of ours; every Windows program gets the pipes.
DevToolsChannel ChannelFor(const BrowserProgram& program) {
    return program.hostProgram ? DevToolsChannel::Port : DevToolsChannel::Pipe;
}

namespace {
class AttributeList {
public:
    explicit AttributeList(DWORD count) {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, count, 0, &size);
        storage_.resize(size);
        if (size && InitializeProcThreadAttributeList(get(), count, 0, &size)) ok_ = true;
    }
    ~AttributeList() {
        if (ok_) DeleteProcThreadAttributeList(get());
    }
    AttributeList(const AttributeList&) = delete;
    AttributeList& operator=(const AttributeList&) = delete;
    bool ok() const { return ok_; }
    LPPROC_THREAD_ATTRIBUTE_LIST get() {
        return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
    }

private:
    std::vector<char> storage_;
    bool ok_ = false;
};
}  // namespace

Result<PipedProcess> StartWithDevToolsPipes(const std::wstring& programPath,
                                            const PipedCommandLine& commandLineFor, HANDLE job) {
    auto created = CreateDevToolsPipes();
    if (!created.ok()) return created.error();
    DevToolsPipes pipes = std::move(created).value();
    HANDLE inherited[] = {pipes.browserReads.get(), pipes.browserWrites.get()};
    std::wstring commandLine = commandLineFor({inherited[0], inherited[1]});
    // Only the two pipe ends are inherited, not whatever else of the host browser's process
    // happens to be inheritable.
    AttributeList attributes(1);
    if (!attributes.ok() ||
        !UpdateProcThreadAttribute(attributes.get(), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                   inherited, sizeof inherited, nullptr, nullptr))
        return Failed(L"The capture browser's pipes cannot be handed on (error " +
                      std::to_wstring(GetLastError()) + L")");
    // An unreadable program will not start either; our own width is as good a guess as any.
    std::string descriptors = InheritedDescriptorBlock(
        inherited[0], inherited[1], ProgramHandleSize(programPath).value_or(sizeof(HANDLE)));
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.cbReserved2 = static_cast<WORD>(descriptors.size());
    startup.StartupInfo.lpReserved2 = reinterpret_cast<LPBYTE>(descriptors.data());
    startup.lpAttributeList = attributes.get();
    const DWORD flags = CREATE_NO_WINDOW | CREATE_SUSPENDED | EXTENDED_STARTUPINFO_PRESENT;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, flags, nullptr,
                        nullptr, &startup.StartupInfo, &started))
        return Failed(L"The capture browser could not be started (error " +
                      std::to_wstring(GetLastError()) + L")");
    UniqueHandleK process(started.hProcess);
    UniqueHandleK thread(started.hThread);
    if (job && !AssignProcessToJobObject(job, process.get())) {
        // Not ours to end otherwise if this process dies: it does not run.
        TerminateProcess(process.get(), 1);
        return Failed(L"The capture browser cannot be tied to the capture (error " +
                      std::to_wstring(GetLastError()) + L")");
    }
    ResumeThread(thread.get());
    // The browser's ends are the browser's now: with ours closed, its end shows as a closed pipe.
    return PipedProcess{
        std::move(process),
        std::make_unique<PipeTransport>(std::move(pipes.toBrowser), std::move(pipes.fromBrowser))};
}

Result<BrowserProcess> BrowserProcess::StartPiped(const BrowserProgram& program,
                                                  const ProfileFolder& profile,
                                                  std::unique_ptr<MessageTransport>& transport) {
    UniqueHandleK job = KillOnCloseJob();
    auto started = StartWithDevToolsPipes(
        program.path,
        [&](const InheritedPipes& pipes) {
            return BrowserCommandLine(program, profile.path(), DevToolsChannel::Pipe, &pipes);
        },
        job.get());
    if (!started.ok()) return Failed(started.error().description + L": " + program.path);
    PipedProcess piped = std::move(started).value();
    transport = std::move(piped.transport);
    return BrowserProcess(std::move(piped.process), std::move(job));
}

std::wstring HostLauncherCommandLine(const std::wstring& browserCommandLine) {
    return Quoted(kHostShell) + L" -c " + QuotedArgument(kHostLauncherScript) + L" sh " +
           browserCommandLine;
}

Result<BrowserProcess> BrowserProcess::Start(const BrowserProgram& program,
                                             const ProfileFolder& profile) {
    if (program.hostProgram) return StartHostProgram(program, profile);
    std::wstring commandLine = BrowserCommandLine(program, profile.path());
    UniqueHandleK job = KillOnCloseJob();
    const DWORD flags = CREATE_NO_WINDOW | CREATE_SUSPENDED;
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr,
                        nullptr, &startup, &started))
        return CannotStart(program);
    UniqueHandleK process(started.hProcess);
    UniqueHandleK thread(started.hThread);
    if (job && process && !AssignProcessToJobObject(job.get(), process.get())) job.reset();
    if (thread) ResumeThread(thread.get());
    return BrowserProcess(std::move(process), std::move(job));
}

Result<BrowserProcess> BrowserProcess::StartHostProgram(const BrowserProgram& program,
                                                        const ProfileFolder& profile) {
    const auto browserPath = HostPathOf(program.path);
    const auto profilePath = HostPathOf(profile.path());
    if (!browserPath || !profilePath)
        return Failed(L"The capture browser or its profile folder has no host path: " +
                      program.path + L", " + profile.path());
    std::wstring commandLine =
        HostLauncherCommandLine(BrowserCommandLine({*browserPath, true}, *profilePath));

    WinsockSession winsock;  // until the process holds its own, the sockets must not be reset
    // The shell's end of the lifeline is its standard input (Wine hands a socket on as it is,
    // where it would give a pipe as /dev/null); our end stays here and nowhere else.
    auto lifeline = LoopbackConnection();
    if (!lifeline.ok()) return lifeline.error();
    auto& [shellEnd, ourEnd] = lifeline.value();
    if (!SetHandleInformation(reinterpret_cast<HANDLE>(shellEnd.get()), HANDLE_FLAG_INHERIT,
                              HANDLE_FLAG_INHERIT))
        return Failed(L"The capture browser's lifeline cannot be handed on (error " +
                      std::to_wstring(GetLastError()) + L")");
    STARTUPINFOW startup{sizeof startup};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = reinterpret_cast<HANDLE>(shellEnd.get());
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &started))
        return CannotStart(program);
    // Wine hands back no process handle for a host program, and a thread "handle" that is
    // garbage: closing it closes whichever of our handles has the same value.
    return BrowserProcess(UniqueHandleK(), UniqueHandleK(), std::move(ourEnd));
}

BrowserProcess::~BrowserProcess() { Finish(std::chrono::milliseconds(0)); }

Result<DevToolsEndpoint> BrowserProcess::WaitForEndpoint(const ProfileFolder& profile,
                                                         const Interrupts& interrupts) const {
    const std::wstring portFile = profile.path() + L"\\DevToolsActivePort";
    const Interrupts startup = interrupts.within(kStartupLimit);
    for (;;) {
        if (auto endpoint = ParseDevToolsActivePort(ReadSmallFile(portFile))) return *endpoint;
        if (HasEnded(process_.get()))
            return Failed(L"The capture browser ended before it opened its DevTools port");
        Status waited = WaitForHandle(process_.get(), startup.within(kPortFilePoll),
                                      L"the capture browser's start");
        if (waited.ok() || IsStopped(waited.error())) {
            if (!waited.ok()) return waited.error();
            continue;  // the process ended: the next round says so
        }
        if (interrupts.expired())
            return TimedOut(L"The time limit was reached while the capture browser started");
        if (startup.expired())
            return Failed(L"The capture browser did not open its DevTools port within 30 seconds");
    }
}

void BrowserProcess::Finish(std::chrono::milliseconds patience) {
    if (process_ && WaitForSingleObject(process_.get(), static_cast<DWORD>(patience.count())) !=
                        WAIT_OBJECT_0) {
        if (job_)
            TerminateJobObject(job_.get(), 1);
        else
            TerminateProcess(process_.get(), 1);
    }
    process_.reset();
    job_.reset();
    lifeline_.reset();
}

}  // namespace pagelens::capture
