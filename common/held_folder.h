// Folders that belong to one live owner, in a folder that many owners share (the user's
// temporary folder): the snapshot windows' work folders, the capture browser's profiles. Beside
// each folder `<name>` its owner holds `<name>.lock` open, without delete sharing and deleted
// when its last handle closes, so that the lock goes with the owner however it ends. The lock is
// made before the folder: a folder whose lock cannot be found, or can be deleted, has no owner
// any more and is swept by the next owner.
#pragma once
#include <windows.h>

#include <chrono>
#include <optional>
#include <string>

#include "common/run_error.h"
#include "common/unique_handle.h"

namespace pagelens {

// Full control for the user and the system alone, not inherited from a shared parent: what is
// made with it (a captured page, a browser profile, a pipe) is nobody else's to read or change.
class PrivateSecurity {
public:
    PrivateSecurity();
    // Null when the user's identity could not be read: then the default access applies.
    SECURITY_ATTRIBUTES* get();

private:
    UniqueHlocal descriptor_;
    SECURITY_ATTRIBUTES attributes_{};
};

// %TEMP% without its trailing backslash; nothing when it cannot be read, is too long, or is not
// an absolute path.
std::optional<std::wstring> UserTemporaryFolder();

// Empties and removes a folder, not following links inside it; true when it is gone.
bool RemoveTree(const std::wstring& path);

// Removes every `<parent>\<prefix>*` folder that no live owner holds, with its lock.
void SweepAbandonedFolders(const std::wstring& parent, const std::wstring& prefix);

class HeldFolder {
public:
    // Sweeps what earlier owners left, then makes `<parent>\<prefix><process id>-<n>` and its
    // lock.
    static Result<HeldFolder> Create(const std::wstring& parent, const std::wstring& prefix);
    HeldFolder() = default;
    HeldFolder(HeldFolder&& other) noexcept
        : path_(std::exchange(other.path_, {})), lock_(std::move(other.lock_)) {}
    HeldFolder& operator=(HeldFolder&& other) noexcept;
    ~HeldFolder();

    const std::wstring& path() const { return path_; }
    explicit operator bool() const { return !path_.empty(); }
    // Tries until the folder is gone or `patience` runs out; the lock goes with the folder. A
    // folder that stays keeps its lock until the owner goes, and is swept after that.
    bool Remove(std::chrono::milliseconds patience);

private:
    HeldFolder(std::wstring path, UniqueFile lock)
        : path_(std::move(path)), lock_(std::move(lock)) {}
    std::wstring path_;
    UniqueFile lock_;
};

}  // namespace pagelens
