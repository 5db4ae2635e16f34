#include "components/snapshot/browser_process.h"

#include <windows.h>

#include <atomic>

#include "common/text_codepage.h"
#include "components/snapshot/capture_failure.h"
#include "components/snapshot/host_system.h"

namespace pagelens::capture {
namespace {

constexpr auto kStartupLimit = std::chrono::seconds(30);
constexpr auto kPortFilePoll = std::chrono::milliseconds(20);

constexpr const wchar_t* kHeadlessFlags =
    L" --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking"
    L" --disable-component-update --disable-sync --disable-quic --hide-scrollbars"
    L" --remote-debugging-port=0";

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// Empties and removes a folder; true when it is gone.
bool RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                                  !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
            if (isFolder) {
                RemoveTree(child);
            } else {
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                    SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (!DeleteFileW(child.c_str())) RemoveDirectoryW(child.c_str());
            }
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    return RemoveDirectoryW(path.c_str()) ||
           GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
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
    static std::atomic<unsigned> counter{0};
    const std::wstring base = TemporaryFolder() + L"\\" + kProfileFolderPrefix +
                              std::to_wstring(GetCurrentProcessId()) + L"-";
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::wstring path = base + std::to_wstring(++counter);
        if (CreateDirectoryW(path.c_str(), nullptr)) return ProfileFolder(std::move(path));
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    return Failed(L"No profile folder for the capture browser could be made in " +
                  TemporaryFolder());
}

ProfileFolder::~ProfileFolder() {
    if (!path_.empty()) Remove(std::chrono::milliseconds(0));
}

bool ProfileFolder::Remove(std::chrono::milliseconds patience) {
    if (path_.empty()) return true;
    const auto end = Clock::now() + patience;
    for (;;) {
        if (RemoveTree(path_)) {
            path_.clear();
            return true;
        }
        if (Clock::now() >= end) return false;
        Sleep(50);
    }
}

std::wstring BrowserCommandLine(const BrowserProgram& program,
                                const std::wstring& profileArgument) {
    return Quoted(program.path) + kHeadlessFlags + L" " +
           Quoted(L"--user-data-dir=" + profileArgument);
}

Result<BrowserProcess> BrowserProcess::Start(const BrowserProgram& program,
                                             const ProfileFolder& profile) {
    std::wstring profileArgument = profile.path();
    if (program.hostProgram) {
        const auto hostPath = HostPathOf(profile.path());
        if (!hostPath) return Failed(L"The profile folder has no host path: " + profile.path());
        profileArgument = *hostPath;
    }
    std::wstring commandLine = BrowserCommandLine(program, profileArgument);

    UniqueHandleK job = program.hostProgram ? UniqueHandleK() : KillOnCloseJob();
    const DWORD flags = program.hostProgram ? 0 : CREATE_NO_WINDOW | CREATE_SUSPENDED;
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr,
                        nullptr, &startup, &started))
        return Failed(L"The capture browser could not be started: " + program.path + L" (error " +
                      std::to_wstring(GetLastError()) + L")");
    // Wine hands back no process handle for a host program, and a thread "handle" that is
    // garbage: closing it closes whichever of our handles has the same value.
    if (program.hostProgram) return BrowserProcess(UniqueHandleK(), UniqueHandleK());
    UniqueHandleK process(started.hProcess);
    UniqueHandleK thread(started.hThread);
    if (job && process && !AssignProcessToJobObject(job.get(), process.get())) job.reset();
    if (thread && (flags & CREATE_SUSPENDED)) ResumeThread(thread.get());
    return BrowserProcess(std::move(process), std::move(job));
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
}

}  // namespace pagelens::capture
