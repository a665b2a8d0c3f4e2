#pragma once
// The current directory a load leaves behind.
#include <cstdint>

#include "model/model.h"

// For a model loaded with change_directory false: makes its OBJ file's
// folder the current directory as a load with change_directory true would
// have (only a file that names a material library, and whose path has a
// folder part, changes it). Returns 1 when it changed (or tried to change)
// the current directory, 0 when such a load leaves it alone.
int32_t EnterLibraryFolder(const Model& model);
