#pragma once
// The process's current directory.

// Makes folder the current directory. Returns 1 on success, 0 when the
// platform refuses (also for a null or empty folder).
int MakeCurrentDirectory(const char* folder);
