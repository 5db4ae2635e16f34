// What the Windows Installer package leaves on a machine, seen from inside the Wine prefix that
// package_test.sh installed it into: the suite to run is chosen with --gtest_filter, one per
// state (InstalledPackage.* after an installation or upgrade, RemovedPackage.* after removal).
#include <docobj.h>
#include <gtest/gtest.h>
#include <msi.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "common/com_ptr.h"
#include "common/unique_handle.h"
#include "tests/installer/registry_probe.h"
#include "tests/support/test_support.h"

namespace pagelens {
namespace {

using test::Expand;
using test::InstalledLibrary;
using test::ProgramFolder;

#define PAGELENS_WIDEN2(text) L##text
#define PAGELENS_WIDEN(text) PAGELENS_WIDEN2(text)
const std::wstring kVersion = PAGELENS_WIDEN(PAGELENS_PACKAGE_VERSION);

// A 64-bit probe looks at the x64 package, which is a product of its own.
const wchar_t* const kUpgradeCode = sizeof(void*) == 8 ? L"{C04D7E3A-406C-43AB-9F57-820E2357CDCB}"
                                                       : L"{B0BD6156-4598-485F-90AE-DEA76963B80D}";
const wchar_t kX86UpgradeCode[] = L"{B0BD6156-4598-485F-90AE-DEA76963B80D}";
const std::wstring kClsidText = L"{6074F29D-3144-4FA6-A9A5-41EF836D98B5}";
const CLSID kClsid = {0x6074F29D, 0x3144, 0x4FA6, {0xA9, 0xA5, 0x41, 0xEF, 0x83, 0x6D, 0x98, 0xB5}};
const GUID kLibid = {0xDDA7772C, 0xB819, 0x41DA, {0x84, 0x21, 0x49, 0x8C, 0x92, 0xFB, 0x1F, 0xC6}};
const std::wstring kUninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

using UniqueFind = UniqueHandle<HANDLE, FindClose, LONG_PTR(-1)>;

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

std::vector<std::wstring> RelatedProducts(const wchar_t* upgradeCode = kUpgradeCode) {
    std::vector<std::wstring> products;
    wchar_t product[39];
    for (DWORD index = 0; MsiEnumRelatedProductsW(upgradeCode, 0, index, product) == ERROR_SUCCESS;
         ++index)
        products.emplace_back(product);
    return products;
}

std::vector<std::wstring> FolderEntries(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    UniqueFind find(FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (!find) return names;
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find.get(), &data));
    return names;
}

// Programs and Features lists every subkey of the Uninstall key that has a DisplayName.
int CountUninstallEntriesNamed(const std::wstring& displayName) {
    UniqueHkey uninstall;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey.c_str(), 0, KEY_READ, uninstall.put()) !=
        ERROR_SUCCESS)
        return 0;
    int count = 0;
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = 256;
        if (RegEnumKeyExW(uninstall.get(), index, name, &length, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS)
            break;
        if (test::ReadText(HKEY_LOCAL_MACHINE, kUninstallKey + L"\\" + name, L"DisplayName") ==
            displayName)
            ++count;
    }
    return count;
}

std::optional<std::wstring> VersionString(const std::vector<BYTE>& block, const wchar_t* name) {
    void* text = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
    if (!VerQueryValueW(block.data(), path.c_str(), &text, &length)) return std::nullopt;
    return std::wstring(static_cast<const wchar_t*>(text), length ? length - 1 : 0);
}

class InstalledPackage : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    static void TearDownTestSuite() { CoUninitialize(); }
};

TEST_F(InstalledPackage, CreatesTheClassByClsidAndAnswersQueryStatus) {
    ComPtr<IOleCommandTarget> target;
    ASSERT_EQ(CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleCommandTarget,
                               target.put_void()),
              S_OK);
    wchar_t loaded[MAX_PATH] = {};
    GetModuleFileNameW(GetModuleHandleW(L"iePagelens.dll"), loaded, MAX_PATH);
    EXPECT_TRUE(SamePath(loaded, InstalledLibrary())) << testing::PrintToString(loaded);

    OLECMD commands[2] = {{0, 0}, {7, 0}};
    EXPECT_EQ(target->QueryStatus(nullptr, 2, commands, nullptr), S_OK);
    for (const OLECMD& command : commands)
        EXPECT_EQ(command.cmdf, DWORD(OLECMDF_SUPPORTED | OLECMDF_ENABLED)) << command.cmdID;
}

TEST_F(InstalledPackage, LoadsTheTypeLibraryByItsLibid) {
    ComPtr<ITypeLib> typeLib;
    ASSERT_EQ(LoadRegTypeLib(kLibid, 1, 0, 0x409, typeLib.put()), S_OK);
    UniqueBstr name, help;
    ASSERT_EQ(typeLib->GetDocumentation(-1, name.put(), help.put(), nullptr, nullptr), S_OK);
    EXPECT_STREQ(name.get(), L"iePagelens");
    EXPECT_STREQ(help.get(), L"Velmora Internet Explorer Pagelens Plugin");
    ComPtr<ITypeInfo> coclass;
    EXPECT_EQ(typeLib->GetTypeInfoOfGuid(kClsid, coclass.put()), S_OK);

    UniqueBstr path;
    ASSERT_EQ(QueryPathOfRegTypeLib(kLibid, 1, 0, 0x409, path.put()), S_OK);
    EXPECT_TRUE(SamePath(path.get(), InstalledLibrary())) << testing::PrintToString(path.get());
}

TEST_F(InstalledPackage, IsOneProductWithOneCopyOfTheLibrary) {
    const auto products = RelatedProducts();
    ASSERT_EQ(products.size(), 1u);
    wchar_t version[32];
    DWORD length = 32;
    ASSERT_EQ(
        MsiGetProductInfoW(products[0].c_str(), INSTALLPROPERTY_VERSIONSTRING, version, &length),
        ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(version), kVersion);
    EXPECT_EQ(MsiQueryProductStateW(products[0].c_str()), INSTALLSTATE_DEFAULT);
    EXPECT_EQ(CountUninstallEntriesNamed(L"iePagelens"), 1);
    for (const auto& installed : test::InstalledViews()) {
        EXPECT_EQ(FolderEntries(installed.programFiles + L"\\Velmora\\iePagelens"),
                  std::vector<std::wstring>{L"iePagelens.dll"});
        EXPECT_EQ(FolderEntries(installed.programFiles + L"\\Velmora"),
                  std::vector<std::wstring>{L"iePagelens"});
    }
    // The x64 package replaced any 32-bit one.
    if (sizeof(void*) == 8) {
        EXPECT_TRUE(RelatedProducts(kX86UpgradeCode).empty());
    }
}

// Each library in its own registry view: the class and type library point at it, and the browser
// finds the helper object (not for Windows Explorer), the AppContainer category and the button.
TEST_F(InstalledPackage, RegistersEachLibraryInItsOwnView) {
    const std::wstring clsid = L"CLSID\\" + kClsidText;
    for (const auto& installed : test::InstalledViews()) {
        SCOPED_TRACE(testing::PrintToString(installed.typeLibPlatform));
        const std::wstring library =
            installed.programFiles + L"\\Velmora\\iePagelens\\iePagelens.dll";
        EXPECT_TRUE(test::FileExists(library));
        const auto server =
            test::ReadText(HKEY_CLASSES_ROOT, clsid + L"\\InprocServer32", L"", installed.view);
        EXPECT_TRUE(server && SamePath(*server, library)) << testing::PrintToString(server);
        const auto typeLib = test::ReadText(
            HKEY_CLASSES_ROOT,
            std::wstring(L"TypeLib\\{DDA7772C-B819-41DA-8421-498C92FB1FC6}\\1.0\\409\\") +
                installed.typeLibPlatform,
            L"", installed.view);
        EXPECT_TRUE(typeLib && SamePath(*typeLib, library)) << testing::PrintToString(typeLib);
        EXPECT_TRUE(test::KeyExists(
            HKEY_CLASSES_ROOT,
            clsid + L"\\Implemented Categories\\{59FB2056-D625-48D0-A944-1A85B5AB2640}",
            installed.view));
        EXPECT_EQ(test::ReadNumber(HKEY_LOCAL_MACHINE,
                                   L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
                                   L"Browser Helper Objects\\" +
                                       kClsidText,
                                   L"NoExplorer", installed.view),
                  1u);
        EXPECT_EQ(test::ReadText(HKEY_LOCAL_MACHINE,
                                 L"Software\\Microsoft\\Internet Explorer\\Extensions\\"
                                 L"{66901551-019D-4626-B734-F879F16729DA}",
                                 L"Icon", installed.view),
                  library + L",102");
    }
}

TEST_F(InstalledPackage, ShowsPublisherVersionIconAndSizeInProgramsAndFeatures) {
    const auto products = RelatedProducts();
    ASSERT_EQ(products.size(), 1u);
    const std::wstring entry = kUninstallKey + L"\\" + products[0];
    const struct {
        const wchar_t* name;
        std::wstring value;
    } texts[] = {
        {L"DisplayName", L"iePagelens"},
        {L"Publisher", L"Velmora"},
        {L"DisplayVersion", kVersion},
        {L"InstallLocation", ProgramFolder() + L"\\"},
        {L"URLInfoAbout", L"http://www.velmora.example/"},
    };
    for (const auto& text : texts)
        EXPECT_EQ(test::ReadText(HKEY_LOCAL_MACHINE, entry, text.name), text.value) << text.name;
    EXPECT_EQ(test::ReadNumber(HKEY_LOCAL_MACHINE, entry, L"NoModify"), 1u);

    // ARPSIZE, the libraries' size in kilobytes, is written as "Size"; Windows Installer adds
    // its own reckoning as EstimatedSize (Wine's is 0).
    DWORD bytes = 0;
    for (const auto& installed : test::InstalledViews()) {
        WIN32_FILE_ATTRIBUTE_DATA library{};
        ASSERT_TRUE(GetFileAttributesExW(
            (installed.programFiles + L"\\Velmora\\iePagelens\\iePagelens.dll").c_str(),
            GetFileExInfoStandard, &library));
        bytes += library.nFileSizeLow;
    }
    EXPECT_EQ(test::ReadText(HKEY_LOCAL_MACHINE, entry, L"Size"),
              std::to_wstring((bytes + 1023) / 1024));
    EXPECT_TRUE(test::ReadNumber(HKEY_LOCAL_MACHINE, entry, L"EstimatedSize").has_value());

    // The icon comes from the package's Icon table, cached where the product is registered.
    wchar_t icon[MAX_PATH];
    DWORD length = MAX_PATH;
    ASSERT_EQ(MsiGetProductInfoW(products[0].c_str(), INSTALLPROPERTY_PRODUCTICON, icon, &length),
              ERROR_SUCCESS);
    EXPECT_TRUE(test::FileExists(icon)) << testing::PrintToString(icon);
    UniqueHicon loaded(
        static_cast<HICON>(LoadImageW(nullptr, icon, IMAGE_ICON, 32, 32, LR_LOADFROMFILE)));
    EXPECT_TRUE(loaded);
}

TEST_F(InstalledPackage, TheLibraryCarriesItsVersionBlock) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(InstalledLibrary().c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(InstalledLibrary().c_str(), 0, size, block.data()));
    const struct {
        const wchar_t* name;
        std::wstring value;
    } strings[] = {
        {L"CompanyName", L"Velmora"},
        {L"ProductName", L"iePagelens"},
        {L"FileDescription", L"Velmora Internet Explorer Pagelens Plugin"},
        {L"LegalCopyright", L"Copyright (C) 2024 Velmora"},
        {L"OriginalFilename", L"iePagelens.dll"},
        {L"OLESelfRegister", L""},
        {L"FileVersion", kVersion + L".0"},
        {L"ProductVersion", kVersion + L".0"},
    };
    for (const auto& entry : strings)
        EXPECT_EQ(VersionString(block, entry.name), entry.value) << entry.name;
}

class RemovedPackage : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    static void TearDownTestSuite() { CoUninitialize(); }
};

TEST_F(RemovedPackage, NeitherTheProductNorItsClassIsRegistered) {
    EXPECT_TRUE(RelatedProducts().empty());
    EXPECT_EQ(CountUninstallEntriesNamed(L"iePagelens"), 0);
    ComPtr<IOleCommandTarget> target;
    EXPECT_EQ(CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleCommandTarget,
                               target.put_void()),
              REGDB_E_CLASSNOTREG);
    ComPtr<ITypeLib> typeLib;
    EXPECT_TRUE(FAILED(LoadRegTypeLib(kLibid, 1, 0, 0x409, typeLib.put())));
}

}  // namespace
}  // namespace pagelens
