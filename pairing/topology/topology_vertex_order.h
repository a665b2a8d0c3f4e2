#pragma once
// A shape whose vertices are numbered in no useful order (renumbered by an
// exporter, or by a tool that sorts them) makes every table read by vertex a
// cache miss once the mesh outgrows the caches, even with its faces laid out
// by place. A copy numbering the vertices in the order its faces first reach
// them puts each face's vertices near those of the faces around it.
#include <cstdint>

#include "pairing/topology/topology_mesh.h"

struct VertexOrder {
    int32_t* corners = nullptr;      // of the copy, in its numbers
    float* positions = nullptr;      // of the copy; null when the mesh has none
    int32_t* mesh_vertex = nullptr;  // per vertex of the copy: its number in the mesh
    int32_t* view_vertex = nullptr;  // per vertex of the mesh: its number in the copy
};

// When the mesh's faces name vertices far apart in its numbering, fills
// `order`, sets `view` to the copy (same faces, same corners, vertices
// numbered anew; vertices in no face last, in their order) and returns 1.
// Returns -1, leaving `view` as the mesh, when their order is good as it is
// or the mesh is malformed (for the adjacency to report); 0 when memory
// can't be had.
int32_t OrderVerticesByFaces(const TopologyMesh& mesh, VertexOrder& order, TopologyMesh& view);

void ReleaseVertexOrder(VertexOrder& order);

// A vertex of the copy as the mesh numbers it, and back.
inline int32_t MeshVertex(const VertexOrder& order, int32_t v) {
    return v >= 0 && order.mesh_vertex ? order.mesh_vertex[v] : v;
}
inline int32_t ViewVertex(const VertexOrder& order, int32_t v) {
    return v >= 0 && order.view_vertex ? order.view_vertex[v] : v;
}
