// Message boxes of this process, answered from a thread other than the one that shows them:
// finding the boxes that show, reading caption, text and buttons, and pressing a button. A
// watcher thread does this for every box while it lives, so that nothing waits for a person.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pagelens::standin {

struct SeenMessageBox {
    std::wstring caption;
    std::wstring text;
    std::vector<std::wstring> buttons;  // the captions of the visible buttons, '&' removed
};

// Message boxes of this process that are showing now.
std::vector<HWND> FindMessageBoxes();
SeenMessageBox ReadMessageBox(HWND box);
// Presses the box's first visible button (OK, for a box that has only OK).
void PressFirstButton(HWND box);

// One line that describes a box, for logs: caption, text and buttons.
std::wstring DescribeMessageBox(const SeenMessageBox& box);

class MessageBoxWatcher {
public:
    using Report = std::function<void(const SeenMessageBox&)>;

    explicit MessageBoxWatcher(Report report = {});
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    // Every box answered so far, oldest first.
    std::vector<SeenMessageBox> Seen() const;
    void Clear();

private:
    void Watch();

    Report report_;
    mutable std::mutex mutex_;
    std::vector<SeenMessageBox> seen_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace pagelens::standin
