#include "components/snapshot/browser_process/browser_locator.h"

#include <windows.h>

#include <atomic>

#include "common/unique_handle.h"
#include "components/snapshot/browser_process/host_system.h"

namespace pagelens::capture {
namespace {

constexpr const wchar_t* kHostBrowsers[] = {
    L"Z:\\usr\\bin\\chromium",
    L"Z:\\usr\\bin\\chromium-browser",
    L"Z:\\usr\\bin\\google-chrome",
    L"Z:\\usr\\bin\\microsoft-edge",
};

constexpr const wchar_t* kAppPathsExecutables[] = {L"msedge.exe", L"chrome.exe"};

struct InstallFolder {
    const wchar_t* environmentVariable;
    const wchar_t* relativePath;
};
constexpr InstallFolder kInstallFolders[] = {
    {L"ProgramFiles(x86)", L"\\Microsoft\\Edge\\Application\\msedge.exe"},
    {L"ProgramW6432", L"\\Microsoft\\Edge\\Application\\msedge.exe"},
    {L"ProgramFiles", L"\\Microsoft\\Edge\\Application\\msedge.exe"},
    {L"ProgramW6432", L"\\Google\\Chrome\\Application\\chrome.exe"},
    {L"ProgramFiles", L"\\Google\\Chrome\\Application\\chrome.exe"},
    {L"ProgramFiles(x86)", L"\\Google\\Chrome\\Application\\chrome.exe"},
    {L"LOCALAPPDATA", L"\\Google\\Chrome\\Application\\chrome.exe"},
    {L"LOCALAPPDATA", L"\\Chromium\\Application\\chrome.exe"},
};

bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring EnvironmentValue(const wchar_t* name) {
    wchar_t buffer[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(name, buffer, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(buffer, n) : std::wstring();
}

std::wstring WithoutQuotes(std::wstring path) {
    if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"')
        path = path.substr(1, path.size() - 2);
    return path;
}

// The default value of an App Paths key, with environment references expanded.
std::wstring AppPath(HKEY root, REGSAM view, const wchar_t* executable) {
    const std::wstring keyPath =
        std::wstring(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\") + executable;
    UniqueHkey key;
    if (RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_QUERY_VALUE | view, key.put()) != ERROR_SUCCESS)
        return {};
    wchar_t value[MAX_PATH * 2];
    DWORD size = sizeof value;
    if (RegGetValueW(key.get(), nullptr, nullptr, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ, nullptr,
                     value, &size) != ERROR_SUCCESS)
        return {};
    return WithoutQuotes(value);
}

std::atomic<int> hiddenScopes{0};

}  // namespace

NoCaptureBrowserScope::NoCaptureBrowserScope() { ++hiddenScopes; }
NoCaptureBrowserScope::~NoCaptureBrowserScope() { --hiddenScopes; }

std::vector<BrowserProgram> CaptureBrowserCandidates() {
    std::vector<BrowserProgram> candidates;
    if (RunningUnderWine())
        for (const wchar_t* path : kHostBrowsers) candidates.push_back({path, true});
    for (const wchar_t* executable : kAppPathsExecutables)
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
            for (REGSAM view : {REGSAM(KEY_WOW64_64KEY), REGSAM(KEY_WOW64_32KEY)})
                if (auto path = AppPath(root, view, executable); !path.empty())
                    candidates.push_back({path, false});
    for (const auto& folder : kInstallFolders)
        if (auto base = EnvironmentValue(folder.environmentVariable); !base.empty())
            candidates.push_back({base + folder.relativePath, false});
    return candidates;
}

std::optional<BrowserProgram> FindCaptureBrowser() {
    if (hiddenScopes > 0) return std::nullopt;
    for (auto& candidate : CaptureBrowserCandidates())
        if (IsFile(candidate.path)) return candidate;
    return std::nullopt;
}

}  // namespace pagelens::capture
