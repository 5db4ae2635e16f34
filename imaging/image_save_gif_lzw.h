// The LZW coder of GIF image data: palette indices in, the variable-width codes out, packed
// least significant bit first into sub-blocks of at most 255 bytes, ending with the empty
// block. It follows the usual encoder's rules (a clear code first, and again when the code
// table reaches 4095 entries) so that every decoder reads it.
#pragma once
#include <cstdint>
#include <vector>

#include "imaging/image_save_output.h"

namespace pagelens {

class GifLzwEncoder {
public:
    // minCodeSize: 2..8, the bits per palette index (the file stores it before the data).
    GifLzwEncoder(PendingFile& out, int minCodeSize);

    void encode(const uint8_t* indices, size_t count);
    void finish();

private:
    static constexpr int kMaxCodes = 4096;
    static constexpr uint32_t kSlots = 1u << 14;  // table at most a quarter full
    static constexpr int32_t kEmptySlot = -1;

    void resetTable();
    void emit(int code);
    void putByte(uint8_t byte);
    void flushBlock();

    PendingFile& out_;
    const int minCodeSize_;
    const int clearCode_;
    const int endCode_;
    int nextCode_ = 0;
    int codeSize_ = 0;
    int prefix_ = -1;  // the code of the string matched so far
    uint32_t bits_ = 0;
    int bitCount_ = 0;
    uint8_t block_[256] = {};
    int blockUsed_ = 0;
    std::vector<int32_t> keys_;  // (prefix << 8 | index), or kEmptySlot
    std::vector<uint16_t> codes_;
};

}  // namespace pagelens
