#pragma once
// What pairing a piece cut out of the original (a sculpted head) by
// connectivity tells the user: on success the part line and how the piece
// was seeded, else why it failed and the ways that pair it.
#include <cstdint>

#include "morph/topology_message.h"
#include "pairing/topology/piece_match.h"

// `message` (`capacity` bytes, cut to fit) for `result` over the meshes the
// match ran on; refused_unsure: the match paired, but on a choice it could
// not be sure of, and was refused.
void DescribePieceMatch(const TopologyMatch& result, const PieceSeeding& seeding, const TopologyMesh& original,
                        const TopologyMesh& piece, const TopologyPairingOptions& options, const TopologyNames& names,
                        char* message, int32_t capacity, bool refused_unsure);
