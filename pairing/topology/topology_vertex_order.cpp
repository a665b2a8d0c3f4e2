// Whether the vertices are scattered is judged from a sample of corners:
// in a useful numbering a corner's vertex mostly lies within a few pages of
// tables of the vertex before it. A mesh whose tables all fit in the
// caches is left as it is.
#include "pairing/topology/topology_vertex_order.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/block.h"

namespace {

constexpr int32_t kSampled = 4096;  // corners looked at
constexpr int32_t kSmall = 1 << 15;  // vertices whose tables the caches hold
constexpr int64_t kNear = 1 << 12;

bool Scattered(const TopologyMesh& mesh) {
    int32_t corners = mesh.face_starts[mesh.face_count];
    if (mesh.vertex_count <= kSmall || corners < 2) return false;
    int32_t samples = std::min(corners - 1, kSampled), near = 0;
    for (int32_t k = 0; k < samples; ++k) {
        int32_t c = int32_t(int64_t(k) * (corners - 1) / samples) + 1;
        near += std::llabs(int64_t(mesh.corner_vertices[c]) - mesh.corner_vertices[c - 1]) < kNear;
    }
    return 2 * near < samples;
}

// Numbers every vertex by its first corner, then those in no face.
void Number(const TopologyMesh& mesh, VertexOrder& order) {
    int32_t* view = order.view_vertex;
    std::memset(view, 0xFF, size_t(mesh.vertex_count) * sizeof(int32_t));
    int32_t next = 0, corners = mesh.face_starts[mesh.face_count];
    for (int32_t c = 0; c < corners; ++c) {
        int32_t v = mesh.corner_vertices[c];
        if (view[v] < 0) order.mesh_vertex[next] = v, view[v] = next++;
        order.corners[c] = view[v];
    }
    for (int32_t v = 0; v < mesh.vertex_count; ++v) {
        if (view[v] < 0) order.mesh_vertex[next] = v, view[v] = next++;
    }
}

}  // namespace

int32_t OrderVerticesByFaces(const TopologyMesh& mesh, VertexOrder& order, TopologyMesh& view) {
    ReleaseVertexOrder(order);
    view = mesh;
    if (!IsWellFormed(mesh) || !Scattered(mesh)) return -1;
    size_t vertices = size_t(mesh.vertex_count) + 1;
    order.corners = AllocateUnclearedTable<int32_t>(size_t(mesh.face_starts[mesh.face_count]) + 1);
    order.mesh_vertex = AllocateUnclearedTable<int32_t>(vertices);
    order.view_vertex = AllocateUnclearedTable<int32_t>(vertices);
    if (mesh.positions) order.positions = AllocateUnclearedTable<float>(3 * vertices);
    if (!order.corners || !order.mesh_vertex || !order.view_vertex || (mesh.positions && !order.positions)) {
        ReleaseVertexOrder(order);
        return 0;
    }
    Number(mesh, order);
    for (int32_t v = 0; v < mesh.vertex_count && mesh.positions; ++v) {
        std::memcpy(order.positions + 3 * size_t(v), mesh.positions + 3 * size_t(order.mesh_vertex[v]),
                    3 * sizeof(float));
    }
    view.corner_vertices = order.corners;
    view.positions = order.positions;
    return 1;
}

void ReleaseVertexOrder(VertexOrder& order) {
    ReleaseBlock(order.corners);
    ReleaseBlock(order.positions);
    ReleaseBlock(order.mesh_vertex);
    ReleaseBlock(order.view_vertex);
    order = VertexOrder{};
}
