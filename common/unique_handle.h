// Owners for Win32 handles: each kind of handle has one alias, and the alias frees it.
#pragma once
// <oleauto.h> needs <windows.h> first.
// clang-format off
#include <windows.h>
#include <oleauto.h>
// clang-format on

#include <string>
#include <utility>

namespace pagelens {

template <typename T, auto Close, auto Invalid = nullptr>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(T value) : value_(value) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    T get() const { return value_; }
    explicit operator bool() const { return value_ != T(Invalid); }
    T release() { return std::exchange(value_, T(Invalid)); }
    void reset(T value = T(Invalid)) {
        T old = std::exchange(value_, value);
        if (old != T(Invalid)) Close(old);
    }
    // For out-parameters: frees what is held and hands out the slot.
    T* put() {
        reset();
        return &value_;
    }

private:
    T value_ = T(Invalid);
};

namespace detail {
inline void CloseKey(HKEY key) { RegCloseKey(key); }
inline void CloseKernelHandle(HANDLE h) { CloseHandle(h); }
inline void DeleteGdiObject(HGDIOBJ h) { DeleteObject(h); }
inline void DeleteDcHandle(HDC h) { DeleteDC(h); }
inline void DestroyWindowHandle(HWND h) { DestroyWindow(h); }
inline void FreeModuleHandle(HMODULE h) { FreeLibrary(h); }
inline void DeleteEmf(HENHMETAFILE h) { DeleteEnhMetaFile(h); }
inline void DestroyIconHandle(HICON h) { DestroyIcon(h); }
inline void FreeBstr(BSTR s) { SysFreeString(s); }
inline void FreeLocal(HLOCAL h) { LocalFree(h); }
inline void FreeGlobal(HGLOBAL h) { GlobalFree(h); }
}  // namespace detail

using UniqueHkey = UniqueHandle<HKEY, detail::CloseKey>;
using UniqueHandleK = UniqueHandle<HANDLE, detail::CloseKernelHandle>;
// INVALID_HANDLE_VALUE is a cast, which a template argument cannot hold; -1 is its value.
using UniqueFile = UniqueHandle<HANDLE, detail::CloseKernelHandle, LONG_PTR(-1)>;
using UniqueHbitmap = UniqueHandle<HBITMAP, detail::DeleteGdiObject>;
using UniqueHfont = UniqueHandle<HFONT, detail::DeleteGdiObject>;
using UniqueHbrush = UniqueHandle<HBRUSH, detail::DeleteGdiObject>;
using UniqueHpen = UniqueHandle<HPEN, detail::DeleteGdiObject>;
using UniqueHdc = UniqueHandle<HDC, detail::DeleteDcHandle>;
using UniqueHwnd = UniqueHandle<HWND, detail::DestroyWindowHandle>;
using UniqueHmodule = UniqueHandle<HMODULE, detail::FreeModuleHandle>;
using UniqueHenhmetafile = UniqueHandle<HENHMETAFILE, detail::DeleteEmf>;
using UniqueHicon = UniqueHandle<HICON, detail::DestroyIconHandle>;
using UniqueBstr = UniqueHandle<BSTR, detail::FreeBstr>;
using UniqueHlocal = UniqueHandle<HLOCAL, detail::FreeLocal>;
using UniqueHglobal = UniqueHandle<HGLOBAL, detail::FreeGlobal>;

// A BSTR's text, embedded nulls included; an empty string for a null BSTR.
inline std::wstring BstrText(const UniqueBstr& text) {
    return text ? std::wstring(text.get(), SysStringLen(text.get())) : std::wstring();
}
// The same for a BSTR handed out by a call, which it frees.
inline std::wstring TakeBstr(BSTR text) { return BstrText(UniqueBstr(text)); }
// A BSTR of `text` to hand to a call; empty when there is no memory for it.
inline UniqueBstr MakeBstr(const std::wstring& text) {
    return UniqueBstr(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

// Restores the object that was selected into a device context.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    ~SelectGuard() { SelectObject(dc_, old_); }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// GetDC / ReleaseDC; WindowDc(nullptr) is the screen's.
class WindowDc {
public:
    explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    HDC get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// BeginPaint / EndPaint.
class PaintScope {
public:
    explicit PaintScope(HWND hwnd) : hwnd_(hwnd) { dc_ = BeginPaint(hwnd, &ps_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    ~PaintScope() { EndPaint(hwnd_, &ps_); }
    HDC dc() const { return dc_; }
    const RECT& area() const { return ps_.rcPaint; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

}  // namespace pagelens
