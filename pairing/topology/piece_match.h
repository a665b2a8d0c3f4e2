#pragma once
// Matching a piece cut out of the original by connectivity: a head or a hand
// exported on its own and sculpted. Its faces are a subset of the
// original's; along the cut its border vertices have fewer faces than in the
// original, and the original faces beyond the cut are left alone. Each
// connected part of the piece is seeded from vertices whose positions still
// agree with the original's (an unmoved border, an unsculpted area) or from
// a seed the user gave, and grown over faces from there.
#include <cstdint>

#include "pairing/topology/topology_match.h"

// How the parts of a piece were seeded.
struct PieceSeeding {
    int32_t hinted_count = 0;   // piece vertices whose positions name an original vertex
    int32_t user_seeded = 0;    // parts seeded by the user's seeds
    int32_t hint_seeded = 0;    // parts seeded by positions
    // Parts whose faces fit the original's only elsewhere than where their
    // vertices at its positions lie (a welded or split export): unpaired.
    int32_t misplaced = 0;
};

// As MatchByTopology, for a shape with no more vertices than the original,
// each of its faces paired with an original face; original vertices and
// faces beyond the piece stay unpaired. Faces are paired as given (quads
// split into triangles are not joined). Returns 1 when every shape vertex
// paired; a part whose faces all run the other way round from the
// original's (a mirrored export) counts in result.reversed_part_count.
int32_t MatchPieceByTopology(const TopologyMesh& original, const TopologyMesh& piece, const TopologyOptions& options,
                             int32_t* partner, TopologyMatch& result, PieceSeeding& seeding);
