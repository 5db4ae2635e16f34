// The extension DLL as the stand-in sees it from outside: registering it with regsvr32 (which
// runs its own DllRegisterServer), and where the loaded DLL and its work file are.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "common/run_error.h"

namespace pagelens::standin {

inline constexpr wchar_t kExtensionDllName[] = L"iePagelens.dll";
inline constexpr wchar_t kWorkFileName[] = L"snapshot.jpg";
inline constexpr wchar_t kWorkFolderPrefix[] = L"iePagelens-snapshot-";

// regsvr32 /s [/u] <dll>; fails when regsvr32 cannot start or reports a failure.
Status RunRegsvr32(const std::wstring& dllPath, bool unregister = false);

// The path of the extension DLL loaded in this process, or empty when it is not loaded.
std::wstring LoadedExtensionPath();
// The snapshot windows' work folders in the user's temporary folder, of one process (its id)
// or of all (0); each window has one while it is open.
std::vector<std::wstring> WorkFolders(DWORD processId);
// The work files of the snapshot windows of this process, in their work folders.
std::vector<std::wstring> WorkFileCandidates();

}  // namespace pagelens::standin
