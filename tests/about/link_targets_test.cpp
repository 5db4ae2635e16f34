#include "about/link_targets.h"

#include <gtest/gtest.h>

#include <vector>

#include "settings/settings.h"

namespace pagelens {
namespace {

TEST(JoinLinkTarget, JoinsInOrderAndDropsEveryTilde) {
    const struct {
        std::vector<const wchar_t*> pieces;
        const wchar_t* expected;
    } cases[] = {
        {{}, L""},
        {{L"a"}, L"a"},
        {{L"a", L"b", L"c"}, L"abc"},
        {{L"~", L"a", L"~", L"~", L"b", L"~"}, L"ab"},
        {{L"~"}, L""},
        {{L"", L"x", L""}, L"x"},
        {{L"a~b", L"~c"}, L"abc"},
    };
    for (const auto& c : cases) EXPECT_EQ(JoinLinkTarget(c.pieces), c.expected);
}

TEST(AboutLinks, TargetsAreTheMakersAddresses) {
    const struct {
        const AboutLink& link;
        const wchar_t* target;
    } cases[] = {
        {kVelmoraLink, L"http://www.velmora.example/"},
        {kSupportEmailLink, L"mailto:support@velmora.example"},
        {kSalesEmailLink, L"mailto:sales@velmora.example"},
    };
    for (const auto& c : cases) {
        const std::wstring target = JoinLinkTarget(c.link.target);
        EXPECT_EQ(target, c.target);
        EXPECT_NE(target.find(c.link.shown), std::wstring::npos) << "shows what it opens";
        for (const wchar_t* piece : c.link.target) EXPECT_EQ(wcslen(piece), 1u);
    }
    // The web link and the settings' default address name the same site.
    EXPECT_EQ(kVelmoraLink.shown, kDefaultAddress);
}

}  // namespace
}  // namespace pagelens
