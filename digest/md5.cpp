// The MD5 class: buffering of partial blocks, padding, text forms of the state, and reading
// files in large chunks. The compression itself is in md5_block.cpp.
#include "digest/md5.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "common/unique_handle.h"
#include "digest/ansi_bytes.h"
#include "digest/md5_block.h"

namespace pagelens {
namespace {

constexpr std::array<uint32_t, 4> kInitialState = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476};

// A multiple of 64, so that whole chunks go to the transform without passing the block buffer.
constexpr size_t kFileChunk = 1 << 20;

std::wstring SignedDecimal(uint32_t word) { return std::to_wstring(static_cast<int32_t>(word)); }

}  // namespace

std::wstring MD5::RegisterA() const { return SignedDecimal(state_[0]); }
std::wstring MD5::RegisterB() const { return SignedDecimal(state_[1]); }
std::wstring MD5::RegisterC() const { return SignedDecimal(state_[2]); }
std::wstring MD5::RegisterD() const { return SignedDecimal(state_[3]); }

Result<std::wstring> MD5::DigestFileToHexStr(const std::wstring& FileName) {
    UniqueFile file(CreateFileW(FileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return errors::FromWin32File(GetLastError(), errors::FileUse::Read);

    MD5Init();
    std::unique_ptr<uint8_t[]> chunk(new uint8_t[kFileChunk]);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), chunk.get(), kFileChunk, &read, nullptr)) {
            return errors::PathFileAccess();
        }
        if (read == 0) break;
        Update(chunk.get(), read);
    }
    MD5Final();
    return GetValues();
}

std::wstring MD5::DigestStrToHexStr(const std::wstring& SourceString) {
    MD5Init();
    ByteArray bytes = AnsiBytesOnePerChar(SourceString);
    Update(bytes.data(), bytes.size());
    MD5Final();
    return GetValues();
}

std::wstring MD5::GetValues() const {
    static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring hex;
    hex.reserve(32);
    for (uint32_t word : state_) {
        for (int shift = 0; shift < 32; shift += 8) {
            uint32_t byte = (word >> shift) & 0xFF;
            hex += kDigits[byte >> 4];
            hex += kDigits[byte & 0xF];
        }
    }
    return hex;
}

void MD5::MD5Init() {
    state_ = kInitialState;
    byteCount_ = 0;
}

void MD5::MD5Final() {
    static constexpr uint8_t kPadding[64] = {0x80};
    uint64_t bitLength = byteCount_ * 8;  // modulo 2^64, as RFC 1321 defines it
    size_t fill = static_cast<size_t>(byteCount_ % 64);
    Update(kPadding, fill < 56 ? 56 - fill : 120 - fill);

    uint8_t length[8];
    for (int i = 0; i < 8; ++i) length[i] = static_cast<uint8_t>(bitLength >> (8 * i));
    Update(length, sizeof length);
}

Status MD5::MD5Update(int32_t InputLen, const ByteArray& InputBuffer) {
    if (InputLen < 0 || static_cast<size_t>(InputLen) > InputBuffer.size()) {
        return errors::SubscriptOutOfRange();
    }
    Update(InputBuffer.data(), static_cast<size_t>(InputLen));
    return {};
}

int32_t MD5::LongLeftRotate(int32_t Value, int32_t bits) const {
    int32_t n = bits % 32;  // C++ remainder takes the sign of the dividend
    if (n <= 0) return Value;
    uint32_t word = static_cast<uint32_t>(Value);
    return static_cast<int32_t>((word << n) | (word >> (32 - n)));
}

void MD5::Update(const uint8_t* data, size_t size) {
    if (size == 0) return;
    size_t fill = static_cast<size_t>(byteCount_ % 64);
    byteCount_ += size;

    if (fill != 0) {
        size_t take = std::min(size, 64 - fill);
        std::memcpy(block_.data() + fill, data, take);
        data += take;
        size -= take;
        if (fill + take < 64) return;
        md5::TransformBlocks(state_, block_.data(), 1);
    }

    size_t wholeBlocks = size / 64;
    md5::TransformBlocks(state_, data, wholeBlocks);
    data += wholeBlocks * 64;
    size %= 64;
    if (size != 0) std::memcpy(block_.data(), data, size);
}

}  // namespace pagelens
