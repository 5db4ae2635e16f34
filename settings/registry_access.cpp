// Narrow registry calls with owned keys; names cross the boundary in the ANSI code page.
#include "settings/registry_access.h"

#include <algorithm>

#include "common/text_codepage.h"

namespace pagelens::registry {

HKEY RootHandle(int32_t classKey) {
    // The same widening as the HKEY_* macros: sign-extend the 32-bit number.
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(classKey)));
}

OpenedKey OpenKey(int32_t classKey, const std::wstring& path, REGSAM access) {
    OpenedKey opened;
    opened.status =
        RegOpenKeyExA(RootHandle(classKey), ToAnsi(path).c_str(), 0, access, opened.key.put());
    if (!opened) opened.key.release();
    return opened;
}

OpenedKey CreateKeyChain(int32_t classKey, const std::wstring& path) {
    OpenedKey opened;
    char noClass[] = "";
    opened.status = RegCreateKeyExA(RootHandle(classKey), ToAnsi(path).c_str(), 0, noClass, 0,
                                    kWriteAccess, nullptr, opened.key.put(), nullptr);
    if (!opened) opened.key.release();
    return opened;
}

std::optional<StoredValue> ReadStoredValue(HKEY key, const std::wstring& name) {
    const std::string ansiName = ToAnsi(name);
    StoredValue stored;
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, ansiName.c_str(), nullptr, &stored.type, nullptr, &size);
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) return std::nullopt;
    // Another program may grow the value between the two queries; ask again with its new size.
    for (int attempt = 0; attempt < 4; ++attempt) {
        // Never hand over a null buffer: a null one succeeds without copying anything.
        stored.data.assign(std::max<DWORD>(size, 1), 0);
        DWORD got = static_cast<DWORD>(stored.data.size());
        status = RegQueryValueExA(key, ansiName.c_str(), nullptr, &stored.type, stored.data.data(),
                                  &got);
        if (status == ERROR_SUCCESS) {
            stored.data.resize(got);
            return stored;
        }
        if (status != ERROR_MORE_DATA) return std::nullopt;
        size = got;
    }
    return std::nullopt;
}

}  // namespace pagelens::registry
