// Finding the capture browser: a Chromium-family browser that can run headless. Under Wine the
// host's own Chromium comes first (Windows browsers do not run well there); on Windows, Edge and
// Chrome where Windows programs find them: the App Paths keys, then the standard install
// folders.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace pagelens::capture {

struct BrowserProgram {
    std::wstring path;         // as CreateProcess takes it
    bool hostProgram = false;  // a Linux program started from Wine: takes host paths
};

std::optional<BrowserProgram> FindCaptureBrowser();

// For tests: FindCaptureBrowser finds none until the scope ends.
class NoCaptureBrowserScope {
public:
    NoCaptureBrowserScope();
    ~NoCaptureBrowserScope();
    NoCaptureBrowserScope(const NoCaptureBrowserScope&) = delete;
    NoCaptureBrowserScope& operator=(const NoCaptureBrowserScope&) = delete;
};

// The places looked at, in order (for messages and tests).
std::vector<BrowserProgram> CaptureBrowserCandidates();

}  // namespace pagelens::capture
