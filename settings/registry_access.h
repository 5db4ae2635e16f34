// The narrow advapi32 calls beneath cRegistry: a root key number as a handle, keys opened or
// created by path (each owned by a UniqueHkey, so every path through a member closes it), and
// the two-query read of one value's type and bytes.
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/unique_handle.h"

namespace pagelens::registry {

// The six specific key rights, without the standard ones: what writes and deletes ask for.
inline constexpr REGSAM kWriteAccess = 0x3F;

struct OpenedKey {
    LONG status = ERROR_INVALID_HANDLE;
    UniqueHkey key;
    explicit operator bool() const { return status == ERROR_SUCCESS; }
};

struct StoredValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

HKEY RootHandle(int32_t classKey);

OpenedKey OpenKey(int32_t classKey, const std::wstring& path, REGSAM access);

// Opens the key or creates it with its missing parents (class "", non-volatile, kWriteAccess).
OpenedKey CreateKeyChain(int32_t classKey, const std::wstring& path);

// The stored type and exactly the stored bytes; nothing when the value is missing or unreadable.
std::optional<StoredValue> ReadStoredValue(HKEY key, const std::wstring& name);

}  // namespace pagelens::registry
