// The stand-in browser's own top-level window: what IWebBrowser2::get_HWND reports, so that the
// snapshot window has a real browser window to sit over. It shows the page's title and address.
// The caller owns the window and destroys it on the thread that created it.
#pragma once
#include <windows.h>

#include <string>

#include "common/unique_handle.h"

namespace pagelens::standin {

inline constexpr wchar_t kBrowserFrameClass[] = L"PagelensStandinBrowserFrame";

UniqueHwnd CreateBrowserFrame(const std::wstring& title, const std::wstring& address);

}  // namespace pagelens::standin
