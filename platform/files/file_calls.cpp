#include "platform/files/file_calls.h"

#include <cstring>

#include "platform/text.h"
#include "platform/path_text.h"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#if !defined(NOMINMAX)
#define NOMINMAX
#endif
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#endif

#if defined(_WIN32)

int32_t LastSystemError() { return static_cast<int32_t>(GetLastError()); }

void SystemErrorText(int32_t error, char* text, size_t capacity) {
    if (!text || capacity == 0) return;
    text[0] = '\0';
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  static_cast<DWORD>(error), 0, text, static_cast<DWORD>(capacity), nullptr);
    // The system's text ends with a line break; the caller places its own.
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' || text[length - 1] == '.')) {
        text[--length] = '\0';
    }
    if (length == 0) std::snprintf(text, capacity, "system error %d", static_cast<int>(error));
}

int32_t IsExistsError(int32_t error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }

int32_t IsMissingError(int32_t error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

uint32_t ProcessNumber() { return static_cast<uint32_t>(GetCurrentProcessId()); }

void IgnoreFileSizeSignal() {}

std::FILE* CreateNewFile(const char* path) {
    // Deletion is shared so that an interrupt can remove the file while it
    // is still open (it goes when the process's handle closes).
    HANDLE handle = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        DeleteFileA(path);
        SetLastError(ERROR_TOO_MANY_OPEN_FILES);
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "wb");
    if (!file) {
        _close(fd);
        DeleteFileA(path);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
    return file;
}

int32_t FlushToDisk(std::FILE* file) {
    if (std::fflush(file) != 0) return 0;
    return FlushHandedBytes(file);
}

int32_t FlushHandedBytes(std::FILE* file) {
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    return FlushFileBuffers(handle) ? 1 : 0;
}

void StartWriteBack(std::FILE*, int64_t, int64_t) {}
int32_t DropWrittenPages(std::FILE*, int64_t, int64_t) { return 1; }

// Renames below are made with MOVEFILE_WRITE_THROUGH: each is on the disk
// when it returns, so the folder needs nothing more.
void FlushFolderOf(const char*) {}

int32_t ReplacePath(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 1 : 0;
}

int32_t MoveToFreeName(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_WRITE_THROUGH) ? 1 : 0;
}

int32_t KeepUnderSecondName(const char* existing, const char* name) {
    if (CreateHardLinkA(name, existing, nullptr)) return 1;
    if (IsExistsError(LastSystemError())) return 0;
    return MoveFileExA(existing, name, MOVEFILE_WRITE_THROUGH) ? 1 : 0;
}

int32_t PathKind(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return -1;
    return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) ? 0 : 1;
}

// Files of other users are not told apart here: a folder shared between
// users is rare on Windows, and its rights decide what one may open.
int32_t OwnFileRefusal(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return LastSystemError();
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return kReasonSymbolicLink;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return kErrorIsFolder;
    return (attributes & FILE_ATTRIBUTE_DEVICE) ? kReasonNotPlainFile : 0;
}

std::FILE* OpenOwnFile(const char* path, int32_t* reason) {
    *reason = OwnFileRefusal(path);
    if (*reason) return nullptr;
    HANDLE handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        *reason = LastSystemError();
        return nullptr;
    }
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        *reason = kReasonNotPlainFile;
        return nullptr;
    }
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        *reason = ERROR_TOO_MANY_OPEN_FILES;
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "rb");
    if (!file) {
        _close(fd);
        *reason = ERROR_NOT_ENOUGH_MEMORY;
    }
    return file;
}

int32_t NotAFileError(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return kErrorIsFolder;
    return (attributes & FILE_ATTRIBUTE_DEVICE) ? kErrorInvalid : 0;
}

// Links on Windows need rights most users lack; a path is taken as it is.
int32_t ResolveLinks(const char* path, char (&resolved)[kPathCapacity], int32_t* error, int64_t*) {
    CopyText(resolved, path);
    if (std::strlen(path) < sizeof resolved) return 1;
    *error = kErrorNameTooLong;
    return 0;
}

// A folder's access rights, not its owners, decide there what one may
// replace: the system's own refusal says it.
int64_t RunnerId() { return -1; }
int64_t EntryOwner(const char*) { return -1; }
void UserName(int64_t owner, char* text, size_t capacity) {
    std::snprintf(text, capacity, "user %lld", static_cast<long long>(owner));
}
int32_t ReplaceRefusal(const char*, int64_t* owner) {
    *owner = -1;
    return 0;
}

void KeepOwnership(std::FILE*, const char*) {}

int32_t AbsolutePath(const char* path, char* absolute, size_t capacity) {
    DWORD length = GetFullPathNameA(path, static_cast<DWORD>(capacity), absolute, nullptr);
    return length > 0 && length < capacity ? 1 : 0;
}

void ForEachName(const char* folder, void (*visit)(const char* name, void* context), void* context) {
    char pattern[kTemporaryPathCapacity];
    CopyText(pattern, folder);
    if (!AppendText(pattern, "*")) return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        visit(found.cFileName, context);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

#else

int32_t LastSystemError() { return errno; }

void SystemErrorText(int32_t error, char* text, size_t capacity) {
    if (text && capacity) CopyText(text, capacity, std::strerror(error));
}

int32_t IsExistsError(int32_t error) { return error == EEXIST; }

int32_t IsMissingError(int32_t error) { return error == ENOENT; }

uint32_t ProcessNumber() { return static_cast<uint32_t>(getpid()); }

void IgnoreFileSizeSignal() { std::signal(SIGXFSZ, SIG_IGN); }

std::FILE* CreateNewFile(const char* path) {
    int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    std::FILE* file = fdopen(fd, "wb");
    if (!file) {
        int reason = errno;
        close(fd);
        unlink(path);
        errno = reason;
    }
    return file;
}

int32_t FlushToDisk(std::FILE* file) {
    if (std::fflush(file) != 0) return 0;
    return fsync(fileno(file)) == 0 ? 1 : 0;
}

int32_t FlushHandedBytes(std::FILE* file) { return fdatasync(fileno(file)) == 0 ? 1 : 0; }

void StartWriteBack(std::FILE* file, int64_t offset, int64_t length) {
#if defined(__linux__)
    sync_file_range(fileno(file), offset, length, SYNC_FILE_RANGE_WRITE);
#else
    (void)file, (void)offset, (void)length;
#endif
}

int32_t DropWrittenPages(std::FILE* file, int64_t offset, int64_t length) {
#if defined(__linux__)
    const unsigned wait = SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
    if (sync_file_range(fileno(file), offset, length, wait) != 0) {
        // A failed write-back is reported once: the flush at the commit would
        // not see it again. Other reasons only say the call does not apply.
        if (errno == EIO || errno == ENOSPC || errno == EDQUOT) return 0;
        return 1;
    }
    posix_fadvise(fileno(file), offset, length, POSIX_FADV_DONTNEED);
#else
    (void)file, (void)offset, (void)length;
#endif
    return 1;
}

void FlushFolderOf(const char* path) {
    char folder[kTemporaryPathCapacity];
    if (!FolderPart(path, folder, sizeof folder) || !folder[0]) CopyText(folder, ".");
    int fd = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    // Some file systems can't flush a folder; the renames stand all the same.
    fsync(fd);
    close(fd);
}

int32_t ReplacePath(const char* from, const char* to) { return std::rename(from, to) == 0 ? 1 : 0; }

int32_t MoveToFreeName(const char* from, const char* to) {
    if (link(from, to) != 0) return 0;
    unlink(from);
    return 1;
}

int32_t KeepUnderSecondName(const char* existing, const char* name) {
    if (link(existing, name) == 0) return 1;
    if (errno == EEXIST) return 0;
    return ReplacePath(existing, name);
}

int32_t PathKind(const char* path) {
    struct stat info;
    if (stat(path, &info) != 0) return -1;
    return S_ISREG(info.st_mode) ? 1 : 0;
}

// The refusal of what a name holds, as OwnFileRefusal says it.
static int32_t Refusal(const struct stat& info) {
    if (S_ISLNK(info.st_mode)) return kReasonSymbolicLink;
    if (S_ISDIR(info.st_mode)) return kErrorIsFolder;
    if (!S_ISREG(info.st_mode)) return kReasonNotPlainFile;
    return info.st_uid == geteuid() ? 0 : kReasonOtherOwner;
}

int32_t OwnFileRefusal(const char* path) {
    struct stat info;
    return lstat(path, &info) != 0 ? errno : Refusal(info);
}

std::FILE* OpenOwnFile(const char* path, int32_t* reason) {
    int fd = open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *reason = errno == ELOOP ? kReasonSymbolicLink : errno;
        return nullptr;
    }
    struct stat info;
    *reason = fstat(fd, &info) != 0 ? errno : Refusal(info);
    std::FILE* file = *reason ? nullptr : fdopen(fd, "rb");
    if (!file) {
        if (!*reason) *reason = errno;
        close(fd);
    }
    return file;
}

int32_t NotAFileError(const char* path) {
    struct stat info;
    if (stat(path, &info) != 0 || S_ISREG(info.st_mode)) return 0;
    return S_ISDIR(info.st_mode) ? kErrorIsFolder : kErrorInvalid;
}

// The owner of the folder holding path when the folder is sticky and anyone
// may write to it (as /tmp), else -1.
static int64_t SharedFolderOwner(const char* path) {
    char folder[kPathCapacity];
    if (!FolderPart(path, folder, sizeof folder)) return -1;
    struct stat info;
    if (stat(folder[0] ? folder : ".", &info) != 0) return -1;
    return (info.st_mode & S_ISVTX) && (info.st_mode & S_IWOTH) ? int64_t(info.st_uid) : -1;
}

int32_t ResolveLinks(const char* path, char (&resolved)[kPathCapacity], int32_t* error, int64_t* link_owner) {
    CopyText(resolved, path);
    if (std::strlen(path) >= sizeof resolved) {
        *error = kErrorNameTooLong;
        return 0;
    }
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info;
        if (lstat(resolved, &info) != 0 || !S_ISLNK(info.st_mode)) return 1;
        int64_t shared = SharedFolderOwner(resolved);
        if (shared >= 0 && info.st_uid != geteuid() && int64_t(info.st_uid) != shared) {
            *error = kReasonForeignLink;
            if (link_owner) *link_owner = info.st_uid;
            return 0;
        }
        char target[kPathCapacity];
        ssize_t length = readlink(resolved, target, sizeof target);
        if (length <= 0 || length >= static_cast<ssize_t>(sizeof target)) {
            *error = length < 0 ? errno : kErrorNameTooLong;
            return 0;
        }
        target[length] = '\0';
        // A relative target counts from the folder of the link.
        char next[kPathCapacity] = "";
        if (target[0] != '/') FolderPart(resolved, next, sizeof next);
        if (!AppendText(next, target)) {
            *error = kErrorNameTooLong;
            return 0;
        }
        CopyText(resolved, next);
    }
    *error = kErrorTooManyLinks;
    return 0;
}

int64_t RunnerId() { return int64_t(geteuid()); }

int64_t EntryOwner(const char* path) {
    struct stat info;
    return lstat(path, &info) == 0 ? int64_t(info.st_uid) : -1;
}

void UserName(int64_t owner, char* text, size_t capacity) {
    struct passwd entry;
    struct passwd* found = nullptr;
    char buffer[1024];
    if (owner >= 0 && getpwuid_r(uid_t(owner), &entry, buffer, sizeof buffer, &found) == 0 && found)
        std::snprintf(text, capacity, "%s", found->pw_name);
    else
        std::snprintf(text, capacity, "user %lld", static_cast<long long>(owner));
}

int32_t ReplaceRefusal(const char* path, int64_t* owner) {
    *owner = -1;
    struct stat file, folder_info;
    char folder[kPathCapacity];
    if (geteuid() == 0 || lstat(path, &file) != 0 || file.st_uid == geteuid()) return 0;
    if (!FolderPart(path, folder, sizeof folder) || stat(folder[0] ? folder : ".", &folder_info) != 0) return 0;
    if (!(folder_info.st_mode & S_ISVTX) || folder_info.st_uid == geteuid()) return 0;
    *owner = file.st_uid;
    return kReasonOtherOwner;
}

void KeepOwnership(std::FILE* file, const char* earlier) {
    struct stat info;
    if (stat(earlier, &info) != 0 || !S_ISREG(info.st_mode)) return;
    int fd = fileno(file);
    // Only root may give a file away; others keep what they can, the mode.
    // Set-id and sticky bits are not carried over: a file someone marked to
    // run with its owner's rights does not lend them to new contents.
    (void)!fchown(fd, info.st_uid, info.st_gid);
    (void)!fchmod(fd, info.st_mode & 0777);
}

int32_t AbsolutePath(const char* path, char* absolute, size_t capacity) {
    if (!path || capacity == 0) return 0;
    absolute[0] = '\0';
    if (path[0] != '/') {
        if (!getcwd(absolute, capacity)) return 0;
        if (!AppendText(absolute, capacity, "/")) return 0;
    }
    return AppendText(absolute, capacity, path);
}

void ForEachName(const char* folder, void (*visit)(const char* name, void* context), void* context) {
    DIR* listing = opendir(folder[0] ? folder : ".");
    if (!listing) return;
    while (dirent* entry = readdir(listing)) visit(entry->d_name, context);
    closedir(listing);
}

#endif
