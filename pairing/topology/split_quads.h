#pragma once
// A copy whose quads and polygons the exporter split into triangles (a
// quad into two sharing its diagonal, an n-gon into n - 2 as a fan or a
// strip): written one after the other, or each polygon's triangles after
// its first after the first triangles of its run of faces (the meshes'
// segments: an object's faces of one material). Joined again they give the
// original's faces, and the vertex count is unchanged. The original's own
// triangles stay as they are.
#include <cstdint>

#include "pairing/topology/topology_mesh.h"

struct JoinedQuads {
    int32_t* starts = nullptr;
    int32_t* corners = nullptr;
    int32_t* mesh_face = nullptr;  // per face of the copy: its first face in the mesh
    int32_t joined_count = 0;      // faces made of triangles joined again
    int32_t joined_polygon_count = 0;  // of them, faces of more than four corners
    // When joining failed: the shape face where the walk in step that got
    // furthest through the original stopped, or -1.
    int32_t first_unjoined = -1;
};

// When the shape has more faces than the original, and joining triangles
// that share edges (run opposite ways) where the original has a face of
// more corners in the same place of the file (the others written next to
// the first, or after the first ones of the same segment), or failing that
// (quads only) every two written one after the other, gives the original's
// faces their corner counts, fills `joined`, sets `view` to the joined
// faces and returns 1. Returns -1, leaving `view` as the shape and naming
// in `joined` where joining stopped, when that is not so; 0 when memory
// can't be had. Both meshes must be well formed.
int32_t JoinSplitQuads(const TopologyMesh& original, const TopologyMesh& shape, JoinedQuads& joined,
                       TopologyMesh& view);

void ReleaseJoinedQuads(JoinedQuads& joined);
