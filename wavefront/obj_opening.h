#pragma once
// Whether a file's opening bytes read as OBJ text. A binary file (an image,
// an archive, a mesh in another format) would otherwise load as an OBJ of
// whatever lines happen to start with a keyword, or of none, and convert
// into nonsense that looks like success.
#include <cstdint>

// The bytes looked at: the opening lines of any file worth reading.
constexpr uint32_t kObjOpeningBytes = uint32_t(64) << 10;

// 0 when the first kObjOpeningBytes of `text` (its first `size` bytes, all of
// them when `whole`) hold a NUL byte, or hold lines other than comments and
// blank ones of which none opens with an OBJ keyword; else 1. A line cut by
// the end of what is looked at counts only when `whole` says it is the last.
// A part shorter than kObjOpeningBytes and not whole, with no statement in
// it, gives 1: it can't tell, and the same file read whole may load.
int32_t LooksLikeObjText(const unsigned char* text, uint32_t size, bool whole);
