#pragma once
// File name patterns in arguments. A POSIX shell expands `*.obj` before the
// program starts; the Windows command prompt hands it over as typed, so there
// the program expands it itself.
#include <memory>
#include <vector>

#include "cli/arguments.h"

// Owns the expanded names for as long as the arguments are used.
struct ExpandedNames {
    std::vector<std::unique_ptr<char[]>> names;
};

// On Windows: replaces each positional argument whose file name part holds
// `*` or `?` by the names of the files it matches (folders left out), in
// name order, each with the argument's folder part. Returns 0, or the usage
// error's status when a pattern matches nothing or too many. Elsewhere: 0,
// changing nothing.
int ExpandPatterns(Arguments& arguments, ExpandedNames& store);
