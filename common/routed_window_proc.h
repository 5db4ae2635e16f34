// One window procedure for windows that belong to a C++ object: the object is handed over as the
// creation parameter, kept in the window's user data from WM_NCCREATE to WM_NCDESTROY, told of
// both ends (Attach, Detach), and given every message in between (HandleMessage). No C++
// exception unwinds into the system's message dispatch.
#pragma once
#include <windows.h>

#include "common/com_boundary.h"

namespace pagelens {

template <typename T>
LRESULT CALLBACK RoutedWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* created = static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
        created->Attach(hwnd);
    }
    auto* self = reinterpret_cast<T*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->Detach();
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return AtWindowBoundary(hwnd, message, wParam, lParam,
                            [&] { return self->HandleMessage(message, wParam, lParam); });
}

}  // namespace pagelens
