// Reading and answering message boxes (see the header). A message box is a dialog whose text
// sits in a static control with the identifier 0xFFFF; buttons it does not use are hidden.
#include "standin/message_boxes.h"

#include <algorithm>
#include <chrono>

#include "standin/window_queries.h"

namespace pagelens::standin {
namespace {

constexpr int kMessageTextId = 0xFFFF;
constexpr wchar_t kDialogClass[] = L"#32770";

bool IsMessageBox(HWND hwnd) {
    return ClassNameOf(hwnd) == kDialogClass && GetDlgItem(hwnd, kMessageTextId) != nullptr;
}

std::vector<HWND> VisibleButtons(HWND box) {
    std::vector<HWND> buttons;
    for (HWND child : DescendantsOf(box)) {
        if (GetParent(child) == box && HasVisibleStyle(child) &&
            _wcsicmp(ClassNameOf(child).c_str(), L"Button") == 0)
            buttons.push_back(child);
    }
    return buttons;
}

std::wstring WithoutAccelerator(std::wstring caption) {
    std::erase(caption, L'&');
    return caption;
}

}  // namespace

std::vector<HWND> FindMessageBoxes() {
    std::vector<HWND> boxes;
    for (HWND hwnd : TopLevelWindowsOfThisProcess()) {
        // A box becomes visible only once its buttons are set up.
        if (IsWindowVisible(hwnd) && IsMessageBox(hwnd)) boxes.push_back(hwnd);
    }
    return boxes;
}

SeenMessageBox ReadMessageBox(HWND box) {
    SeenMessageBox seen;
    seen.caption = WindowText(box);
    seen.text = WindowText(GetDlgItem(box, kMessageTextId));
    for (HWND button : VisibleButtons(box))
        seen.buttons.push_back(WithoutAccelerator(WindowText(button)));
    return seen;
}

void PressFirstButton(HWND box) {
    auto buttons = VisibleButtons(box);
    int id = buttons.empty() ? IDCANCEL : GetDlgCtrlID(buttons.front());
    HWND control = buttons.empty() ? nullptr : buttons.front();
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
}

std::wstring DescribeMessageBox(const SeenMessageBox& box) {
    std::wstring line = L"message box \"" + box.caption + L"\": \"" + box.text + L"\" [";
    for (size_t i = 0; i < box.buttons.size(); ++i) line += (i ? L", " : L"") + box.buttons[i];
    return line + L"]";
}

MessageBoxWatcher::MessageBoxWatcher(Report report)
    : report_(std::move(report)), thread_([this] { Watch(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() {
    stop_ = true;
    thread_.join();
}

std::vector<SeenMessageBox> MessageBoxWatcher::Seen() const {
    std::lock_guard lock(mutex_);
    return seen_;
}

void MessageBoxWatcher::Clear() {
    std::lock_guard lock(mutex_);
    seen_.clear();
}

void MessageBoxWatcher::Watch() {
    // A pressed box may still show for a moment: answer each box once.
    std::vector<HWND> answered;
    while (!stop_) {
        std::erase_if(answered, [](HWND box) { return !IsWindow(box); });
        for (HWND box : FindMessageBoxes()) {
            if (std::ranges::find(answered, box) != answered.end()) continue;
            SeenMessageBox seen = ReadMessageBox(box);
            {
                std::lock_guard lock(mutex_);
                seen_.push_back(seen);
            }
            if (report_) report_(seen);
            PressFirstButton(box);
            answered.push_back(box);
        }
        Sleep(25);
    }
}

}  // namespace pagelens::standin
