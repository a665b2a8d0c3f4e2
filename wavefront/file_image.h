#pragma once
// A whole file as one block: read into memory, or mapped from the page cache.
#include <cstdint>

#include "model/records.h"

// Reads the file at path, in binary mode, into a fresh block that becomes
// text.data (text.size its length, text.read_pos 0); an empty file gives no
// block and size 0. Whatever text held before is released first.
// Returns 1 when read; 0 when the file can't be opened (or is a folder);
// -1 when it opened but is 4 GiB or larger, can't be held in memory, or
// reads short. On 0 and -1 text is left empty.
int32_t ReadFileImage(const char* path, TextBuffer& text);

// The same, except that a large file may be mapped from the page cache
// instead of copied (where the platform allows it): loading it then touches
// no fresh memory. Such an image stays readable if the file is cut short
// meanwhile, but FileImageIntact then gives 0 and the image must not be
// used.
int32_t MapFileImage(const char* path, TextBuffer& text);

// 1 while text holds every byte its file had when it was taken; 0 when a
// mapped file lost pages since.
int32_t FileImageIntact(const TextBuffer& text);
