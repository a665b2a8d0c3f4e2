#pragma once
// The values of the `o` and `s` lines that faces carry: each distinct text
// once in a table of the Model (FaceNames), found through an index of the
// load, so that a face holds a small entry number.
#include <cstddef>
#include <cstdint>

#include "model/model.h"

// The text of an `o` or `s` line [line, end): after the keyword and the
// blanks and tabs that follow, up to CR or LF, cut to a material name's
// capacity. Returns its length.
size_t FaceNameText(const char* line, const char* end, char (&text)[kMaterialNameCapacity]);

// The entry of the line's text in `table`, added when new (the table and
// its index made on the first line): -1 when memory ran out.
int32_t AddFaceName(Model& model, NameIndex& index, FaceNames& table, const char* line, const char* end);

// The entry of the line's text, or -1 when the table does not hold it.
int32_t FindFaceName(const Model& model, const NameIndex& index, const char* line, const char* end);
