#pragma once
// The Convert operation: loads the original and the matching file named in
// the window's edit fields, renumbers the matching model to the original's
// vertex order and writes it as the new file (OBJ + MTL).
#include <cstdint>

#include "morph/host.h"

constexpr int32_t kMessageCapacity = 512;

// Returns 1 when the new file was written; 0 when window, progress_bar or
// message is null; -1 when a Workspace path part is empty; -2 original not
// loaded; -3 matching not loaded; -4 new file not written; -5 vertex counts
// differ; -6 no vertices; -7 matching failed; -8 the user declined after the
// face-count warning. For -2 to -7 the message (kMessageCapacity bytes) is
// overwritten with the text to show; otherwise it keeps the caller's text.
int32_t Convert(WindowHost* window, ProgressBar* progress_bar, char* message);
