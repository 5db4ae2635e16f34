// cRegistry: a registry wrapper addressed by four properties (root key, key path, value name,
// value type). Every member opens the key it needs and closes it before it returns.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/run_error.h"
#include "common/setting_value.h"

namespace pagelens {

inline constexpr int32_t kHkeyClassesRoot = static_cast<int32_t>(0x80000000u);
inline constexpr int32_t kHkeyLocalMachine = static_cast<int32_t>(0x80000002u);

// Error numbers the class raises.
inline constexpr int32_t kErrRegistry = 26001;
inline constexpr int32_t kErrRegistryWrite = static_cast<int32_t>(0x800469A9u);
inline constexpr int32_t kErrRegistryEnumerate = static_cast<int32_t>(0x800469AAu);
inline constexpr int32_t kErrInvalidAssociationList = static_cast<int32_t>(0x800469ACu);
inline constexpr int32_t kErrClassNotDefined = static_cast<int32_t>(0x800469ADu);

// The calling thread's current error: recorded by CreateAdditionalEXEAssociations, read by
// DeleteValue's description. An empty description means none is pending.
RunError& ThreadCurrentError();

class cRegistry {
public:
    int32_t ClassKey() const { return classKey_; }
    void ClassKey(int32_t value) { classKey_ = value; }
    const std::wstring& SectionKey() const { return sectionKey_; }
    void SectionKey(std::wstring value) { sectionKey_ = std::move(value); }
    const std::wstring& ValueKey() const { return valueKey_; }
    void ValueKey(std::wstring value) { valueKey_ = std::move(value); }
    int32_t ValueType() const { return valueType_; }
    void ValueType(int32_t value) { valueType_ = value; }
    const SettingValue& Default() const { return default_; }
    void Default(SettingValue value) { default_ = std::move(value); }

    bool KeyExists() const;
    Result<bool> CreateKey();
    bool DeleteKey();
    Result<bool> DeleteValue();
    // Read: Default when the value cannot be read; sets ValueType to the stored type.
    SettingValue Value();
    // Write, encoded by ValueType.
    Status Value(const SettingValue& value);
    // Text that Value writes from now on is stored as REG_SZ, exactly as written, whatever
    // environment references it seems to hold.
    void StoreTextAsWritten() { textAsWritten_ = true; }
    // Names numbered from 1: names[0] is the first. count == names.size().
    bool EnumerateValues(std::vector<std::wstring>& names, int32_t& count);
    Result<bool> EnumerateSections(std::vector<std::wstring>& names, int32_t& count);
    Status CreateEXEAssociation(const std::wstring& programPath, const std::wstring& className,
                                const std::wstring& classDescription, const std::wstring& extension,
                                std::wstring openMenuText, bool printFlag,
                                std::wstring printMenuText, bool newFlag, std::wstring newMenuText,
                                bool installFlag, std::wstring installMenuText, int32_t iconIndex);
    // items: consecutive triples (verb, menu text, command line); nullptr stands for "no array".
    void CreateAdditionalEXEAssociations(const std::wstring& className,
                                         const std::vector<SettingValue>* items);

    static int32_t ReverseByteOrder(int32_t value);
    static std::wstring ExpandEnvironmentText(const std::wstring& text);

private:
    Status SetClassesValue(const std::wstring& text);

    int32_t classKey_ = 0;
    std::wstring sectionKey_;
    std::wstring valueKey_;
    SettingValue default_;
    int32_t valueType_ = 0;
    bool textAsWritten_ = false;
};

}  // namespace pagelens
