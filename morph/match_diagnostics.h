#pragma once
// What a failed or lopsided match tells the user: a tolerance that would
// have paired every vertex, whether it is safe, and how the vertex tables of
// a copy with another vertex count relate to the original's.
#include <cstdint>

#include "model/records.h"

// The tolerance to suggest when the vertices without a partner lie up to
// `distance` from the original: `distance` rounded up to two significant
// digits. The rounding is decided on the shortest decimal text of
// `distance`, so that 5e-06 stays 5e-06 and 4.1234e-06 becomes 4.2e-06.
// A distance that is not finite and above 0 comes back unchanged.
double SuggestedTolerance(double distance);

// A tolerance is safe when no vertex within it of one original position can
// be within it of another: below half the smallest distance between two
// different original positions.
inline bool ToleranceIsSafe(double tolerance, double smallest_distance) {
    return tolerance < smallest_distance / 2;
}

struct CountDiagnosis {
    int32_t missing_count;   // matching vertices at no exact original position
    int32_t unused_count;    // distinct original positions no matching vertex has
};

// For a matching table whose vertex count differs from the original's: a
// missing count of 0 says the copy's vertices were split (every position
// still exists in the original); an unused count above 0 says some were
// welded. Positions compare exactly; NaN positions are each their own.
// Returns 0, with `diagnosis` unset, when the working memory can't be had.
int32_t DiagnoseVertexCounts(const Vertex* original, int32_t original_count, const Vertex* matching,
                             int32_t matching_count, CountDiagnosis& diagnosis);

// The number of distinct positions of `table` that no entry of `partner`
// (table indices, -1 for none) points at, whichever vertex at a position it
// names. Returns 0, with `unused_count` unset, when the working memory can't
// be had.
int32_t CountUnusedPositions(const Vertex* table, int32_t count, const int32_t* partner, int32_t partner_count,
                             int32_t& unused_count);
