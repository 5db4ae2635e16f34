// Times the viewer's three transforms on a page image, each as the user meets it: load the PNG,
// transform, save as PNG. Prints one line per job with the best of several rounds of each stage
// and checks that the saved file reads back with the transformed pixels. Then builds the
// tallest page (1280 x 16384) in memory and puts it through every transform, reporting the
// process's peak memory, which must stay inside a 32-bit address space.
//   transforms_bench.exe <page.png> <output folder> [rounds]
// <psapi.h> needs <windows.h> first.
// clang-format off
#include <windows.h>
#include <psapi.h>
// clang-format on

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "components/viewer/image_ops.h"
#include "imaging/gdiplus_session.h"
#include "imaging/image_files.h"

namespace pagelens {
namespace {

double Seconds() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return double(counter.QuadPart) / double(frequency.QuadPart);
}

double Timed(const std::function<void()>& work) {
    const double start = Seconds();
    work();
    return Seconds() - start;
}

[[noreturn]] void Fail(const char* what, const RunError& error) {
    std::fprintf(stderr, "%s: %d %ls\n", what, error.number, error.description.c_str());
    std::exit(1);
}

Image Load(const std::wstring& path) {
    auto image = LoadImageFile(path);
    if (!image) Fail("load", image.error());
    return std::move(image).value();
}

struct Job {
    const char* name;
    std::function<Image(Image)> apply;
};

struct StageTimes {
    double load = 1e9, transform = 1e9, save = 1e9;
    double total() const { return load + transform + save; }
};

bool SameImage(const Image& a, const Image& b) {
    return a.width() == b.width() && a.height() == b.height() &&
           std::equal(a.pixels(), a.pixels() + a.pixelCount(), b.pixels());
}

void RunJob(const Job& job, const std::wstring& page, const std::wstring& folder, int rounds) {
    const std::wstring target =
        folder + L"\\" + std::wstring(job.name, job.name + strlen(job.name)) + L".png";
    StageTimes best;
    Image last;
    for (int round = 0; round < rounds; ++round) {
        Image image;
        best.load = std::min(best.load, Timed([&] { image = Load(page); }));
        best.transform =
            std::min(best.transform, Timed([&] { image = job.apply(std::move(image)); }));
        best.save = std::min(best.save, Timed([&] {
                                 if (auto saved = SaveAsPngFile(image, target); !saved)
                                     Fail("save", saved.error());
                             }));
        last = std::move(image);
    }
    const bool readsBack = SameImage(Load(target), last);
    std::printf("%-6s load %.3f  transform %.3f  save %.3f  total %.3f  (%dx%d, reads back %s)\n",
                job.name, best.load, best.transform, best.save, best.total(), last.width(),
                last.height(), readsBack ? "identical" : "DIFFERENT");
}

// Every buffer here is written in full, so the resident peak is the memory really used.
size_t PeakWorkingSet() {
    PROCESS_MEMORY_COUNTERS counters{sizeof counters};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize;
}

Image TallPage(const Image& page) {
    Image tall(1280, 16384);
    if (tall.empty()) Fail("tall page", {7, L"", L"Out of memory"});
    for (int y = 0; y < tall.height(); ++y) {
        const uint32_t* from = page.row(y % page.height());
        std::copy(from, from + std::min(page.width(), 1280), tall.row(y));
        std::fill(tall.row(y) + std::min(page.width(), 1280), tall.row(y) + 1280, 0xFFFFFFFFu);
    }
    return tall;
}

Image Resized(const Image& image, int width, int height) {
    auto result = ResizeImage(image, width, height);
    if (!result) Fail("resize", result.error());
    return std::move(result).value();
}

void RunTallPage(const Image& page) {
    Image tall = TallPage(page);
    double half = 0, enlarge = 0, preset = 0, gray = 0, blackAndWhite = 0;
    half = Timed([&] { Resized(tall, 640, 8192); });
    enlarge = Timed([&] { Resized(tall, 1920, 24576); });
    preset = Timed([&] { Resized(tall, 120, 90); });
    gray = Timed([&] { ConvertToGray(tall); });
    blackAndWhite = Timed([&] { ConvertToBlackAndWhite(tall); });
    std::printf(
        "1280x16384: resize half %.3f, to 1920x24576 %.3f, to 120x90 %.3f, gray %.3f, "
        "black and white %.3f; peak working set %.0f MB\n",
        half, enlarge, preset, gray, blackAndWhite, PeakWorkingSet() / 1048576.0);
}

}  // namespace
}  // namespace pagelens

int wmain(int argc, wchar_t** argv) {
    using namespace pagelens;
    if (argc < 3) {
        std::fprintf(stderr, "usage: transforms_bench <page.png> <output folder> [rounds]\n");
        return 2;
    }
    const int rounds = argc > 3 ? std::max(1, _wtoi(argv[3])) : 3;
    GdiplusSession gdiplus;
    if (!gdiplus.ok()) return 1;
    const Job jobs[] = {
        {"gray",
         [](Image image) {
             ConvertToGray(image);
             return image;
         }},
        {"bw",
         [](Image image) {
             ConvertToBlackAndWhite(image);
             return image;
         }},
        {"resize",
         [](Image image) { return Resized(image, image.width() / 2, image.height() / 2); }},
    };
    for (const Job& job : jobs) RunJob(job, argv[1], argv[2], rounds);
    RunTallPage(Load(argv[1]));
    return 0;
}
