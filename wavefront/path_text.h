#pragma once
// Splitting paths into folder and file name. Backslash and slash both
// separate folders, and a leading drive letter with its colon ("C:") is a
// folder part of its own, whatever platform the program runs on.
#include <cstddef>

// Offset of the file name in path: just after the last backslash or slash,
// else after a leading drive letter and colon, else 0. Null path gives 0.
size_t FileNameOffset(const char* path);

// The file name and extension of path, without drive and folders.
const char* FileNamePart(const char* path);

// 1 when path starts with a drive letter and colon, or with a backslash or
// slash; 0 for a relative path (and for null).
int IsAbsolutePath(const char* path);

// Copies the folder part of path, separator (or drive colon) included, into
// folder (cut to capacity - 1): "D:\models\head.obj" gives "D:\models\",
// "C:head.obj" gives "C:", "head.obj" gives "". Returns 1 when it fitted.
int FolderPart(const char* path, char* folder, size_t capacity);
