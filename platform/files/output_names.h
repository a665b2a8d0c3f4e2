#pragma once
// The names an output file puts beside its target while it is written:
//   STEM~<run>.<n>.tmp  the new contents (a temporary)
//   STEM~<run>.<n>.bak  a second name for the earlier contents during a commit
//   STEM~lock           held by the run writing the target
//   STEM~commit         the record of a commit of several files (commit_record.h)
// <run> is the run's token, 16 hex digits drawn at random once a process,
// <n> 8 hex digits counted within it: a name a user gives a file of their
// own ("new.obj~1.bak") is never taken for one of these.
// STEM is the target's file name; a name longer than kLongNameBytes becomes
// its first kLongNameKept bytes, "~" and a hash of the whole name, so that
// every name above fits the file-name limit of 255 bytes. A temporary or
// backup found while its target is locked belongs to a run that ended
// without finishing (a leftover): nobody else writes one unlocked.
#include <cstdint>

#include "platform/files/file_calls.h"

constexpr int kLongNameBytes = 200;
constexpr int kLongNameKept = 180;
constexpr int kTailCapacity = 32;

// The folder of target, STEM, then tail. Returns 0 when it does not fit.
int32_t NameBeside(const char* target, const char* tail, char (&path)[kTemporaryPathCapacity]);

// This process's run token.
uint64_t RunToken();

// A tail "~<run>.<n><suffix>" unlike any other this process or another one
// makes.
void UniqueTail(char (&tail)[kTailCapacity], const char* suffix);

// Whether name (a file name, no folder) is a temporary or backup of target,
// whichever run made it: 1 a temporary, 2 a backup, 0 neither. *token (when
// not null) receives the run token in the name.
int32_t IsLeftoverOf(const char* name, const char* target, uint64_t* token = nullptr);

// Removes every leftover of target from its folder: only names of the form
// above that are regular files of this user.
void RemoveLeftovers(const char* target);
