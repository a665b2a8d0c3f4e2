#pragma once
// What a match by connectivity tells the user, in the terms of the two files.
#include <cstdint>

#include "pairing/topology/topology_match.h"
#include "morph/topology_pairing.h"

struct TopologyNames {
    const char* original;  // the files' names as the user knows them
    const char* shape;
};

// The text PairByTopology leaves in `message` (`capacity` bytes, cut to
// fit) for `result`, over the meshes the match ran on (a mesh without face
// tables: its faces were not loaded) and the seeds it was given.
// `seeding_tolerance`: a tolerance that would seed the parts left unseeded
// (ToleranceThatSeeds), or 0.
void DescribeTopologyMatch(const TopologyMatch& result, const TopologyMesh& original, const TopologyMesh& shape,
                           const TopologyPairingOptions& options, const TopologyNames& names, char* message,
                           int32_t capacity, double seeding_tolerance = 0, bool refused_unsure = false);
