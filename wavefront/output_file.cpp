#include "wavefront/output_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

#include "platform/block.h"
#include "model/text.h"

#if defined(_WIN32)
#include <io.h>
extern "C" __declspec(dllimport) int __stdcall MoveFileExA(const char* existing, const char* replacement,
                                                           unsigned long flags);
#else
#include <unistd.h>
#endif

namespace {

#if defined(_WIN32)
constexpr unsigned long kMoveFileReplaceExisting = 1;  // MOVEFILE_REPLACE_EXISTING
#endif

// Creates `path` new and empty for writing; fails when it exists already.
std::FILE* CreateNewFile(const char* path, int* error) {
#if defined(_WIN32)
    int fd = _open(path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    *error = errno;
    if (fd < 0) return nullptr;
    std::FILE* handle = _fdopen(fd, "wb");
    if (!handle) _close(fd);
#else
    int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    *error = errno;
    if (fd < 0) return nullptr;
    std::FILE* handle = fdopen(fd, "wb");
    if (!handle) close(fd);
#endif
    return handle;
}

// `base` followed by "~<number><suffix>", cut to nothing if it does not fit.
int32_t NumberedPath(char (&destination)[kTemporaryPathCapacity], const char* base, int number,
                     const char* suffix) {
    char tail[32];
    std::snprintf(tail, sizeof tail, "~%d%s", number, suffix);
    CopyText(destination, base);
    return AppendText(destination, tail);
}

// 1 when something exists at path, and sets *regular to whether it is a
// regular file.
int32_t PathExists(const char* path, int32_t* regular) {
    struct stat info;
    if (stat(path, &info) != 0) return 0;
    *regular = S_ISREG(info.st_mode) ? 1 : 0;
    return 1;
}

// Moves `from` to `to`, replacing a file at `to`. Returns 1 or 0.
int32_t ReplacePath(const char* from, const char* to) {
#if defined(_WIN32)
    return MoveFileExA(from, to, kMoveFileReplaceExisting) != 0 ? 1 : 0;
#else
    return std::rename(from, to) == 0 ? 1 : 0;
#endif
}

// One rename step of a commit, which the fault plan may make fail.
int32_t RenameStep(OutputFault* fault, const char* from, const char* to) {
    if (fault) {
        int32_t step = fault->renames_done++;
        if (step == fault->fail_at_rename) return 0;
    }
    return ReplacePath(from, to);
}

// Hands n bytes to the system. A short write, real or injected, fails the file.
int32_t StoreBytes(OutputFile& file, const char* data, size_t n) {
    if (n == 0) return 1;
    size_t allowed = n;
    bool injected = false;
    if (file.fault && file.fault->fail_at_byte >= 0) {
        int64_t room = file.fault->fail_at_byte - file.fault->bytes_stored;
        if (room < static_cast<int64_t>(n)) {
            allowed = room > 0 ? static_cast<size_t>(room) : 0;
            injected = true;
        }
    }
    size_t put = allowed ? std::fwrite(data, 1, allowed, file.handle) : 0;
    file.stored += static_cast<int64_t>(put);
    if (file.fault) file.fault->bytes_stored += static_cast<int64_t>(put);
    if (injected || put != n) {
        file.failed = 1;
        return 0;
    }
    return 1;
}

int32_t FlushBuffer(OutputFile& file) {
    if (file.failed || !file.handle) return 0;
    size_t n = file.fill;
    file.fill = 0;
    return StoreBytes(file, file.buffer, n);
}

// Flushes and closes; 1 when every byte reached the system.
int32_t FinishFile(OutputFile& file) {
    if (!file.handle) return 0;
    int32_t ok = file.failed ? 0 : FlushBuffer(file);
    if (std::fclose(file.handle) != 0) ok = 0;
    file.handle = nullptr;
    ReleaseBlock(file.buffer);
    file.buffer = nullptr;
    file.fill = 0;
    if (!ok) file.failed = 1;
    return ok;
}

// Undoes the commit of one file: the target regains its former contents,
// or disappears when it had none.
void RollBack(OutputFile& file) {
    if (file.backup_path[0]) {
        ReplacePath(file.backup_path, file.target_path);
        file.backup_path[0] = '\0';
    } else {
        std::remove(file.target_path);
    }
}

}  // namespace

OutputFile::~OutputFile() { DiscardOutputFile(*this); }

int32_t OpenOutputFile(OutputFile& file, const char* target_path, OutputFault* fault) {
    DiscardOutputFile(file);
    if (!target_path || !target_path[0] || std::strlen(target_path) >= sizeof file.target_path) return 0;
    file.buffer = static_cast<char*>(AllocateBlock(kOutputBufferBytes));
    if (!file.buffer) return 0;
    CopyText(file.target_path, target_path);
    for (int number = 0; number < 1000; ++number) {
        if (!NumberedPath(file.temporary_path, target_path, number, ".tmp")) break;
        int error = 0;
        file.handle = CreateNewFile(file.temporary_path, &error);
        if (file.handle) break;
        if (error != EEXIST) break;
    }
    if (!file.handle) {
        file.temporary_path[0] = '\0';
        DiscardOutputFile(file);
        return 0;
    }
    // The buffer here is the only one; pieces go to the system as they are.
    std::setvbuf(file.handle, nullptr, _IONBF, 0);
    file.fault = fault;
    file.stored = 0;
    file.failed = 0;
    file.fill = 0;
    return 1;
}

int32_t WriteOutput(OutputFile* file, const char* text, size_t length) {
    if (!file || !file->handle || file->failed) return 0;
    if (length <= kOutputBufferBytes - file->fill) {
        if (length) std::memcpy(file->buffer + file->fill, text, length);
        file->fill += length;
        return 1;
    }
    if (!FlushBuffer(*file)) return 0;
    if (length <= kOutputBufferBytes) {
        std::memcpy(file->buffer, text, length);
        file->fill = length;
        return 1;
    }
    return StoreBytes(*file, text, length);
}

int32_t WriteOutputText(OutputFile* file, const char* text) {
    return WriteOutput(file, text, text ? std::strlen(text) : 0);
}

char* ReserveOutput(OutputFile* file, size_t bytes) {
    if (!file || !file->handle || file->failed || bytes > kOutputBufferBytes) return nullptr;
    if (bytes > kOutputBufferBytes - file->fill && !FlushBuffer(*file)) return nullptr;
    return file->buffer + file->fill;
}

void DiscardOutputFile(OutputFile& file) {
    if (file.handle) std::fclose(file.handle);
    file.handle = nullptr;
    if (file.temporary_path[0]) std::remove(file.temporary_path);
    file.temporary_path[0] = '\0';
    file.backup_path[0] = '\0';
    ReleaseBlock(file.buffer);
    file.buffer = nullptr;
    file.fill = 0;
    file.stored = 0;
    file.failed = 0;
    file.fault = nullptr;
}

int32_t CommitOutputFiles(OutputFile* const* files, int32_t count) {
    if (!files || count <= 0) return 0;
    int32_t ok = 1;
    for (int32_t i = 0; i < count; ++i) {
        if (!files[i] || !FinishFile(*files[i])) ok = 0;
    }
    // Only files may be replaced: a directory (or anything else) at a target
    // fails the set before any target is touched.
    for (int32_t i = 0; ok && i < count; ++i) {
        int32_t regular = 0;
        if (PathExists(files[i]->target_path, &regular) && !regular) ok = 0;
    }

    int32_t done = 0;  // files whose temporary now stands at the target
    for (int32_t i = 0; ok && i < count; ++i) {
        OutputFile& file = *files[i];
        int32_t regular = 0;
        bool last = i == count - 1;
        // Every target but the last keeps a way back until all are in place.
        // The last one is replaced in one step: nothing after it can fail.
        if (!last && PathExists(file.target_path, &regular)) {
            int32_t kept = 0;
            for (int number = 0; number < 1000 && !kept; ++number) {
                if (!NumberedPath(file.backup_path, file.target_path, number, ".bak")) break;
                int32_t other = 0;
                if (PathExists(file.backup_path, &other)) continue;
#if defined(_WIN32)
                kept = ReplacePath(file.target_path, file.backup_path);
#else
                // A second name for the old contents: the target itself stays.
                kept = link(file.target_path, file.backup_path) == 0 ? 1 : 0;
                if (!kept && errno != EEXIST) kept = ReplacePath(file.target_path, file.backup_path);
#endif
                if (!kept && errno != EEXIST) break;
            }
            if (!kept) {
                file.backup_path[0] = '\0';
                ok = 0;
                break;
            }
        }
        if (!RenameStep(file.fault, file.temporary_path, file.target_path)) {
            // The target may have been moved aside above: bring it back.
            if (file.backup_path[0]) {
                int32_t present = PathExists(file.target_path, &regular);
                if (!present) ReplacePath(file.backup_path, file.target_path);
                else std::remove(file.backup_path);
                file.backup_path[0] = '\0';
            }
            ok = 0;
            break;
        }
        file.temporary_path[0] = '\0';
        ++done;
    }

    if (!ok) {
        for (int32_t i = done - 1; i >= 0; --i) RollBack(*files[i]);
    }
    for (int32_t i = 0; i < count; ++i) {
        if (!files[i]) continue;
        if (files[i]->backup_path[0]) std::remove(files[i]->backup_path);
        DiscardOutputFile(*files[i]);
    }
    return ok;
}
