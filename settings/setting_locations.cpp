#include "settings/setting_locations.h"

#include "common/protected_mode.h"
#include "settings/registry.h"

namespace pagelens {

SettingLocations SettingLocations::ForThisProcess() {
    SettingLocations locations;
    locations.writeableUserKey_ = WriteableUserKey();
    if (locations.writeableUserKey_)
        locations.readOrder_.push_back(
            static_cast<int32_t>(reinterpret_cast<intptr_t>(locations.writeableUserKey_->get())));
    locations.readOrder_.push_back(kHkeyCurrentUser);
    locations.readOrder_.push_back(kHkeyLocalMachine);
    return locations;
}

}  // namespace pagelens
