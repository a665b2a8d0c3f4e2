#pragma once
// The steps of the output files that both opening a set (output_targets.cpp)
// and writing and committing it (output_file.cpp) take; each is described
// where it is defined.
#include <cstdint>

#include "platform/files/output_file.h"

int32_t Fail(OutputFile& file, int32_t error);
char* NoticeOf(OutputFile& file);
void NoteOwned(OutputFile& file, const char* what, const char* path, int64_t owner, int32_t reason,
               const char* advice);
int32_t OpenTemporary(OutputFile& file, const char* owner, int32_t* error);
void ForgetTemporary(OutputFile& file);
