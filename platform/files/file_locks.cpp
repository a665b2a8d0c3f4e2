// The exclusive locks of file_calls.h: taking, waiting for and letting go
// of a lock file, each system its own way.
#include "platform/files/file_calls.h"

#include <cstring>

#include "platform/text.h"
#include "platform/files/interrupt.h"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#if !defined(NOMINMAX)
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#if defined(_WIN32)

// The lock is the lock file itself, opened without sharing: a second opener
// is refused until the holder closes it, which also removes it, however the
// holder ends. A file about to vanish refuses openers briefly as well.
static int32_t TakeLock(FileLock& lock, int32_t* error, const LockWait* wait) {
    for (int refused = 0, waited = 0;; ++waited) {
        int32_t refusal = OwnFileRefusal(lock.path);
        if (refusal == kReasonSymbolicLink || refusal == kErrorIsFolder || refusal == kReasonNotPlainFile) {
            *error = refusal;
            return 0;
        }
        HANDLE handle = CreateFileA(lock.path, GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT,
                                    nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            lock.handle = reinterpret_cast<intptr_t>(handle);
            lock.held = 1;
            return 1;
        }
        DWORD reason = GetLastError();
        bool busy = reason == ERROR_SHARING_VIOLATION || (reason == ERROR_ACCESS_DENIED && ++refused < 250);
        if (!busy) {
            *error = static_cast<int32_t>(reason);
            return 0;
        }
        if (wait && wait->stop && wait->stop(wait->context)) {
            *error = kReasonStopped;
            return 0;
        }
        if (waited == 50 && wait && wait->waiting) wait->waiting(wait->context);
        Sleep(20);
    }
}

void UnlockFile(FileLock& lock) {
    ForgetName(lock.tracked);
    if (lock.handle != -1) CloseHandle(reinterpret_cast<HANDLE>(lock.handle));
    lock.handle = -1;
    lock.held = 0;
    lock.made = 0;
    lock.foreign = 0;
    lock.path[0] = '\0';
}

#else

// Waits for the lock on fd without blocking in the system, so that the
// wait can be told about and stopped. 1 taken, 0 the file system has no
// locks, -1 stopped.
static int32_t WaitForLock(int fd, const LockWait* wait) {
    for (int waited = 0;; ++waited) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) return 1;
        if (errno != EWOULDBLOCK && errno != EINTR) return 0;
        if (wait && wait->stop && wait->stop(wait->context)) return -1;
        if (waited == 50 && wait && wait->waiting) wait->waiting(wait->context);
        usleep(20000);
    }
}

const char kLockText[] = "quandrelistaphor lock\n";

// Whether the lock file open at fd is one this program made for this user
// (a run that ended left it): only such a file is the run's to remove.
static int32_t IsOwnLockFile(int fd, const struct stat& info) {
    char text[sizeof kLockText] = {};
    if (info.st_uid != geteuid() || info.st_size != off_t(sizeof kLockText - 1)) return 0;
    return pread(fd, text, sizeof kLockText - 1, 0) == ssize_t(sizeof kLockText - 1) &&
           std::memcmp(text, kLockText, sizeof kLockText - 1) == 0;
}

// Opens the lock's file: made anew, the run's to remove (and readable by
// all, as others wait on it), or the one there, only to read: a lock needs
// no more, and another's file is never written. -1 with the reason, -2
// when the name went meanwhile.
static int OpenLockFile(FileLock& lock, int32_t* error) {
    DeferInterrupts();
    int fd = open(lock.path, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    int reason = errno;
    if (fd >= 0) {
        lock.made = 1;
        lock.tracked = TrackName(lock.path);
        (void)!fchmod(fd, 0644);
        (void)!write(fd, kLockText, sizeof kLockText - 1);
        lock.owner = geteuid();
    }
    AllowInterrupts();
    if (fd >= 0) return fd;
    const bool there = reason == EEXIST;
    if (there) {
        fd = open(lock.path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        reason = errno;
    }
    if (fd < 0) {
        *error = reason == ELOOP ? kReasonSymbolicLink : reason;
        if (there && reason == ENOENT) return -2;
        lock.owner = EntryOwner(lock.path);
        return -1;
    }
    struct stat opened;
    if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        *error = S_ISDIR(opened.st_mode) ? kErrorIsFolder : kReasonNotPlainFile;
        close(fd);
        return -1;
    }
    lock.owner = opened.st_uid;
    return fd;
}

// Lets go of a lock file that is not to be held after all.
static void DropLockFile(FileLock& lock, int fd) {
    DeferInterrupts();
    ForgetName(lock.tracked);
    if (lock.made) unlink(lock.path);
    close(fd);
    lock.made = 0;
    AllowInterrupts();
}

// flock belongs to the opened file, so a holder that dies lets go at once,
// and a file nobody holds is simply taken. The holder that made the file
// removes it before letting go; whoever was waiting on that file then
// holds a lock on a name nobody else will find, so it checks that the name
// still leads to its file and tries again otherwise. A pipe opened without
// waiting and refused never blocks the run.
static int32_t TakeLock(FileLock& lock, int32_t* error, const LockWait* wait) {
    for (;;) {
        int fd = OpenLockFile(lock, error);
        if (fd == -2) continue;
        if (fd < 0) return 0;
        int32_t taken = WaitForLock(fd, wait);
        if (taken <= 0) {
            DropLockFile(lock, fd);
            if (taken < 0) *error = kReasonStopped;
            if (taken < 0) return 0;
            lock.path[0] = '\0';  // no locks here: go on without one
            return 1;
        }
        struct stat mine, named;
        if (fstat(fd, &mine) == 0 && stat(lock.path, &named) == 0 && mine.st_dev == named.st_dev &&
            mine.st_ino == named.st_ino) {
            lock.handle = fd;
            lock.held = 1;
            if (!lock.made && IsOwnLockFile(fd, mine)) {  // left by a run of this user's that ended
                DeferInterrupts();
                lock.made = 1;
                lock.tracked = TrackName(lock.path);
                AllowInterrupts();
            }
            lock.foreign = lock.made ? 0 : 1;
            return 1;
        }
        DropLockFile(lock, fd);
    }
}

void UnlockFile(FileLock& lock) {
    // Forgotten and removed in one step: an interrupt must neither leave
    // the name nor remove one another run may have made anew once this
    // one is gone.
    DeferInterrupts();
    ForgetName(lock.tracked);
    if (lock.handle != -1) {
        if (lock.made) unlink(lock.path);
        close(static_cast<int>(lock.handle));
    }
    lock.handle = -1;
    lock.held = 0;
    lock.made = 0;
    lock.foreign = 0;
    lock.path[0] = '\0';
    AllowInterrupts();
}

#endif

int32_t LockFile(FileLock& lock, const char* path, int32_t* error, const LockWait* wait) {
    UnlockFile(lock);
    *error = kErrorNameTooLong;
    if (path && AppendText(lock.path, path) && TakeLock(lock, error, wait)) return 1;
    lock.path[0] = '\0';
    return 0;
}
