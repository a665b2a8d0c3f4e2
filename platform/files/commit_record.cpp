#include "platform/files/commit_record.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "platform/block.h"
#include "platform/text.h"
#include "platform/files/output_names.h"
#include "platform/path_text.h"

namespace {

constexpr size_t kAbsolutePathCapacity = 4096;

// 1 when temporary is one of target's own temporaries, in target's folder.
int32_t BelongsTo(const char* temporary, const char* target) {
    size_t folder = FileNameOffset(target);
    if (FileNameOffset(temporary) != folder || std::strncmp(temporary, target, folder) != 0) return 0;
    return IsLeftoverOf(temporary + folder, target);
}

// Reads the whole record at path into text (NUL-terminated). Returns its
// length, or -1 when there is no readable record.
int64_t ReadRecord(const char* path, char* text, size_t capacity) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return -1;
    size_t length = std::fread(text, 1, capacity - 1, file);
    bool whole = std::feof(file) != 0;
    std::fclose(file);
    if (!whole) return -1;
    text[length] = '\0';
    return static_cast<int64_t>(length);
}

// Carries out the renames of a record. 1, or -1 when one failed.
int32_t ApplyRecord(const char* text, size_t length, int32_t* error) {
    const char* end = text + length;
    for (const char* at = text; at < end;) {
        const char* temporary = at;
        const char* target = temporary + std::strlen(temporary) + 1;
        if (target >= end) break;
        at = target + std::strlen(target) + 1;
        if (!BelongsTo(temporary, target) || PathKind(temporary) < 0) continue;
        if (!ReplacePath(temporary, target)) {
            *error = LastSystemError();
            return -1;
        }
        FlushFolderOf(target);
    }
    return 1;
}

}  // namespace

size_t AppendCommitEntry(const char* temporary, const char* target, char* text, size_t length, size_t capacity) {
    for (const char* path : {temporary, target}) {
        char absolute[kAbsolutePathCapacity];
        if (!AbsolutePath(path, absolute, sizeof absolute)) return 0;
        size_t size = std::strlen(absolute) + 1;
        if (length > capacity || size > capacity - length) return 0;
        std::memcpy(text + length, absolute, size);
        length += size;
    }
    return length;
}

int32_t FinishInterruptedCommit(const char* target, int32_t* error) {
    char record_path[kTemporaryPathCapacity];
    if (!NameBeside(target, "~commit", record_path) || PathKind(record_path) < 0) return 0;
    char* text = static_cast<char*>(AllocateBlock(kCommitRecordCapacity));
    if (!text) {
        *error = kErrorNoMemory;
        return -1;
    }
    int64_t length = ReadRecord(record_path, text, kCommitRecordCapacity);
    int32_t result = length < 0 ? 0 : ApplyRecord(text, static_cast<size_t>(length), error);
    ReleaseBlock(text);
    if (result < 0) return result;
    std::remove(record_path);
    FlushFolderOf(record_path);
    return result;
}
