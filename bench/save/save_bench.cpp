// Times the eight image writers on a page image: save_bench <page.png> <output folder> [runs].
// Loads the page once, then saves it in each format `runs` times (best time counts) and prints
// one line per file: name, seconds, bytes, file name. It also saves a gray copy of the page in
// the formats that store gray with fewer bits, and the same gray copy with one pixel tinted so
// that it must be stored in full colour: the pair shows what the gray detection saves.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>

#include "components/viewer/image_ops.h"
#include "imaging/gdiplus_session.h"
#include "imaging/image_files.h"

namespace pagelens {
namespace {

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

long long FileBytes(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (long long)data.nFileSizeHigh << 32 | data.nFileSizeLow;
}

using Writer = std::function<Status(const Image&, const std::wstring&)>;

bool TimeSave(const char* name, const Writer& save, const Image& image, const std::wstring& folder,
              const wchar_t* file, int runs) {
    const std::wstring path = folder + L"\\" + file;
    double best = 1e9;
    for (int run = 0; run < runs; ++run) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        const Status status = save(image, path);
        QueryPerformanceCounter(&end);
        if (!status.ok()) {
            fwprintf(stderr, L"%hs failed: %ls\n", name, status.error().description.c_str());
            return false;
        }
        best = std::min(best, Seconds(start, end));
    }
    printf("%s %.3f %lld %ls\n", name, best, FileBytes(path), file);
    fflush(stdout);
    return true;
}

int Run(const std::wstring& pagePath, const std::wstring& folder, int runs) {
    GdiplusSession gdiplus;
    auto page = LoadImageFile(pagePath);
    if (!page) {
        fwprintf(stderr, L"cannot load %ls: %ls\n", pagePath.c_str(),
                 page.error().description.c_str());
        return 1;
    }
    const Image& image = page.value();
    const Writer jpeg85 = [](const Image& i, const std::wstring& p) {
        return SaveAsJpegFile(i, p, 85);
    };
    bool ok = TimeSave("png", SaveAsPngFile, image, folder, L"page.png", runs) &&
              TimeSave("gif", SaveAsGifFile, image, folder, L"page.gif", runs) &&
              TimeSave("tif", SaveAsTiffFile, image, folder, L"page.tif", runs) &&
              TimeSave("bmp", SaveAsBmpFile, image, folder, L"page.bmp", runs) &&
              TimeSave("jpg", jpeg85, image, folder, L"page.jpg", runs) &&
              TimeSave("pdf", SaveAsPdfFile, image, folder, L"page.pdf", runs) &&
              TimeSave("wmf", SaveAsWmfFile, image, folder, L"page.wmf", runs) &&
              TimeSave("emf", SaveAsEmfFile, image, folder, L"page.emf", runs);

    Image gray = image.clone();
    ConvertToGray(gray);
    Image tinted = gray.clone();
    tinted.pixels()[0] = PackPixel(RedOf(tinted.pixels()[0]) ^ 1, 0, 0);
    ok = ok && TimeSave("gray-png", SaveAsPngFile, gray, folder, L"gray.png", runs) &&
         TimeSave("gray-tif", SaveAsTiffFile, gray, folder, L"gray.tif", runs) &&
         TimeSave("gray-bmp", SaveAsBmpFile, gray, folder, L"gray.bmp", runs) &&
         TimeSave("tinted-png", SaveAsPngFile, tinted, folder, L"tinted.png", runs) &&
         TimeSave("tinted-tif", SaveAsTiffFile, tinted, folder, L"tinted.tif", runs) &&
         TimeSave("tinted-bmp", SaveAsBmpFile, tinted, folder, L"tinted.bmp", runs);
    return ok ? 0 : 1;
}

}  // namespace
}  // namespace pagelens

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        fwprintf(stderr, L"usage: save_bench <page.png> <output folder> [runs]\n");
        return 2;
    }
    const int runs = argc > 3 ? std::max(1, _wtoi(argv[3])) : 3;
    return pagelens::Run(argv[1], argv[2], runs);
}
