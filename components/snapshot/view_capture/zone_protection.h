// Whether Internet Explorer would open an address without Protected Mode: the address's
// security zone (IInternetSecurityManager::MapUrlToZone) and that zone's "Turn on Protected
// Mode" policy (URLACTION_LOWRIGHTS, whose URLPOLICY_ALLOW means Protected Mode is on; where a
// zone lacks the setting, IE's default: on for the Internet and Restricted sites zones). Our own
// browser control runs at the tab's integrity, so outside a Protected Mode tab it may open only
// addresses that IE itself would open there.
#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace pagelens::capture {

struct ZoneAnswer {
    DWORD zone = 3;  // URLZONE_INTERNET
    bool protectedMode = true;
};

// Nothing when the zone cannot be told.
using ZoneLookup = std::function<std::optional<ZoneAnswer>(const std::wstring& url)>;

// The system's security manager, or the lookup a test put in its place.
std::optional<ZoneAnswer> ZoneOf(const std::wstring& url);

// For tests: `lookup` answers in place of the security manager until the scope ends.
class ZoneLookupOverride {
public:
    explicit ZoneLookupOverride(ZoneLookup lookup);
    ~ZoneLookupOverride();
    ZoneLookupOverride(const ZoneLookupOverride&) = delete;
    ZoneLookupOverride& operator=(const ZoneLookupOverride&) = delete;

private:
    ZoneLookup previous_;
};

// Why a process outside Protected Mode may not open `url` in its own control; nothing when it
// may. A zone that cannot be told counts as protected.
std::optional<std::wstring> WhyProtectedModeIsNeeded(const std::wstring& url);

}  // namespace pagelens::capture
