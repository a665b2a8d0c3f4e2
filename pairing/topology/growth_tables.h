#pragma once
// The working tables a pairing by growth needs, made and released in one
// place for a whole mesh and for a piece cut out of one; and the steps both
// take before growing: hints from the caller's candidates, seeds checked.
#include <cstddef>
#include <cstdint>

#include "pairing/topology/face_growth.h"
#include "pairing/topology/part_pairing.h"
#include "pairing/topology/topology_match.h"

// A table of count + 1 entries, all -1; null when memory can't be had.
int32_t* MinusOnes(size_t count);

// growth.claimed, face_partner and face_claimed at -1, and the lists and
// parked lists, for the adjacencies growth names. Returns 0 when memory
// can't be had (what was made is released by ReleaseGrowthTables).
int32_t MakeGrowthTables(Growth& growth);

void ReleaseGrowthTables(Growth& growth);

// hints[b] = candidates[caller_vertex[b]] (or candidates[b] without
// caller_vertex) when it names an original vertex that no other candidate
// names, else -1. `counts` (original_count entries, all -1) is left so.
void HintsFromCandidates(const int32_t* candidates, const int32_t* caller_vertex, int32_t shape_count,
                         int32_t original_count, int32_t* counts, int32_t* hints);

// The seed of a part the user's seed lies in: that alignment alone.
PartSeed FixedSeed(const MeshAdjacency& shape, const SeedAlignment& alignment);

// The way most faces of a paired part run against their original faces (on
// a tie, the way its seed face runs), and in `turned` how many run the
// other way: turned over against the rest.
int32_t PartWay(const Growth& growth, const MeshParts& parts, int32_t part, int32_t seed_direction,
                int32_t& turned);

// Whether a user's seed names three distinct vertices of each mesh.
bool SeedInRange(const TopologySeed& seed, int32_t original_count, int32_t shape_count);
