#pragma once
// Whether two paths name one file, however they are spelled: the identity of
// the file on its volume, not the text of the paths.
#include <cstdint>

// 1 when both paths name existing files and they are the same file; 0 when
// they are different files, or either can't be looked at.
int32_t SameFile(const char* a, const char* b);
