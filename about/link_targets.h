// The maker's addresses behind the About window's three links. A target is not kept as one
// string but as a fixed sequence of one-character strings with "~" fillers among them, so that
// the mailto: targets are not found whole in the library file; JoinLinkTarget puts a target
// together and drops the fillers.
#pragma once
#include <span>
#include <string>
#include <string_view>

namespace pagelens {

using LinkPieces = std::span<const wchar_t* const>;

// The pieces joined in order, every "~" removed.
std::wstring JoinLinkTarget(LinkPieces pieces);

// What a link label shows and what a click on it opens.
struct AboutLink {
    std::wstring_view shown;
    LinkPieces target;
};

extern const AboutLink kVelmoraLink;       // the maker's web site
extern const AboutLink kSupportEmailLink;  // a message to support
extern const AboutLink kSalesEmailLink;    // a message to sales

}  // namespace pagelens
