// The release package as a user meets it: unpacked into a folder whose name has blanks and
// brackets, install.cmd and uninstall.cmd run by cmd, and the registry, the program folder and the
// browser's view of the extension checked afterwards.
#include <docobj.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <map>
#include <string>

#include "common/com_ptr.h"
#include "common/unique_handle.h"
#include "tests/installer/registry_probe.h"
#include "tests/support/test_support.h"

namespace pagelens {
namespace {

using namespace std::chrono_literals;
using test::Expand;
using test::InstalledLibrary;
using test::ProgramFolder;

#define PAGELENS_WIDEN2(text) L##text
#define PAGELENS_WIDEN(text) PAGELENS_WIDEN2(text)

const std::wstring kExtensionKey =
    L"Software\\Microsoft\\Internet Explorer\\Extensions\\{66901551-019D-4626-B734-F879F16729DA}";
const std::wstring kClsid = L"{6074F29D-3144-4FA6-A9A5-41EF836D98B5}";
const std::wstring kLibraryKeys[] = {
    L"CLSID\\" + kClsid,
    L"iePagelens.cPagelens",
    L"TypeLib\\{DDA7772C-B819-41DA-8421-498C92FB1FC6}",
    L"Interface\\{89024C1F-EE67-4307-82F6-CC1FFE5379A7}",
};
const std::wstring kSettingsKey = L"Software\\Velmora\\iePagelens\\Settings";
const std::wstring kHelperKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects\\" + kClsid;

bool FolderExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// Everything of ours that an installation leaves, in each view, checked after every removal.
void ExpectNothingOfOursLeft() {
    for (const auto& installed : test::InstalledViews()) {
        SCOPED_TRACE(testing::PrintToString(installed.typeLibPlatform));
        for (const std::wstring& key : kLibraryKeys)
            EXPECT_FALSE(test::KeyExists(HKEY_CLASSES_ROOT, key, installed.view))
                << "HKCR\\" << testing::PrintToString(key);
        for (const std::wstring& key :
             {kExtensionKey, kHelperKey, std::wstring(L"Software\\Velmora")})
            EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, key, installed.view))
                << testing::PrintToString(key);
        EXPECT_FALSE(FolderExists(installed.programFiles + L"\\Velmora"));
    }
}

// A 64-bit process on a machine that cannot start 32-bit programs (Wine without its 32-bit
// half) cannot run the 32-bit regsvr32 that install.cmd needs.
bool Can32BitProgramsRun() {
    if (sizeof(void*) == 4) return true;
    return test::RunProcess(Expand(L"\"%SystemRoot%\\SysWOW64\\cmd.exe\" /c exit 0"), 60s) == 0;
}

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::wstring package =
            test::BuildDir() + L"\\installer\\" + PAGELENS_WIDEN(PAGELENS_PACKAGE_NAME);
        ASSERT_TRUE(test::FileExists(package + L"\\iePagelens.dll")) << "build the package first";
        if (!Can32BitProgramsRun()) GTEST_SKIP() << "32-bit programs cannot start on this machine";
        unpacked_ = temp_.path() + L"\\unpacked iePagelens (copy)";
        ASSERT_TRUE(CreateDirectoryW(unpacked_.c_str(), nullptr));
        if (sizeof(void*) == 8) {
            ASSERT_TRUE(CreateDirectoryW((unpacked_ + L"\\x64").c_str(), nullptr));
        }
        for (const wchar_t* name : {L"iePagelens.dll", L"install.cmd", L"uninstall.cmd",
                                    L"README.txt", L"x64\\iePagelens.dll"})
            if (sizeof(void*) == 8 || name[0] != L'x') {
                ASSERT_TRUE(CopyFileW((package + L"\\" + name).c_str(),
                                      (unpacked_ + L"\\" + name).c_str(), FALSE));
            }
        // A run before this one may have stopped half way.
        Run(L"uninstall.cmd");
    }
    void TearDown() override {
        if (!unpacked_.empty()) Run(L"uninstall.cmd");
    }

    int Run(const std::wstring& script) const {
        return test::RunProcess(L"cmd /c \"\"" + unpacked_ + L"\\" + script + L"\"\"", 120s);
    }

    test::TempFolder temp_;
    std::wstring unpacked_;
};

TEST_F(InstallerTest, InstallWritesTheBrowserEntriesAndRegistersTheLibrary) {
    ASSERT_EQ(Run(L"install.cmd"), 0);

    for (const auto& installed : test::InstalledViews()) {
        SCOPED_TRACE(testing::PrintToString(installed.typeLibPlatform));
        const std::wstring library =
            installed.programFiles + L"\\Velmora\\iePagelens\\iePagelens.dll";
        ASSERT_TRUE(test::FileExists(library));
        const std::map<std::wstring, std::wstring> expected = {
            {L"ButtonText", L"Pagelens"},
            {L"Icon", library + L",102"},
            {L"HotIcon", library + L",101"},
            {L"Default Visible", L"Yes"},
            {L"CLSID", L"{1FBA04EE-3024-11D2-8F1F-0000F87ABD16}"},
            {L"ClsidExtension", kClsid},
            {L"MenuText", L"Pagelens Snapshot..."},
            {L"MenuStatusBar", L"Captures the whole page into one image with iePagelens"},
        };
        EXPECT_EQ(test::ReadAllValues(HKEY_LOCAL_MACHINE, kExtensionKey, installed.view), expected);
        EXPECT_EQ(test::CountSubkeys(HKEY_LOCAL_MACHINE, kExtensionKey, installed.view), 0);
        EXPECT_EQ(test::ReadNumber(HKEY_LOCAL_MACHINE, kHelperKey, L"NoExplorer", installed.view),
                  1u);

        const std::wstring server = L"CLSID\\" + kClsid + L"\\InprocServer32";
        const auto registeredPath = test::ReadText(HKEY_CLASSES_ROOT, server, L"", installed.view);
        ASSERT_TRUE(registeredPath.has_value());
        EXPECT_TRUE(SamePath(*registeredPath, library)) << testing::PrintToString(*registeredPath);
        EXPECT_EQ(test::ReadText(HKEY_CLASSES_ROOT, server, L"ThreadingModel", installed.view),
                  L"Apartment");
        EXPECT_EQ(
            test::ReadText(HKEY_CLASSES_ROOT, L"iePagelens.cPagelens\\Clsid", L"", installed.view),
            kClsid);
        EXPECT_TRUE(test::KeyExists(HKEY_CLASSES_ROOT, kLibraryKeys[2], installed.view));
    }
}

// True when every pixel of the icon's 16-pixel image that is not transparent is gray.
std::optional<bool> IconIsGray(HMODULE module, int id) {
    auto icon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON, 16, 16, 0));
    if (!icon) return std::nullopt;
    UniqueHicon owner(icon);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 16, -16, 1, 32, BI_RGB};
    void* bits = nullptr;
    UniqueHbitmap canvas(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    UniqueHdc dc(CreateCompatibleDC(nullptr));
    SelectGuard select(dc.get(), canvas.get());
    RECT all{0, 0, 16, 16};
    FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawIconEx(dc.get(), 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL);
    GdiFlush();
    const auto* pixel = static_cast<const unsigned char*>(bits);
    for (int i = 0; i < 16 * 16; ++i, pixel += 4)
        if (pixel[0] != pixel[1] || pixel[1] != pixel[2]) return false;
    return true;
}

TEST_F(InstallerTest, TheIconsTheBrowserIsToldOfAreInTheLibrary) {
    ASSERT_EQ(Run(L"install.cmd"), 0);
    UniqueHmodule library(
        LoadLibraryExW(InstalledLibrary().c_str(), nullptr,
                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(library);
    EXPECT_EQ(IconIsGray(library.get(), 101), false) << "HotIcon, in colour";
    EXPECT_EQ(IconIsGray(library.get(), 102), true) << "Icon, gray";
}

TEST_F(InstallerTest, TheBrowserCanRunTheCommandOfTheInstalledExtension) {
    ASSERT_EQ(Run(L"install.cmd"), 0);
    const auto clsidText = test::ReadText(HKEY_LOCAL_MACHINE, kExtensionKey, L"ClsidExtension");
    ASSERT_TRUE(clsidText.has_value());
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromString(clsidText->c_str(), &clsid), S_OK);

    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    {
        ComPtr<IOleCommandTarget> target;
        ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleCommandTarget,
                                   target.put_void()),
                  S_OK);
        HMODULE loaded = GetModuleHandleW(L"iePagelens.dll");
        ASSERT_NE(loaded, nullptr);
        wchar_t loadedPath[MAX_PATH] = {};
        GetModuleFileNameW(loaded, loadedPath, MAX_PATH);
        EXPECT_TRUE(SamePath(loadedPath, InstalledLibrary())) << testing::PrintToString(loadedPath);

        OLECMD commands[2] = {{0, 0}, {1234, 0}};
        EXPECT_EQ(target->QueryStatus(nullptr, 2, commands, nullptr), S_OK);
        EXPECT_EQ(commands[0].cmdf, DWORD(OLECMDF_SUPPORTED | OLECMDF_ENABLED));
        EXPECT_EQ(commands[1].cmdf, DWORD(OLECMDF_SUPPORTED | OLECMDF_ENABLED));
    }
    // The library must be let go before uninstall.cmd removes its folder.
    CoFreeUnusedLibrariesEx(0, 0);
    CoUninitialize();
    EXPECT_EQ(GetModuleHandleW(L"iePagelens.dll"), nullptr);
    EXPECT_EQ(Run(L"uninstall.cmd"), 0);
    ExpectNothingOfOursLeft();
}

TEST_F(InstallerTest, UninstallRemovesTheRegistrationEntriesSettingsAndFiles) {
    ASSERT_EQ(Run(L"install.cmd"), 0);
    // What using the extension adds: settings and the work file.
    HKEY settings = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey.c_str(), 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &settings, nullptr),
              ERROR_SUCCESS);
    UniqueHkey settingsOwner(settings);
    const wchar_t address[] = L"www.velmora.example";
    RegSetValueExW(settings, L"PagelensAddress", 0, REG_SZ, reinterpret_cast<const BYTE*>(address),
                   sizeof address);
    settingsOwner.reset();
    // A standard user's own settings, where the machine's key refused them.
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &settings, nullptr),
              ERROR_SUCCESS);
    settingsOwner.reset(settings);
    RegSetValueExW(settings, L"PagelensAddress", 0, REG_SZ, reinterpret_cast<const BYTE*>(address),
                   sizeof address);
    settingsOwner.reset();
    test::WriteFileBytes(ProgramFolder() + L"\\snapshot.jpg", "\xFF\xD8\xFF", 3);

    EXPECT_EQ(Run(L"uninstall.cmd"), 0);
    ExpectNothingOfOursLeft();
    EXPECT_FALSE(test::KeyExists(HKEY_CURRENT_USER, L"Software\\Velmora\\iePagelens"));
}

TEST_F(InstallerTest, InstallTwiceThenUninstallOnceLeavesNothing) {
    ASSERT_EQ(Run(L"install.cmd"), 0);
    ASSERT_EQ(Run(L"install.cmd"), 0);
    EXPECT_EQ(test::ReadAllValues(HKEY_LOCAL_MACHINE, kExtensionKey).size(), 8u);
    EXPECT_EQ(Run(L"uninstall.cmd"), 0);
    ExpectNothingOfOursLeft();
}

TEST_F(InstallerTest, UninstallKeepsWhatAnotherVelmoraProductShares) {
    const std::wstring velmora = L"Software\\Velmora";
    const std::wstring otherFolder = Expand(L"%ProgramFiles%\\Velmora\\OtherProduct");
    // Another product's subkey, or a value of its own on the shared key.
    const struct {
        const wchar_t* subkey;
        const wchar_t* valueName;
    } shares[] = {{L"OtherProduct", nullptr}, {nullptr, L"Owner"}};
    for (const auto& share : shares) {
        ASSERT_EQ(Run(L"install.cmd"), 0);
        const std::wstring key = share.subkey ? velmora + L"\\" + share.subkey : velmora;
        UniqueHkey other;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE,
                                  nullptr, other.put(), nullptr),
                  ERROR_SUCCESS);
        if (share.valueName)
            RegSetValueExW(other.get(), share.valueName, 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(L"x"), 2 * sizeof(wchar_t));
        other.reset();
        ASSERT_TRUE(CreateDirectoryW(otherFolder.c_str(), nullptr));

        EXPECT_EQ(Run(L"uninstall.cmd"), 0);
        EXPECT_TRUE(test::KeyExists(HKEY_LOCAL_MACHINE, key));
        if (share.valueName) {
            EXPECT_EQ(test::ReadText(HKEY_LOCAL_MACHINE, velmora, share.valueName), L"x");
        }
        EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, velmora + L"\\iePagelens"));
        EXPECT_TRUE(FolderExists(otherFolder));
        EXPECT_FALSE(FolderExists(ProgramFolder()));

        RegDeleteTreeW(HKEY_LOCAL_MACHINE, velmora.c_str());
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, velmora.c_str());
        RemoveDirectoryW(otherFolder.c_str());
        RemoveDirectoryW(Expand(L"%ProgramFiles%\\Velmora").c_str());
    }
}

TEST_F(InstallerTest, ScriptsThatFindNothingToDoChangeNothing) {
    // Nothing installed: uninstall succeeds and leaves nothing, not even its rights check.
    EXPECT_EQ(Run(L"uninstall.cmd"), 0);
    ExpectNothingOfOursLeft();
    // install.cmd without the library beside it refuses before it changes anything.
    ASSERT_TRUE(DeleteFileW((unpacked_ + L"\\iePagelens.dll").c_str()));
    EXPECT_EQ(Run(L"install.cmd"), 2);
    ExpectNothingOfOursLeft();
}

}  // namespace
}  // namespace pagelens
