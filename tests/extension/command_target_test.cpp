// The extension object's site handling and command status, called as the browser calls them.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "standin/browser_site.h"
#include "standin/standin_browser.h"
#include "tests/extension/extension_fixture.h"

namespace pagelens::test {
namespace {

class ExtensionCommands : public RegisteredExtensionTest {};
class ExtensionSite : public RegisteredExtensionTest {};

using standin::DocumentKind;
using standin::SiteKind;

// {0A4A8D6B-3A9E-4E4B-9A55-6C1A2E0F1D11}: a command group no one defines.
constexpr GUID kSomeGroup = {
    0x0A4A8D6B, 0x3A9E, 0x4E4B, {0x9A, 0x55, 0x6C, 0x1A, 0x2E, 0x0F, 0x1D, 0x11}};

constexpr DWORD kUntouched = 0xA5A5A5A5;

std::vector<ULONG> Sequence(ULONG count) {
    std::vector<ULONG> ids(count);
    for (ULONG i = 0; i < count; ++i) ids[i] = i * 7 + 1;
    return ids;
}

TEST_F(ExtensionCommands, QueryStatusMarksEveryQueriedCommandAndNothingElse) {
    struct Case {
        const char* name;
        const GUID* group;
        std::vector<ULONG> ids;
    };
    const Case cases[] = {
        {"no commands", nullptr, {}},
        {"one command", nullptr, {0}},
        {"several, any identifiers", nullptr, {1, 0xFFFFFFFF, 42, 42}},
        {"several, some group", &kSomeGroup, {7, 3, 300}},
        // Once an overflow of a 16-bit index; every entry must be marked all the same.
        {"above 4096", nullptr, Sequence(5000)},
    };
    auto extension = CreateExtension();
    ASSERT_TRUE(extension.commands);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ULONG count = static_cast<ULONG>(c.ids.size());
        std::vector<OLECMD> commands(count + 2, OLECMD{kUntouched, kUntouched});
        for (ULONG i = 0; i < count; ++i) commands[i] = {c.ids[i], 0};
        // OLECMDTEXT ends in a variable-length buffer.
        std::vector<BYTE> text(sizeof(OLECMDTEXT) + 64 * sizeof(wchar_t), 0x5A);
        auto* cmdText = reinterpret_cast<OLECMDTEXT*>(text.data());
        cmdText->cmdtextf = OLECMDTEXTF_NAME;
        cmdText->cwBuf = 64;
        const std::vector<BYTE> textBefore = text;

        EXPECT_EQ(extension.commands->QueryStatus(c.group, count, commands.data(), cmdText), S_OK);
        for (ULONG i = 0; i < count; ++i) {
            ASSERT_EQ(commands[i].cmdID, c.ids[i]) << i;
            ASSERT_EQ(commands[i].cmdf, static_cast<DWORD>(OLECMDF_SUPPORTED | OLECMDF_ENABLED))
                << i;
        }
        for (ULONG i = count; i < count + 2; ++i) {
            EXPECT_EQ(commands[i].cmdID, kUntouched);
            EXPECT_EQ(commands[i].cmdf, kUntouched);
        }
        EXPECT_EQ(text, textBefore) << "the command text is not ours to write";
    }
    EXPECT_EQ(extension.commands->QueryStatus(nullptr, 1, nullptr, nullptr), E_POINTER);
}

TEST_F(ExtensionSite, GetSiteAnswersFromTheStoredSite) {
    auto extension = CreateExtension();
    ASSERT_TRUE(extension.withSite);
    auto browser = standin::MakeStandinBrowser(DocumentKind::Html, SiteKind::WithBrowser,
                                               L"http://127.0.0.1/a.html", L"A");

    IUnknown* garbage = reinterpret_cast<IUnknown*>(0x1234);
    IUnknown* answer = garbage;
    auto before = CallWatched([&] {
        return extension.withSite->GetSite(IID_IUnknown, reinterpret_cast<void**>(&answer));
    });
    EXPECT_EQ(before.result, E_FAIL) << "no site yet";
    EXPECT_EQ(answer, nullptr) << "the out-parameter must not keep garbage";
    EXPECT_TRUE(before.boxes.empty());

    ASSERT_EQ(extension.withSite->SetSite(browser.site.get()), S_OK);
    ComPtr<IServiceProvider> services;
    ASSERT_EQ(extension.withSite->GetSite(IID_IServiceProvider, services.put_void()), S_OK);
    ComPtr<IUnknown> identity;
    ASSERT_EQ(services.As(IID_IUnknown, identity), S_OK);
    EXPECT_EQ(identity.get(), browser.site.get());

    // The site is no window: the site's own failure comes back, and nothing is shown.
    answer = garbage;
    auto missing = CallWatched([&] {
        return extension.withSite->GetSite(IID_IOleWindow, reinterpret_cast<void**>(&answer));
    });
    EXPECT_EQ(missing.result, E_NOINTERFACE);
    EXPECT_EQ(answer, nullptr);
    EXPECT_TRUE(missing.boxes.empty());
    EXPECT_FALSE(missing.snapshotWindowOpened);

    EXPECT_EQ(extension.withSite->SetSite(nullptr), S_OK);
}

TEST_F(ExtensionSite, SiteWithoutBrowserFailsSetSiteButIsKept) {
    struct Case {
        const char* name;
        SiteKind kind;
        HRESULT expected;
    };
    const Case cases[] = {
        {"no service provider", SiteKind::NoServiceProvider, E_NOINTERFACE},
        {"failing QueryService", SiteKind::FailingQueryService, standin::kFailedServiceResult},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto extension = CreateExtension();
        ASSERT_TRUE(extension.withSite);
        auto browser = standin::MakeStandinBrowser(DocumentKind::Html, c.kind,
                                                   L"http://127.0.0.1/a.html", L"A");
        EXPECT_EQ(extension.withSite->SetSite(browser.site.get()), c.expected);
        ComPtr<IUnknown> site;
        EXPECT_EQ(extension.withSite->GetSite(IID_IUnknown, site.put_void()), S_OK);
        EXPECT_EQ(site.get(), browser.site.get());
        EXPECT_EQ(ReferenceCount(browser.browser.get()), 2u) << "only we and the site hold it";
    }
}

TEST_F(ExtensionSite, ReleasesEarlierSitesAndBrowsersAndAllAtTheEnd) {
    auto first = standin::MakeStandinBrowser(DocumentKind::Html, SiteKind::WithBrowser,
                                             L"http://127.0.0.1/1.html", L"1");
    auto second = standin::MakeStandinBrowser(DocumentKind::Html, SiteKind::WithBrowser,
                                              L"http://127.0.0.1/2.html", L"2");
    const ULONG siteBase = ReferenceCount(first.site.get());
    const ULONG browserBase = ReferenceCount(first.browser.get());

    {
        auto extension = CreateExtension();
        ASSERT_TRUE(extension.withSite);
        ASSERT_EQ(extension.withSite->SetSite(first.site.get()), S_OK);
        EXPECT_EQ(ReferenceCount(first.site.get()), siteBase + 1);
        EXPECT_EQ(ReferenceCount(first.browser.get()), browserBase + 1);

        ASSERT_EQ(extension.withSite->SetSite(second.site.get()), S_OK);
        EXPECT_EQ(ReferenceCount(first.site.get()), siteBase) << "a new site replaces the old";
        EXPECT_EQ(ReferenceCount(first.browser.get()), browserBase);

        ASSERT_EQ(extension.withSite->SetSite(nullptr), S_OK);
        EXPECT_EQ(ReferenceCount(second.site.get()), siteBase) << "both are made alike";
        EXPECT_EQ(ReferenceCount(second.browser.get()), browserBase);

        // The browser may also release the object without SetSite(NULL) first.
        ASSERT_EQ(extension.withSite->SetSite(first.site.get()), S_OK);
    }
    EXPECT_EQ(ReferenceCount(first.site.get()), siteBase);
    EXPECT_EQ(ReferenceCount(first.browser.get()), browserBase);
}

}  // namespace
}  // namespace pagelens::test
