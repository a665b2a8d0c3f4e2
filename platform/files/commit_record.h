#pragma once
// The record that makes a commit of several files one step. Before the
// first of its renames, a commit writes beside its last target which
// temporary replaces which target (absolute paths, each ended by a NUL),
// after a header with the run's token; after the last rename the record
// goes. A run that dies in between leaves the record, and the next run onto
// the same targets finishes the renames from it, so a set of files never
// stays half replaced.
//
// A record is only trusted as far as this program could have written it: a
// rename is carried out only onto one of the finishing run's own targets,
// from a temporary beside it that carries the record's token in its name
// and is a regular file of this user, not a link. Everything else in a
// record is ignored and reported, and a record that is not a regular file
// of this user with the header is left alone.
#include <cstddef>
#include <cstdint>

constexpr size_t kCommitRecordCapacity = size_t(1) << 15;
// What a run reports of the files beside its targets it refused or ignored.
constexpr size_t kNoticeCapacity = 1024;

// Starts a record text: its header. Returns the length.
size_t StartCommitRecord(char* text, size_t capacity);

// Appends the rename temporary -> target to the record text of `length`
// bytes. Returns the new length, or 0 when a path can't be made absolute or
// the record would not fit `capacity`.
size_t AppendCommitEntry(const char* temporary, const char* target, char* text, size_t length, size_t capacity);

// Finishes the commit whose record lies beside the first of `targets` (the
// run's own, links resolved, each locked by the caller; the first is the
// one a commit renames last, beside which it puts its record), if any,
// as far as the record may be trusted. Returns 1 when a commit was
// finished, 0 when there was none to finish, -1 when a rename failed (the
// record stays for a later run; *error tells why). What was ignored or left
// alone is added to `notice` (kNoticeCapacity bytes).
int32_t FinishInterruptedCommit(const char* const* targets, int32_t count, int32_t* error, char* notice);

// Adds a sentence to `notice` (kNoticeCapacity bytes; null: none), after
// those it holds, cut to its room.
void AddNotice(char* notice, const char* text);
// Adds "<what> \"<path>\": <the reason's words>." to `notice`.
void NoteRefusal(char* notice, const char* what, const char* path, int32_t reason);
