#pragma once
// Partners within a tolerance, for copies whose positions went through float
// arithmetic or number text and came back a few units in the last place off.
//
// A query position is within `tolerance` of a table vertex when each of x, y
// and z differs by at most `tolerance` (an equal coordinate differs by 0, so
// infinities can be within it; a NaN is within nothing). Among the table
// vertices within it, the partner is the nearest one by Euclidean distance
// on the float values, computed in double; an equal position is at distance
// 0 and so always wins, and equal distances go to the lowest table index.
#include <cstdint>

#include "model/records.h"

// For every vertex of `queries`, the index of its partner in `table`, or -1
// when no table vertex is within the tolerance. When `ambiguous` is given,
// entry i is set to 1 when two or more table vertices at different positions
// are within the tolerance of query i (several table vertices at one
// position are the design's tie, not an ambiguity), else 0. `partner` and
// `ambiguous` have room for query_count entries. Returns 0, with nothing
// set, when the tolerance is not a finite number above 0 or the working
// memory can't be had. Cost is linear in count + query_count while few
// positions lie within several tolerances of one another, and O(log n) or
// so a query where many do (dense clusters, a tolerance far above the
// spacing); vertices at one position cost no more than one.
int32_t FindTolerantPartners(const Vertex* table, int32_t count, const Vertex* queries, int32_t query_count,
                             double tolerance, int32_t* partner, uint8_t* ambiguous);

// Vertices so far beyond the rest of a mesh that they are no part of its
// size: more than 2^20 times as far from the origin along some axis as 99%
// of the vertices are (or than 4.2, below which `auto` is 1e-6 anyway).
struct SizeOutliers {
    int32_t count = 0;
    int32_t farthest = -1;  // 0-based
    float size = 0;         // its largest absolute finite coordinate
};

// The tolerance `auto` stands for: enough for a float rotation there and back
// and for six-decimal number text, max(1e-6, 2^-22 x the largest absolute
// finite coordinate of `table`), outliers left out (then named in
// `outliers`, when given). One stray vertex far out would otherwise set a
// tolerance that finds every vertex ambiguous and every cell crowded.
double AutoTolerance(const Vertex* table, int32_t count, SizeOutliers* outliers = nullptr);
