#include "about/link_targets.h"

namespace pagelens {
namespace {

constexpr const wchar_t* kVelmoraPieces[] = {
    L"h", L"t", L"t", L"p", L":", L"/", L"/", L"w", L"w", L"w", L".", L"v", L"e", L"l",
    L"~", L"m", L"o", L"r", L"a", L".", L"e", L"x", L"a", L"m", L"p", L"l", L"e", L"/"};
constexpr const wchar_t* kSupportEmailPieces[] = {
    L"m", L"a", L"i", L"l", L"t", L"o", L"~", L":", L"s", L"u", L"p", L"p", L"o", L"r", L"t", L"~",
    L"@", L"v", L"e", L"l", L"m", L"o", L"r", L"a", L".", L"e", L"x", L"a", L"m", L"p", L"l", L"e"};
constexpr const wchar_t* kSalesEmailPieces[] = {
    L"m", L"a", L"i", L"l", L"t", L"o", L"~", L":", L"s", L"a", L"l", L"e", L"s", L"~", L"@",
    L"v", L"e", L"l", L"m", L"o", L"r", L"a", L".", L"e", L"x", L"a", L"m", L"p", L"l", L"e"};

}  // namespace

std::wstring JoinLinkTarget(LinkPieces pieces) {
    std::wstring joined;
    for (const wchar_t* piece : pieces) joined += piece;
    std::erase(joined, L'~');
    return joined;
}

const AboutLink kVelmoraLink{L"www.velmora.example", kVelmoraPieces};
const AboutLink kSupportEmailLink{L"support@velmora.example", kSupportEmailPieces};
const AboutLink kSalesEmailLink{L"sales@velmora.example", kSalesEmailPieces};

}  // namespace pagelens
