// The DLL as a COM server: registration by regsvr32 and its removal, the type library as the
// system reads it back, and the module's answer to DllCanUnloadNow.
#include <gtest/gtest.h>

#include "common/text_codepage.h"
#include "common/unique_handle.h"
#include "extension/guids.h"
#include "standin/extension_module.h"
#include "tests/extension/extension_fixture.h"

namespace pagelens::test {
namespace {

class ExtensionRegistration : public RegisteredExtensionTest {};

const std::wstring kClsidKey = std::wstring(L"CLSID\\") + kClsidText;

// Every key that registration writes below HKEY_CLASSES_ROOT.
const std::wstring kOurKeys[] = {
    kClsidKey,
    kClsidKey + L"\\Implemented Categories\\" + kCatidAppContainerCompatibleText,
    kProgId,
    std::wstring(L"TypeLib\\") + kLibidText,
    L"Interface\\{89024C1F-EE67-4307-82F6-CC1FFE5379A7}",
};

bool KeyExists(const std::wstring& path) {
    UniqueHkey key;
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

std::wstring StringValue(const std::wstring& path, const wchar_t* name) {
    wchar_t buffer[1024];
    DWORD bytes = sizeof buffer;
    if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer,
                     &bytes) != ERROR_SUCCESS)
        return L"<missing>";
    return buffer;
}

HRESULT CreateByClsid() {
    ComPtr<IUnknown> object;
    return CoCreateInstance(CLSID_cPagelens, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                            object.put_void());
}

TEST_F(ExtensionRegistration, RegsvrWritesTheClassAndUnregisterLeavesNothingOfOurs) {
    EXPECT_EQ(CreateByClsid(), S_OK);
    for (const auto& key : kOurKeys) EXPECT_TRUE(KeyExists(key)) << ToUtf8(key);
    EXPECT_EQ(_wcsicmp(StringValue(kClsidKey + L"\\InprocServer32", nullptr).c_str(),
                       ExtensionDllPath().c_str()),
              0);
    EXPECT_EQ(StringValue(kClsidKey + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    CLSID fromProgId{};
    EXPECT_EQ(CLSIDFromProgID(kProgId, &fromProgId), S_OK);
    EXPECT_EQ(fromProgId, CLSID_cPagelens);

    ASSERT_TRUE(standin::RunRegsvr32(ExtensionDllPath(), true).ok());
    EXPECT_EQ(CreateByClsid(), REGDB_E_CLASSNOTREG);
    for (const auto& key : kOurKeys) EXPECT_FALSE(KeyExists(key)) << ToUtf8(key);

    // Back as the other tests need it.
    ASSERT_TRUE(standin::RunRegsvr32(ExtensionDllPath()).ok());
    EXPECT_EQ(CreateByClsid(), S_OK);
}

struct TypeInfoView {
    ComPtr<ITypeInfo> info;
    TYPEATTR* attr = nullptr;

    explicit TypeInfoView(ComPtr<ITypeInfo> typeInfo) : info(std::move(typeInfo)) {
        if (info) info->GetTypeAttr(&attr);
    }
    ~TypeInfoView() {
        if (attr) info->ReleaseTypeAttr(attr);
    }
    std::wstring Name(MEMBERID member = MEMBERID_NIL) const {
        BSTR name = nullptr;
        if (FAILED(info->GetDocumentation(member, &name, nullptr, nullptr, nullptr))) return {};
        std::wstring text = name ? name : L"";
        SysFreeString(name);
        return text;
    }
};

TypeInfoView TypeOf(ITypeLib* library, const GUID& guid) {
    ComPtr<ITypeInfo> info;
    library->GetTypeInfoOfGuid(guid, info.put());
    return TypeInfoView(info);
}

TEST_F(ExtensionRegistration, TypeLibraryReadsBackWithItsIdentities) {
    ComPtr<ITypeLib> library;
    ASSERT_EQ(LoadRegTypeLib(LIBID_iePagelens, 1, 0, 0x409, library.put()), S_OK);
    TLIBATTR* libAttr = nullptr;
    ASSERT_EQ(library->GetLibAttr(&libAttr), S_OK);
    EXPECT_EQ(libAttr->guid, LIBID_iePagelens);
    EXPECT_EQ(libAttr->wMajorVerNum, 1);
    EXPECT_EQ(libAttr->wMinorVerNum, 0);
    EXPECT_EQ(libAttr->lcid, 0x409u);
    library->ReleaseTLibAttr(libAttr);
    BSTR name = nullptr, help = nullptr;
    ASSERT_EQ(library->GetDocumentation(-1, &name, &help, nullptr, nullptr), S_OK);
    EXPECT_STREQ(name, L"iePagelens");
    EXPECT_STREQ(help, L"Velmora Internet Explorer Pagelens Plugin");
    SysFreeString(name);
    SysFreeString(help);

    TypeInfoView iface = TypeOf(library.get(), IID__cPagelens);
    ASSERT_TRUE(iface.attr);
    EXPECT_EQ(iface.Name(), L"_cPagelens");
    EXPECT_TRUE(iface.attr->wTypeFlags & TYPEFLAG_FDUAL);

    TypeInfoView coclass = TypeOf(library.get(), CLSID_cPagelens);
    ASSERT_TRUE(coclass.attr);
    EXPECT_EQ(coclass.Name(), L"cPagelens");
    EXPECT_EQ(coclass.attr->typekind, TKIND_COCLASS);
    EXPECT_TRUE(coclass.attr->wTypeFlags & TYPEFLAG_FCANCREATE);
    ASSERT_EQ(coclass.attr->cImplTypes, 1);
    INT implFlags = 0;
    EXPECT_EQ(coclass.info->GetImplTypeFlags(0, &implFlags), S_OK);
    EXPECT_TRUE(implFlags & IMPLTYPEFLAG_FDEFAULT);
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> defaultInterface;
    ASSERT_EQ(coclass.info->GetRefTypeOfImplType(0, &ref), S_OK);
    ASSERT_EQ(coclass.info->GetRefTypeInfo(ref, defaultInterface.put()), S_OK);
    EXPECT_EQ(TypeInfoView(defaultInterface).attr->guid, IID__cPagelens);

    TypeInfoView refresh = TypeOf(library.get(), GUID_RefreshConstants);
    ASSERT_TRUE(refresh.attr);
    EXPECT_EQ(refresh.Name(), L"RefreshConstants");
    EXPECT_EQ(refresh.attr->typekind, TKIND_ENUM);
    struct Constant {
        const wchar_t* name;
        LONG value;
    };
    const Constant expected[] = {
        {L"REFRESH_NORMAL", 0}, {L"REFRESH_IFEXPIRED", 1}, {L"REFRESH_COMPLETELY", 3}};
    ASSERT_EQ(refresh.attr->cVars, 3);
    for (UINT i = 0; i < 3; ++i) {
        VARDESC* var = nullptr;
        ASSERT_EQ(refresh.info->GetVarDesc(i, &var), S_OK);
        EXPECT_EQ(refresh.Name(var->memid), expected[i].name);
        EXPECT_EQ(V_I4(var->lpvarValue), expected[i].value) << i;
        refresh.info->ReleaseVarDesc(var);
    }

    TypeInfoView record = TypeOf(library.get(), GUID_GuidRecord);
    ASSERT_TRUE(record.attr);
    EXPECT_EQ(record.Name(), L"GUID");
    EXPECT_EQ(record.attr->typekind, TKIND_RECORD);
    EXPECT_EQ(record.attr->cVars, 4);
    EXPECT_EQ(record.attr->cbSizeInstance, 16u);
    VARDESC* data4 = nullptr;
    ASSERT_EQ(record.info->GetVarDesc(3, &data4), S_OK);
    EXPECT_EQ(record.Name(data4->memid), L"Data4");
    ASSERT_EQ(data4->elemdescVar.tdesc.vt, VT_CARRAY);
    const ARRAYDESC* array = data4->elemdescVar.tdesc.lpadesc;
    EXPECT_EQ(array->tdescElem.vt, VT_UI1);
    ASSERT_EQ(array->cDims, 1);
    EXPECT_EQ(array->rgbounds[0].cElements, 8u);
    EXPECT_EQ(array->rgbounds[0].lLbound, 0);
    record.info->ReleaseVarDesc(data4);
}

using CanUnloadNow = HRESULT(WINAPI*)();

TEST_F(ExtensionRegistration, DllCanUnloadNowOnlyWhenNothingIsAlive) {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(CoGetClassObject(CLSID_cPagelens, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                               factory.put_void()),
              S_OK);
    HMODULE dll = GetModuleHandleW(standin::kExtensionDllName);
    ASSERT_TRUE(dll);
    auto canUnload = reinterpret_cast<CanUnloadNow>(GetProcAddress(dll, "DllCanUnloadNow"));
    ASSERT_TRUE(canUnload);

    ComPtr<IUnknown> object;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, object.put_void()), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory.reset();
    EXPECT_EQ(canUnload(), S_FALSE) << "an object and a lock are alive";
    object.reset();
    EXPECT_EQ(canUnload(), S_FALSE) << "the server is locked";
    ASSERT_EQ(CoGetClassObject(CLSID_cPagelens, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                               factory.put_void()),
              S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory.reset();
    EXPECT_EQ(canUnload(), S_OK);
}

}  // namespace
}  // namespace pagelens::test
