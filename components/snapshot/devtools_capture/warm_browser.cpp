#include "components/snapshot/devtools_capture/warm_browser.h"

#include "common/protected_mode.h"
#include "components/snapshot/core/interrupts.h"
#include "components/snapshot/devtools_capture/running_browser.h"

namespace pagelens::capture {

WarmBrowser::WarmBrowser(std::chrono::milliseconds idleLimit)
    : idleLimit_(idleLimit), stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

WarmBrowser::~WarmBrowser() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        ++generation_;
        if (stop_) SetEvent(stop_.get());
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void WarmBrowser::EnsureThread() {
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
}

void WarmBrowser::StartEarly() {
    // A browser started from a low-integrity tab would inherit its integrity.
    if (InProtectedMode() || !stop_) return;
    std::lock_guard lock(mutex_);
    lastUse_ = std::chrono::steady_clock::now();
    if (kept_ || starting_ || held_ > 0) return;
    startWanted_ = true;
    EnsureThread();
    changed_.notify_all();
}

void WarmBrowser::End() {
    std::lock_guard lock(mutex_);
    ++generation_;
    startWanted_ = false;
    if (starting_ && stop_) SetEvent(stop_.get());
    if (!kept_) return;
    toClose_.push_back(std::move(kept_));
    EnsureThread();
    changed_.notify_all();
}

bool WarmBrowser::running() const {
    std::lock_guard lock(mutex_);
    return kept_ || starting_ || startWanted_;
}

bool WarmBrowser::ready() const {
    std::lock_guard lock(mutex_);
    return kept_ && kept_->prepared();
}

WarmBrowser::Lease WarmBrowser::Take(const Interrupts& interrupts) {
    std::unique_lock lock(mutex_);
    startWanted_ = false;
    while (starting_ && !interrupts.stopped() && !interrupts.expired())
        changed_.wait_for(lock, std::chrono::milliseconds(20));
    ++held_;
    return {starting_ ? nullptr : std::move(kept_), generation_};
}

void WarmBrowser::Give(Lease lease) {
    {
        std::lock_guard lock(mutex_);
        --held_;
        if (!lease.browser) return;
        if (lease.generation == generation_ && !kept_ && !quit_) {
            kept_ = std::move(lease.browser);
            lastUse_ = std::chrono::steady_clock::now();
        } else {
            toClose_.push_back(std::move(lease.browser));
        }
        EnsureThread();
    }
    changed_.notify_all();
}

bool WarmBrowser::Idle() const {
    return kept_ && std::chrono::steady_clock::now() >= lastUse_ + idleLimit_;
}

// The keeper's thread starts browsers and closes them, so that neither holds up the window.
void WarmBrowser::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (Idle()) toClose_.push_back(std::move(kept_));
        if (!toClose_.empty()) {
            auto closing = std::move(toClose_);
            toClose_.clear();
            lock.unlock();
            closing.clear();  // each closes as it goes
            lock.lock();
            continue;
        }
        if (quit_) break;
        // A browser started early, or given back, gets its next capture's blank page ready.
        const bool start = startWanted_ && !kept_ && held_ == 0;
        if (start || (kept_ && !kept_->prepared())) {
            startWanted_ = false;
            starting_ = true;
            ResetEvent(stop_.get());
            const uint64_t generation = generation_;
            auto browser = start ? std::make_unique<RunningBrowser>() : std::move(kept_);
            lock.unlock();
            const Interrupts interrupts{stop_.get()};
            bool ready = true;
            if (start) {
                const auto program = FindCaptureBrowser();
                ready = program && browser->Start(*program, interrupts).ok();
            }
            ready = ready && browser->PrepareBlankPage(interrupts).ok();
            lock.lock();
            starting_ = false;
            if (ready && generation == generation_ && !quit_ && !kept_) {
                kept_ = std::move(browser);
                lastUse_ = std::chrono::steady_clock::now();
            } else {
                toClose_.push_back(std::move(browser));
            }
            changed_.notify_all();
            continue;
        }
        if (kept_)
            changed_.wait_until(lock, lastUse_ + idleLimit_);
        else
            changed_.wait(lock);
    }
    auto last = std::move(kept_);
    lock.unlock();
}

}  // namespace pagelens::capture
