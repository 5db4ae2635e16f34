#include "components/snapshot/transport/websocket_frames.h"

#include "components/snapshot/core/capture_failure.h"

namespace pagelens::capture::websocket {
namespace {

RunError ProtocolError(const wchar_t* what) {
    return Failed(std::wstring(L"The browser's WebSocket frame is invalid: ") + what);
}

bool KnownOpcode(uint8_t opcode) {
    switch (static_cast<Opcode>(opcode)) {
        case Opcode::Continuation:
        case Opcode::Text:
        case Opcode::Binary:
        case Opcode::Close:
        case Opcode::Ping:
        case Opcode::Pong:
            return true;
    }
    return false;
}

}  // namespace

std::string EncodeClientFrame(Opcode opcode, std::string_view payload,
                              const std::array<uint8_t, 4>& mask) {
    std::string frame;
    frame.reserve(payload.size() + 14);
    frame += static_cast<char>(0x80 | static_cast<uint8_t>(opcode));
    const uint64_t length = payload.size();
    if (length < 126) {
        frame += static_cast<char>(0x80 | length);
    } else if (length <= 0xFFFF) {
        frame += static_cast<char>(0x80 | 126);
        frame += static_cast<char>(length >> 8);
        frame += static_cast<char>(length);
    } else {
        frame += static_cast<char>(0x80 | 127);
        for (int shift = 56; shift >= 0; shift -= 8) frame += static_cast<char>(length >> shift);
    }
    frame.append(reinterpret_cast<const char*>(mask.data()), mask.size());
    for (size_t i = 0; i < payload.size(); ++i)
        frame += static_cast<char>(static_cast<uint8_t>(payload[i]) ^ mask[i & 3]);
    return frame;
}

size_t ExtendedLengthSize(uint8_t secondByte) {
    const uint8_t length = secondByte & 0x7F;
    return length == 126 ? 2 : length == 127 ? 8 : 0;
}

Result<FrameHeader> ParseServerFrameHeader(std::string_view header) {
    if (header.size() < 2) return ProtocolError(L"the header is cut short");
    const auto first = static_cast<uint8_t>(header[0]);
    const auto second = static_cast<uint8_t>(header[1]);
    if (header.size() != 2 + ExtendedLengthSize(second))
        return ProtocolError(L"the header is cut short");
    if (first & 0x70) return ProtocolError(L"reserved bits are set");
    if (second & 0x80) return ProtocolError(L"a server frame is masked");
    if (!KnownOpcode(first & 0x0F)) return ProtocolError(L"unknown opcode");

    FrameHeader parsed;
    parsed.fin = first & 0x80;
    parsed.opcode = static_cast<Opcode>(first & 0x0F);
    parsed.payloadLength = second & 0x7F;
    if (parsed.payloadLength >= 126) {
        parsed.payloadLength = 0;
        for (size_t i = 2; i < header.size(); ++i)
            parsed.payloadLength = parsed.payloadLength << 8 | static_cast<uint8_t>(header[i]);
        if (parsed.payloadLength >> 63) return ProtocolError(L"the length is out of range");
    }
    if (IsControl(parsed.opcode) && (!parsed.fin || parsed.payloadLength > 125))
        return ProtocolError(L"a control frame is fragmented or too long");
    return parsed;
}

std::string ClosePayload(uint16_t status) {
    return {static_cast<char>(status >> 8), static_cast<char>(status & 0xFF)};
}

}  // namespace pagelens::capture::websocket
