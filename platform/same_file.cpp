#include "platform/same_file.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace {

#if defined(_WIN32)
// The volume and the file's index on it; 0 when the file can't be opened.
int32_t Identify(const char* path, BY_HANDLE_FILE_INFORMATION& information) {
    HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return 0;
    BOOL ok = GetFileInformationByHandle(handle, &information);
    CloseHandle(handle);
    return ok ? 1 : 0;
}
#endif

}  // namespace

int32_t SameFile(const char* a, const char* b) {
    if (!a || !b || !a[0] || !b[0]) return 0;
#if defined(_WIN32)
    BY_HANDLE_FILE_INFORMATION first, second;
    if (!Identify(a, first) || !Identify(b, second)) return 0;
    return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
                   first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow
               ? 1
               : 0;
#else
    struct stat first, second;
    if (stat(a, &first) != 0 || stat(b, &second) != 0) return 0;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino ? 1 : 0;
#endif
}
