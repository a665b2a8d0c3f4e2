#pragma once
// The connected parts of a mesh: faces joined by edges that exactly two
// faces share, the same joins that growing a pairing crosses.
#include <cstdint>

#include "pairing/topology/topology_mesh.h"

struct MeshParts {
    int32_t count = 0;
    int32_t* faces = nullptr;    // every face, part by part, each part from its lowest face
    int32_t* starts = nullptr;   // count + 1 offsets into faces
    int32_t* part_of = nullptr;  // per face
};

// Returns 0 when memory can't be had.
int32_t FindParts(const MeshAdjacency& mesh, MeshParts& parts);

void ReleaseParts(MeshParts& parts);
