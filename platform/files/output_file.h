#pragma once
// Files that replace their targets only when they were written completely.
//
// Each output file is written into a temporary file in its target's folder,
// through one large buffer, in binary mode (line ends are written by the
// caller, "\r\n" everywhere, so the bytes are the same on every platform).
// A write that stores fewer bytes than asked is a failure, and a failed file
// stays failed. CommitOutputFiles then flushes every file to the disk and
// renames the temporaries over their targets only when every file of the
// set was written completely; on any failure no target is created or changed
// and no temporary is left.
//
// A target that is a symbolic link is written through: the file the link
// leads to is replaced, beside itself, and the link stays, and the notice
// names that file. In a folder anyone may write to and only owners remove
// from (sticky, as /tmp), a link that is neither the runner's nor the
// folder owner's is refused, as is a file there the runner may not replace
// (another user's); both named with their owner. A replaced file
// keeps its permission bits (not set-user-id, set-group-id or sticky), and
// its owner where the system allows it.
//
// From opening to commit or discard, a run holds a lock on each target
// (output_names.h), so runs onto the same targets take turns and a set of
// files always comes from one run. Once it holds the locks of a set,
// opening finishes a commit that a run which died left half done onto these
// targets (commit_record.h), then removes what such runs left beside them.
//
// Usage:
//   OutputFile obj, mtl;
//   OutputFile* open[] = {&obj, &mtl};
//   const char* targets[] = {"new.obj", "new.mtl"};
//   if (!OpenOutputFiles(open, targets, 2, 2)) ...
//   WriteOutput(&obj, text, length); ...
//   OutputFile* set[] = {&mtl, &obj};
//   int32_t ok = CommitOutputFiles(set, 2);   // 1: all targets replaced
//
// A file that is neither committed nor discarded is discarded when the
// record goes away.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <thread>

#include "platform/path_text.h"
#include "platform/files/commit_record.h"
#include "platform/files/file_calls.h"

// What went wrong, for the caller, and fault injection for tests: one
// record may be shared by several files, and counts over all of them in the
// order the bytes are handed to the system.
struct OutputFault {
    // The write that would store the byte at this position stores only the
    // bytes before it and fails (a disk that fills up). -1: never.
    int64_t fail_at_byte = -1;
    // The rename step with this number (0-based, counted over the commit)
    // fails. -1: never.
    int32_t fail_at_rename = -1;
    // The flush to the disk with this number fails (0-based, counted over
    // the files, the commit record and the folder, whose flushes can't fail
    // the commit). -1: never.
    int32_t fail_at_sync = -1;
    // Called before each rename step of a commit with the step's number;
    // when it returns 1, the commit stops there as a killed run would: the
    // temporaries, backups and commit record stay as they are. Null: never.
    int32_t (*before_rename)(void* context, int32_t step) = nullptr;
    void* context = nullptr;
    // Counters kept by the output files.
    int64_t bytes_stored = 0;
    int32_t renames_done = 0;
    int32_t syncs_done = 0;
    // The reason of the first failure: errno, or GetLastError() on Windows;
    // SystemErrorText gives the system's words for it. 0: nothing failed.
    int32_t error = 0;
    // Commits that an earlier run left half done onto these targets and
    // this run finished before it wrote anything.
    int32_t repaired = 0;
    // 1: every flush behind the writing (OutputFile::behind) fails.
    int32_t fail_flush_behind = 0;
    // A lock file, commit record or leftover beside the targets that was
    // refused or left alone, named with the reason; "" when none was.
    char notice[kNoticeCapacity] = {};
    char* set_notice = nullptr;  // where the set's notice goes: the fault's, or its first file's
    // While another run holds a target's lock: `waiting` is called once,
    // after a second, with the target's path as given; the wait ends, and
    // the opening fails with kReasonStopped, once `stop` says 1.
    void (*waiting)(void* context, const char* target) = nullptr;
    int32_t (*stop)(void* context) = nullptr;
    void* wait_context = nullptr;
};

constexpr size_t kOutputBufferBytes = size_t(1) << 20;
// How far the bytes on the disk and out of the page cache may trail the
// bytes written: the page cache a file holds while it is written.
constexpr int64_t kCachedOutputBytes = int64_t(32) << 20;
// Every this many bytes written, the bytes so far are flushed to the disk on
// a thread of the file's own while the writing goes on. Where the disk's own
// cache holds much (a virtual machine's host keeps gigabytes), the flush at
// the commit would otherwise wait for all of it at the end.
constexpr int64_t kFlushBehindBytes = int64_t(64) << 20;

// The flush behind the writing of one file: at most one runs at a time.
struct FlushBehind {
    std::thread thread;
    std::atomic<bool> running{false};
    std::atomic<int32_t> error{0};  // the reason the first one failed
    int64_t started_at = 0;  // the bytes stored when the last one started
};

struct OutputFile {
    std::FILE* handle = nullptr;
    char* buffer = nullptr;  // kOutputBufferBytes
    size_t fill = 0;         // bytes waiting in buffer
    int64_t stored = 0;      // bytes handed to the system so far
    int64_t dropped = 0;     // bytes from the start on the disk and out of the page cache
    int32_t failed = 0;      // 1 after the first failure
    OutputFault* fault = nullptr;
    char target_path[kPathCapacity] = {};
    char temporary_path[kTemporaryPathCapacity] = {};
    char backup_path[kTemporaryPathCapacity] = {};  // during a commit only
    int32_t temporary_tracked = -1;  // the temporary's place among the names an interrupt removes
    FileLock lock;
    int32_t error = 0;     // as OutputFault::error, for this file; kept until reopened
    int32_t repaired = 0;  // 1 when opening finished an earlier run's commit
    // As OutputFault::notice, for a file opened without a fault record (the
    // first file of its set holds the set's); kept until reopened.
    char notice[kNoticeCapacity] = {};
    char* set_notice = nullptr;  // where the set's notice goes: the fault's, or its first file's
    int64_t flush_behind_bytes = kFlushBehindBytes;
    FlushBehind behind;

    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();
};

// Starts writing a file that will replace target_path: locks the target
// (waiting while another run holds it), finishes or clears what dead runs
// left, and creates a new temporary file beside it. Returns 0 (and leaves
// nothing behind, the reason in `error`) when the path is null, empty,
// longer than kPathCapacity - 1 characters, or the lock or the temporary
// can't be made. Every use ignores SIGXFSZ from then on, so that a file size
// limit fails a write instead of ending the process.
int32_t OpenOutputFile(OutputFile& file, const char* target_path, OutputFault* fault = nullptr);

// Opens the files of one set onto `targets` (count of them, at most 2) as
// OpenOutputFile does, all locks first: only the first `written` files get
// a temporary; the others hold their target's lock until discarded, so that
// a commit an earlier run left half done onto all of them can be finished.
// The first target is to be the one the set's commit renames last.
// Returns 1, or 0 with every file discarded.
int32_t OpenOutputFiles(OutputFile* const* files, const char* const* targets, int32_t count, int32_t written,
                        OutputFault* fault = nullptr);

// Appends one whole piece of text. Returns 1, or 0 when the file is null,
// not open or has failed (now or before).
int32_t WriteOutput(OutputFile* file, const char* text, size_t length);
int32_t WriteOutputText(OutputFile* file, const char* text);  // NUL-terminated

// For formatting in place: room for at least `bytes` (≤ kOutputBufferBytes)
// more bytes at the end of the buffer, or null when the file has failed.
// After writing n ≤ bytes bytes there, call AdvanceOutput(file, n).
char* ReserveOutput(OutputFile* file, size_t bytes);
inline void AdvanceOutput(OutputFile* file, size_t bytes) { file->fill += bytes; }

// Flushes every file of the set to the disk and closes it; when all were
// written completely, renames each temporary over its target (replacing
// it), in array order, flushes the folder and returns 1. A set of several
// files writes its commit record first, so that a run killed between the
// renames is finished by the next one. Otherwise, or when a rename fails,
// every target keeps (or regains) its former contents or absence, every
// temporary is removed, and the result is 0 (the reason in the failing
// file's `error`). The files are closed and their locks let go either way.
int32_t CommitOutputFiles(OutputFile* const* files, int32_t count);
inline int32_t CommitOutputFile(OutputFile& file) {
    OutputFile* set[1] = {&file};
    return CommitOutputFiles(set, 1);
}

// For a run that ends without writing onto `targets` (as OpenOutputFiles
// takes them): when no other run holds their locks, takes them, finishes a
// commit that a run which died left half done and removes its leftovers,
// and lets them go; nothing is waited for. What it finished and refused is
// counted and named in `fault`.
void ClearOutputTargets(const char* const* targets, int32_t count, OutputFault* fault);

// Closes the file, removes its temporary and lets go of its lock; the
// target is not touched.
void DiscardOutputFile(OutputFile& file);
