#include "components/snapshot/devtools_capture/navigation_address.h"

#include <cctype>
#include <cwctype>

#include "common/text_codepage.h"

namespace pagelens::capture {
namespace {

bool IsAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
bool IsAsciiDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

std::wstring Trimmed(const std::wstring& text) {
    const size_t first = text.find_first_not_of(L" \t\r\n");
    if (first == std::wstring::npos) return {};
    const size_t last = text.find_last_not_of(L" \t\r\n");
    return text.substr(first, last - first + 1);
}

bool IsWindowsPath(const std::wstring& text) {
    const bool drive = text.size() >= 3 && IsAsciiLetter(text[0]) && text[1] == L':' &&
                       (text[2] == L'\\' || text[2] == L'/');
    const bool unc = text.size() >= 3 && text[0] == L'\\' && text[1] == L'\\';
    return drive || unc;
}

// "scheme:" at the start, where the scheme has at least two characters (one is a drive letter)
// and is not a host name followed by a port ("localhost:8080").
bool HasScheme(const std::wstring& text) {
    const size_t colon = text.find(L':');
    if (colon == std::wstring::npos || colon < 2 || !IsAsciiLetter(text[0])) return false;
    for (size_t i = 1; i < colon; ++i) {
        const wchar_t c = text[i];
        if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != L'+' && c != L'-' && c != L'.')
            return false;
    }
    size_t afterColon = colon + 1;
    size_t digits = 0;
    while (afterColon + digits < text.size() && IsAsciiDigit(text[afterColon + digits])) ++digits;
    const bool portFollows =
        digits > 0 && (afterColon + digits == text.size() || text[afterColon + digits] == L'/' ||
                       text[afterColon + digits] == L'?' || text[afterColon + digits] == L'#');
    return !portFollows;
}

bool KeepsInUrl(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/' || c == ':' || c == '!' || c == '$' ||
           c == '&' || c == '\'' || c == '(' || c == ')' || c == '*' || c == '+' || c == ',' ||
           c == ';' || c == '=' || c == '@';
}

int HexValue(wchar_t c) {
    if (IsAsciiDigit(c)) return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

std::wstring PercentDecoded(const std::wstring& text) {
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            bytes += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            bytes += ToUtf8(std::wstring(1, text[i]));
        }
    }
    return FromUtf8(bytes);
}

// The Windows path in a file URL that names one by drive ("file:///C:/a%20b.html"), if any.
std::optional<std::wstring> DrivePathOfFileUrl(const std::wstring& url) {
    static constexpr std::wstring_view kPrefixes[] = {L"file:///", L"file://"};
    for (std::wstring_view prefix : kPrefixes) {
        if (url.size() <= prefix.size() ||
            _wcsnicmp(url.c_str(), prefix.data(), prefix.size()) != 0)
            continue;
        std::wstring path = PercentDecoded(url.substr(prefix.size()));
        for (auto& c : path)
            if (c == L'/') c = L'\\';
        if (IsWindowsPath(path)) return path;
    }
    return std::nullopt;
}

std::wstring Lower(std::wstring text) {
    for (auto& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

}  // namespace

std::string ComparableUrl(const std::string& url) {
    std::string text = url.substr(0, url.find('#'));
    const size_t schemeEnd = text.find("://");
    if (schemeEnd == std::string::npos) return text;
    size_t authorityEnd = text.find_first_of("/?", schemeEnd + 3);
    if (authorityEnd == std::string::npos) authorityEnd = text.size();
    std::string scheme = text.substr(0, schemeEnd);
    std::string authority = text.substr(schemeEnd + 3, authorityEnd - schemeEnd - 3);
    for (auto* part : {&scheme, &authority})
        for (auto& c : *part) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string defaultPort = scheme == "http" ? ":80" : scheme == "https" ? ":443" : "";
    if (!defaultPort.empty() && authority.ends_with(defaultPort))
        authority.resize(authority.size() - defaultPort.size());
    std::string rest = text.substr(authorityEnd);
    if (rest.empty() || rest[0] != '/') rest.insert(0, "/");
    return scheme + "://" + authority + rest;
}

std::optional<std::wstring> RefusedScheme(const std::wstring& address) {
    const std::wstring text = Trimmed(address);
    if (IsWindowsPath(text) || !HasScheme(text)) return std::nullopt;
    const std::wstring scheme = Lower(text.substr(0, text.find(L':')));
    if (scheme == L"http" || scheme == L"https" || scheme == L"file") return std::nullopt;
    if (Lower(text) == L"about:blank") return std::nullopt;
    return scheme;
}

std::wstring FileUrl(const std::wstring& absolutePath) {
    std::wstring path = absolutePath;
    for (auto& c : path)
        if (c == L'\\') c = L'/';
    // "C:/x" -> "file:///C:/x", "/tmp/x" -> "file:///tmp/x", "//server/x" -> "file://server/x".
    if (path.rfind(L"//", 0) == 0)
        path.erase(0, 2);
    else if (path.empty() || path[0] != L'/')
        path.insert(path.begin(), L'/');

    static constexpr wchar_t kHex[] = L"0123456789ABCDEF";
    std::wstring url = L"file://";
    for (unsigned char byte : ToUtf8(path)) {
        if (KeepsInUrl(byte)) {
            url += static_cast<wchar_t>(byte);
        } else {
            url += L'%';
            url += kHex[byte >> 4];
            url += kHex[byte & 15];
        }
    }
    return url;
}

std::optional<std::wstring> NavigationUrl(const std::wstring& address,
                                          const PathForBrowser& pathForBrowser) {
    const std::wstring text = Trimmed(address);
    if (text.empty()) return std::nullopt;
    if (IsWindowsPath(text)) {
        const auto browserPath = pathForBrowser ? pathForBrowser(text) : std::optional(text);
        if (!browserPath) return std::nullopt;
        return FileUrl(*browserPath);
    }
    if (HasScheme(text)) {
        // A host program cannot open a drive path: convert it as a typed path would be.
        if (pathForBrowser)
            if (const auto drivePath = DrivePathOfFileUrl(text))
                if (const auto browserPath = pathForBrowser(*drivePath))
                    return FileUrl(*browserPath);
        return text;
    }
    return L"http://" + text;
}

}  // namespace pagelens::capture
