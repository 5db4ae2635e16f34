#include "components/snapshot/view_capture/zone_protection.h"

#include <urlmon.h>

#include <utility>

#include "common/com_ptr.h"

namespace pagelens::capture {
namespace {

ZoneLookup& Lookup() {
    static ZoneLookup lookup;
    return lookup;
}

std::optional<ZoneAnswer> SystemZoneOf(const std::wstring& url) {
    ComPtr<IInternetSecurityManager> manager;
    if (FAILED(CoCreateInstance(CLSID_InternetSecurityManager, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IInternetSecurityManager,
                                reinterpret_cast<void**>(manager.put()))))
        return std::nullopt;
    ZoneAnswer answer;
    if (FAILED(manager->MapUrlToZone(url.c_str(), &answer.zone, 0))) return std::nullopt;
    DWORD policy = URLPOLICY_DISALLOW;
    if (SUCCEEDED(manager->ProcessUrlAction(url.c_str(), URLACTION_LOWRIGHTS,
                                            reinterpret_cast<BYTE*>(&policy), sizeof policy,
                                            nullptr, 0, PUAF_NOUI, 0)))
        answer.protectedMode = GetUrlPolicyPermissions(policy) == URLPOLICY_ALLOW;
    else  // a zone without the setting: Internet Explorer's default, on for Internet and Restricted
        answer.protectedMode = answer.zone >= URLZONE_INTERNET;
    return answer;
}

std::wstring ZoneName(DWORD zone) {
    switch (zone) {
        case 0:
            return L"My Computer zone";
        case 1:
            return L"Local intranet zone";
        case 2:
            return L"Trusted sites zone";
        case 3:
            return L"Internet zone";
        case 4:
            return L"Restricted sites zone";
        default:
            return L"zone " + std::to_wstring(zone);
    }
}

}  // namespace

std::optional<ZoneAnswer> ZoneOf(const std::wstring& url) {
    return Lookup() ? Lookup()(url) : SystemZoneOf(url);
}

ZoneLookupOverride::ZoneLookupOverride(ZoneLookup lookup)
    : previous_(std::exchange(Lookup(), std::move(lookup))) {}

ZoneLookupOverride::~ZoneLookupOverride() { Lookup() = std::move(previous_); }

std::optional<std::wstring> WhyProtectedModeIsNeeded(const std::wstring& url) {
    const auto zone = ZoneOf(url);
    if (!zone)
        return L"The security zone of the address cannot be told, and Internet Explorer might "
               L"open it only in Protected Mode: " +
               url;
    if (!zone->protectedMode) return std::nullopt;
    return L"The address is in the " + ZoneName(zone->zone) +
           L", which Internet Explorer opens only in Protected Mode, and no capture browser may "
           L"open it here: " +
           url;
}

}  // namespace pagelens::capture
