#pragma once
// Pairs by position where a position can only mean one vertex.
#include <cstdint>

// For every shape vertex, the original vertex at an equal position when
// exactly one vertex of each mesh sits there, else -1. Positions are x, y, z
// per vertex, compared as floats. Returns 0 when memory can't be had.
int32_t PairUniquePositions(const float* original, int32_t original_count, const float* shape, int32_t shape_count,
                            int32_t* partner);
