#pragma once
// The names an output file puts beside its target while it is written:
//   STEM~<hex>.tmp  the new contents (a temporary)
//   STEM~<hex>.bak  a second name for the earlier contents during a commit
//   STEM~lock       held by the run writing the target
//   STEM~commit     the record of a commit of several files (commit_record.h)
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

// A tail "~<16 hex digits><suffix>" unlike any other this process or
// another one makes (salt tells apart the calls of one moment).
void UniqueTail(char (&tail)[kTailCapacity], const char* suffix, uint64_t salt);

// 1 when name (a file name, no folder) is a temporary or backup of target,
// whichever run made it; also the numbered "~<n>.tmp" and "~<n>.bak" names
// of earlier versions of this program.
int32_t IsLeftoverOf(const char* name, const char* target);

// Removes every leftover of target from its folder, except `keep` (a path,
// or null).
void RemoveLeftovers(const char* target, const char* keep);
