#pragma once
// The file-system calls behind the output files, one interface for POSIX and
// Windows. Every call that can fail leaves its reason for LastSystemError.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "platform/path_text.h"
#include "platform/reasons.h"

// Paths beside a target: the target's path plus a short tail.
constexpr int kTemporaryPathCapacity = kPathCapacity + 32;

// The reason of the last failed call: errno, or GetLastError() on Windows.
int32_t LastSystemError();
// The system's own text for such a reason (cut to capacity - 1).
void SystemErrorText(int32_t error, char* text, size_t capacity);
// 1 when the reason says the name exists already.
int32_t IsExistsError(int32_t error);
// 1 when the reason says nothing is at the name.
int32_t IsMissingError(int32_t error);

// The number of this process (for names no other process makes).
uint32_t ProcessNumber();

// A write past the process's file size limit then fails like a full disk
// instead of ending the process (POSIX; nothing to do on Windows).
void IgnoreFileSizeSignal();

// Creates `path` new and empty for writing in binary mode; fails when any
// entry exists at that name.
std::FILE* CreateNewFile(const char* path);
// Hands everything written to the file on to the disk. Returns 1 or 0.
int32_t FlushToDisk(std::FILE* file);
// The bytes already handed to the system (not the C library's buffer) on to
// the disk, safe on another thread while the writing goes on. Returns 1, or
// 0 with the reason for LastSystemError on the calling thread.
int32_t FlushHandedBytes(std::FILE* file);
// Asks the system to start writing these bytes of the file to the disk
// without waiting for them, so that the flush at the commit finds little
// left to do and the disk works while the next bytes are formatted. Only a
// hint: where the system has no such call it does nothing.
void StartWriteBack(std::FILE* file, int64_t offset, int64_t length);
// Waits until these bytes of the file are on the disk and lets the system
// drop its cached copy of them. A long file written in one go then holds
// only a window of the page cache, whose pages the next bytes reuse, instead
// of taking as many fresh pages as it has bytes. Returns 0 with the reason
// for LastSystemError when the disk refused the bytes; where the system has
// no such calls it does nothing and returns 1.
int32_t DropWrittenPages(std::FILE* file, int64_t offset, int64_t length);
// Makes the renames and removals in the folder holding `path` durable.
void FlushFolderOf(const char* path);

// Moves `from` to `to`, replacing a file at `to`. Returns 1 or 0.
int32_t ReplacePath(const char* from, const char* to);
// Moves `from` to `to` only when nothing is at `to`. Returns 1 or 0.
int32_t MoveToFreeName(const char* from, const char* to);
// Gives the file `existing` the second name `name` (a hard link), or where
// that is impossible moves it there. Returns 1 or 0.
int32_t KeepUnderSecondName(const char* existing, const char* name);
// -1 when nothing is at path, 1 for a regular file, 0 for anything else.
// Symbolic links are followed.
int32_t PathKind(const char* path);
// Whether the name `path` holds a file of the program's own kind: 0 when it
// is a regular file of this user (a final symbolic link is not followed),
// else why not: kReasonSymbolicLink, kErrorIsFolder, kReasonNotPlainFile,
// kReasonOtherOwner, or the system's reason (a missing file's included).
int32_t OwnFileRefusal(const char* path);
// Opens such a file for reading without following a final link and
// without waiting (a pipe is refused, not waited on). Null with the reason
// as OwnFileRefusal gives it.
std::FILE* OpenOwnFile(const char* path, int32_t* reason);
// Why path can't be replaced by a file: kErrorIsFolder for a folder,
// kErrorInvalid for a device or anything else not a regular file; 0 when
// it is a regular file or nothing is there.
int32_t NotAFileError(const char* path);

// The file that path names once symbolic links are followed: the final
// link's target, which need not exist yet. Returns 0 with a reason when the
// links loop or the result does not fit. As the kernel guards /tmp, a link
// in a folder anyone may write to and only owners remove from (sticky,
// world-writable) is followed only when it is the runner's or the folder
// owner's: another's is refused with kReasonForeignLink, `resolved` then
// holding the link's path and *link_owner its owner (POSIX).
int32_t ResolveLinks(const char* path, char (&resolved)[kPathCapacity], int32_t* error,
                     int64_t* link_owner = nullptr);
// The user this process runs as; -1 where users are not told apart.
int64_t RunnerId();
// The owner of what is at path (a final link not followed), or -1.
int64_t EntryOwner(const char* path);
// The login name of user `owner`, or "user <number>" (cut to capacity - 1).
void UserName(int64_t owner, char* text, size_t capacity);
// Why the runner may not replace the file at path with another although the
// folder takes new files: a sticky folder lets only a file's owner (or the
// folder's, or root) do that. kReasonOtherOwner with *owner, else 0.
int32_t ReplaceRefusal(const char* path, int64_t* owner);
// Gives the new file the permission bits and, where allowed, the owner of
// the file at `earlier`, when there is one (POSIX).
void KeepOwnership(std::FILE* file, const char* earlier);
// path made absolute against the current directory. Returns 1 or 0.
int32_t AbsolutePath(const char* path, char* absolute, size_t capacity);

// Calls visit(name, context) for every entry of `folder` ("" is the current
// directory; otherwise it ends with a separator).
void ForEachName(const char* folder, void (*visit)(const char* name, void* context), void* context);

// An exclusive lock: a lock on the file at its path held while the run
// holds it (POSIX: flock), never the file's being there, so a file that a
// run which ended left does not stop the next one. The file is made for the
// lock and removed when it ends; a file found at the name is opened only to
// read and stays, unless it is a lock this program made for this user.
// Waits while another holder keeps it. Where the file system has no locks,
// `held` stays 0. A name that is a link, a folder, a pipe or a device, or a
// file that can't be read is refused, never waited on.
struct FileLock {
    intptr_t handle = -1;
    int32_t held = 0;
    int32_t made = 0;      // 1: the file is this run's to remove
    int32_t foreign = 0;   // 1: the file held was not made by this program for this user
    int64_t owner = -1;    // the file's owner, once opened (POSIX)
    int32_t tracked = -1;  // its place among the names an interrupt removes
    char path[kTemporaryPathCapacity] = {};
};
// While another holder keeps a lock: `waiting` is called once, after a
// second, and the wait ends (kReasonStopped) as soon as `stop` says 1.
struct LockWait {
    void (*waiting)(void* context) = nullptr;
    int32_t (*stop)(void* context) = nullptr;
    void* context = nullptr;
};
int32_t LockFile(FileLock& lock, const char* path, int32_t* error, const LockWait* wait = nullptr);
void UnlockFile(FileLock& lock);
