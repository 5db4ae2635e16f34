// The errors cRegistry raises: one source, fixed numbers, and descriptions that show the root
// key as signed decimal and the value as text. Every member builds its errors here so that the
// texts stay identical wherever they are raised.
#pragma once
#include <cstdint>
#include <string>

#include "common/run_error.h"
#include "common/setting_value.h"

namespace pagelens::registry {

inline constexpr wchar_t kErrorSource[] = L"iePagelens.cRegistry";

// How a value appears in a description: its setting text, or for a byte array its bytes as
// upper-case hex pairs separated by spaces ("00 1F FF"), since raw bytes may be unprintable.
std::wstring DescribedValue(const SettingValue& value);

// The key can be neither opened nor created for a write (kErrRegistry), or the write itself
// failed (kErrRegistryWrite); both carry the same text.
RunError SetValueError(int32_t number, int32_t classKey, const std::wstring& sectionKey,
                       const std::wstring& valueKey, const SettingValue& value);
RunError BinaryNeedsByteArray();
RunError CreateKeyError(const std::wstring& sectionKey);
RunError OpenForDeleteError(int32_t classKey, const std::wstring& sectionKey);
RunError DeleteValueError(int32_t classKey, const std::wstring& sectionKey,
                          const std::wstring& valueKey);
RunError EnumerateError(std::wstring description);
RunError InvalidAssociationList();
RunError ClassNotDefined();

}  // namespace pagelens::registry
