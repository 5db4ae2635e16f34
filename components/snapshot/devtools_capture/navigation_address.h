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

// The address as the capture browser names its request for it: without a fragment, the scheme
// and host in lower case, no default port, and "/" for an empty path.
std::string ComparableUrl(const std::string& url);

// The scheme of an address that is not captured, lower case; nothing for http, https, file,
// about:blank, a Windows path (drive or share) and an address without a scheme (a host name).
std::optional<std::wstring> RefusedScheme(const std::wstring& address);

// A file:// URL for an absolute path ("C:\a b.html" or "/tmp/a b.html"), with the characters
// that a URL cannot hold percent-encoded as UTF-8.
std::wstring FileUrl(const std::wstring& absolutePath);

}  // namespace pagelens::capture
