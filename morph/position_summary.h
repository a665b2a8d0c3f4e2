#pragma once
// The shape of a vertex table in numbers, for telling the user how a file's
// vertices lie: how many positions it has, which vertices share one, how
// large it is and how close its vertices come.
#include <cstdint>

#include "model/records.h"

struct PositionSummary {
    int32_t distinct_count;        // positions, each NaN position its own
    int32_t coincident_set_count;  // positions held by two or more vertices
    int32_t finite_count;          // vertices whose three coordinates are finite
    float low[3], high[3];         // bounding box of those; 0 when there are none
    double smallest_distance;      // between two vertices at different positions; infinity when none
};

// Returns 0, with `summary` unset, when the working memory can't be had.
int32_t SummarizePositions(const Vertex* table, int32_t count, PositionSummary& summary);
