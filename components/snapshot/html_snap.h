// HtmlSnap: the HTML snapshot component. It turns a web page into one image file through a
// Chromium-family browser driven headless over the DevTools protocol.
//
// One instance per capture. The capture runs on a worker thread; the events arrive on the thread
// that created the instance, through its message loop. A capture call returns at once; the
// capture ends with exactly one final OnStatus code:
//    1 image file written, -1 capture failed, -2 writing the file failed,
//   -3 opening the address failed, -4 time limit reached before the capture.
// Codes 0 are progress texts. The file exists afterwards only on success.
//
// Settings, written in this order right after creation (the meanings are ours):
//   1 TimeLimit      milliseconds from the call to the capture, then code -4
//   (2..9: see the implementation header comment in html_snap.cpp)
#pragma once
#include <oaidl.h>

#include <cstdint>
#include <memory>
#include <string>

#include "common/run_error.h"

struct IWebBrowser2;

namespace pagelens {

class HtmlSnapEvents {
public:
    virtual void OnProgress(int32_t percent) = 0;
    virtual void OnStatus(const std::wstring& status, int32_t code) = 0;

protected:
    ~HtmlSnapEvents() = default;
};

class HtmlSnap {
public:
    inline static constexpr int kSettingCount = 9;

    // Creates an instance whose events go to `events` (may be null) on this thread.
    static Result<std::unique_ptr<HtmlSnap>> Create(HtmlSnapEvents* events);
    virtual ~HtmlSnap() = default;

    // index 1..9; other indexes are an error.
    virtual Status SetSetting(int index, int32_t value) = 0;
    virtual Status CaptureBrowser(IWebBrowser2* browser, const std::wstring& filePath) = 0;
    virtual Status CaptureUrl(const std::wstring& address, const std::wstring& filePath) = 0;
    // Ends a running capture (its browser too) and stops the events.
    virtual Status Close() = 0;
};

}  // namespace pagelens
