// A capture browser kept running for one window's captures, so that a typed address need not
// wait for a browser to start: StartEarly starts one in the background (the user is editing the
// address), and a capture gives the browser it used back for the next one. Each capture opens
// its page in a browser context of its own and disposes of it afterwards, so nothing of one
// page (cookies, storage, cache) is seen by the next. The browser ends with End, with this
// object, after the idle limit unused, or when a capture that may not run it comes (the
// component calls End then).
#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "common/unique_handle.h"

namespace pagelens::capture {

class RunningBrowser;
struct Interrupts;

class WarmBrowser {
public:
    static constexpr std::chrono::milliseconds kIdleLimit{60000};

    explicit WarmBrowser(std::chrono::milliseconds idleLimit = kIdleLimit);
    // Ends the browser, waiting until it has closed.
    ~WarmBrowser();
    WarmBrowser(const WarmBrowser&) = delete;
    WarmBrowser& operator=(const WarmBrowser&) = delete;

    // Starts a browser in the background unless one runs, is starting or is in a capture's
    // hands, or none may run in this process (Protected Mode, none installed). A running one
    // counts as used now.
    void StartEarly();
    // Ends the browser (in the background); one that a capture holds ends when it is given back.
    void End();
    // Whether a browser runs or starts, not counting one that a capture holds.
    bool running() const;
    // Whether a browser runs with the next capture's blank page ready.
    bool ready() const;

    // What a capture holds from Take until Give: the browser, or none when none was ready
    // (then the capture starts one, and gives that back).
    struct Lease {
        std::unique_ptr<RunningBrowser> browser;
        uint64_t generation = 0;
    };
    // Waits for a browser that is starting, until `interrupts` end the wait.
    Lease Take(const Interrupts& interrupts);
    // Keeps `browser` (may be none) for the next capture, or closes it when End came after
    // Take, or another is kept already.
    void Give(Lease lease);

private:
    void EnsureThread();
    void Run();
    bool Idle() const;

    const std::chrono::milliseconds idleLimit_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::thread thread_;
    UniqueHandleK stop_;  // ends a start under way
    std::unique_ptr<RunningBrowser> kept_;
    std::vector<std::unique_ptr<RunningBrowser>> toClose_;
    std::chrono::steady_clock::time_point lastUse_;
    uint64_t generation_ = 1;  // advanced by End
    int held_ = 0;             // leases out
    bool startWanted_ = false;
    bool starting_ = false;
    bool quit_ = false;
};

}  // namespace pagelens::capture
