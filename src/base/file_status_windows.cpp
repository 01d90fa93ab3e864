#include <windows.h>

#include "base/platform.hpp"

namespace quillet::platform {

// Nothing else may be defined here: a test binary replaces this whole
// translation unit at link time.
int query_file_status(FileHandle file, FileStatus* status) {
    const HANDLE handle = reinterpret_cast<HANDLE>(file);
    status->regular = false;
    status->pipe = false;
    status->size = -1;
    SetLastError(NO_ERROR);
    const DWORD type = GetFileType(handle);
    if (type == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR) return -1;
    // Consoles, pipes and devices such as NUL are no files on a disk.
    status->pipe = type == FILE_TYPE_PIPE;
    if (type != FILE_TYPE_DISK) return 0;
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(handle, &information)) return -1;
    if (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return 0;
    status->regular = true;
    status->size = static_cast<std::int64_t>((static_cast<std::uint64_t>(information.nFileSizeHigh) << 32) |
                                             information.nFileSizeLow);
    return 0;
}

}  // namespace quillet::platform
