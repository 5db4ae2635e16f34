// Times one browser capture of a tall stand-in page (20,000 pixels of numbered bands, a fixed
// header), from CaptureBrowser to the final status, with the window's browser-capture settings,
// and measures the process's peak memory meanwhile. "engine": the page draws itself
// (IViewObject); "browser": the same page cannot draw itself, so its address (an HTML file of
// the same bands, which this program writes) goes to the capture browser. "inner" as a third
// argument: the bands scroll inside an element between a bar and a footer, the document not.
// Prints "<milliseconds> <width> <height> <peak bytes above the start> <image bytes> <tile
// bytes> <engine|browser: which way the page was taken>", or the failure on stderr.
// Usage: view_capture_bench.exe engine|browser <work folder> [inner]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "common/text_codepage.h"
#include "common/unique_handle.h"
#include "components/snapshot/html_snap.h"
#include "imaging/gdiplus_session.h"
#include "imaging/image_files.h"
#include "standin/drawn_page.h"
#include "standin/web_browser.h"

namespace {

using pagelens::standin::PageDesign;

// The process's committed private memory, summed over its address space.
SIZE_T CommittedBytes() {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region;
    for (const char* at = nullptr;
         VirtualQuery(at, &region, sizeof region) == sizeof region && region.RegionSize > 0;
         at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
        if (static_cast<const char*>(region.BaseAddress) + region.RegionSize < at) break;
    }
    return total;
}

class FinalStatus final : public pagelens::HtmlSnapEvents {
public:
    void OnProgress(int32_t) override {}
    void OnStatus(const std::wstring& status, int32_t code) override {
        if (trace)
            fwprintf(stderr, L"%8.1f MB  %ls\n", CommittedBytes() / 1048576.0, status.c_str());
        if (status.find(L"cannot draw itself") != std::wstring::npos) drawnByEngine = false;
        if (code == 0) return;
        done = true;
        finalCode = code;
        text = status;
    }
    const bool trace = GetEnvironmentVariableW(L"PAGELENS_BENCH_TRACE", nullptr, 0) > 0;
    bool drawnByEngine = true;
    bool done = false;
    int32_t finalCode = 0;
    std::wstring text;
};

PageDesign BenchDesign(bool inner) {
    PageDesign design;
    design.scrollsInside = inner;
    if (inner) design.headerHeight = 0;
    design.viewWidth = 1280;
    design.viewHeight = 800;
    design.bandCount = 200;
    design.bandHeight = 100;
    design.lazyTop = -1;
    return design;
}

// The same bands as an HTML page, for the capture browser.
std::string BandsPage(const PageDesign& design, int width) {
    const auto colour = [](pagelens::standin::PageColour c) {
        return "rgb(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," +
               std::to_string(c.b) + ")";
    };
    const std::string open = design.scrollsInside
                                 ? "<div style=\"height:" + std::to_string(design.barHeight) +
                                       "px;background:" + colour(pagelens::standin::kBarColour) +
                                       "\"></div><div id=workspace style=\"height:calc(100vh - " +
                                       std::to_string(design.barHeight + design.footerHeight) +
                                       "px);overflow:auto\">"
                                 : "";
    const std::string close =
        design.scrollsInside
            ? "</div><div style=\"height:" + std::to_string(design.footerHeight) +
                  "px;background:" + colour(pagelens::standin::kFooterColour) + "\"></div>"
            : "";
    std::string html =
        "<!DOCTYPE html><html><head><style>body{margin:0}div{height:" +
        std::to_string(design.bandHeight) + "px;width:" + std::to_string(width) +
        "px}#h{position:fixed;top:0;left:0;height:" + std::to_string(design.headerHeight) +
        "px;width:100%;background:#0a0a0a}</style></head><body><div id=h></div>" + open;
    for (int band = 0; band < design.bandCount; ++band) {
        const auto c = pagelens::standin::BandColour(band, 0);
        html += "<div style=\"background:rgb(" + std::to_string(c.r) + "," + std::to_string(c.g) +
                "," + std::to_string(c.b) + ")\">" + std::to_string(band + 1) + "</div>";
    }
    return html + close + "</body></html>";
}

// The most memory the process held while it ran, sampled every few milliseconds: Wine keeps no
// peak of its own.
class PeakSampler {
public:
    PeakSampler() : stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        peak_ = CommittedBytes();
        thread_.reset(CreateThread(nullptr, 0, &PeakSampler::Run, this, 0, nullptr));
    }
    SIZE_T Finish() {
        SetEvent(stop_.get());
        WaitForSingleObject(thread_.get(), INFINITE);
        return std::max(peak_, CommittedBytes());
    }

private:
    static DWORD WINAPI Run(void* self) {
        auto* sampler = static_cast<PeakSampler*>(self);
        while (WaitForSingleObject(sampler->stop_.get(), 2) == WAIT_TIMEOUT)
            sampler->peak_ = std::max(sampler->peak_, CommittedBytes());
        return 0;
    }
    pagelens::UniqueHandleK stop_;
    pagelens::UniqueHandleK thread_;
    SIZE_T peak_ = 0;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const bool inner = argc == 4 && std::wstring(argv[3]) == L"inner";
    if ((argc != 3 && !inner) ||
        (std::wstring(argv[1]) != L"engine" && std::wstring(argv[1]) != L"browser")) {
        fwprintf(stderr, L"usage: view_capture_bench engine|browser <work folder> [inner]\n");
        return 2;
    }
    const bool engine = std::wstring(argv[1]) == L"engine";
    const std::wstring folder = argv[2];
    OleInitialize(nullptr);
    PageDesign design = BenchDesign(inner);
    design.drawable = engine;
    design.windowPaints = engine;
    pagelens::UniqueHwnd frame(CreateWindowExW(0, L"STATIC", L"Browser", WS_OVERLAPPEDWINDOW, 0, 0,
                                               1400, 1000, nullptr, nullptr, nullptr, nullptr));
    {
        const pagelens::standin::DrawnPage measure(nullptr, design);
        const std::wstring htmlPath = folder + L"\\bands.html";
        const std::string html = BandsPage(design, measure.pageWidth());
        pagelens::UniqueFile file(CreateFileW(htmlPath.c_str(), GENERIC_WRITE, 0, nullptr,
                                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!file ||
            !WriteFile(file.get(), html.data(), static_cast<DWORD>(html.size()), &written, nullptr))
            return 1;
        design.url = htmlPath;
    }
    pagelens::standin::DrawnPage page(frame.get(), design);
    auto browser = pagelens::standin::CreateWebBrowser(
        frame.get(), {pagelens::ComPtr<IDispatch>(page.document()), design.url, L"Bands"});

    FinalStatus status;
    auto snap = std::move(pagelens::HtmlSnap::Create(&status)).value();
    const std::pair<int, int32_t> settings[] = {{1, 40000}, {2, 1}, {3, 100}, {4, 1},   {5, 1},
                                                {6, 1},     {7, 1}, {8, 1},   {9, 1000}};
    for (const auto& [index, value] : settings) (void)snap->SetSetting(index, value);

    // The tab has painted its page before the user presses the button: its fonts and the
    // like are loaded already, and are no part of the capture's memory.
    if (pagelens::ComPtr<IViewObject> view;
        engine &&
        SUCCEEDED(pagelens::ComPtr<IHTMLDocument2>(page.document()).As(IID_IViewObject, view))) {
        pagelens::UniqueHdc dc(CreateCompatibleDC(nullptr));
        pagelens::UniqueHbitmap bitmap(CreateCompatibleBitmap(dc.get(), 64, 64));
        pagelens::SelectGuard select(dc.get(), bitmap.get());
        const RECTL bounds{0, 0, 64, 64};
        view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.get(), &bounds, nullptr,
                   nullptr, 0);
    }
    const std::wstring workFile = folder + L"\\snapshot.jpg";
    // The sampler's own thread is no part of the capture.
    PeakSampler sampler;
    const SIZE_T before = CommittedBytes();
    const auto start = std::chrono::steady_clock::now();
    if (!snap->CaptureBrowser(browser.get(), workFile).ok()) return 1;
    MSG msg;
    while (!status.done && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    const SIZE_T peak = sampler.Finish();
    if (status.trace) fwprintf(stderr, L"peak +%.1f MB\n", (peak - before) / 1048576.0);
    (void)snap->Close();
    if (status.finalCode != 1) {
        fwprintf(stderr, L"capture failed with %d: %ls\n", status.finalCode, status.text.c_str());
        return 1;
    }
    pagelens::GdiplusSession gdiplus;
    auto image = pagelens::LoadImageFile(workFile);
    if (!image.ok()) return 1;
    const long long imageBytes = 4LL * image->width() * image->height();
    const long long tileBytes = 4LL * design.viewWidth * design.viewHeight;
    printf("%lld %d %d %lld %lld %lld %s\n", static_cast<long long>(elapsed.count()),
           image->width(), image->height(), static_cast<long long>(peak - before), imageBytes,
           tileBytes, status.drawnByEngine ? "engine" : "browser");
    snap.reset();
    OleUninitialize();
    return 0;
}
