#include "ui/error_text.h"

#include "common/unique_handle.h"

namespace pagelens {

std::wstring DescriptionOfHresult(HRESULT hr) {
    UniqueHlocal buffer;
    DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(buffer.put()), 0, nullptr);
    std::wstring text = n ? std::wstring(static_cast<const wchar_t*>(buffer.get()), n)
                          : std::wstring(L"Automation error");
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    return text;
}

}  // namespace pagelens
