#pragma once
// The inputs of a conversion are never written over: a new file, or its
// material library, that is one of them (the same file, however its path is
// spelled: through "..", a symbolic link or a hard link) is refused before
// anything is written.
#include <cstdint>

#include "model/model.h"

// An input of the run and how the refusal calls it ("the original file").
struct RunInput {
    const char* path;  // null or empty: none
    const char* called;
};

// 1 when neither new_path nor its material library is one of `inputs`;
// else 0 with the message (kMessageCapacity bytes) of a file that can't be
// saved, saying which input it would replace.
int32_t SparesInputs(const char* new_path, const RunInput* inputs, int32_t count, char* message);

// SparesInputs for the two files and the material libraries they loaded.
// A library path that is relative is left out: the loads have moved the
// current directory it counted from.
int32_t SparesLoadedInputs(const char* new_path, const Model& original, const Model& matching, char* message);
