#include "ui/modal_loop.h"

namespace pagelens {
namespace {

void Dispatch(HWND modal, MSG& msg, const PreTranslate& preTranslate) {
    if (preTranslate && preTranslate(msg)) return;
    if (modal && IsWindow(modal) && IsDialogMessageW(modal, &msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

}  // namespace

void RunModal(HWND hwnd, HWND owner, const PreTranslate& preTranslate) {
    const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);
    if (IsWindow(hwnd)) {
        ShowWindow(hwnd, SW_SHOW);
        SetForegroundWindow(hwnd);
    }
    MSG msg;
    while (IsWindow(hwnd)) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got == -1) break;
        Dispatch(hwnd, msg, preTranslate);
    }
    if (ownerWasEnabled) {
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
    }
}

void ProcessPendingMessages(const PreTranslate& preTranslate) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
        Dispatch(root, msg, preTranslate);
    }
}

}  // namespace pagelens
