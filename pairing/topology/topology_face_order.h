#pragma once
// A shape whose faces lie in no useful order (sorted by material, shuffled
// by an exporter) makes every step of pairing by connectivity a cache miss:
// the faces around a face lie anywhere in memory. A copy of its faces laid
// out by where they lie in space (or, without positions, by their lowest
// vertex) keeps neighbours near each other.
#include <cstdint>

#include "pairing/topology/topology_mesh.h"

struct FaceOrder {
    int32_t* starts = nullptr;    // of the copy
    int32_t* corners = nullptr;   // of the copy, each face from the same corner as the mesh's
    int32_t* mesh_face = nullptr;  // per face of the copy: its face in the mesh
};

// When the mesh's faces look scattered, fills `order` and sets `view` to the
// mesh with the copied faces, and returns 1. Returns -1, leaving `view` as
// the mesh, when their order is good as it is or the mesh is malformed (for
// the adjacency to report); 0 when memory can't be had.
int32_t OrderFacesByPlace(const TopologyMesh& mesh, FaceOrder& order, TopologyMesh& view);

void ReleaseFaceOrder(FaceOrder& order);
