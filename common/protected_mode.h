// Internet Explorer's Protected Mode: whether this process is a low-integrity tab, and the
// broker functions through which such a tab writes what it may not write itself (a user key of
// the registry, a folder, a file the user chose). They live in ieframe.dll and are found with
// GetProcAddress; where one is missing (older IE, Wine) the program behaves as outside Protected
// Mode for what that function serves.
//
// The functions come through one table so that tests can stand in for them.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "common/unique_handle.h"

namespace pagelens {

struct ProtectedModeFunctions {
    HRESULT(WINAPI* IEIsProtectedModeProcess)(BOOL* result) = nullptr;
    HRESULT(WINAPI* IEGetWriteableHKCU)(HKEY* key) = nullptr;
    HRESULT(WINAPI* IEGetWriteableFolderPath)(REFGUID folderId, LPWSTR* path) = nullptr;
    HRESULT(WINAPI* IEShowSaveFileDialog)
    (HWND owner, LPCWSTR initialFileName, LPCWSTR initialDir, LPCWSTR filter, LPCWSTR defExt,
     DWORD filterIndex, DWORD flags, LPWSTR* destination, HANDLE* state) = nullptr;
    HRESULT(WINAPI* IESaveFile)(HANDLE state, LPCWSTR sourceFile) = nullptr;
    HRESULT(WINAPI* IECancelSaveFile)(HANDLE state) = nullptr;
    // Not ieframe's: whether this process runs in an AppContainer (an Enhanced Protected Mode
    // tab), read from its token.
    HRESULT(WINAPI* IsAppContainerProcess)(BOOL* result) = nullptr;
};

// ieframe.dll's functions (looked up once per process), or the table a test put in their place.
const ProtectedModeFunctions& ProtectedModeApi();

// For tests: `functions` stands in for ieframe.dll's until the scope ends.
class ProtectedModeApiOverride {
public:
    explicit ProtectedModeApiOverride(const ProtectedModeFunctions& functions);
    ~ProtectedModeApiOverride();
    ProtectedModeApiOverride(const ProtectedModeApiOverride&) = delete;
    ProtectedModeApiOverride& operator=(const ProtectedModeApiOverride&) = delete;

private:
    const ProtectedModeFunctions* previous_;
};

// True when IEIsProtectedModeProcess exists and says so, and in an AppContainer tab, which is
// at least as confined and is held to the same rules.
bool InProtectedMode();

// Under Protected Mode, the user key that a low-integrity tab may write (the counterpart of
// HKEY_CURRENT_USER); nothing otherwise or when the broker refuses.
std::optional<UniqueHkey> WriteableUserKey();

// Under Protected Mode, the low-integrity counterpart of the known folder `folderId`, without a
// trailing backslash; nothing otherwise or when the broker refuses.
std::optional<std::wstring> WriteableFolder(REFGUID folderId);

}  // namespace pagelens
