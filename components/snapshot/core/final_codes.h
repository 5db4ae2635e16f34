// The final codes of a capture, as OnStatus carries them. Any other code is a progress text.
#pragma once
#include <cstdint>

namespace pagelens::snap_code {

inline constexpr int32_t kWritten = 1;
inline constexpr int32_t kFailed = -1;
inline constexpr int32_t kWriteFailed = -2;
inline constexpr int32_t kOpenFailed = -3;
inline constexpr int32_t kTimedOut = -4;

constexpr bool IsFinal(int32_t code) {
    return code == kWritten || code == kFailed || code == kWriteFailed || code == kOpenFailed ||
           code == kTimedOut;
}

}  // namespace pagelens::snap_code
