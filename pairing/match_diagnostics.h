#pragma once
// What a failed or lopsided match tells the user: a tolerance that would
// have paired every vertex, whether it is safe, and how the vertex tables of
// a copy with another vertex count relate to the original's.
#include <cmath>
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
// different original positions. An original without two distinct positions
// (its smallest distance infinite) has no safe tolerance: every vertex within
// any of them pairs onto its one position, which makes no mesh.
inline bool ToleranceIsSafe(double tolerance, double smallest_distance) {
    return std::isfinite(smallest_distance) && tolerance < smallest_distance / 2;
}

// How the vertices of a copy with another vertex count share the original's
// positions. Coincident original vertices share the load of their position:
// at a position that o original vertices hold and p matching vertices pair
// with, p > o shares min(o, p - o) original vertices among several matching
// vertices (a split), and p < o leaves o - p original vertices without any
// (a weld). A position no matching vertex reaches (p = 0) lies outside a
// copy that is a part of the original (a head cut from the figure): its o
// vertices count as unpaired and as outside, not as welded.
struct VertexSharing {
    int32_t shared_count;    // original vertices several matching vertices pair with
    int32_t unpaired_count;  // original vertices no matching vertex pairs with
    int32_t outside_count = 0;  // of those, the ones at positions no matching vertex reaches
};

// Original vertices welded inside the copy: unpaired, yet at a position a
// matching vertex reaches.
inline int32_t WeldedCount(const VertexSharing& sharing) { return sharing.unpaired_count - sharing.outside_count; }

// A copy that is a part of the original and nothing else: no vertex split,
// none welded, some original vertices outside it. Such a copy pairs without
// being allowed to change the vertex count.
inline bool IsPlainPart(const VertexSharing& sharing) {
    return sharing.outside_count > 0 && sharing.shared_count == 0 && WeldedCount(sharing) == 0;
}

// The sharing of `table`'s vertices by `partner` (one table index, or -1 for
// none, a matching vertex), whichever vertex at a position a partner names.
// Positions compare exactly; a NaN position is its own. Returns 0, with
// `sharing` unset, when the working memory can't be had.
int32_t CountVertexSharing(const Vertex* table, int32_t count, const int32_t* partner, int32_t partner_count,
                           VertexSharing& sharing);

struct CountDiagnosis {
    int32_t missing_count;  // matching vertices at no exact original position
    VertexSharing sharing;  // of the original's vertices by the others
};

// For a matching table whose vertex count differs from the original's: a
// missing count of 0 says every matching position exists in the original, so
// the copy's vertices were split or welded, and the sharing says which.
// Returns 0, with `diagnosis` unset, when the working memory can't be had.
int32_t DiagnoseVertexCounts(const Vertex* original, int32_t original_count, const Vertex* matching,
                             int32_t matching_count, CountDiagnosis& diagnosis);
