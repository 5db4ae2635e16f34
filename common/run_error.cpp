// The mapping from Win32 file errors to the run-time's error numbers.
#include "common/run_error.h"

#include <windows.h>

namespace pagelens::errors {

RunError FromWin32File(unsigned long win32Error, FileUse use, const std::wstring& path) {
    if (use == FileUse::Read) {
        switch (win32Error) {
            case ERROR_FILE_NOT_FOUND:
            case ERROR_PATH_NOT_FOUND:
            case ERROR_INVALID_NAME:
            case ERROR_INVALID_DRIVE:
            case ERROR_BAD_NETPATH:
                return FileNotFound();
            default:
                return PathFileAccess();
        }
    }
    switch (win32Error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_DIRECTORY:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
            return PathNotFound(path);
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_FILENAME_EXCED_RANGE:
            return BadFileName(path);
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return PermissionDenied(path);
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return DiskFull(path);
        default:
            return PathFileAccess(path);
    }
}

}  // namespace pagelens::errors
