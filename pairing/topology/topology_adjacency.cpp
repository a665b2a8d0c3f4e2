// The adjacency of a mesh in linear time: the corners of each vertex by a
// counting sort, with the neighbours each corner has in its face, then the
// twins of every edge found in the group of its lower vertex, where the
// corners that share the edge are told apart by the other vertex through a
// table stamped per group rather than cleared.
#include "pairing/topology/topology_mesh.h"

#include "platform/block.h"

bool IsWellFormed(const TopologyMesh& mesh) {
    if (mesh.vertex_count < 0 || mesh.face_count < 0 || !mesh.face_starts || mesh.face_starts[0] != 0) return false;
    for (int32_t f = 0; f < mesh.face_count; ++f) {
        if (mesh.face_starts[f + 1] <= mesh.face_starts[f]) return false;
    }
    int32_t corners = mesh.face_starts[mesh.face_count];
    if (corners > 0 && !mesh.corner_vertices) return false;
    for (int32_t c = 0; c < corners; ++c) {
        if (mesh.corner_vertices[c] < 0 || mesh.corner_vertices[c] >= mesh.vertex_count) return false;
    }
    return true;
}

namespace {

void GroupCornersByVertex(MeshAdjacency& mesh) {
    int32_t* starts = mesh.vertex_starts;
    const int32_t* vertex_of = mesh.corner_vertices;
    for (int32_t c = 0; c < mesh.corner_count; ++c) ++starts[vertex_of[c] + 1];
    for (int32_t v = 0; v < mesh.vertex_count; ++v) starts[v + 1] += starts[v];
    for (int32_t f = 0; f < mesh.face_count; ++f) {
        int32_t first = mesh.face_starts[f], last = mesh.face_starts[f + 1] - 1;
        for (int32_t c = first; c <= last; ++c) {
            int32_t slot = starts[vertex_of[c]]++;
            mesh.vertex_corners[slot] = c;
            mesh.ring[2 * slot] = vertex_of[c == first ? last : c - 1];
            mesh.ring[2 * slot + 1] = vertex_of[c == last ? first : c + 1];
        }
    }
    for (int32_t v = mesh.vertex_count; v > 0; --v) starts[v] = starts[v - 1];  // each back to its group's start
    starts[0] = 0;
}

// The record of `corner` on the edge it shares with `other`.
TwinCorner Across(const MeshAdjacency& mesh, int32_t corner, int32_t other) {
    int32_t face = mesh.face_of[other];
    int32_t same_way = mesh.corner_vertices[other] == mesh.corner_vertices[corner] ? 1 : 0;
    return {face, 2 * (other - mesh.face_starts[face]) + same_way};
}

// One more corner on the edge whose first corner met so far is `first`.
void JoinEdge(MeshAdjacency& mesh, int32_t first, int32_t corner) {
    TwinCorner* twins = mesh.twins;
    if (twins[first].face == kBoundaryEdge) {
        twins[first] = Across(mesh, first, corner);
        twins[corner] = Across(mesh, corner, first);
        return;
    }
    if (twins[first].face >= 0) twins[TwinOf(mesh, first)].face = kCrowdedEdge;
    twins[first].face = twins[corner].face = kCrowdedEdge;
}

// `stamp` is zero-filled, `first` scratch; both hold one entry a vertex.
void FindTwins(MeshAdjacency& mesh, int32_t* stamp, int32_t* first) {
    auto meet = [&](int32_t group, int32_t edge_corner, int32_t other) {
        if (stamp[other] != group + 1) {
            stamp[other] = group + 1;
            first[other] = edge_corner;
            mesh.twins[edge_corner] = {kBoundaryEdge, 0};
        } else {
            JoinEdge(mesh, first[other], edge_corner);
        }
    };
    // Every edge is met once, at its lower vertex: from the corner it starts
    // at, or from the corner it ends at.
    for (int32_t u = 0; u < mesh.vertex_count; ++u) {
        for (int32_t k = mesh.vertex_starts[u]; k < mesh.vertex_starts[u + 1]; ++k) {
            int32_t c = mesh.vertex_corners[k];
            if (mesh.ring[2 * k + 1] >= u) meet(u, c, mesh.ring[2 * k + 1]);
            if (mesh.ring[2 * k] > u) meet(u, PreviousCorner(mesh, c), mesh.ring[2 * k]);
        }
    }
}

}  // namespace

int32_t BuildAdjacency(const TopologyMesh& mesh, MeshAdjacency& adjacency) {
    ReleaseAdjacency(adjacency);
    if (!IsWellFormed(mesh)) return -1;
    adjacency.vertex_count = mesh.vertex_count;
    adjacency.face_count = mesh.face_count;
    adjacency.corner_count = mesh.face_starts[mesh.face_count];
    adjacency.face_starts = mesh.face_starts;
    adjacency.corner_vertices = mesh.corner_vertices;
    size_t corners = size_t(adjacency.corner_count) + 1, vertices = size_t(mesh.vertex_count) + 1;
    adjacency.face_of = AllocateUnclearedTable<int32_t>(corners);
    adjacency.twins = AllocateUnclearedTable<TwinCorner>(corners);
    adjacency.vertex_starts = AllocateTable<int32_t>(vertices);
    adjacency.vertex_corners = AllocateUnclearedTable<int32_t>(corners);
    adjacency.ring = AllocateUnclearedTable<int32_t>(2 * corners);
    int32_t* stamp = AllocateTable<int32_t>(vertices);
    int32_t* first = AllocateUnclearedTable<int32_t>(vertices);
    bool built = adjacency.face_of && adjacency.twins && adjacency.vertex_starts && adjacency.vertex_corners &&
                 adjacency.ring && stamp && first;
    if (built) {
        for (int32_t f = 0; f < mesh.face_count; ++f) {
            for (int32_t c = mesh.face_starts[f]; c < mesh.face_starts[f + 1]; ++c) adjacency.face_of[c] = f;
        }
        GroupCornersByVertex(adjacency);
        FindTwins(adjacency, stamp, first);
    }
    ReleaseBlock(stamp);
    ReleaseBlock(first);
    if (!built) ReleaseAdjacency(adjacency);
    return built ? 1 : 0;
}

void ReleaseAdjacency(MeshAdjacency& adjacency) {
    ReleaseBlock(adjacency.face_of);
    ReleaseBlock(adjacency.twins);
    ReleaseBlock(adjacency.vertex_starts);
    ReleaseBlock(adjacency.vertex_corners);
    ReleaseBlock(adjacency.ring);
    adjacency = MeshAdjacency{};
}
