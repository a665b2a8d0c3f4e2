#pragma once
// Converting many matching files against one original, loaded once: the
// steps of Convert after the original is loaded, for one matching file at a
// time, with the original shared read-only, so that several files may be
// converted at once on as many threads.
#include <cstdint>

#include "model/model.h"
#include "morph/host.h"
#include "morph/pairing.h"

// The original as Convert loads it (its positions, group names and face
// counts), leaving the current directory alone. Returns 1, or -2 with the
// message (kMessageCapacity bytes) Convert writes for it.
int32_t LoadOriginal(Model& original, const char* path, OperationHost* host, char* message);

// What happened to one matching file besides its result code.
struct ConvertNotes {
    int32_t ambiguous_count = 0;  // vertices paired within the tolerance among several positions
};

// Convert of the matching file at matching_path against the loaded original,
// writing new_path: the same steps, texts, codes and written bytes as
// ConvertFiles for that pair (1, -3, -4, -5, -6, -7, -8), with `choice`
// deciding the pairing. Never changes the current directory or `original`.
int32_t ConvertAgainstOriginal(const Model& original, const char* matching_path, const char* new_path,
                               const PairingChoice& choice, OperationHost* host, char* message,
                               ConvertNotes* notes = nullptr);
