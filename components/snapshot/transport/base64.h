// Base64 (RFC 4648, standard alphabet, padded), for the handshake keys and for screenshots,
// which arrive from the browser as tens of megabytes of Base64 text.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace pagelens::capture {

std::string Base64Encode(std::string_view bytes);
// Nothing when the text is not valid padded Base64 (line breaks are not accepted either).
std::optional<std::string> Base64Decode(std::string_view text);
// The same, into the text's own buffer: a band's megabytes need no second allocation. False,
// with the text's content undefined, when it is not valid.
bool Base64DecodeInPlace(std::string& text);

}  // namespace pagelens::capture
