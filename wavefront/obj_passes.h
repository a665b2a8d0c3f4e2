#pragma once
// The OBJ reader's passes: one walk for the group names, the counts and
// the face material names, then the values, in one walk or two at once
// (SurveyObjText and ObjReader::FillElements, wavefront/obj_reader.h).
#include <cstddef>
#include <cstdint>

#include "model/records.h"

// The entries that the face material name table starts with, at most.
constexpr int32_t kFirstMaterialNames = 64;

// A usemtl line's face material name, as the face records take it: what
// the line names, up to a NUL, cut to a face name's capacity. Returns its length.
size_t UsemtlName(const char* line, const char* end, char (&name)[kMaterialNameCapacity]);

// The helper's part of a cut values pass (ObjReader::cut, given the
// ObjReader): the lines from the cut on, read through a reader of its own.
void ReadSecondPart(void* reader);
