#pragma once
// Paths as the command line takes them.
#include <cstddef>

#include "model/records.h"

// The argument made absolute: the current directory, a separator and the
// argument when it is relative; nothing else is changed. An empty argument
// stays empty. Returns false when the result does not fit a path, or the
// argument is relative and the current directory can't be read whole.
bool MakeAbsolute(const char* argument, char (&path)[kPathCapacity]);

// The dialog refuses to convert while any of its file slots lacks a folder or
// a file name; a path given here lacks one when it is empty, names no
// folder, or ends in a separator. Such a run ends as that refusal does.
bool LacksFolderOrName(const char* path);

// 1 when path ends in a separator: it names a folder, not a file.
bool EndsInSeparator(const char* path);

// Makes each of `count` arguments absolute into paths[k]; on a path too long
// or a current directory that can't be read whole reports the usage error
// and returns kUsageError, else 0.
int MakeAbsolutePaths(const char* const* arguments, int count, char (*paths)[kPathCapacity]);

// The argument as MakeAbsolute makes it, without its limit: for naming a
// path that is too long (cut to capacity - 1).
void AbsoluteText(const char* argument, char* text, size_t capacity);
