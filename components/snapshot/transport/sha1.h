// SHA-1 (FIPS 180-4), which the WebSocket handshake needs to check the server's accept key.
// Nothing else here relies on it, and it protects nothing.
#pragma once
#include <array>
#include <cstdint>
#include <string_view>

namespace pagelens::capture {

std::array<uint8_t, 20> Sha1(std::string_view bytes);

}  // namespace pagelens::capture
