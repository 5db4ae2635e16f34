// cRegistry's listings: the value names and the subkey names of SectionKey. A key that cannot
// be opened lists nothing; the result is still true.
#include <cstring>
#include <new>

#include "common/text_codepage.h"
#include "settings/registry.h"
#include "settings/registry_access.h"
#include "settings/registry_errors.h"

namespace pagelens {
namespace {

// Upper bounds for names in the ANSI code page, where one character may take two bytes.
constexpr size_t kLongestValueNameBytes = 2 * 16383 + 1;
constexpr size_t kLongestKeyNameBytes = 2 * 255 + 1;

std::wstring NameBefore(const std::string& buffer, size_t length) {
    return FromAnsi(std::string_view(buffer.data(), length));
}

}  // namespace

bool cRegistry::EnumerateValues(std::vector<std::wstring>& names, int32_t& count) {
    names.clear();
    count = 0;
    auto opened = registry::OpenKey(classKey_, sectionKey_, KEY_QUERY_VALUE);
    if (!opened) return true;
    DWORD longest = 0;
    if (RegQueryInfoKeyA(opened.key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, &longest, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return true;
    std::string buffer(longest + 1, '\0');
    for (DWORD index = 0;;) {
        DWORD length = static_cast<DWORD>(buffer.size());
        LONG status = RegEnumValueA(opened.key.get(), index, buffer.data(), &length, nullptr,
                                    nullptr, nullptr, nullptr);
        // The longest length may be counted in characters while the names come as bytes.
        if (status == ERROR_MORE_DATA && buffer.size() < kLongestValueNameBytes) {
            buffer.resize(kLongestValueNameBytes);
            continue;
        }
        if (status != ERROR_SUCCESS) break;
        names.push_back(NameBefore(buffer, length));
        ++index;
    }
    count = static_cast<int32_t>(names.size());
    return true;
}

// A buffer with room for the longest key name and its NUL: a name that fills the buffer would
// otherwise stop the listing and lose every later name.
Result<bool> cRegistry::EnumerateSections(std::vector<std::wstring>& names, int32_t& count) {
    names.clear();
    count = 0;
    try {
        auto opened = registry::OpenKey(classKey_, sectionKey_, KEY_ENUMERATE_SUB_KEYS);
        if (!opened) return true;
        std::string buffer(256, '\0');
        for (DWORD index = 0;;) {
            LONG status = RegEnumKeyA(opened.key.get(), index, buffer.data(),
                                      static_cast<DWORD>(buffer.size()));
            if (status == ERROR_MORE_DATA && buffer.size() < kLongestKeyNameBytes) {
                buffer.assign(kLongestKeyNameBytes, '\0');
                continue;
            }
            if (status != ERROR_SUCCESS) break;
            names.push_back(NameBefore(buffer, strnlen(buffer.data(), buffer.size())));
            count = static_cast<int32_t>(names.size());
            ++index;
        }
        return true;
    } catch (const std::bad_alloc&) {
        names.clear();
        count = 0;
        return registry::EnumerateError(L"Out of memory");
    }
}

}  // namespace pagelens
