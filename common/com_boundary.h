// The one guard at every edge the system calls us through: COM methods, the library's exports
// and window procedures. No C++ exception crosses it.
#pragma once
#include <windows.h>

#include <new>

namespace pagelens {

template <typename F>
HRESULT AtComBoundary(F&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

// For window procedures: a handler that throws gets the default processing.
template <typename F>
LRESULT AtWindowBoundary(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, F&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace pagelens
