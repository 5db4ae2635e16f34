// The stand-in browser's own parts that the extension tests rely on: its command line, the
// message-box watcher, the window screenshot and reading the status text.
#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "common/text_codepage.h"
#include "standin/browser_frame.h"
#include "standin/message_boxes.h"
#include "standin/snapshot_window_driver.h"
#include "standin/standin_browser.h"
#include "standin/standin_options.h"
#include "standin/window_screenshot.h"
#include "tests/extension/extension_fixture.h"
#include "tests/support/test_support.h"
#include "window/control_ids.h"

namespace pagelens::test {
namespace {

using standin::Step;
using standin::StepKind;

Result<standin::StandinOptions> Parse(std::vector<std::wstring> args) {
    return standin::ParseStandinOptions(args);
}

TEST(StandinOptions, StepsKeepTheirOrderAndValues) {
    auto options = Parse({L"--document",     L"plain",
                          L"--site",         L"failing-service",
                          L"--address",      L"http://x/",
                          L"--time-limit",   L"9",
                          L"--wait-status",  L"Ready",
                          L"--type-address", L"http://y/",
                          L"--click",        L"cmdSnapshot",
                          L"--type",         L"txtWidth=200",
                          L"--select",       L"cboImageType=png",
                          L"--pause",        L"15",
                          L"--wait-capture", L"--screenshot",
                          L"/tmp/a.png",     L"--copy-work-file",
                          L"C:\\out.jpg",    L"--close"});
    ASSERT_TRUE(options.ok()) << ToUtf8(options.error().description);
    EXPECT_EQ(options->document, standin::DocumentKind::Plain);
    EXPECT_EQ(options->site, standin::SiteKind::FailingQueryService);
    EXPECT_EQ(options->address, L"http://x/");
    EXPECT_EQ(options->timeLimit, std::chrono::seconds(9));
    const std::vector<Step> expected = {
        {StepKind::WaitStatus, 0, L"Ready"},
        {StepKind::Type, ids::txtAddress, L"http://y/"},
        {StepKind::Click, ids::cmdSnapshot},
        {StepKind::Type, ids::txtWidth, L"200"},
        {StepKind::Select, ids::cboImageType, L"png"},
        {StepKind::Pause, 0, {}, std::chrono::milliseconds(15)},
        {StepKind::WaitCapture},
        {StepKind::Screenshot, 0, L"Z:\\tmp\\a.png"},
        {StepKind::CopyWorkFile, 0, L"C:\\out.jpg"},
        {StepKind::Close},
    };
    EXPECT_EQ(options->steps, expected);
}

TEST(StandinOptions, BadCommandLinesAreRefusedWithAReason) {
    struct Case {
        std::vector<std::wstring> args;
        const wchar_t* reason;
    };
    const Case cases[] = {
        {{L"--bogus"}, L"unknown option --bogus"},
        {{L"--address"}, L"--address needs a value"},
        {{L"--document", L"pdf"}, L"--document takes html, plain, none or drawn"},
        {{L"--click", L"cmdNothing"}, L"no control named"},
        {{L"--type", L"txtWidth"}, L"needs <control>=<text>"},
        {{L"--time-limit", L"0"}, L"at least 1 second"},
        {{L"--time-limit", L"-5"}, L"needs a whole number"},
        {{L"--pause", L"soon"}, L"needs a whole number"},
    };
    for (const auto& c : cases) {
        auto options = Parse(c.args);
        ASSERT_FALSE(options.ok()) << ToUtf8(c.args[0]);
        EXPECT_NE(options.error().description.find(c.reason), std::wstring::npos)
            << ToUtf8(options.error().description);
    }
}

// Late-bound callers read the browser and its document through IDispatch by name.
TEST(StandinBrowserObjects, PropertiesReadByNameThroughIDispatch) {
    auto browser = standin::MakeStandinBrowser(standin::DocumentKind::Html,
                                               standin::SiteKind::WithBrowser, L"http://a/b", L"T");
    auto read = [](IDispatch* object, const wchar_t* name, VARIANT* value) {
        DISPID id = 0;
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
        if (FAILED(hr)) return hr;
        DISPPARAMS none{};
        return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value,
                              nullptr, nullptr);
    };
    VARIANT value;
    VariantInit(&value);
    ASSERT_EQ(read(browser.browser.get(), L"locationurl", &value), S_OK);
    EXPECT_EQ(V_VT(&value), VT_BSTR);
    EXPECT_STREQ(V_BSTR(&value), L"http://a/b");
    VariantClear(&value);
    ASSERT_EQ(read(browser.browser.get(), L"HWND", &value), S_OK);
    EXPECT_EQ(reinterpret_cast<HWND>(static_cast<LONG_PTR>(V_I4(&value))), browser.frame.get());
    ASSERT_EQ(read(browser.browser.get(), L"Document", &value), S_OK);
    ASSERT_EQ(V_VT(&value), VT_DISPATCH);
    ComPtr<IDispatch> document = ComPtr<IDispatch>::Attach(V_DISPATCH(&value));
    VariantInit(&value);
    ASSERT_EQ(read(document.get(), L"title", &value), S_OK);
    EXPECT_STREQ(V_BSTR(&value), L"T");
    VariantClear(&value);
    EXPECT_EQ(read(browser.browser.get(), L"Navigate", &value), DISP_E_UNKNOWNNAME);
}

TEST(StandinMessageBoxes, WatcherReadsEachBoxOnceAndPressesItsFirstButton) {
    struct Case {
        UINT style;
        std::vector<std::wstring> buttons;
        int pressed;
    };
    const Case cases[] = {
        {MB_OK, {L"OK"}, IDOK},
        {MB_YESNO | MB_ICONQUESTION, {L"Yes", L"No"}, IDYES},
    };
    std::atomic<int> reported{0};
    standin::MessageBoxWatcher watcher([&](const standin::SeenMessageBox&) { ++reported; });
    for (const auto& c : cases) {
        int answer = MessageBoxW(nullptr, L"Line one\nline two", L"Caption", c.style);
        EXPECT_EQ(answer, c.pressed);
    }
    auto seen = watcher.Seen();
    EXPECT_EQ(reported, static_cast<int>(std::size(cases)));
    ASSERT_EQ(seen.size(), std::size(cases));
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].caption, L"Caption");
        EXPECT_EQ(seen[i].text, L"Line one\nline two");
        EXPECT_EQ(seen[i].buttons, cases[i].buttons);
    }
}

TEST(StandinScreenshot, WritesThePixelsOfTheWholeWindow) {
    auto frame = standin::CreateBrowserFrame(L"Screenshot page", L"http://127.0.0.1/shot.html");
    ASSERT_TRUE(frame);
    PumpFor(std::chrono::milliseconds(200));
    TempFolder folder;
    const std::wstring path = folder.file(L"frame.png");
    auto size = standin::SaveWindowScreenshot(frame.get(), path);
    ASSERT_TRUE(size.ok()) << ToUtf8(size.error().description);
    RECT rect;
    GetWindowRect(frame.get(), &rect);
    EXPECT_EQ(size->width, rect.right - rect.left);
    EXPECT_EQ(size->height, rect.bottom - rect.top);

    Picture picture = ReadPicture(path);
    EXPECT_EQ(picture.width, static_cast<UINT>(size->width));
    EXPECT_EQ(picture.height, static_cast<UINT>(size->height));
    // A frame, a white page and text: far more than a blank copy would give.
    EXPECT_GE(picture.colours.size(), 3u);
    EXPECT_TRUE(picture.colours.contains(OpaqueColour(GetSysColor(COLOR_WINDOW))));
}

// The window's thread changes the status text while the driver reads it from another thread;
// every read must be one of the texts (or a start of it) and must leave the heaps whole.
TEST(StandinDriver, StatusReadFromAnotherThreadSurvivesTheTextGrowing) {
    const std::wstring shortText = L"S";
    const std::wstring longText(3000, L'L');
    std::atomic<HWND> window{nullptr};
    std::atomic<bool> done{false};
    std::thread owner([&] {
        HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 100, nullptr, nullptr,
                                      nullptr, nullptr);
        CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(ids::sbStatusBar)), nullptr,
                        nullptr);
        HWND bar = GetDlgItem(parent, ids::sbStatusBar);
        window = parent;
        for (int i = 0; !done; ++i) {
            SendMessageW(bar, SB_SETTEXTW, 0,
                         reinterpret_cast<LPARAM>((i % 2 ? longText : shortText).c_str()));
            MSG message;  // lets the reader's messages in between the changes
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        }
        DestroyWindow(parent);
    });
    while (!window) Sleep(1);
    int longReads = 0;
    for (int i = 0; i < 2000; ++i) {
        auto text = standin::ReadStatusText(window);
        if (!text.ok()) {
            ADD_FAILURE() << ToUtf8(text.error().description);
            break;
        }
        if (!longText.starts_with(*text) && !shortText.starts_with(*text)) {
            ADD_FAILURE() << "read " << text->size() << " characters of neither text";
            break;
        }
        longReads += text->size() == longText.size();
    }
    done = true;
    owner.join();
    EXPECT_GT(longReads, 0);
    HANDLE heaps[64];
    const DWORD count = GetProcessHeaps(64, heaps);
    for (DWORD i = 0; i < std::min<DWORD>(count, 64); ++i)
        EXPECT_TRUE(HeapValidate(heaps[i], 0, nullptr)) << "heap " << i;
}

}  // namespace
}  // namespace pagelens::test
