#pragma once
// Which vertices sit at equal positions, for matching and the duplicate count.
//
// Positions are compared as floats: x, y and z each equal, so +0.0 equals
// -0.0 and a position with a NaN coordinate equals nothing.
#include <cstdint>

#include "model/records.h"

inline bool PositionsEqual(const Vertex& a, const Vertex& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// For every vertex of `queries`, the lowest index of a vertex of `table` at
// an equal position, or -1 when there is none: exactly what a plain scan of
// the table from its start finds. `first` has room for query_count entries;
// queries may be the table itself. Returns 0, with `first` unset, when the
// working memory can't be had. `threads` (1 or more) may share the work; the
// answers are the same.
int32_t FindFirstEqualPositions(const Vertex* table, int32_t count, const Vertex* queries, int32_t query_count,
                                int32_t* first, int32_t threads = 1);

// The same search over 2^bits partitions of the positions (bits 0 to 24; 0:
// one table over the whole vertex table), the answers written as they are
// found or, with `answers_in_order`, kept by partition and written in index
// order afterwards. FindFirstEqualPositions picks both from the sizes; any
// choice gives the same answers.
int32_t FindFirstEqualPositionsInPartitions(const Vertex* table, int32_t count, const Vertex* queries,
                                            int32_t query_count, int32_t* first, int bits, bool answers_in_order,
                                            int32_t threads = 1);
