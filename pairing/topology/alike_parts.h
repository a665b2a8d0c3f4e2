#pragma once
// Parts alike: many parts of one connectivity (leaves, rivets, cards) offer
// every vertex of every one of them as a partner by colour, and trying them
// all grows with the square of their number. Each such part of the shape is
// given instead the original part of the same connectivity that lies
// nearest, once the shift of the whole class is taken off, and is seeded
// from that part's vertices alone.
#include <cstdint>

#include "pairing/topology/mesh_parts.h"
#include "pairing/topology/topology_mesh.h"

struct AlikeParts {
    MeshParts original_parts;
    int32_t* original_part = nullptr;  // per shape part: the original part given it, or -1
    int32_t alike_count = 0;           // shape parts given one
    int32_t ambiguous_count = 0;       // of them, those with another within kAlikeMargin of the distance
};

// A second original part this much farther than the nearest still leaves a
// choice.
constexpr double kAlikeMargin = 1.5;

// For the shape parts where `needs` is nonzero that share their connectivity
// (the sum of their vertices' colours and their face count) with another
// part of either mesh. Without positions, parts are given in order. Returns
// 0 when memory can't be had.
int32_t PairAlikeParts(const MeshAdjacency& original, const MeshAdjacency& shape, const MeshParts& parts,
                       const uint8_t* needs, const uint64_t* original_colours, const uint64_t* shape_colours,
                       const float* original_positions, const float* shape_positions, AlikeParts& alike);

// Up to `capacity` unclaimed vertices of original part `part` with `colour`.
int32_t AlikeCandidates(const AlikeParts& alike, const MeshAdjacency& original, int32_t part, uint64_t colour,
                        const uint64_t* original_colours, const int32_t* claimed, int32_t* candidates,
                        int32_t capacity);

void ReleaseAlikeParts(AlikeParts& alike);
