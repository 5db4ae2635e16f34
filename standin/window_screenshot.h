// A picture of a top-level window with its frame and controls, as it shows on the display,
// written as a PNG file through GDI+.
#pragma once
#include <windows.h>

#include <string>

#include "common/run_error.h"

namespace pagelens::standin {

struct ScreenshotSize {
    int width = 0;
    int height = 0;
};

Result<ScreenshotSize> SaveWindowScreenshot(HWND window, const std::wstring& pngPath);

}  // namespace pagelens::standin
