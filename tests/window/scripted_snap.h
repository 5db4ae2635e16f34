// A snapshot component whose captures follow a script, for driving the window's capture logic:
// what it writes, which events it sends and when. Events arrive through the message loop, as the
// real component's do.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "components/snapshot/html_snap.h"
#include "imaging/image.h"

namespace pagelens::test {

struct SnapScript {
    SnapScript() = default;
    SnapScript(const SnapScript& other) : events(other.events), image(other.image.clone()) {}
    SnapScript& operator=(const SnapScript& other) {
        events = other.events;
        image = other.image.clone();
        return *this;
    }
    SnapScript(SnapScript&&) = default;
    SnapScript& operator=(SnapScript&&) = default;

    struct Event {
        enum Kind { Progress, Status, WriteImage, Run } kind;
        int32_t number = 0;
        std::wstring text;
        std::function<void()> action;  // for Run
    };
    std::vector<Event> events;
    Image image;  // written as the work file by WriteImage

    SnapScript& progress(int32_t percent) { return add({Event::Progress, percent}); }
    SnapScript& status(int32_t code, std::wstring text = L"") {
        return add({Event::Status, code, std::move(text)});
    }
    SnapScript& write() { return add({Event::WriteImage}); }
    SnapScript& run(std::function<void()> action) {
        return add({Event::Run, 0, L"", std::move(action)});
    }

private:
    SnapScript& add(Event e) {
        events.push_back(std::move(e));
        return *this;
    }
};

// What every instance made by one factory saw, for the assertions.
struct SnapLog {
    int created = 0;
    int closed = 0;
    int destroyed = 0;
    std::vector<std::vector<std::pair<int, int32_t>>> settings;  // per instance
    std::vector<std::wstring> addresses;                         // CaptureUrl / CaptureBrowser
};

// Each capture takes the next script from `scripts` (the last one repeats).
class ScriptedSnapFactory {
public:
    explicit ScriptedSnapFactory(std::vector<SnapScript> scripts);
    Result<std::unique_ptr<HtmlSnap>> operator()(HtmlSnapEvents* events);
    SnapLog& log() { return *log_; }

private:
    std::shared_ptr<std::vector<SnapScript>> scripts_;
    std::shared_ptr<SnapLog> log_;
    std::shared_ptr<size_t> next_;
};

// An image of the given size, one colour.
Image SolidImage(int width, int height, uint32_t pixel);

}  // namespace pagelens::test
