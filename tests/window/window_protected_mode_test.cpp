// The window as a standard user and under Protected Mode. The machine's settings key refuses
// writes as it does for a standard user; Protected Mode's broker functions are stood in for by
// functions that behave as Microsoft documents them (the path and the name handed out are the
// caller's to free with CoTaskMemFree, the dialog answers S_FALSE when cancelled, IESaveFile
// copies the written file to the chosen place and consumes the handle, IECancelSaveFile frees an
// unused one).
#include <objbase.h>

#include "common/protected_mode.h"
#include "tests/support/registry_guards.h"
#include "tests/window/window_fixture.h"

namespace pagelens::test {
namespace {

const std::wstring kSettingsPath = L"Software\\Velmora\\iePagelens\\Settings";

SnapScript Capture() {
    SnapScript s;
    s.image = SolidImage(16, 12, 0xFF808080);
    s.write().status(1);
    return s;
}

void Choose(HWND window, int list, const wchar_t* text) {
    HWND combo = GetDlgItem(window, list);
    SendMessageW(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(list, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
}

bool ValueUnder(HKEY root, const wchar_t* name) {
    return RegGetValueW(root, kSettingsPath.c_str(), name, RRF_RT_ANY, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

class StandardUserWindowTest : public SnapshotWindowTest {
protected:
    UserSettingsGuard user_;
};

// Two showings of the window: everything the first one stored is there in the second, and
// nothing went to the machine's key.
TEST_F(StandardUserWindowTest, ChoicesAndPlacementAreKeptAcrossShowings) {
    ReadOnlyKeyGuard machine(HKEY_LOCAL_MACHINE, kSettingsPath);
    ASSERT_TRUE(machine.applied());
    Open({Capture(), Capture()});
    WaitForIdle();
    Choose(window->hwnd(), ids::cboQuality, L"60");
    Choose(window->hwnd(), ids::cboImageType, L"png");
    seam().SetControlText(ids::txtWidth, L"64");
    seam().SetControlText(ids::txtHeight, L"48");
    window->cmdReSize_Click();
    MoveWindow(window->hwnd(), 30, 45, 700, 450, TRUE);
    window->Unload();
    for (const wchar_t* name : {setting::MainLeft, setting::JpegQuality, setting::ImageType,
                                setting::PagelensWidth, setting::PagelensAddress})
        EXPECT_FALSE(ValueUnder(HKEY_LOCAL_MACHINE, name)) << std::wstring(name);

    State() = SnapshotState{};
    ASSERT_TRUE(window->Load(browser.get()).ok());
    WaitForIdle();
    EXPECT_EQ(SelectedListText(ids::cboQuality), L"60");
    EXPECT_EQ(SelectedListText(ids::cboImageType), L"png");
    EXPECT_EQ(State().settings.preset.width, 64);
    EXPECT_EQ(State().settings.preset.height, 48);
    EXPECT_EQ(State().settings.address, L"http://127.0.0.1/page.html");
    RECT frame;
    GetWindowRect(window->hwnd(), &frame);
    EXPECT_EQ(frame.left, 30);
    EXPECT_EQ(frame.top, 45);
    EXPECT_EQ(frame.right - frame.left, 700);
    EXPECT_EQ(frame.bottom - frame.top, 450);
    EXPECT_TRUE(boxes->Seen().empty());
}

// --- Protected Mode -------------------------------------------------------------------------

struct Broker {
    std::wstring lowFolder;
    std::wstring destination;   // what the dialog answers; empty: the user cancels
    HRESULT saveResult = S_OK;  // what IESaveFile answers
    std::vector<std::wstring> dialogArguments;
    DWORD filterIndex = 0, flags = 0;
    int saves = 0, cancels = 0;
    std::wstring savedFrom;
};
Broker* gBroker = nullptr;
const HANDLE kState = reinterpret_cast<HANDLE>(0x5A5A);

LPWSTR TaskCopy(const std::wstring& text) {
    auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
    text.copy(copy, text.size());
    copy[text.size()] = L'\0';
    return copy;
}

HRESULT WINAPI IsProtected(BOOL* result) { return *result = TRUE, S_OK; }
HRESULT WINAPI WriteableFolder(REFGUID, LPWSTR* path) {
    *path = TaskCopy(gBroker->lowFolder);
    return S_OK;
}
HRESULT WINAPI ShowSaveDialog(HWND, LPCWSTR name, LPCWSTR dir, LPCWSTR filter, LPCWSTR ext,
                              DWORD index, DWORD flags, LPWSTR* destination, HANDLE* state) {
    gBroker->dialogArguments = {name ? name : L"", dir ? dir : L"<none>", filter, ext};
    gBroker->filterIndex = index;
    gBroker->flags = flags;
    if (gBroker->destination.empty()) return S_FALSE;
    *destination = TaskCopy(gBroker->destination);
    *state = kState;
    return S_OK;
}
HRESULT WINAPI SaveFile(HANDLE state, LPCWSTR source) {
    ++gBroker->saves;
    gBroker->savedFrom = source;
    if (state != kState) return E_HANDLE;
    if (FAILED(gBroker->saveResult)) return gBroker->saveResult;
    return CopyFileW(source, gBroker->destination.c_str(), FALSE) ? S_OK : E_FAIL;
}
HRESULT WINAPI CancelSave(HANDLE) { return ++gBroker->cancels, S_OK; }

ProtectedModeFunctions BrokerFunctions() {
    ProtectedModeFunctions f;
    f.IEIsProtectedModeProcess = &IsProtected;
    f.IEGetWriteableFolderPath = &WriteableFolder;
    f.IEShowSaveFileDialog = &ShowSaveDialog;
    f.IESaveFile = &SaveFile;
    f.IECancelSaveFile = &CancelSave;
    return f;
}

class ProtectedModeWindowTest : public SnapshotWindowTest {
protected:
    void SetUp() override {
        SnapshotWindowTest::SetUp();
        broker.lowFolder = low.path();
        gBroker = &broker;
    }
    void TearDown() override {
        SnapshotWindowTest::TearDown();
        gBroker = nullptr;
    }
    // Opened outside Protected Mode, so that an image is there to save.
    void OpenWithImage() {
        Open({Capture()});
        WaitForIdle();
        seam().UseSaveDialog([this](HWND, const SaveDialogRequest&) {
            ++commonDialogs;
            return std::optional<std::wstring>();
        });
    }

    TempFolder low, documents;
    Broker broker;
    ProtectedModeFunctions functions = BrokerFunctions();
    int commonDialogs = 0;
};

TEST_F(ProtectedModeWindowTest, SavingGoesThroughTheBrokersDialogAndHandOver) {
    OpenWithImage();
    Choose(window->hwnd(), ids::cboImageType, L"png");
    ProtectedModeApiOverride api(functions);
    broker.destination = documents.file(L"page.png");
    ASSERT_TRUE(window->cmdSave_Click().ok());
    ASSERT_EQ(broker.dialogArguments.size(), 4u);
    EXPECT_EQ(broker.dialogArguments[0].substr(32), L".png");
    EXPECT_EQ(broker.dialogArguments[1], L"<none>");
    EXPECT_EQ(broker.dialogArguments[2].substr(0, 18), L"All Picture Types|");
    EXPECT_EQ(broker.dialogArguments[3], L"png");
    EXPECT_EQ(broker.filterIndex, 4u);
    EXPECT_EQ(broker.flags, 2050u);
    EXPECT_EQ(commonDialogs, 0);
    EXPECT_EQ(broker.saves, 1);
    EXPECT_EQ(broker.savedFrom.rfind(low.path() + L"\\iePagelens-save-", 0), 0u);
    EXPECT_EQ(broker.savedFrom.substr(broker.savedFrom.size() - 4), L".png");
    const auto bytes = ReadFileBytes(broker.destination);
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes[1], 'P');
    EXPECT_FALSE(FileExists(broker.savedFrom));  // the staging copy is gone
    EXPECT_EQ(Panel(1), L"Save file done");
    EXPECT_EQ(broker.cancels, 0);
}

TEST_F(ProtectedModeWindowTest, ACancelEndsSilentlyAndAFailedHandOverIsReported) {
    OpenWithImage();
    ProtectedModeApiOverride api(functions);
    const std::wstring before = Panel(1);
    ASSERT_TRUE(window->cmdSave_Click().ok());
    EXPECT_EQ(Panel(1), before);
    EXPECT_EQ(broker.saves, 0);

    broker.destination = documents.file(L"page.jpg");
    broker.saveResult = E_ACCESSDENIED;
    ASSERT_TRUE(window->cmdSave_Click().ok());
    EXPECT_EQ(broker.saves, 1);
    EXPECT_EQ(Panel(1).rfind(L"The file was not saved: ", 0), 0u) << Panel(1);
    EXPECT_FALSE(FileExists(broker.destination));
    EXPECT_FALSE(FileExists(low.file(L"page.jpg")));
    EXPECT_TRUE(boxes->Seen().empty());
}

// The work file is in the writable folder too: a save named like it is staged apart and leaves
// it for Original.
TEST_F(ProtectedModeWindowTest, SavingUnderTheWorkFilesNameLeavesTheWorkFile) {
    ProtectedModeApiOverride api(functions);
    Open({Capture()});
    WaitForIdle();
    const std::wstring workFile = seam().WorkFilePath();
    ASSERT_TRUE(FileExists(workFile));
    broker.destination = documents.file(L"snapshot.jpg");
    ASSERT_TRUE(window->cmdSave_Click().ok());
    EXPECT_EQ(Panel(1), L"Save file done");
    EXPECT_TRUE(FileExists(broker.destination));
    EXPECT_TRUE(FileExists(workFile));
    EXPECT_NE(broker.savedFrom, workFile);
    EXPECT_FALSE(FileExists(broker.savedFrom));
    EXPECT_TRUE(window->cmdOriginal_Click().ok());
}

// Without the functions (older Internet Explorer, Wine) the window saves as it always did.
TEST_F(ProtectedModeWindowTest, WithoutTheFunctionsTheCommonDialogServes) {
    OpenWithImage();
    ProtectedModeApiOverride api(ProtectedModeFunctions{});
    ASSERT_TRUE(window->cmdSave_Click().ok());
    EXPECT_EQ(commonDialogs, 1);
    EXPECT_TRUE(broker.dialogArguments.empty());
}

// Under Protected Mode the work file is in the writable folder, and a capture that the component
// ends because it may not start the capture browser says why; nothing else stops working.
TEST_F(ProtectedModeWindowTest, CapturesEndAtOnceSayingWhyAndTheWorkFileIsInTheWritableFolder) {
    ProtectedModeApiOverride api(functions);
    SnapScript refused;
    refused.status(-1, kNoCaptureBrowserInProtectedMode);
    Open({refused});
    ASSERT_TRUE(
        PumpUntil([&] { return !Panel(1).empty() && !seam().Busy(); }, std::chrono::seconds(20)));
    EXPECT_EQ(seam().WorkFilePath().rfind(low.path() + L"\\iePagelens-snapshot-", 0), 0u);
    const std::wstring why =
        L"Fail to take the snapshot of the page: this tab runs in Protected "
        L"Mode, where the capture browser is not started";
    EXPECT_EQ(Panel(1), why);
    seam().SetControlText(ids::txtAddress, L"intranet.example");
    ASSERT_TRUE(window->cmdSnapshot_Click().ok());
    EXPECT_EQ(Panel(1), why);
    EXPECT_EQ(factory->log().created, 2);
    EXPECT_TRUE(boxes->Seen().empty());
}

}  // namespace
}  // namespace pagelens::test
