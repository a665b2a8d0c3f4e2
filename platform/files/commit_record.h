#pragma once
// The record that makes a commit of several files one step. Before the
// first of its renames, a commit writes beside its last target which
// temporary replaces which target (absolute paths, each ended by a NUL);
// after the last rename the record goes. A run that dies in between leaves
// the record, and the next run onto the same target finishes the renames
// from it, so a set of files never stays half replaced.
#include <cstddef>
#include <cstdint>

constexpr size_t kCommitRecordCapacity = size_t(1) << 15;

// Appends the rename temporary -> target to the record text of `length`
// bytes. Returns the new length, or 0 when a path can't be made absolute or
// the record would not fit `capacity`.
size_t AppendCommitEntry(const char* temporary, const char* target, char* text, size_t length, size_t capacity);

// Finishes the commit whose record lies beside target, if there is one: each
// temporary still present replaces its target, then the record goes. Only
// renames of a target's own temporaries are carried out. Returns 1 when a
// commit was finished, 0 when there was none, -1 when a rename failed (the
// record stays for a later run; *error tells why).
int32_t FinishInterruptedCommit(const char* target, int32_t* error);
