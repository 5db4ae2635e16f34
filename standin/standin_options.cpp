// Parsing the stand-in browser's command line (see the header). Options take their value from
// the next argument; a control and its text are joined by '=' ("txtWidth=200").
#include "standin/standin_options.h"

#include <algorithm>
#include <cerrno>
#include <cwchar>

#include "standin/snapshot_window_driver.h"
#include "window/control_ids.h"

namespace pagelens::standin {
namespace {

RunError UsageError(std::wstring description) {
    return {87, L"standin_browser", std::move(description)};
}

struct Cursor {
    std::span<const std::wstring> args;
    size_t next = 0;

    bool done() const { return next >= args.size(); }
    const std::wstring& take() { return args[next++]; }
    Result<std::wstring> value(const std::wstring& option) {
        if (done()) return UsageError(option + L" needs a value");
        return take();
    }
};

Result<unsigned long> ParseNumber(const std::wstring& option, const std::wstring& text) {
    wchar_t* end = nullptr;
    errno = 0;
    unsigned long value = std::wcstoul(text.c_str(), &end, 10);
    if (text.empty() || *end != L'\0' || errno == ERANGE || text[0] == L'-')
        return UsageError(option + L" needs a whole number, not \"" + text + L"\"");
    return value;
}

Result<int> ParseControl(const std::wstring& option, const std::wstring& name) {
    if (auto id = ControlIdByName(name)) return *id;
    return UsageError(option + L": the snapshot window has no control named \"" + name + L"\"");
}

// "<control>=<text>"
Result<Step> ParseControlAndText(StepKind kind, const std::wstring& option,
                                 const std::wstring& value) {
    size_t equals = value.find(L'=');
    if (equals == std::wstring::npos)
        return UsageError(option + L" needs <control>=<text>, not \"" + value + L"\"");
    auto control = ParseControl(option, value.substr(0, equals));
    PAGELENS_RETURN_IF_ERROR(control);
    return Step{kind, *control, value.substr(equals + 1)};
}

Result<DocumentKind> ParseDocument(const std::wstring& value) {
    if (value == L"html") return DocumentKind::Html;
    if (value == L"plain") return DocumentKind::Plain;
    if (value == L"none") return DocumentKind::None;
    if (value == L"drawn") return DocumentKind::Drawn;
    return UsageError(L"--document takes html, plain, none or drawn, not \"" + value + L"\"");
}

Result<SiteKind> ParseSite(const std::wstring& value) {
    if (value == L"browser") return SiteKind::WithBrowser;
    if (value == L"no-service-provider") return SiteKind::NoServiceProvider;
    if (value == L"failing-service") return SiteKind::FailingQueryService;
    return UsageError(L"--site takes browser, no-service-provider or failing-service, not \"" +
                      value + L"\"");
}

// One step option and its value, if it takes one.
Result<Step> ParseStep(const std::wstring& option, Cursor& cursor) {
    if (option == L"--wait-capture") return Step{StepKind::WaitCapture};
    if (option == L"--close") return Step{StepKind::Close};
    constexpr const wchar_t* kWithValue[] = {
        L"--wait-status", L"--type-address", L"--type",           L"--select",
        L"--click",       L"--screenshot",   L"--copy-work-file", L"--pause"};
    if (std::ranges::find(kWithValue, option) == std::end(kWithValue))
        return UsageError(L"unknown option " + option);
    auto value = cursor.value(option);
    PAGELENS_RETURN_IF_ERROR(value);
    if (option == L"--wait-status") return Step{StepKind::WaitStatus, 0, *value};
    if (option == L"--type-address") return Step{StepKind::Type, ids::txtAddress, *value};
    if (option == L"--type") return ParseControlAndText(StepKind::Type, option, *value);
    if (option == L"--select") return ParseControlAndText(StepKind::Select, option, *value);
    if (option == L"--click") {
        auto control = ParseControl(option, *value);
        PAGELENS_RETURN_IF_ERROR(control);
        return Step{StepKind::Click, *control};
    }
    if (option == L"--screenshot") return Step{StepKind::Screenshot, 0, ToWindowsPath(*value)};
    if (option == L"--copy-work-file")
        return Step{StepKind::CopyWorkFile, 0, ToWindowsPath(*value)};
    if (option == L"--pause") {
        auto ms = ParseNumber(option, *value);
        PAGELENS_RETURN_IF_ERROR(ms);
        return Step{StepKind::Pause, 0, {}, std::chrono::milliseconds(*ms)};
    }
    return UsageError(L"unknown option " + option);
}

using ApplyValue = Status (*)(const std::wstring& option, const std::wstring& value,
                              StandinOptions& options);

struct ProgramOption {
    const wchar_t* name;
    ApplyValue apply;
};

const ProgramOption kProgramOptions[] = {
    {L"--register",
     [](const std::wstring&, const std::wstring& value, StandinOptions& options) -> Status {
         options.registerDll = ToWindowsPath(value);
         return {};
     }},
    {L"--document",
     [](const std::wstring&, const std::wstring& value, StandinOptions& options) -> Status {
         auto kind = ParseDocument(value);
         PAGELENS_RETURN_IF_ERROR(kind);
         options.document = *kind;
         return {};
     }},
    {L"--site",
     [](const std::wstring&, const std::wstring& value, StandinOptions& options) -> Status {
         auto kind = ParseSite(value);
         PAGELENS_RETURN_IF_ERROR(kind);
         options.site = *kind;
         return {};
     }},
    {L"--address",
     [](const std::wstring&, const std::wstring& value, StandinOptions& options) -> Status {
         options.address = value;
         return {};
     }},
    {L"--title",
     [](const std::wstring&, const std::wstring& value, StandinOptions& options) -> Status {
         options.title = value;
         return {};
     }},
    {L"--command-id",
     [](const std::wstring& option, const std::wstring& value, StandinOptions& options) -> Status {
         auto id = ParseNumber(option, value);
         PAGELENS_RETURN_IF_ERROR(id);
         options.commandId = *id;
         return {};
     }},
    {L"--time-limit",
     [](const std::wstring& option, const std::wstring& value, StandinOptions& options) -> Status {
         auto seconds = ParseNumber(option, value);
         PAGELENS_RETURN_IF_ERROR(seconds);
         if (*seconds == 0) return UsageError(option + L" must be at least 1 second");
         options.timeLimit = std::chrono::seconds(*seconds);
         return {};
     }},
};

Status ParseOption(const std::wstring& option, Cursor& cursor, StandinOptions& options) {
    for (const auto& known : kProgramOptions) {
        if (option != known.name) continue;
        auto value = cursor.value(option);
        PAGELENS_RETURN_IF_ERROR(value);
        return known.apply(option, *value, options);
    }
    auto step = ParseStep(option, cursor);
    PAGELENS_RETURN_IF_ERROR(step);
    options.steps.push_back(*step);
    return {};
}

}  // namespace

Result<StandinOptions> ParseStandinOptions(std::span<const std::wstring> args) {
    StandinOptions options;
    Cursor cursor{args};
    while (!cursor.done()) {
        const std::wstring& option = cursor.take();
        PAGELENS_RETURN_IF_ERROR(ParseOption(option, cursor, options));
    }
    return options;
}

std::wstring ToWindowsPath(std::wstring path) {
    if (path.empty() || path[0] != L'/') return path;
    for (auto& c : path) c = c == L'/' ? L'\\' : c;
    return L"Z:" + path;
}

const wchar_t* StandinUsage() {
    return LR"(Usage: standin_browser [options] [steps]
Plays the browser for iePagelens.dll: creates cPagelens by its CLSID, gives it a site, calls
QueryStatus and Exec as the toolbar button does, and drives the snapshot window meanwhile.

Options:
  --register <dll>        run regsvr32 /s on the DLL first
  --document <kind>       html (default), plain (not an HTML document), none, or drawn (a tall
                          page that draws itself, as IE's own documents do)
  --site <kind>           browser (default), no-service-provider or failing-service
  --address <url>         the document's address (default about:blank)
  --title <text>          the document's title
  --command-id <n>        the command identifier given to QueryStatus and Exec (default 0)
  --time-limit <seconds>  end with exit code 3 after this long (default 120)

Steps, run in order while the snapshot window is open:
  --wait-status <text>    wait until status panel 1 reads the text
  --wait-capture          wait until a capture has ended (success or failure)
  --pause <ms>            wait that long
  --type-address <text>   put the text into the address box
  --type <control>=<text> put the text into a box (txtWidth, txtHeight, txtAddress)
  --click <control>       press a button (cmdSnapshot, cmdGray, cmdBlackAndWhite, ...)
  --select <list>=<entry> choose a list entry (cboImageType=png, cboQuality=50)
  --screenshot <png>      write a picture of the window
  --copy-work-file <file> copy the window's work file snapshot.jpg
  --close                 press Escape and wait until the window is gone

Without --close the window stays open until someone closes it or the time limit ends the run.
Message boxes are printed and answered with their first button. Exit code: 0 when every step
ran, 1 when something failed, 2 for a bad command line, 3 when the time limit was reached,
4 when the program crashed.
)";
}

}  // namespace pagelens::standin
