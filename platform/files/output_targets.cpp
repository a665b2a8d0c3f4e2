// Opening a set of output files: their targets resolved and locked, what
// earlier runs left beside them cleared, and a temporary made for each.
#include "platform/files/output_file.h"

#include <cstdint>
#include <cstring>

#include "platform/block.h"
#include "platform/files/commit_record.h"
#include "platform/files/interrupt.h"
#include "platform/files/output_names.h"
#include "platform/files/output_steps.h"
#include "platform/files/reason_text.h"

// Where the set of `file` keeps its notice.
char* NoticeOf(OutputFile& file) {
    return file.set_notice ? file.set_notice : file.fault ? file.fault->notice : file.notice;
}

// Adds "<what> \"<path>\" (<owner>'s): <reason>. <advice>" to the notice.
void NoteOwned(OutputFile& file, const char* what, const char* path, int64_t owner, int32_t reason,
               const char* advice) {
    char name[64], words[160], text[kNoticeCapacity];
    UserName(owner, name, sizeof name);
    ReasonText(reason, words, sizeof words);
    std::snprintf(text, sizeof text, "%s \"%s\" (%s's): %s.%s%s", what, path, name, words, advice[0] ? " " : "",
                  advice);
    AddNotice(NoticeOf(file), text);
}

// Creates the file's temporary beside `owner` under a name no other run
// uses, and its buffer.
int32_t OpenTemporary(OutputFile& file, const char* owner, int32_t* error) {
    for (int attempt = 0; attempt < 100 && !file.handle; ++attempt) {
        char tail[kTailCapacity];
        UniqueTail(tail, ".tmp");
        if (!NameBeside(owner, tail, file.temporary_path)) {
            *error = kErrorNameTooLong;
            break;
        }
        // Made and tracked in one step: an interrupt between would leave it.
        DeferInterrupts();
        file.handle = CreateNewFile(file.temporary_path);
        *error = file.handle ? 0 : LastSystemError();
        if (file.handle) file.temporary_tracked = TrackName(file.temporary_path);
        AllowInterrupts();
        if (!file.handle && !IsExistsError(*error)) break;
    }
    if (!file.handle) {
        file.temporary_path[0] = '\0';
        return 0;
    }
    KeepOwnership(file.handle, file.target_path);
    // The buffer here is the only one; pieces go to the system as they are.
    std::setvbuf(file.handle, nullptr, _IONBF, 0);
    file.buffer = static_cast<char*>(AllocateBlock(kOutputBufferBytes));
    if (!file.buffer) *error = kErrorNoMemory;
    return file.buffer ? 1 : 0;
}

// The temporary is no longer the run's to remove: renamed, removed or
// left as a killed run would.
void ForgetTemporary(OutputFile& file) {
    ForgetName(file.temporary_tracked);
    file.temporary_path[0] = '\0';
}

namespace {

// Tells the host, through the fault record, about a wait for another run.
struct TargetWait {
    OutputFault* fault;
    const char* target;
    static void Waiting(void* context) {
        TargetWait& wait = *static_cast<TargetWait*>(context);
        wait.fault->waiting(wait.fault->wait_context, wait.target);
    }
    static int32_t Stop(void* context) {
        OutputFault* fault = static_cast<TargetWait*>(context)->fault;
        return fault->stop(fault->wait_context);
    }
};

// Locks the target (`given` is its path as the caller gave it); a lock file
// that can't be used, or that is held but not this program's, is named in
// the notice with what to do. `wait_for_others` 0: a lock another run holds
// fails at once (kReasonStopped).
int32_t LockTarget(OutputFile& file, const char* given, int32_t* error, bool wait_for_others = true) {
    char lock_path[kTemporaryPathCapacity];
    if (!NameBeside(file.target_path, "~lock", lock_path)) {
        *error = kErrorNameTooLong;
        return 0;
    }
    OutputFault* fault = file.fault;
    TargetWait target{fault, given};
    LockWait wait;
    if (fault && fault->waiting) wait.waiting = TargetWait::Waiting;
    if (fault && fault->stop) wait.stop = TargetWait::Stop;
    if (!wait_for_others) wait.stop = [](void*) -> int32_t { return 1; };
    wait.context = &target;
    if (LockFile(file.lock, lock_path, error, &wait)) {
        if (file.lock.foreign && file.lock.owner != RunnerId())
            NoteOwned(file, "Left alone the lock file", lock_path, file.lock.owner, kReasonOtherOwner, "");
        else if (file.lock.foreign)
            NoteRefusal(NoticeOf(file), "Left alone the lock file", lock_path, kReasonForeignFile);
        return 1;
    }
    // Named only when something is at the lock's name: a missing folder is
    // the new file's own trouble.
    int32_t there = OwnFileRefusal(lock_path);
    if (*error == kReasonStopped || !(there <= 0 || there == kErrorIsFolder)) return 0;
    if (file.lock.owner >= 0 && file.lock.owner != RunnerId())
        NoteOwned(file, "Can't use the lock file", lock_path, file.lock.owner, *error,
                  "Ask its owner to delete it, or write the new file elsewhere.");
    else
        NoteRefusal(NoticeOf(file), "Can't use the lock file", lock_path, *error);
    return 0;
}

// With every target of the set locked, whatever is beside them comes from
// runs that ended: their half-done commit is finished, their temporaries go.
int32_t ClearEarlierRuns(OutputFile* const* files, int32_t count, int32_t* error) {
    const char* targets[2];
    for (int32_t i = 0; i < count; ++i) {
        if (!files[i]->lock.held) return 1;  // no locks here: others' files stay alone
        targets[i] = files[i]->target_path;
    }
    OutputFault* fault = files[0]->fault;
    int32_t finished = FinishInterruptedCommit(targets, count, error, NoticeOf(*files[0]));
    if (finished < 0) return 0;
    if (finished) {
        files[0]->repaired = 1;
        if (fault) ++fault->repaired;
    }
    for (int32_t i = 0; i < count; ++i) RemoveLeftovers(targets[i]);
    return 1;
}

// Follows the links of a target; a link planted by another user is
// refused, one followed is named with the file written.
int32_t ResolveTarget(OutputFile& file, const char* target_path, bool written, int32_t* error) {
    int64_t owner = -1;
    if (!ResolveLinks(target_path, file.target_path, error, &owner)) {
        if (*error == kReasonForeignLink)
            NoteOwned(file, "Refused the link", file.target_path, owner, *error,
                      "Its owner may have aimed it at a file of yours; delete it, or write the new file elsewhere.");
        file.target_path[0] = '\0';
        return 0;
    }
    if (written && std::strcmp(file.target_path, target_path) != 0) {
        char text[kNoticeCapacity];
        std::snprintf(text, sizeof text, "\"%s\" is a symbolic link: the file written is \"%s\".", target_path,
                      file.target_path);
        AddNotice(NoticeOf(file), text);
    }
    return 1;
}

// Resolves and locks one target of a set; a file to be written must have no
// folder or device in its way, and must be the runner's to replace.
int32_t PrepareTarget(OutputFile& file, const char* target_path, bool written, int32_t* error,
                      bool wait_for_others = true) {
    *error = kErrorInvalid;
    if (target_path && target_path[0])
        *error = std::strlen(target_path) < sizeof file.target_path ? 0 : kErrorNameTooLong;
    if (*error || !ResolveTarget(file, target_path, written, error)) return 0;
    if (written && (*error = NotAFileError(file.target_path)) != 0) return 0;
    int64_t owner = -1;
    if (written && (*error = ReplaceRefusal(file.target_path, &owner)) != 0) {
        NoteOwned(file, "Can't replace", file.target_path, owner, *error,
                  "In this folder only its owner may replace or delete it; ask them to, or write the new file "
                  "elsewhere.");
        return 0;
    }
    if (!LockTarget(file, target_path, error, wait_for_others)) return 0;
    *error = 0;
    return 1;
}

}  // namespace

int32_t OpenOutputFile(OutputFile& file, const char* target_path, OutputFault* fault) {
    OutputFile* set[1] = {&file};
    return OpenOutputFiles(set, &target_path, 1, 1, fault);
}

int32_t OpenOutputFiles(OutputFile* const* files, const char* const* targets, int32_t count, int32_t written,
                        OutputFault* fault) {
    IgnoreFileSizeSignal();
    for (int32_t i = 0; i < count; ++i) {
        DiscardOutputFile(*files[i]);
        files[i]->fault = fault;
        files[i]->error = 0;
        files[i]->repaired = 0;
        files[i]->notice[0] = '\0';
        files[i]->set_notice = fault ? fault->notice : files[0]->notice;
    }
    // A folder or a device in the way fails before anything is made beside it.
    int32_t error = count > 0 && count <= 2 ? 0 : kErrorInvalid;
    int32_t failing = 0;  // the file that failed
    for (; !error && failing < count; ++failing)
        if (!PrepareTarget(*files[failing], targets[failing], failing < written, &error)) break;
    if (!error && !ClearEarlierRuns(files, count, &error)) failing = 0;
    for (int32_t i = 0; !error && i < written; ++i) {
        OutputFile& file = *files[i];
        failing = i;
        if (!OpenTemporary(file, file.target_path, &error)) break;
        file.stored = 0;
        file.dropped = 0;
        file.failed = 0;
        file.fill = 0;
    }
    if (!error) return 1;
    if (failing < count) Fail(*files[failing], error);
    for (int32_t i = 0; i < count; ++i) DiscardOutputFile(*files[i]);
    return 0;
}

void ClearOutputTargets(const char* const* targets, int32_t count, OutputFault* fault) {
    OutputFile files[2];
    OutputFile* set[2] = {&files[0], &files[1]};
    int32_t error = count > 0 && count <= 2 ? 0 : kErrorInvalid;
    for (int32_t i = 0; !error && i < count; ++i) {
        files[i].fault = fault;
        if (!PrepareTarget(files[i], targets[i], false, &error, false)) break;
    }
    if (!error) ClearEarlierRuns(set, count, &error);
    for (int32_t i = 0; i < count; ++i) DiscardOutputFile(files[i]);
}
