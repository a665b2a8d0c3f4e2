#pragma once
// The Convert operation: loads the original and the matching file, renumbers
// the matching model to the original's vertex order and writes it as the new
// file (OBJ + MTL).
#include <cstdint>

#include "morph/host.h"

constexpr int32_t kMessageCapacity = 512;

// Choices that change how the two files are paired. None exist yet; a null
// pointer asks for the exact pairing by position.
struct ConvertOptions;

// Returns 1 when the new file was written; 0 when a path, host or message is
// null; -2 original not loaded; -3 matching not loaded; -4 new file not
// written; -5 vertex counts differ; -6 no vertices; -7 matching failed; -8
// the user declined after the face-count warning, or the host asked to stop
// between two steps (nothing written; an earlier new file stays as it was). (-1 belongs to the callers:
// a path they could not give.) For -2 to -7 the message (kMessageCapacity
// bytes) is overwritten with the text to show; otherwise it keeps the
// caller's text.
int32_t ConvertFiles(const char* original_path, const char* matching_path, const char* new_path,
                     OperationHost* host, char* message, const ConvertOptions* options = nullptr);
