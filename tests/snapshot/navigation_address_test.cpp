// Addresses as the window has them, and the URLs the capture browser is sent to.
#include "components/snapshot/devtools_capture/navigation_address.h"

#include <gtest/gtest.h>

namespace pagelens::capture {
namespace {

// Stands in for Wine's path conversion: drive C is /c.
std::optional<std::wstring> FakeHostPath(const std::wstring& path) {
    if (path.size() < 3 || (path[0] != L'C' && path[0] != L'c')) return std::nullopt;
    std::wstring host = L"/c" + path.substr(2);
    for (auto& c : host)
        if (c == L'\\') c = L'/';
    return host;
}

TEST(NavigationAddress, AddressesBecomeUrls) {
    const struct {
        const wchar_t* address;
        const wchar_t* onWindows;  // no path conversion
        const wchar_t* onHost;     // with the host's paths
    } cases[] = {
        {L"http://example.com/a?b#c", L"http://example.com/a?b#c", L"http://example.com/a?b#c"},
        {L"  https://example.com  ", L"https://example.com", L"https://example.com"},
        {L"www.example.com", L"http://www.example.com", L"http://www.example.com"},
        {L"example.com/path/page.html", L"http://example.com/path/page.html",
         L"http://example.com/path/page.html"},
        {L"localhost:8080", L"http://localhost:8080", L"http://localhost:8080"},
        {L"localhost:8080/x", L"http://localhost:8080/x", L"http://localhost:8080/x"},
        {L"about:blank", L"about:blank", L"about:blank"},
        {L"data:text/html,hi", L"data:text/html,hi", L"data:text/html,hi"},
        {L"C:\\pages\\a b.html", L"file:///C:/pages/a%20b.html", L"file:///c/pages/a%20b.html"},
        {L"c:/pages/x.html", L"file:///c:/pages/x.html", L"file:///c/pages/x.html"},
        {L"C:\\caf\u00e9#1.html", L"file:///C:/caf%C3%A9%231.html",
         L"file:///c/caf%C3%A9%231.html"},
        {L"\\\\server\\share\\p.html", L"file://server/share/p.html", nullptr},
        {L"file:///C:/pages/a%20b.html", L"file:///C:/pages/a%20b.html",
         L"file:///c/pages/a%20b.html"},
        {L"file:///tmp/page.html", L"file:///tmp/page.html", L"file:///tmp/page.html"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.address)));
        EXPECT_EQ(NavigationUrl(c.address, nullptr).value_or(L"(none)"), c.onWindows);
        EXPECT_EQ(NavigationUrl(c.address, FakeHostPath).value_or(L"(none)"),
                  c.onHost ? c.onHost : L"(none)");
    }
}

TEST(NavigationAddress, BlankAddressHasNoUrl) {
    for (const wchar_t* address : {L"", L"   ", L"\t\r\n"})
        EXPECT_FALSE(NavigationUrl(address, nullptr).has_value());
}

}  // namespace
}  // namespace pagelens::capture
