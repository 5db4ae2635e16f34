// Where the settings are read from and written to. The machine's key
// (HKEY_LOCAL_MACHINE\Software\...) holds what an administrator stored; a standard user, and a
// Protected Mode tab, may only read it. Their writes go to the same path under the user's own
// key, and reads look there first, so a user's value takes precedence over the machine's, and
// the machine's still serves every user as the default.
//
// Under Protected Mode the user's own key is the one the broker hands out (IEGetWriteableHKCU);
// HKEY_CURRENT_USER is still read after it.
#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "common/unique_handle.h"

namespace pagelens {

inline constexpr int32_t kHkeyCurrentUser = static_cast<int32_t>(0x80000001u);

class SettingLocations {
public:
    // The locations of this process, asked of Protected Mode once per call of the store.
    static SettingLocations ForThisProcess();

    // Root keys (as cRegistry's ClassKey) to read, first to last; the machine's is last.
    const std::vector<int32_t>& ReadOrder() const { return readOrder_; }
    // Where a write goes that the machine's key refuses.
    int32_t UserRoot() const { return readOrder_.front(); }

private:
    std::optional<UniqueHkey> writeableUserKey_;  // owned for as long as the roots are used
    std::vector<int32_t> readOrder_;
};

}  // namespace pagelens
