#pragma once
// The vertices of a glTF mesh made from an OBJ model's face corners. An OBJ
// corner names a position, a texture coordinate and a normal apart; a glTF
// vertex is all three at once. Corners that name the same three within one
// primitive (one material) share a vertex; a position whose corners differ
// (a seam's two texture coordinates, a hard edge's two normals) becomes as
// many vertices as it has different corners, and every morph target follows
// the same split through `position`.
#include <cstdint>

#include "model/model.h"
#include "platform/block.h"

// The faces of one material: its vertices are a run of the split's, its
// triangle corners a run of the split's indices (each counted from the
// run's first vertex).
struct GltfPrimitive {
    int32_t material;      // into Model::materials; -1 for faces without one
    int32_t first_vertex;
    int32_t vertex_count;
    int64_t first_index;
    int64_t index_count;
    int32_t has_texcoords;  // every corner gives one
    int32_t has_normals;    // every corner gives one of some length
};

struct CornerSplit {
    int32_t vertex_count = 0;
    ScopedBlock<int32_t> position;  // per glTF vertex: the model's vertex
    ScopedBlock<int32_t> texcoord;  // per glTF vertex: the model's texture coordinate, or -1
    ScopedBlock<int32_t> normal;    // per glTF vertex: the model's normal, or -1
    int64_t index_count = 0;
    ScopedBlock<uint32_t> indices;  // three a triangle
    int32_t primitive_count = 0;
    ScopedBlock<GltfPrimitive> primitives;  // in the order of the model's materials, faces without one first
};

// Splits the corners of every face of `model` with three corners or more
// (a polygon is cut into a fan of triangles from its first corner) into
// glTF vertices, one primitive per material that has faces. A primitive
// whose corners don't all give a texture coordinate (or a normal) has none
// of them. Returns 1; 0 when memory ran out; -1 when the model has no face
// of three corners or more.
int32_t SplitCorners(const Model& model, CornerSplit& split);
