#pragma once
// How the vertices of a matching model find their original partners, all at
// once.
#include <cstdint>

#include "model/model.h"

// For every vertex of `matching`, the index of its original partner, or -1.
// When `ambiguous` is given (tolerant pairing only; cleared otherwise), entry
// i says whether vertex i had partners at different positions within the
// tolerance. Both have room for matching.vertex_count entries. Returns the
// number of vertices with a partner, or -1 when memory can't be had or the
// tolerance is not a finite number of at least 0.
int32_t FindPartners(const Model& original, const Model& matching, double tolerance, int32_t* partner,
                     uint8_t* ambiguous);

// How many of `count` flags are set.
int32_t CountFlags(const uint8_t* flags, int32_t count);
