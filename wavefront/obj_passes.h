#pragma once
// The first two passes of the OBJ reader in one walk over the file image.
#include <cstdint>

struct Model;

// Collects the group names, measures the longest line, creates the line
// buffer and the groups, and counts the elements, with exactly the results
// of CollectGroupNames, MeasureLongestLine, AllocateLineBuffer, the group
// table and CountElements run one after the other. 1 to go on, 0 to fail
// the load.
int32_t SurveyObjText(Model& model);

// The entries that the face material name table starts with, at most.
constexpr int32_t kFirstMaterialNames = 64;
