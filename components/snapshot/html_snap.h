// HtmlSnap: the HTML snapshot component. It turns a web page into one image file, drawn by the
// host browser's own engine where it can, and otherwise through a Chromium-family browser (Edge,
// Chrome or Chromium; under Wine the host's Chromium) driven headless over the DevTools protocol.
//
// CaptureBrowser tries three ways in turn, and a status text says why one gave way to the next.
// First the tab's own document draws itself (view_capture/), then the tab's view window paints
// itself as the screen shows it: either way the page is taken on this thread, in steps of its
// message loop, each tile checked against the ones before (a drawing that does not follow the
// scroll position, or comes back as one colour, is not kept), and the tab is put back
// afterwards. A page whose document does not scroll but whose content scrolls inside one element
// is taken with that element unrolled. Where neither way takes the page, the capture browser
// takes the page as the tab has it: the document's markup as it is now is served at its address
// from memory (no second request for it reaches the server), its scripts do not run again, and
// its fields show what the user gave them. Where the document cannot be read, the capture
// browser loads the address again, and a status text says so.
//
// CaptureUrl goes to the capture browser. Where none may run (none is installed, or the tab runs
// in Protected Mode, where a browser started from it would inherit its low integrity), the
// address is opened in a WebBrowser control of our own, off the screens and silent, and drawn
// as a tab's page is; where that control cannot be made either, the capture ends with -1.
//
// A window may keep one capture browser running between its instances (UseWarmBrowser): it is
// started early while the user edits the address, each capture opens its page in a browser
// context of its own that is disposed of afterwards (no cookie, storage or cache of one page
// reaches the next), and it ends with the window, after a minute unused, or when a capture that
// may not run it comes (Protected Mode).
//
// One instance per capture. The capture browser's capture runs on a worker thread; the events
// arrive on the thread that created the instance, through its message loop. A capture call
// returns at once; the capture ends with exactly one final OnStatus code:
//    1 image file written, -1 capture failed (also: no capture browser found), -2 writing the
//   file failed, -3 opening the address failed (unknown host, refused connection, any net::
//   error, an HTTP error status with an empty page: the browser would show an error page of its
//   own), -4 time limit reached before the capture. An error status with a page of the
//   server's own (a custom 404, a 401 with a login form) is captured as the browser shows it;
//   a status text names the status.
//
// Each request of the capture, redirects to other hosts and the page's parts included, carries
// the cookies that this process's cookie store (the host browser's) holds for its address,
// HttpOnly ones too; they go only to the capture browser. Answers' cookies stay in the capture
// browser's private profile, which is removed afterwards.
//
// On Windows the capture browser is driven over inherited pipes (--remote-debugging-pipe) and
// opens no port; under Wine, whose host browser gets no handles of ours, over its loopback port.
// Codes 0 are progress texts (starting the browser, loading, scrolling, capturing part k of n,
// writing). The file exists afterwards only on success: it is written beside the target and
// moved over it as the last step. Close, or dropping the instance without Close, stops the
// capture within a few seconds at most: the browser is closed, its profile folder removed, no
// file of the capture is left unless its success was reported, and no event follows. The final
// status comes before the browser has closed, so that the image can be shown meanwhile; Close,
// or the instance's end, waits for that too.
//
// Settings, written in this order right after creation; unwritten ones keep their defaults:
//   #  name                  default  meaning
//   1  TimeLimit             60000    milliseconds from the capture call to the written image,
//                                     then -4; 0 or less means the default, at most 10 minutes
//   2  FullPage              1        1 the whole page, 0 only the first screen
//   3  JpegQuality           90       the work file's JPEG quality, 0..100
//   4  ScrollForLazyContent  1        scroll through the page once before the capture so that
//                                     lazily loaded images and content arrive (through a window
//                                     4096 pixels high; the page is captured at its viewport)
//   5  ScreenMedia           1        1 the page's screen styles, 0 its print styles
//   6  Scripts               1        1 the page's scripts run, 0 they do not
//   7  ViewportFromBrowser   1        CaptureBrowser: the viewport is the size of the browser's
//                                     view; 0, and always for CaptureUrl: 1280 x 800 CSS pixels
//   8  CutTallPages          1        a page beyond the largest image (40,960,000 pixels: 32,000
//                                     rows at 1280 wide; at most 65,000 either way) is cut there
//                                     and a status text says so; 0: such a page fails with -1
//   9  SettleLimit           1000     after the load, and again after scrolling, wait until the
//                                     network has been idle for 200 ms, but at most this long (ms);
//                                     loads of data: and blob: addresses are waited for, but are
//                                     no activity of the network
// The window writes 40000, 1, 100, 1, 1, 1, 1, 1, 1000 for a browser capture and 180000, 1,
// 100, 1, 1, 1, 0, (none), 2000 for an address capture.
//
// JavaScript dialogs that the page opens are answered at once (alert and leaving the page
// accepted, confirm and prompt dismissed); nobody can see them, and the page waits on them.
//
// Addresses: one with a scheme is used as it is; a bare host name gets "http://"; a Windows
// file path becomes a file:// URL (under Wine, of the host path).
#pragma once
#include <oaidl.h>

#include <cstdint>
#include <memory>
#include <string>

#include "common/run_error.h"
#include "components/snapshot/core/final_codes.h"

struct IWebBrowser2;

namespace pagelens {

namespace capture {
class WarmBrowser;
}  // namespace capture
using capture::WarmBrowser;

// The final -1's text when a capture needs the capture browser in a Protected Mode tab, where it
// is not started.
inline constexpr wchar_t kNoCaptureBrowserInProtectedMode[] =
    L"this tab runs in Protected Mode, where the capture browser is not started";

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
    // Reads the browser's address (and view size) on this thread. No browser: final -1.
    virtual Status CaptureBrowser(IWebBrowser2* browser, const std::wstring& filePath) = 0;
    virtual Status CaptureUrl(const std::wstring& address, const std::wstring& filePath) = 0;
    // Ends a running capture (its browser too) and stops the events.
    virtual Status Close() = 0;
    // Before a capture call: a capture through the capture browser takes the window's warm
    // browser (or starts one) and gives it back afterwards; a capture that may not run one ends
    // it.
    virtual void UseWarmBrowser(std::shared_ptr<capture::WarmBrowser>) {}
};

}  // namespace pagelens
