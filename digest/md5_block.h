// The MD5 compression function of RFC 1321: folds whole 64-byte blocks into the four state
// words. Kept apart from the class so that the hot loop stays free of buffering concerns.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

namespace pagelens::md5 {

// Transforms `blockCount` consecutive 64-byte blocks starting at `data` (no alignment needed).
void TransformBlocks(std::array<uint32_t, 4>& state, const uint8_t* data, size_t blockCount);

}  // namespace pagelens::md5
