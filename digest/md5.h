// The MD5 message digest of RFC 1321 over a string or a file, with the incremental steps and
// the state words exposed as text. Each instance owns its state; nothing is shared between
// instances. Failures come back as RunError values; the class traps nothing of its callers'.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/run_error.h"
#include "common/setting_value.h"

namespace pagelens {

class MD5 {
public:
    // State words as signed decimal text ("-271733879").
    std::wstring RegisterA() const;
    std::wstring RegisterB() const;
    std::wstring RegisterC() const;
    std::wstring RegisterD() const;

    // Digest of every byte of the file, read in binary with read access only.
    // Errors: file not found (53) for a missing file or folder, path/file access error (75)
    // when it cannot be opened or read.
    Result<std::wstring> DigestFileToHexStr(const std::wstring& FileName);

    // Digest of the string's bytes: one byte per character in the system's ANSI code page.
    std::wstring DigestStrToHexStr(const std::wstring& SourceString);

    // 32 upper-case hex digits: A, B, C, D, each least significant byte first.
    std::wstring GetValues() const;

    void MD5Init();
    void MD5Final();

    // Digests InputBuffer[0 .. InputLen-1]. A count below zero or beyond the buffer is a
    // subscript-out-of-range error and digests nothing.
    Status MD5Update(int32_t InputLen, const ByteArray& InputBuffer);

    // Value rotated left by bits mod 32 (remainder with the sign of bits); a remainder of zero
    // or below returns Value.
    int32_t LongLeftRotate(int32_t Value, int32_t bits) const;

private:
    void Update(const uint8_t* data, size_t size);

    std::array<uint32_t, 4> state_{};
    // 64 bits so that any input the machine can hold is counted and encoded exactly.
    uint64_t byteCount_ = 0;
    std::array<uint8_t, 64> block_{};
};

}  // namespace pagelens
