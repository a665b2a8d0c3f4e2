#pragma once
// A copy whose quads the exporter split into two triangles each, sharing
// the quad's diagonal: the two written one after the other, or each quad's
// second triangle after the first triangles of its run of faces (the
// meshes' segments: an object's faces of one material). Joined again
// they give the original's faces, and the vertex count is unchanged. The
// original's own triangles stay as they are.
#include <cstdint>

#include "pairing/topology/topology_mesh.h"

struct JoinedQuads {
    int32_t* starts = nullptr;
    int32_t* corners = nullptr;
    int32_t* mesh_face = nullptr;  // per face of the copy: its first face in the mesh
    int32_t joined_count = 0;      // pairs of triangles made one quad
};

// When the shape has more faces than the original, and joining triangles
// that share an edge (run opposite ways) where the original has a quad in
// the same place of the file (the second written next to the first, or
// after the first ones of the same segment), or failing that every two
// written one after the other, leaves exactly as many triangles and as many
// quads as the original has, fills `joined`, sets `view` to the joined
// faces and returns 1. Returns -1, leaving `view` as the shape, when that
// is not so; 0 when memory can't be had. Both meshes must be well formed.
int32_t JoinSplitQuads(const TopologyMesh& original, const TopologyMesh& shape, JoinedQuads& joined,
                       TopologyMesh& view);

void ReleaseJoinedQuads(JoinedQuads& joined);
