#include "common/held_folder.h"

#include <sddl.h>

#include <atomic>
#include <utility>
#include <vector>

namespace pagelens {
namespace {

constexpr wchar_t kLockSuffix[] = L".lock";

bool IsFolder(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// A lock nobody holds is deleted here; one held by its owner refuses (sharing violation, or
// access denied while its deletion is pending).
bool OwnerIsGone(const std::wstring& folder) {
    const std::wstring lock = folder + kLockSuffix;
    if (DeleteFileW(lock.c_str())) return true;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

UniqueFile CreateLock(const std::wstring& folder) {
    return UniqueFile(CreateFileW((folder + kLockSuffix).c_str(), GENERIC_WRITE | DELETE,
                                  FILE_SHARE_READ, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
}

}  // namespace

PrivateSecurity::PrivateSecurity() {
    UniqueHandleK token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return;
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<char> user(size);
    wchar_t* sid = nullptr;
    if (size == 0 || !GetTokenInformation(token.get(), TokenUser, user.data(), size, &size) ||
        !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &sid))
        return;
    const std::wstring sddl = L"D:P(A;OICI;FA;;;" + std::wstring(sid) + L")(A;OICI;FA;;;SY)";
    LocalFree(sid);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                             &descriptor, nullptr))
        descriptor_.reset(descriptor);
}

SECURITY_ATTRIBUTES* PrivateSecurity::get() {
    if (!descriptor_) return nullptr;
    attributes_ = {sizeof attributes_, descriptor_.get(), FALSE};
    return &attributes_;
}

std::optional<std::wstring> UserTemporaryFolder() {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
    // 0 is a failure, more than the buffer the size it would need.
    if (n == 0 || n > MAX_PATH) return std::nullopt;
    std::wstring folder(buffer, n);
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    const bool drive =
        folder.size() >= 2 && folder[1] == L':' &&
        ((folder[0] >= L'A' && folder[0] <= L'Z') || (folder[0] >= L'a' && folder[0] <= L'z'));
    const bool share = folder.size() > 2 && folder.compare(0, 2, L"\\\\") == 0;
    if (!drive && !share) return std::nullopt;
    return folder;
}

bool RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            if (IsFolder(entry.dwFileAttributes)) {
                RemoveTree(child);
            } else {
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                    SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                // A link to a folder goes as a folder: its target stays untouched.
                if (!DeleteFileW(child.c_str())) RemoveDirectoryW(child.c_str());
            }
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    return RemoveDirectoryW(path.c_str()) ||
           GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

void SweepAbandonedFolders(const std::wstring& parent, const std::wstring& prefix) {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((parent + L"\\" + prefix + L"*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (!IsFolder(entry.dwFileAttributes)) continue;
        const std::wstring folder = parent + L"\\" + entry.cFileName;
        if (OwnerIsGone(folder)) RemoveTree(folder);
    } while (FindNextFileW(find, &entry));
    FindClose(find);
}

Result<HeldFolder> HeldFolder::Create(const std::wstring& parent, const std::wstring& prefix) {
    SweepAbandonedFolders(parent, prefix);
    static std::atomic<unsigned> counter{0};
    const std::wstring base =
        parent + L"\\" + prefix + std::to_wstring(GetCurrentProcessId()) + L"-";
    PrivateSecurity access;
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::wstring path = base + std::to_wstring(++counter);
        UniqueFile lock = CreateLock(path);
        if (!lock) {
            error = GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
            break;
        }
        // A folder of an earlier process with our id whose lock has gone: not anyone's now.
        if (!CreateDirectoryW(path.c_str(), access.get()) &&
            !(GetLastError() == ERROR_ALREADY_EXISTS && RemoveTree(path) &&
              CreateDirectoryW(path.c_str(), access.get()))) {
            error = GetLastError();
            continue;
        }
        return HeldFolder(std::move(path), std::move(lock));
    }
    return errors::PathFileAccess(L"No folder of its own can be made in " + parent + L" (error " +
                                  std::to_wstring(error) + L")");
}

HeldFolder& HeldFolder::operator=(HeldFolder&& other) noexcept {
    if (this != &other) {
        Remove(std::chrono::milliseconds(0));
        path_ = std::exchange(other.path_, {});
        lock_ = std::move(other.lock_);
    }
    return *this;
}

HeldFolder::~HeldFolder() { Remove(std::chrono::milliseconds(0)); }

bool HeldFolder::Remove(std::chrono::milliseconds patience) {
    if (path_.empty()) return true;
    const auto end = std::chrono::steady_clock::now() + patience;
    for (;;) {
        if (RemoveTree(path_)) {
            path_.clear();
            lock_.reset();  // deleted as it closes
            return true;
        }
        if (std::chrono::steady_clock::now() >= end) return false;
        Sleep(50);
    }
}

}  // namespace pagelens
