#include "common/window_class.h"

#include <string>

#include "common/module.h"

namespace pagelens {

Status RegisterWindowClass(const WindowClassSpec& spec) {
    WNDCLASSEXW existing{sizeof existing};
    if (GetClassInfoExW(ThisModule(), spec.name, &existing)) {
        if (existing.lpfnWndProc == spec.procedure) return {};
        UnregisterClassW(spec.name, ThisModule());
    }
    WNDCLASSEXW windowClass{sizeof windowClass};
    windowClass.style = spec.style;
    windowClass.lpfnWndProc = spec.procedure;
    windowClass.hInstance = ThisModule();
    windowClass.hCursor = spec.cursor ? LoadCursorW(nullptr, spec.cursor) : nullptr;
    windowClass.hbrBackground = spec.background;
    windowClass.lpszClassName = spec.name;
    if (RegisterClassExW(&windowClass) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS) return {};
    return errors::FromHresult(
        HRESULT_FROM_WIN32(GetLastError()),
        std::wstring(L"The window class ") + spec.name + L" cannot be registered");
}

HWND CreateMessageWindow(const wchar_t* className, void* owner) {
    HWND window = CreateWindowExW(0, className, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  ThisModule(), nullptr);
    if (window) SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    return window;
}

}  // namespace pagelens
