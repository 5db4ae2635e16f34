#include "components/snapshot/core/capture_settings.h"

#include <algorithm>

namespace pagelens::capture {
namespace {

// Ten minutes: a capture that has not finished by then will not; the window waits without
// a limit of its own, so the component must always end.
constexpr int32_t kLongestTimeLimit = 10 * 60 * 1000;
constexpr int32_t kLongestSettleLimit = 60 * 1000;

std::chrono::milliseconds Milliseconds(int32_t value, int32_t longest) {
    return std::chrono::milliseconds(std::clamp(value, 0, longest));
}

}  // namespace

Status CaptureSettings::Set(int index, int32_t value) {
    switch (index) {
        case 1:
            // Zero or less cannot mean "no limit": the window would wait for ever.
            timeLimit =
                value > 0 ? Milliseconds(value, kLongestTimeLimit) : CaptureSettings().timeLimit;
            return {};
        case 2:
            fullPage = value != 0;
            return {};
        case 3:
            jpegQuality = std::clamp(value, 0, 100);
            return {};
        case 4:
            scrollForLazyContent = value != 0;
            return {};
        case 5:
            screenMedia = value != 0;
            return {};
        case 6:
            scripts = value != 0;
            return {};
        case 7:
            viewportFromBrowser = value != 0;
            return {};
        case 8:
            cutTallPages = value != 0;
            return {};
        case 9:
            settleLimit = Milliseconds(value, kLongestSettleLimit);
            return {};
        default:
            return errors::SubscriptOutOfRange();
    }
}

}  // namespace pagelens::capture
