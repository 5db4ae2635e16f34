#include "window/capture_engine.h"

#include <utility>

namespace pagelens {
namespace {

class Unavailable final : public HtmlSnap {
public:
    Unavailable(HtmlSnapEvents* events, std::wstring reason)
        : events_(events), reason_(std::move(reason)) {}

    Status SetSetting(int index, int32_t) override {
        if (index < 1 || index > kSettingCount) return errors::SubscriptOutOfRange();
        return {};
    }
    Status CaptureBrowser(IWebBrowser2*, const std::wstring&) override { return Fail(); }
    Status CaptureUrl(const std::wstring&, const std::wstring&) override { return Fail(); }
    Status Close() override {
        events_ = nullptr;
        return {};
    }

private:
    Status Fail() {
        if (events_) events_->OnStatus(reason_, -1);
        return {};
    }

    HtmlSnapEvents* events_;
    std::wstring reason_;
};

}  // namespace

CaptureEngineChoice ChooseCaptureEngine(bool protectedMode) {
    if (!protectedMode) return {};
    return {false, L"this tab runs in Protected Mode, where the capture browser is not started"};
}

std::unique_ptr<HtmlSnap> UnavailableCapture(HtmlSnapEvents* events, std::wstring reason) {
    return std::make_unique<Unavailable>(events, std::move(reason));
}

}  // namespace pagelens
