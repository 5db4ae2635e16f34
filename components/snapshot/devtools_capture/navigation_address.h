// Turns an address as the window has it (typed, or as the browser reported it) into the URL
// the capture browser navigates to: an address with a scheme stays as it is, a bare host name
// ("www.example.com", "localhost:8080/page") gets "http://" as a browser's address bar would
// add it, and a Windows file path becomes a file:// URL. A browser running as a host program
// under Wine needs the host's path in that URL; the caller passes the conversion for that.
#pragma once
#include <functional>
#include <optional>
#include <string>

namespace pagelens::capture {

// Converts a Windows path to the path the capture browser opens (nothing when it cannot).
using PathForBrowser = std::function<std::optional<std::wstring>(const std::wstring& path)>;

// An empty or blank address gives nothing.
std::optional<std::wstring> NavigationUrl(const std::wstring& address,
                                          const PathForBrowser& pathForBrowser);

// A file:// URL for an absolute path ("C:\a b.html" or "/tmp/a b.html"), with the characters
// that a URL cannot hold percent-encoded as UTF-8.
std::wstring FileUrl(const std::wstring& absolutePath);

}  // namespace pagelens::capture
