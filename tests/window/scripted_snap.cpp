#include "tests/window/scripted_snap.h"

#include <exdisp.h>

#include <algorithm>

#include "imaging/image_files.h"

namespace pagelens::test {
namespace {

class ScriptedSnap final : public HtmlSnap {
public:
    ScriptedSnap(HtmlSnapEvents* events, SnapScript script, std::shared_ptr<SnapLog> log)
        : events_(events), script_(std::move(script)), log_(std::move(log)) {
        index_ = log_->created++;
        log_->settings.emplace_back();
        Live().push_back(this);
    }
    ~ScriptedSnap() override {
        ++log_->destroyed;
        auto& live = Live();
        live.erase(std::remove(live.begin(), live.end(), this), live.end());
    }

    Status SetSetting(int index, int32_t value) override {
        if (index < 1 || index > kSettingCount) return errors::SubscriptOutOfRange();
        log_->settings[index_].push_back({index, value});
        return {};
    }
    Status CaptureBrowser(IWebBrowser2* browser, const std::wstring& filePath) override {
        BSTR url = nullptr;
        if (browser) browser->get_LocationURL(&url);
        log_->addresses.push_back(url ? url : L"");
        SysFreeString(url);
        return Start(filePath);
    }
    Status CaptureUrl(const std::wstring& address, const std::wstring& filePath) override {
        log_->addresses.push_back(address);
        return Start(filePath);
    }
    Status Close() override {
        ++log_->closed;
        closed_ = true;
        return {};
    }

private:
    // Events go one per timer tick, so the window's wait sees them through its message loop.
    Status Start(const std::wstring& filePath) {
        filePath_ = filePath;
        next_ = 0;
        timer_ = SetTimer(nullptr, 0, 1, &ScriptedSnap::Tick);
        return {};
    }

    // Per thread: a thread's timers tick on that thread only, and two threads' timers may share
    // an id, so one thread's tick must never step another thread's instance.
    static std::vector<ScriptedSnap*>& Live() {
        thread_local std::vector<ScriptedSnap*> live;
        return live;
    }

    static void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
        for (ScriptedSnap* snap : Live()) {
            if (snap->timer_ == timer) {
                snap->Step();
                return;
            }
        }
        KillTimer(nullptr, timer);  // its instance was dropped
    }

    void Step() {
        if (closed_ || next_ >= script_.events.size()) {
            KillTimer(nullptr, timer_);
            timer_ = 0;
            return;
        }
        const auto event = script_.events[next_++];
        switch (event.kind) {
            case SnapScript::Event::Progress:
                events_->OnProgress(event.number);
                break;
            case SnapScript::Event::Status:
                events_->OnStatus(event.text, event.number);
                break;
            case SnapScript::Event::WriteImage:
                (void)SaveAsBmpFile(script_.image, filePath_);
                break;
            case SnapScript::Event::Run:
                event.action();
                break;
        }
    }

    HtmlSnapEvents* events_;
    SnapScript script_;
    std::shared_ptr<SnapLog> log_;
    int index_ = 0;
    size_t next_ = 0;
    UINT_PTR timer_ = 0;
    bool closed_ = false;
    std::wstring filePath_;
};

}  // namespace

ScriptedSnapFactory::ScriptedSnapFactory(std::vector<SnapScript> scripts)
    : scripts_(std::make_shared<std::vector<SnapScript>>(std::move(scripts))),
      log_(std::make_shared<SnapLog>()),
      next_(std::make_shared<size_t>(0)) {}

Result<std::unique_ptr<HtmlSnap>> ScriptedSnapFactory::operator()(HtmlSnapEvents* events) {
    const size_t which = std::min(*next_, scripts_->size() - 1);
    ++*next_;
    return std::unique_ptr<HtmlSnap>(new ScriptedSnap(events, (*scripts_)[which], log_));
}

Image SolidImage(int width, int height, uint32_t pixel) {
    Image image(width, height);
    std::fill(image.pixels(), image.pixels() + image.pixelCount(), pixel);
    return image;
}

}  // namespace pagelens::test
