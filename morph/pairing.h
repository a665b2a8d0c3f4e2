#pragma once
// How the vertices of a matching model find their original partners when
// one original serves many files.
#include <cstdint>

#include "model/model.h"

// The choices that change the pairing.
struct PairingChoice {
    // 0: a partner sits at exactly the same position (the lowest original
    // index among equal ones); above 0: the nearest original vertex within
    // this distance per coordinate (FindTolerantPartners).
    double tolerance = 0;
    // A copy whose vertex count differs may still be converted when every
    // vertex has a partner (split or welded copies).
    bool allow_count_change = false;
};

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
