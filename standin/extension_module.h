// The extension DLL as the stand-in sees it from outside: registering it with regsvr32 (which
// runs its own DllRegisterServer), and where the loaded DLL and its work file are.
#pragma once
#include <string>
#include <vector>

#include "common/run_error.h"

namespace pagelens::standin {

inline constexpr wchar_t kExtensionDllName[] = L"iePagelens.dll";
inline constexpr wchar_t kWorkFileName[] = L"snapshot.jpg";

// regsvr32 /s [/u] <dll>; fails when regsvr32 cannot start or reports a failure.
Status RunRegsvr32(const std::wstring& dllPath, bool unregister = false);

// The path of the extension DLL loaded in this process, or empty when it is not loaded.
std::wstring LoadedExtensionPath();
// Where the snapshot window of the given DLL keeps its work file: the DLL's folder, or, when
// that is not writable, the user's temporary folder; in the order the window tries them.
std::vector<std::wstring> WorkFileCandidates(const std::wstring& dllPath);

}  // namespace pagelens::standin
