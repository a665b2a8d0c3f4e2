#pragma once
// Files that replace their targets only when they were written completely.
//
// Each output file is written into a temporary file in its target's folder,
// through one large buffer, in binary mode (line ends are written by the
// caller, "\r\n" everywhere, so the bytes are the same on every platform).
// A write that stores fewer bytes than asked is a failure, and a failed file
// stays failed. CommitOutputFiles then renames the temporaries over their
// targets only when every file of the set was written completely; on any
// failure no target is created or changed and no temporary is left.
//
// Usage:
//   OutputFile obj, mtl;
//   if (!OpenOutputFile(obj, "new.obj") || !OpenOutputFile(mtl, "new.mtl")) ...
//   WriteOutput(&obj, text, length); ...
//   OutputFile* set[] = {&mtl, &obj};
//   int32_t ok = CommitOutputFiles(set, 2);   // 1: all targets replaced
//
// A file that is neither committed nor discarded is discarded when the
// record goes away.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "model/records.h"

// Fault injection for tests: one plan may be shared by several files, and
// counts over all of them in the order the bytes are handed to the system.
struct OutputFault {
    // The write that would store the byte at this position stores only the
    // bytes before it and fails (a disk that fills up). -1: never.
    int64_t fail_at_byte = -1;
    // The rename step with this number (0-based, counted over the commit)
    // fails. -1: never.
    int32_t fail_at_rename = -1;
    // Counters kept by the output files.
    int64_t bytes_stored = 0;
    int32_t renames_done = 0;
};

constexpr size_t kOutputBufferBytes = size_t(1) << 20;
constexpr int kTemporaryPathCapacity = kPathCapacity + 32;

struct OutputFile {
    std::FILE* handle = nullptr;
    char* buffer = nullptr;  // kOutputBufferBytes
    size_t fill = 0;         // bytes waiting in buffer
    int64_t stored = 0;      // bytes handed to the system so far
    int32_t failed = 0;      // 1 after the first failure
    OutputFault* fault = nullptr;
    char target_path[kPathCapacity] = {};
    char temporary_path[kTemporaryPathCapacity] = {};
    char backup_path[kTemporaryPathCapacity] = {};  // during a commit only

    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();
};

// Starts writing a file that will replace target_path: creates a new
// temporary file beside it. Returns 0 (and leaves nothing behind) when the
// path is null, empty, longer than kPathCapacity - 1 characters, or the
// temporary can't be created.
int32_t OpenOutputFile(OutputFile& file, const char* target_path, OutputFault* fault = nullptr);

// Appends one whole piece of text. Returns 1, or 0 when the file is null,
// not open or has failed (now or before).
int32_t WriteOutput(OutputFile* file, const char* text, size_t length);
int32_t WriteOutputText(OutputFile* file, const char* text);  // NUL-terminated

// For formatting in place: room for at least `bytes` (≤ kOutputBufferBytes)
// more bytes at the end of the buffer, or null when the file has failed.
// After writing n ≤ bytes bytes there, call AdvanceOutput(file, n).
char* ReserveOutput(OutputFile* file, size_t bytes);
inline void AdvanceOutput(OutputFile* file, size_t bytes) { file->fill += bytes; }

// Flushes and closes every file of the set; when all were written
// completely, renames each temporary over its target (replacing it), in
// array order, and returns 1. Otherwise, or when a rename fails, every target
// keeps (or regains) its former contents or absence, every temporary is
// removed, and the result is 0. The files are closed afterwards either way.
int32_t CommitOutputFiles(OutputFile* const* files, int32_t count);
inline int32_t CommitOutputFile(OutputFile& file) {
    OutputFile* set[1] = {&file};
    return CommitOutputFiles(set, 1);
}

// Closes the file and removes its temporary; the target is not touched.
void DiscardOutputFile(OutputFile& file);
