// The class's keys form a table walked forward to register and backward to remove. The type
// library registers through oleaut32, which also writes the keys of its dual interface.
#include "extension/registration.h"

#include <oleauto.h>

#include <vector>

#include "common/com_ptr.h"
#include "common/unique_handle.h"
#include "extension/guids.h"

namespace pagelens {
namespace {

struct RegistryEntry {
    std::wstring key;        // below HKEY_CLASSES_ROOT
    std::wstring valueName;  // empty: the key's default value
    std::wstring value;
};

std::vector<RegistryEntry> ClassEntries(const std::wstring& modulePath) {
    const std::wstring clsidKey = std::wstring(L"CLSID\\") + kClsidText;
    return {
        {clsidKey, L"", L"cPagelens"},
        {clsidKey + L"\\InprocServer32", L"", modulePath},
        {clsidKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {clsidKey + L"\\ProgID", L"", kProgId},
        {clsidKey + L"\\VERSION", L"", L"1.0"},
        {clsidKey + L"\\TypeLib", L"", kLibidText},
        {kProgId, L"", L"cPagelens"},
        {std::wstring(kProgId) + L"\\Clsid", L"", kClsidText},
    };
}

LSTATUS WriteEntry(const RegistryEntry& entry) {
    UniqueHkey key;
    LSTATUS status = RegCreateKeyExW(HKEY_CLASSES_ROOT, entry.key.c_str(), 0, nullptr, 0,
                                     KEY_SET_VALUE, nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS) return status;
    const auto bytes = static_cast<DWORD>((entry.value.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key.get(), entry.valueName.empty() ? nullptr : entry.valueName.c_str(), 0,
                          REG_SZ, reinterpret_cast<const BYTE*>(entry.value.c_str()), bytes);
}

// Removes a key with everything below it; a missing key is not an error.
void DeleteTree(const std::wstring& key) {
    LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
    if (status == ERROR_SUCCESS) RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
}

HRESULT RegisterTypeLibrary(const std::wstring& modulePath) {
    ComPtr<ITypeLib> typeLib;
    HRESULT hr = LoadTypeLibEx(modulePath.c_str(), REGKIND_NONE, typeLib.put());
    if (FAILED(hr)) return hr;
    std::wstring path = modulePath;
    return RegisterTypeLib(typeLib.get(), path.data(), nullptr);
}

}  // namespace

HRESULT RegisterServer(const std::wstring& modulePath) {
    for (const auto& entry : ClassEntries(modulePath)) {
        LSTATUS status = WriteEntry(entry);
        if (status != ERROR_SUCCESS) {
            UnregisterServer(modulePath);
            return HRESULT_FROM_WIN32(status);
        }
    }
    HRESULT hr = RegisterTypeLibrary(modulePath);
    if (FAILED(hr)) UnregisterServer(modulePath);
    return hr;
}

HRESULT UnregisterServer(const std::wstring& modulePath) {
    // Best effort: every step runs whatever the others did.
    UnRegisterTypeLib(LIBID_iePagelens, 1, 0, 0x409, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    DeleteTree(std::wstring(L"Interface\\{89024C1F-EE67-4307-82F6-CC1FFE5379A7}"));
    DeleteTree(std::wstring(L"TypeLib\\") + kLibidText);
    auto entries = ClassEntries(modulePath);
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) DeleteTree(it->key);
    return S_OK;
}

}  // namespace pagelens
