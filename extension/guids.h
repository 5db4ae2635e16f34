// The identities of the library, its class and interfaces, spelled out (GCC ignores
// __declspec(uuid), so __uuidof cannot name our own types).
#pragma once
#include <guiddef.h>

namespace pagelens {

// {6074F29D-3144-4FA6-A9A5-41EF836D98B5}
inline constexpr GUID CLSID_cPagelens = {
    0x6074F29D, 0x3144, 0x4FA6, {0xA9, 0xA5, 0x41, 0xEF, 0x83, 0x6D, 0x98, 0xB5}};
// {DDA7772C-B819-41DA-8421-498C92FB1FC6}
inline constexpr GUID LIBID_iePagelens = {
    0xDDA7772C, 0xB819, 0x41DA, {0x84, 0x21, 0x49, 0x8C, 0x92, 0xFB, 0x1F, 0xC6}};
// {89024C1F-EE67-4307-82F6-CC1FFE5379A7}
inline constexpr GUID IID__cPagelens = {
    0x89024C1F, 0xEE67, 0x4307, {0x82, 0xF6, 0xCC, 0x1F, 0xFE, 0x53, 0x79, 0xA7}};
// {92BA44A0-159D-42BD-BF03-65A3D4C6F784}
inline constexpr GUID GUID_RefreshConstants = {
    0x92BA44A0, 0x159D, 0x42BD, {0xBF, 0x03, 0x65, 0xA3, 0xD4, 0xC6, 0xF7, 0x84}};
// {0041F879-7C69-4E68-BBDE-8B27236CDCD0}
inline constexpr GUID GUID_GuidRecord = {
    0x0041F879, 0x7C69, 0x4E68, {0xBB, 0xDE, 0x8B, 0x27, 0x23, 0x6C, 0xDC, 0xD0}};

inline constexpr wchar_t kProgId[] = L"iePagelens.cPagelens";
inline constexpr wchar_t kClsidText[] = L"{6074F29D-3144-4FA6-A9A5-41EF836D98B5}";
// CATID_AppContainerCompatible: the class may load in an AppContainer tab.
inline constexpr wchar_t kCatidAppContainerCompatibleText[] =
    L"{59FB2056-D625-48D0-A944-1A85B5AB2640}";
inline constexpr wchar_t kLibidText[] = L"{DDA7772C-B819-41DA-8421-498C92FB1FC6}";

}  // namespace pagelens
