// The command line of standin_browser.exe: what kind of browser to play (document, site,
// address) and the script of steps that drives the snapshot window while Exec runs. Parsing
// is plain logic; the program and the tests share it.
#pragma once
#include <chrono>
#include <span>
#include <string>
#include <vector>

#include "common/run_error.h"
#include "standin/browser_site.h"
#include "standin/documents.h"

namespace pagelens::standin {

enum class StepKind {
    WaitStatus,    // until status panel 1 reads `text`
    WaitCapture,   // until status panel 1 reads a capture's final text
    Pause,         // `duration`; needs no window
    Type,          // `text` into `control`
    Click,         // `control`
    Select,        // the list entry `text` of `control`
    Screenshot,    // of the window, as a PNG file `text`
    CopyWorkFile,  // to the file `text`
    Close,         // Escape, then until the window is gone
};

struct Step {
    StepKind kind;
    int control = 0;
    std::wstring text;
    std::chrono::milliseconds duration{0};

    bool operator==(const Step&) const = default;
};

struct StandinOptions {
    std::wstring registerDll;
    DocumentKind document = DocumentKind::Html;
    SiteKind site = SiteKind::WithBrowser;
    std::wstring address = L"about:blank";
    std::wstring title = L"Stand-in page";
    unsigned long commandId = 0;
    std::chrono::seconds timeLimit{120};
    std::vector<Step> steps;
};

Result<StandinOptions> ParseStandinOptions(std::span<const std::wstring> args);
const wchar_t* StandinUsage();

// A Linux path ("/tmp/x.png") as Wine names it ("Z:\tmp\x.png"); other paths stay as they are.
std::wstring ToWindowsPath(std::wstring path);

}  // namespace pagelens::standin
