#pragma once
// The process's current directory.

// Makes folder the current directory. Returns 1 on success, 0 when the
// platform refuses (also for a null or empty folder).
int MakeCurrentDirectory(const char* folder);

// 1 when path names the same file whatever the current directory is (and,
// on Windows, whatever the current drive is): "/a/b", "C:\a", "\\server\a".
int IsFullPath(const char* path);
