#include "platform/files/commit_record.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "platform/block.h"
#include "platform/text.h"
#include "platform/files/file_calls.h"
#include "platform/files/output_names.h"
#include "platform/files/reason_text.h"
#include "platform/path_text.h"

namespace {

constexpr size_t kAbsolutePathCapacity = 4096;
const char kHeader[] = "quandrelistaphor commit ";
constexpr size_t kHeaderLength = sizeof kHeader - 1 + 16 + 1;  // the token's digits and a NUL

// The token of a record text with a sound header, else 0 (no token is 0
// but by a chance of one in 2^64).
uint64_t RecordToken(const char* text, size_t length) {
    if (length < kHeaderLength || std::memcmp(text, kHeader, sizeof kHeader - 1) != 0) return 0;
    if (text[kHeaderLength - 1] != '\0') return 0;
    uint64_t token = 0;
    for (const char* c = text + sizeof kHeader - 1; *c; ++c) {
        int digit = *c >= '0' && *c <= '9' ? *c - '0' : *c >= 'a' && *c <= 'f' ? *c - 'a' + 10 : -1;
        if (digit < 0) return 0;
        token = token << 4 | uint64_t(digit);
    }
    return token;
}

// The run's own targets, made absolute as the records name them.
struct OwnTargets {
    char paths[2][kAbsolutePathCapacity];
    int32_t count = 0;
};

int32_t IsOwnTarget(const OwnTargets& own, const char* target) {
    for (int32_t i = 0; i < own.count; ++i)
        if (std::strcmp(own.paths[i], target) == 0) return 1;
    return 0;
}

// Whether the entry temporary -> target may be carried out: 1 yes, 0 its
// rename was made already, -1 it must be ignored.
int32_t EntryStanding(const OwnTargets& own, uint64_t token, const char* temporary, const char* target) {
    if (!IsOwnTarget(own, target)) return -1;
    size_t folder = FileNameOffset(target);
    if (FileNameOffset(temporary) != folder || std::strncmp(temporary, target, folder) != 0) return -1;
    uint64_t named = 0;
    if (IsLeftoverOf(temporary + folder, target, &named) != 1 || named != token) return -1;
    int32_t refusal = OwnFileRefusal(temporary);
    if (refusal == 0) return 1;
    return IsMissingError(refusal) ? 0 : -1;
}

// Reads the whole record into text (NUL-terminated). Returns its length, or
// -1 with the reason it can't be used.
int64_t ReadRecord(const char* path, char* text, size_t capacity, int32_t* reason) {
    std::FILE* file = OpenOwnFile(path, reason);
    if (!file) return -1;
    size_t length = std::fread(text, 1, capacity - 1, file);
    bool whole = std::feof(file) != 0;
    std::fclose(file);
    if (!whole) {
        *reason = kReasonForeignFile;
        return -1;
    }
    text[length] = '\0';
    return static_cast<int64_t>(length);
}

// Carries out the renames a record may make. 1, or -1 when one failed.
int32_t ApplyRecord(const OwnTargets& own, const char* text, size_t length, int32_t* error, int32_t* ignored) {
    const uint64_t token = RecordToken(text, length);
    const char* end = text + length;
    for (const char* at = text + kHeaderLength; at < end;) {
        const char* temporary = at;
        const char* target = temporary + std::strlen(temporary) + 1;
        if (target >= end) {
            ++*ignored;
            break;
        }
        at = target + std::strlen(target) + 1;
        int32_t standing = EntryStanding(own, token, temporary, target);
        if (standing < 0) ++*ignored;
        if (standing <= 0) continue;
        if (!ReplacePath(temporary, target)) {
            *error = LastSystemError();
            return -1;
        }
        FlushFolderOf(target);
    }
    return 1;
}

}  // namespace

void AddNotice(char* notice, const char* text) {
    if (!notice) return;
    if (notice[0]) AppendText(notice, kNoticeCapacity, " ");
    AppendText(notice, kNoticeCapacity, text);
}

void NoteRefusal(char* notice, const char* what, const char* path, int32_t reason) {
    char words[160];
    char text[kNoticeCapacity];
    ReasonText(reason, words, sizeof words);
    std::snprintf(text, sizeof text, "%s \"%s\": %s.", what, path, words);
    AddNotice(notice, text);
}

size_t StartCommitRecord(char* text, size_t capacity) {
    if (capacity < kHeaderLength + 1) return 0;
    std::snprintf(text, capacity, "%s%016llx", kHeader, static_cast<unsigned long long>(RunToken()));
    return kHeaderLength;
}

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

int32_t FinishInterruptedCommit(const char* const* targets, int32_t count, int32_t* error, char* notice) {
    char record_path[kTemporaryPathCapacity];
    if (count <= 0 || count > 2 || !NameBeside(targets[0], "~commit", record_path)) return 0;
    int32_t reason = OwnFileRefusal(record_path);
    if (IsMissingError(reason)) return 0;
    OwnTargets own;
    for (int32_t i = 0; i < count; ++i)
        if (AbsolutePath(targets[i], own.paths[own.count], kAbsolutePathCapacity)) ++own.count;
    char* text = static_cast<char*>(AllocateBlock(kCommitRecordCapacity));
    if (!text) {
        *error = kErrorNoMemory;
        return -1;
    }
    int64_t length = reason ? -1 : ReadRecord(record_path, text, kCommitRecordCapacity, &reason);
    if (length >= 0 && RecordToken(text, size_t(length)) == 0) {
        length = -1;
        reason = kReasonForeignFile;
    }
    int32_t ignored = 0;
    char said[kNoticeCapacity];
    int32_t result = length < 0 ? 0 : ApplyRecord(own, text, static_cast<size_t>(length), error, &ignored);
    ReleaseBlock(text);
    if (length < 0) {
        NoteRefusal(notice, "Left alone the commit record", record_path, reason);
        char owner[64];
        UserName(EntryOwner(record_path), owner, sizeof owner);
        std::snprintf(said, sizeof said,
                      "It may say the new file and its library are a half-replaced pair; once they are checked, "
                      "delete it (it is %s's).", owner);
        AddNotice(notice, said);
        return 0;
    }
    if (result < 0) return result;
    std::snprintf(said, sizeof said,
                  "Ignored %d entries of the commit record \"%s\": they name files other than this run's new "
                  "files and their own temporaries.",
                  ignored, record_path);
    if (ignored) AddNotice(notice, said);
    std::remove(record_path);
    FlushFolderOf(record_path);
    return result;
}
