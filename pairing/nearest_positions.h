#pragma once
// Nearest positions without a bound, for telling the user how far a vertex
// that found no partner is from the original mesh and how far apart the
// original's positions are.
//
// Distances are Euclidean on the float values, computed in double. Only
// positions whose three coordinates are finite take part: a position with
// an infinity or a NaN is at no useful distance from anything.
#include <cstdint>

#include "model/records.h"

// For every vertex of `queries`, the index of the nearest vertex of `table`
// (equal distances go to the lowest index) and its distance; -1 and an
// infinite distance when the query or every table vertex is not finite.
// `nearest` and `distance` have room for query_count entries. Returns 0,
// with nothing set, when the working memory can't be had.
int32_t FindNearestPositions(const Vertex* table, int32_t count, const Vertex* queries, int32_t query_count,
                             int32_t* nearest, double* distance);

// The smallest distance between two vertices of `table` at different
// positions (vertices at one position are 0 apart and don't count), or
// infinity when there are fewer than two different finite positions.
// Returns 0, with `smallest` unset, when the working memory can't be had.
int32_t SmallestPositionDistance(const Vertex* table, int32_t count, double& smallest);
