// The WebSocket frame format (RFC 6455, section 5) as a client speaks it: frames we send are
// masked; frames we receive must not be. Pure functions over bytes; the socket is elsewhere.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/run_error.h"

namespace pagelens::capture::websocket {

enum class Opcode : uint8_t {
    Continuation = 0x0,
    Text = 0x1,
    Binary = 0x2,
    Close = 0x8,
    Ping = 0x9,
    Pong = 0xA,
};

inline bool IsControl(Opcode opcode) { return static_cast<uint8_t>(opcode) & 0x8; }

// A whole client frame (FIN set): header, mask key and masked payload.
std::string EncodeClientFrame(Opcode opcode, std::string_view payload,
                              const std::array<uint8_t, 4>& mask);

struct FrameHeader {
    bool fin = false;
    Opcode opcode = Opcode::Continuation;
    uint64_t payloadLength = 0;
};

// The first two bytes of a frame tell how many header bytes follow (0, 2 or 8 for the length;
// a server's frame has no mask key).
size_t ExtendedLengthSize(uint8_t secondByte);

// Reads a server frame's header: the two fixed bytes followed by the extended length bytes.
// Errors for a masked frame, reserved bits, unknown opcodes, a fragmented or long control
// frame, and a 64-bit length with its top bit set.
Result<FrameHeader> ParseServerFrameHeader(std::string_view header);

// The close frame's payload: a status code (big-endian) and a reason.
std::string ClosePayload(uint16_t status);

}  // namespace pagelens::capture::websocket
