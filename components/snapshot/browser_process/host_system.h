// What the capture needs to know about the system it runs on: whether it runs under Wine (whose
// kernel32 exports wine_get_unix_file_name), the host path of a Windows path there, and the
// folder for temporary files.
#pragma once
#include <optional>
#include <string>

namespace pagelens::capture {

bool RunningUnderWine();
// The host (Linux) path of a Windows path under Wine; nothing elsewhere or when it cannot be
// converted.
std::optional<std::wstring> HostPathOf(const std::wstring& windowsPath);
// %TEMP% without the trailing backslash; empty when it cannot be known.
std::wstring TemporaryFolder();

}  // namespace pagelens::capture
