#pragma once
// The OBJ reader's passes: one walk for the group names and the counts,
// then the values (SurveyObjText and ObjReader::FillElements,
// wavefront/obj_reader.h).
#include <cstdint>

// The entries that the face material name table starts with, at most.
constexpr int32_t kFirstMaterialNames = 64;
