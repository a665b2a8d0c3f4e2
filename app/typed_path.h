#pragma once
// Paths as the user hands them to a path field: typed, pasted from
// Explorer's "Copy as path" (in double quotes) or dropped.
#include <cstdint>

// Removes the spaces around the path and one pair of double quotes around
// it, in place.
void TidyTypedPath(char* path);

// The folder of a path (up to and with its last backslash or slash; empty
// when it has none) and its file name (the rest), each kPathCapacity bytes.
void SplitTypedPath(const char* path, char* directory, char* file_name);
