// What a tab pays for loading a helper object: LoadLibrary, DllGetClassObject, CreateInstance,
// SetSite(browser), SetSite(NULL), Release, FreeLibrary, timed as one, 1,000 times, for
// iePagelens.dll and for the empty object beside it. The browser is the stand-in's, which is its
// own site as IE's is. The libraries a tab has loaded anyway (the system's, which the empty object
// does not import) are loaded once before the runs, as they are in a tab.
// Prints "<name> <median microseconds> <worst microseconds>" for each library.
// Usage: bho_load_bench.exe <iePagelens.dll> <bho_empty.dll> [runs]
#include <windows.h>
// after windows.h
#include <ocidl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "extension/guids.h"
#include "standin/standin_browser.h"

namespace {

using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

// One load as a tab does it; false when a step failed.
bool LoadAsHelperObject(const wchar_t* path, IUnknown* browser) {
    HMODULE library = LoadLibraryW(path);
    if (!library) return false;
    bool ok = false;
    auto getClassObject = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void*>(GetProcAddress(library, "DllGetClassObject")));
    IClassFactory* factory = nullptr;
    if (getClassObject && SUCCEEDED(getClassObject(pagelens::CLSID_cPagelens, IID_IClassFactory,
                                                   reinterpret_cast<void**>(&factory)))) {
        IObjectWithSite* object = nullptr;
        if (SUCCEEDED(factory->CreateInstance(nullptr, IID_IObjectWithSite,
                                              reinterpret_cast<void**>(&object)))) {
            ok = SUCCEEDED(object->SetSite(browser)) && SUCCEEDED(object->SetSite(nullptr));
            object->Release();
        }
        factory->Release();
    }
    FreeLibrary(library);
    return ok;
}

struct Times {
    double median = 0;
    double worst = 0;
};

bool Measure(const wchar_t* path, IUnknown* browser, int runs, Times& times) {
    std::vector<double> micro;
    micro.reserve(static_cast<size_t>(runs));
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (!LoadAsHelperObject(path, browser)) return false;
        micro.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(micro.begin(), micro.end());
    times.median = micro[micro.size() / 2];
    times.worst = micro.back();
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fwprintf(stderr, L"usage: bho_load_bench <iePagelens.dll> <bho_empty.dll> [runs]\n");
        return 2;
    }
    const int runs = argc > 3 ? std::max(1, _wtoi(argv[3])) : 1000;
    OleInitialize(nullptr);
    // A tab's process has these before any add-on loads (its own engine and network stack).
    for (const wchar_t* system :
         {L"comctl32.dll", L"gdiplus.dll", L"shell32.dll", L"shlwapi.dll", L"urlmon.dll",
          L"wininet.dll", L"winhttp.dll", L"crypt32.dll", L"msimg32.dll", L"ieframe.dll",
          L"version.dll", L"ws2_32.dll", L"bcrypt.dll", L"comdlg32.dll"})
        LoadLibraryW(system);
    auto browser = pagelens::standin::MakeStandinBrowser(pagelens::standin::DocumentKind::Html,
                                                         pagelens::standin::SiteKind::WithBrowser,
                                                         L"http://intranet.example/", L"Tab");
    const wchar_t* names[] = {L"iePagelens", L"empty"};
    Times times[2];
    // A first load of each outside the runs, as every later tab finds the disk cache warm.
    for (int i = 0; i < 2; ++i) {
        if (!LoadAsHelperObject(argv[1 + i], browser.browser.get()) ||
            !Measure(argv[1 + i], browser.browser.get(), runs, times[i])) {
            std::fwprintf(stderr, L"%ls: a step failed\n", argv[1 + i]);
            return 1;
        }
    }
    for (int i = 0; i < 2; ++i)
        std::wprintf(L"%ls %.1f %.1f\n", names[i], times[i].median, times[i].worst);
    browser = {};
    OleUninitialize();
    return 0;
}
