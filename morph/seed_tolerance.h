#pragma once
// For a pairing by connectivity that found no seed for some parts: whether
// pairing positions within a tolerance would have seeded them, as it does
// for copies whose positions came back through float arithmetic.
#include <cstdint>

#include "model/model.h"
#include "pairing/topology/topology_match.h"

// The smallest tolerance (per coordinate) within which a vertex of each
// unseeded part listed in `result` lies near exactly one original position,
// safely below the spacing of the original's positions; 0 when no
// tolerance would seed one of them, or memory can't be had. `shape_view`
// is the shape's faces as the match ran on them, `partner` what it paired.
double ToleranceThatSeeds(const Model& original, const Model& shape, const TopologyMesh& shape_view,
                          const TopologyMatch& result, const int32_t* partner);
