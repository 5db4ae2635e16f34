// Times one capture of a page through the snapshot component, from CaptureUrl to the final
// status, with the settings of the window's address capture, and until Close has also seen the
// capture browser closed and its profile removed. Prints "<milliseconds> <width> <height>
// <milliseconds until closed>" of the written image, or the failure on stderr. With --warm, the
// capture timed is the second of two in one window: its browser is running already, as when
// the user presses Snapshot again (closed: until the window's warm browser has ended too).
// With --no-scroll, the page is not scrolled for its lazily loaded parts (as the peer does not).
// Usage: capture_bench.exe [--warm | --no-scroll] <page address or path> <image file>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "components/snapshot/devtools_capture/warm_browser.h"
#include "components/snapshot/html_snap.h"
#include "imaging/gdiplus_session.h"
#include "imaging/image_files.h"

namespace {

// With PAGELENS_BENCH_TRACE set, each status goes to stderr with its time since the start:
// where a capture spends its time.
class FinalStatus final : public pagelens::HtmlSnapEvents {
public:
    FinalStatus() : trace(GetEnvironmentVariableW(L"PAGELENS_BENCH_TRACE", nullptr, 0) > 0) {}
    void OnProgress(int32_t) override {}
    void OnStatus(const std::wstring& status, int32_t code) override {
        if (trace)
            fwprintf(stderr, L"%6lld ms  %ls\n",
                     static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                std::chrono::steady_clock::now() - start)
                                                .count()),
                     status.c_str());
        if (code == 0) return;
        done = true;
        finalCode = code;
        text = status;
    }
    const bool trace;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    bool done = false;
    int32_t finalCode = 0;
    std::wstring text;
};

void PumpUntilDone(const FinalStatus& status) {
    MSG msg;
    while (!status.done && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace

// One capture in a new instance, as the window makes it; false if it could not start.
bool Capture(FinalStatus& status, const std::shared_ptr<pagelens::WarmBrowser>& warm,
             const wchar_t* address, const wchar_t* file, std::unique_ptr<pagelens::HtmlSnap>& snap,
             bool scroll) {
    auto created = pagelens::HtmlSnap::Create(&status);
    if (!created.ok()) return false;
    snap = std::move(created).value();
    const std::pair<int, int32_t> settings[] = {{1, 180000}, {2, 1}, {3, 100}, {4, 1},
                                                {5, 1},      {6, 1}, {7, 0},   {9, 2000}};
    for (const auto& [index, value] : settings) (void)snap->SetSetting(index, value);
    if (!scroll) (void)snap->SetSetting(4, 0);
    if (warm) snap->UseWarmBrowser(warm);
    status.start = std::chrono::steady_clock::now();
    if (!snap->CaptureUrl(address, file).ok()) return false;
    PumpUntilDone(status);
    return true;
}

int wmain(int argc, wchar_t** argv) {
    const bool warmRun = argc == 4 && std::wstring(argv[1]) == L"--warm";
    const bool scroll = !(argc == 4 && std::wstring(argv[1]) == L"--no-scroll");
    if (argc != 3 && (argc != 4 || (!warmRun && scroll))) {
        fwprintf(stderr,
                 L"usage: capture_bench [--warm | --no-scroll] <page address or path> "
                 L"<image file>\n");
        return 2;
    }
    const wchar_t* address = argv[argc - 2];
    const wchar_t* file = argv[argc - 1];
    std::shared_ptr<pagelens::WarmBrowser> warm;
    std::unique_ptr<pagelens::HtmlSnap> snap;
    if (warmRun) {
        warm = std::make_shared<pagelens::WarmBrowser>();
        // Only the timed capture's steps are told.
        wchar_t times[8] = L"";
        const bool timed = GetEnvironmentVariableW(L"PAGELENS_CAPTURE_TIMES", times, 8) > 0;
        SetEnvironmentVariableW(L"PAGELENS_CAPTURE_TIMES", nullptr);
        FinalStatus first;
        if (!Capture(first, warm, address, file, snap, scroll) || first.finalCode != 1) return 1;
        if (timed) SetEnvironmentVariableW(L"PAGELENS_CAPTURE_TIMES", times);
        snap.reset();  // as the window drops it for the next capture
        // The user presses Snapshot again once the image shows: by then the browser is ready.
        for (int waited = 0; !warm->ready() && waited < 30000; waited += 20) Sleep(20);
    }
    FinalStatus status;
    if (!Capture(status, warm, address, file, snap, scroll)) return 1;
    const auto start = status.start;
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    (void)snap->Close();
    warm.reset();
    const auto closed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    if (status.finalCode != 1) {
        fwprintf(stderr, L"capture failed with %d: %ls\n", status.finalCode, status.text.c_str());
        return 1;
    }

    pagelens::GdiplusSession gdiplus;
    auto image = pagelens::LoadImageFile(file);
    if (!image.ok()) return 1;
    printf("%lld %d %d %lld\n", static_cast<long long>(elapsed.count()), image->width(),
           image->height(), static_cast<long long>(closed.count()));
    return 0;
}
