// GIF's LZW coder; see image_save_gif_lzw.h.
#include "imaging/image_save_gif_lzw.h"

#include <algorithm>

namespace pagelens {

GifLzwEncoder::GifLzwEncoder(PendingFile& out, int minCodeSize)
    : out_(out),
      minCodeSize_(minCodeSize),
      clearCode_(1 << minCodeSize),
      endCode_((1 << minCodeSize) + 1),
      keys_(kSlots),
      codes_(kSlots) {
    resetTable();
    emit(clearCode_);
}

void GifLzwEncoder::resetTable() {
    std::fill(keys_.begin(), keys_.end(), kEmptySlot);
    nextCode_ = endCode_ + 1;
    codeSize_ = minCodeSize_ + 1;
}

void GifLzwEncoder::encode(const uint8_t* indices, size_t count) {
    size_t i = 0;
    if (prefix_ < 0 && count > 0) prefix_ = indices[i++];
    for (; i < count; ++i) {
        const int32_t key = (prefix_ << 8) | indices[i];
        uint32_t slot = (uint32_t(key) * 2654435761u) >> (32 - 14);
        while (keys_[slot] != kEmptySlot && keys_[slot] != key) slot = (slot + 1) & (kSlots - 1);
        if (keys_[slot] == key) {
            prefix_ = codes_[slot];
            continue;
        }
        emit(prefix_);
        if (nextCode_ >= kMaxCodes - 1) {
            emit(clearCode_);
            resetTable();
        } else {
            keys_[slot] = key;
            codes_[slot] = uint16_t(nextCode_++);
            // The decoder, one entry behind, widens its codes when it reaches this count.
            if (nextCode_ > (1 << codeSize_) && codeSize_ < 12) ++codeSize_;
        }
        prefix_ = indices[i];
    }
}

void GifLzwEncoder::finish() {
    if (prefix_ >= 0) emit(prefix_);
    emit(endCode_);
    if (bitCount_ > 0) putByte(uint8_t(bits_));
    bits_ = 0;
    bitCount_ = 0;
    flushBlock();
    out_.writeByte(0);
}

void GifLzwEncoder::emit(int code) {
    bits_ |= uint32_t(code) << bitCount_;
    bitCount_ += codeSize_;
    while (bitCount_ >= 8) {
        putByte(uint8_t(bits_));
        bits_ >>= 8;
        bitCount_ -= 8;
    }
}

void GifLzwEncoder::putByte(uint8_t byte) {
    block_[blockUsed_++] = byte;
    if (blockUsed_ == 255) flushBlock();
}

void GifLzwEncoder::flushBlock() {
    if (blockUsed_ == 0) return;
    out_.writeByte(uint8_t(blockUsed_));
    out_.write(block_, size_t(blockUsed_));
    blockUsed_ = 0;
}

}  // namespace pagelens
