#pragma once
// Splitting paths into folder, file name and extension: the one rule every
// reader, writer and command uses. Backslash and slash both separate
// folders, and a leading drive letter with its colon ("C:") is a folder part
// of its own, whatever platform the program runs on: a path typed for the
// Windows program means the same folder and file on either.
#include <cstddef>

constexpr int kPathCapacity = 256;  // paths and file names, terminator included

// A backslash or a slash.
inline bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

// Offset of the file name in path: just after the last backslash or slash,
// else after a leading drive letter and colon, else 0. Null path gives 0.
size_t FileNameOffset(const char* path);

// The file name and extension of path, without drive and folders.
const char* FileNamePart(const char* path);

// The extension of path's file name: from the last dot of the file name on,
// the dot included ("head.obj" gives ".obj", "a.b.c" gives ".c"); "" when
// the file name has no dot. Null path gives "".
const char* ExtensionPart(const char* path);

// 1 when path starts with a drive letter and colon, or with a backslash or
// slash; 0 for a relative path (and for null).
int IsAbsolutePath(const char* path);

// Copies the folder part of path, separator (or drive colon) included, into
// folder (cut to capacity - 1): "D:\models\head.obj" gives "D:\models\",
// "C:head.obj" gives "C:", "head.obj" gives "". Returns 1 when it fitted.
int FolderPart(const char* path, char* folder, size_t capacity);
