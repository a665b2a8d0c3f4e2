#include "platform/files/output_file.h"

#include <cstdint>
#include <cstring>

#include "platform/block.h"
#include "platform/files/commit_record.h"
#include "platform/files/interrupt.h"
#include "platform/files/output_names.h"
#include "platform/files/output_steps.h"
#include "platform/path_text.h"

// Keeps the first reason a file failed, in the file and in its fault record.
int32_t Fail(OutputFile& file, int32_t error) {
    file.failed = 1;
    if (!file.error) file.error = error ? error : kErrorInputOutput;
    if (file.fault && !file.fault->error) file.fault->error = file.error;
    return 0;
}

namespace {

// One flush to the disk, which the fault plan may make fail; the result is
// the reason of a failure, else 0. Folder flushes are counted but can't
// fail: some file systems refuse them, and the renames before them stand
// all the same.
int32_t SyncStep(OutputFault* fault, std::FILE* file, const char* folder_of) {
    int32_t step = fault ? fault->syncs_done++ : -1;
    if (!file) {
        FlushFolderOf(folder_of);
        return 0;
    }
    if (step >= 0 && step == fault->fail_at_sync) return kErrorInputOutput;
    return FlushToDisk(file) ? 0 : LastSystemError();
}

// One rename step of a commit, which the fault plan may make fail; a
// refusal names the file and its owner.
int32_t RenameStep(OutputFile& file) {
    if (file.fault) {
        int32_t step = file.fault->renames_done++;
        if (step == file.fault->fail_at_rename) return Fail(file, kErrorInputOutput);
    }
    if (ReplacePath(file.temporary_path, file.target_path)) return 1;
    int32_t error = LastSystemError();
    int64_t owner = EntryOwner(file.target_path);
    if (owner >= 0 && owner != RunnerId()) NoteOwned(file, "Can't replace", file.target_path, owner, error, "");
    return Fail(file, error);
}

// Once the written bytes run a window ahead of those on the disk, waits for
// the older half of the window and lets the system drop it from the cache.
int32_t DropTrailingPages(OutputFile& file) {
    if (file.stored - file.dropped < 2 * kCachedOutputBytes) return 1;
    int64_t end = file.stored - kCachedOutputBytes;
    if (!DropWrittenPages(file.handle, file.dropped, end - file.dropped)) return Fail(file, LastSystemError());
    file.dropped = end;
    return 1;
}

// The flush behind the writing, once over: its failure fails the file, as
// the flush at the commit would not see that failure again.
int32_t JoinFlushBehind(OutputFile& file) {
    FlushBehind& behind = file.behind;
    if (behind.thread.joinable()) behind.thread.join();
    int32_t error = behind.error.exchange(0);
    return error ? Fail(file, error) : 1;
}

// Starts flushing the bytes stored so far once enough have come since the
// last flush started and it is over.
int32_t FlushBehindWriting(OutputFile& file) {
    FlushBehind& behind = file.behind;
    if (file.stored - behind.started_at < file.flush_behind_bytes || behind.running) return 1;
    if (!JoinFlushBehind(file)) return 0;
    behind.started_at = file.stored;
    behind.running = true;
    std::FILE* handle = file.handle;
    const bool fails = file.fault && file.fault->fail_flush_behind;
    behind.thread = std::thread([&behind, handle, fails] {
        int32_t error = fails ? kErrorInputOutput : (FlushHandedBytes(handle) ? 0 : LastSystemError());
        if (error) behind.error = error;
        behind.running = false;
    });
    return 1;
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
    StartWriteBack(file.handle, file.stored, static_cast<int64_t>(put));
    file.stored += static_cast<int64_t>(put);
    if (file.fault) file.fault->bytes_stored += static_cast<int64_t>(put);
    if (put != allowed) return Fail(file, LastSystemError());
    if (injected) return Fail(file, kErrorNoSpace);
    return DropTrailingPages(file) && FlushBehindWriting(file);
}

int32_t FlushBuffer(OutputFile& file) {
    if (file.failed || !file.handle) return 0;
    size_t n = file.fill;
    file.fill = 0;
    return StoreBytes(file, file.buffer, n);
}

// Flushes to the disk and closes; 1 when every byte reached it.
int32_t FinishFile(OutputFile& file) {
    if (!file.handle) return 0;
    int32_t ok = file.failed ? 0 : FlushBuffer(file);
    ok = JoinFlushBehind(file) && ok;
    if (ok) {
        if (int32_t error = SyncStep(file.fault, file.handle, nullptr)) ok = Fail(file, error);
    }
    if (std::fclose(file.handle) != 0 && ok) ok = Fail(file, LastSystemError());
    file.handle = nullptr;
    ReleaseBlock(file.buffer);
    file.buffer = nullptr;
    file.fill = 0;
    if (!ok) file.failed = 1;
    return ok;
}

// Gives the earlier contents of a target a second name for the time of the
// commit, so a later failure can bring them back.
int32_t KeepEarlier(OutputFile& file) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        char tail[kTailCapacity];
        UniqueTail(tail, ".bak");
        if (!NameBeside(file.target_path, tail, file.backup_path)) break;
        if (KeepUnderSecondName(file.target_path, file.backup_path)) return 1;
        if (!IsExistsError(LastSystemError())) {
            Fail(file, LastSystemError());
            break;
        }
    }
    Fail(file, kErrorNameTooLong);
    file.backup_path[0] = '\0';
    return 0;
}

// After the file's own rename failed: the target may have been moved aside
// by KeepEarlier, so it comes back; a mere second name just goes.
void RestoreEarlier(OutputFile& file) {
    if (!file.backup_path[0]) return;
    if (PathKind(file.target_path) < 0) ReplacePath(file.backup_path, file.target_path);
    else std::remove(file.backup_path);
    file.backup_path[0] = '\0';
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

// Writes the commit record of the set beside its last target, durably and
// in one step. Sets record_path. Returns 1 or 0.
int32_t WriteRecord(OutputFile* const* files, int32_t count, char (&record_path)[kTemporaryPathCapacity]) {
    OutputFile& last = *files[count - 1];
    OutputFile record;  // its bytes are not the files' bytes: no fault plan until its flush
    int32_t error = kErrorNoMemory;
    char* text = static_cast<char*>(AllocateBlock(kCommitRecordCapacity));
    size_t length = text ? StartCommitRecord(text, kCommitRecordCapacity) : 0;
    for (int32_t i = 0; text && i < count; ++i) {
        length = AppendCommitEntry(files[i]->temporary_path, files[i]->target_path, text, length,
                                   kCommitRecordCapacity);
        error = length ? 0 : kErrorNameTooLong;
        if (!length) break;
    }
    int32_t ok = !error && NameBeside(last.target_path, "~commit", record_path) &&
                 OpenTemporary(record, last.target_path, &error) && WriteOutput(&record, text, length) &&
                 FlushBuffer(record);
    record.fault = last.fault;
    ok = ok && FinishFile(record);
    ReleaseBlock(text);
    // Whatever holds the record's name was left alone when the set was
    // opened: it is not this program's to replace.
    if (ok && !MoveToFreeName(record.temporary_path, record_path)) {
        ok = 0;
        error = LastSystemError();
        if (IsExistsError(error)) {
            int32_t refusal = OwnFileRefusal(record_path);
            error = refusal ? refusal : kReasonForeignFile;
            NoteRefusal(NoticeOf(last), "Can't write the commit record", record_path, error);
        }
    }
    if (!ok) {
        Fail(last, record.error ? record.error : error);
        record_path[0] = '\0';
        DiscardOutputFile(record);
        return 0;
    }
    ForgetTemporary(record);
    SyncStep(last.fault, nullptr, record_path);
    return 1;
}

// Renames every temporary over its target. Returns 1, 0 when a step failed
// (*done files had been renamed), or -1 when the fault plan stopped it.
int32_t RenameAll(OutputFile* const* files, int32_t count, int32_t* done) {
    for (int32_t i = 0; i < count; ++i) {
        OutputFile& file = *files[i];
        OutputFault* fault = file.fault;
        if (fault && fault->before_rename && fault->before_rename(fault->context, fault->renames_done)) return -1;
        // Every target but the last keeps a way back until all are in place.
        // The last one is replaced in one step: nothing after it can fail.
        if (i < count - 1 && PathKind(file.target_path) > 0 && !KeepEarlier(file)) return 0;
        if (!RenameStep(file)) {
            RestoreEarlier(file);
            return 0;
        }
        ForgetTemporary(file);
        ++*done;
    }
    return 1;
}

// 1 when an earlier file of the set has its target in the same folder as
// file `i`: that folder's flush after the renames covers both.
int32_t FolderFlushedBefore(OutputFile* const* files, int32_t i) {
    char folder[kTemporaryPathCapacity];
    char earlier[kTemporaryPathCapacity];
    if (!FolderPart(files[i]->target_path, folder, sizeof folder)) return 0;
    for (int32_t k = 0; k < i; ++k) {
        if (files[k] && FolderPart(files[k]->target_path, earlier, sizeof earlier) &&
            std::strcmp(folder, earlier) == 0) {
            return 1;
        }
    }
    return 0;
}

// What a killed run leaves: every name on disk stays as it is.
void Abandon(OutputFile* const* files, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        ForgetTemporary(*files[i]);
        files[i]->backup_path[0] = '\0';
        DiscardOutputFile(*files[i]);
    }
}

}  // namespace

OutputFile::~OutputFile() { DiscardOutputFile(*this); }

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
    if (file.behind.thread.joinable()) file.behind.thread.join();
    file.behind.error = 0;
    file.behind.started_at = 0;
    if (file.handle) std::fclose(file.handle);
    file.handle = nullptr;
    if (file.temporary_path[0]) std::remove(file.temporary_path);
    ForgetTemporary(file);
    file.backup_path[0] = '\0';
    UnlockFile(file.lock);
    ReleaseBlock(file.buffer);
    file.buffer = nullptr;
    file.fill = 0;
    file.stored = 0;
    file.dropped = 0;
    file.failed = 0;
    file.fault = nullptr;
}

int32_t CommitOutputFiles(OutputFile* const* files, int32_t count) {
    if (!files || count <= 0) return 0;
    int32_t ok = 1;
    for (int32_t i = 0; i < count; ++i) {
        if (!files[i] || !FinishFile(*files[i])) ok = 0;
    }
    // Only files may be replaced: a folder (or anything else) at a target
    // fails the set before any target is touched.
    for (int32_t i = 0; ok && i < count; ++i) {
        if (int32_t error = NotAFileError(files[i]->target_path)) ok = Fail(*files[i], error);
    }
    // From the record on, an interrupt waits for the renames to be over;
    // one that came already stops the commit before anything is renamed.
    BeginCommitSteps();
    if (ok && CommitInterrupted()) ok = Fail(*files[count - 1], kReasonStopped);
    char record_path[kTemporaryPathCapacity] = "";
    if (ok && count > 1) ok = WriteRecord(files, count, record_path);

    int32_t done = 0;  // files whose temporary now stands at the target
    if (ok) {
        int32_t renamed = RenameAll(files, count, &done);
        if (renamed < 0) {
            Abandon(files, count);
            EndCommitSteps(0);
            return 0;
        }
        ok = renamed;
    }
    // The record goes first: from then on nobody rolls this commit forward.
    if (record_path[0]) std::remove(record_path);
    if (!ok) {
        for (int32_t i = done - 1; i >= 0; --i) RollBack(*files[i]);
    }
    for (int32_t i = 0; i < count; ++i) {
        if (files[i] && files[i]->backup_path[0]) std::remove(files[i]->backup_path);
        if (files[i]) files[i]->backup_path[0] = '\0';
    }
    // The names are settled: an interrupt that waited ends the run here,
    // not after the flushes of the folders, which may take long.
    EndCommitSteps(ok);
    for (int32_t i = 0; i < count; ++i) {
        if (files[i] && !FolderFlushedBefore(files, i)) SyncStep(files[i]->fault, nullptr, files[i]->target_path);
    }
    for (int32_t i = 0; i < count; ++i) {
        if (files[i]) DiscardOutputFile(*files[i]);
    }
    return ok;
}
