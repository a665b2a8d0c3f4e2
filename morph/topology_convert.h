#pragma once
// Convert's pairing step for a copy whose positions drifted too far for a
// tolerance: the matching model is paired with the original by connectivity
// and then renumbered to the original's vertex table.
#include <cstdint>

#include "model/model.h"
#include "morph/topology_pairing.h"

// Both Models must hold their faces. Returns 1 with `matching` renumbered
// (the original's vertex table, links the partners, every corner at its
// vertex's partner, even where coincident original vertices would let
// position pairing keep its index) and `note` (kMessageCapacity bytes; may
// be null) holding PairByTopology's note for the user or ""; 0 with
// `matching` unchanged and `message` (kMessageCapacity bytes) saying why.
// match_count: the matching vertices paired. *refused_unsure (when given)
// says whether it failed only because a choice was unsure.
int32_t PairMatchingByTopology(Model& matching, const Model& original, const TopologyPairingOptions& options,
                               int32_t& match_count, char* message, char* note, int32_t* refused_unsure = nullptr);
