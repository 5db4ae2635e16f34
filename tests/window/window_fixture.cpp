#include "tests/window/window_fixture.h"

#include "settings/registry.h"
#include "standin/documents.h"
#include "standin/web_browser.h"

namespace pagelens::test {

// Both branches: a write that the machine's key refuses lands in the user's.
void ClearSettings() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Velmora\\iePagelens");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Velmora\\iePagelens");
}

void StoreSetting(const wchar_t* name, const SettingValue& value) {
    ASSERT_TRUE(SaveRegSetting(kAppName, kSettingsSection, name, value).ok());
}

std::optional<std::wstring> StoredSetting(const wchar_t* name) {
    auto value = GetRegSetting(kAppName, kSettingsSection, name, SettingValue{});
    if (std::holds_alternative<std::monostate>(value)) return std::nullopt;
    return SettingToText(value);
}

void SnapshotWindowTest::SetUp() {
    CoInitialize(nullptr);
    ClearSettings();
    boxes = std::make_unique<standin::MessageBoxWatcher>();
    frame = CreateWindowExW(0, L"STATIC", L"browser", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                            nullptr, nullptr, nullptr);
    browser = standin::CreateWebBrowser(
        frame, {standin::CreateDocument(standin::DocumentKind::Html, L"http://127.0.0.1/page.html",
                                        L"Page"),
                L"http://127.0.0.1/page.html", L"Page"});
}

void SnapshotWindowTest::TearDown() {
    if (window && window->hwnd()) window->Unload();
    window.reset();
    browser.reset();
    DestroyWindow(frame);
    boxes.reset();
    ClearSettings();
    CoUninitialize();
}

void SnapshotWindowTest::Open(std::vector<SnapScript> scripts) {
    factory = std::make_unique<ScriptedSnapFactory>(std::move(scripts));
    window = std::make_unique<frmMain>();
    seam().UseSnapFactory([f = factory.get()](HtmlSnapEvents* e) { return (*f)(e); });
    ASSERT_TRUE(window->Load(browser.get()).ok());
}

void SnapshotWindowTest::WaitForIdle() {
    ASSERT_TRUE(PumpUntil([&] { return factory->log().created > 0 && !seam().Busy(); },
                          std::chrono::seconds(20)));
    PumpFor(std::chrono::milliseconds(50));
}

std::wstring SnapshotWindowTest::SelectedListText(int id) const {
    HWND list = GetDlgItem(window->hwnd(), id);
    LRESULT index = SendMessageW(list, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return L"<none>";
    wchar_t text[64] = {};
    SendMessageW(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
}

}  // namespace pagelens::test
