#pragma once
// A mesh as connectivity alone, and the adjacency built over it, for pairing
// two meshes whose positions can't be trusted.
#include <cstdint>

// Faces as corner cycles: face f runs over corner_vertices[face_starts[f]]
// up to corner_vertices[face_starts[f + 1] - 1], vertices 0-based.
struct TopologyMesh {
    int32_t vertex_count = 0;
    const float* positions = nullptr;  // x, y, z per vertex; null when unknown
    int32_t face_count = 0;
    const int32_t* face_starts = nullptr;  // face_count + 1 ascending offsets, the first 0
    const int32_t* corner_vertices = nullptr;
    // Runs of faces that belong together (an object's faces of one
    // material), as segment_count + 1 ascending face offsets from 0 to
    // face_count; null for one run. Only a shape whose quads were split is
    // walked by them.
    const int32_t* segment_starts = nullptr;
    int32_t segment_count = 0;
};

// The face on the other side of a corner's edge (from its vertex to the next
// corner's), and where that edge lies in it: all that crossing the edge
// needs, in one record beside the corner's neighbours.
struct TwinCorner {
    int32_t face;   // or one of the two codes below
    int32_t place;  // 2 x the twin corner's place in face, + 1 when face runs along the edge the same way
};

// The face of a corner whose edge belongs to no other face, or to more than
// one other face.
constexpr int32_t kBoundaryEdge = -1;
constexpr int32_t kCrowdedEdge = -2;

// Tables from the block allocator, owned by the record.
struct MeshAdjacency {
    int32_t vertex_count = 0;
    int32_t face_count = 0;
    int32_t corner_count = 0;
    const int32_t* face_starts = nullptr;      // the mesh's
    const int32_t* corner_vertices = nullptr;  // the mesh's
    int32_t* face_of = nullptr;                // per corner
    TwinCorner* twins = nullptr;  // per corner
    int32_t* vertex_starts = nullptr;   // vertex_count + 1 offsets into vertex_corners
    int32_t* vertex_corners = nullptr;  // every corner, grouped by vertex, ascending in each group
    // Two entries for each of vertex_corners: the vertices before and after
    // the corner in its face.
    int32_t* ring = nullptr;
};

// Whether every face has corners, the offsets ascend from 0 and every
// corner names a vertex of the mesh.
bool IsWellFormed(const TopologyMesh& mesh);

// 1 when built; 0 when memory can't be had; -1 when the mesh is malformed (a
// face without corners, offsets out of order, a vertex out of range).
int32_t BuildAdjacency(const TopologyMesh& mesh, MeshAdjacency& adjacency);

// Releases the tables and empties the record.
void ReleaseAdjacency(MeshAdjacency& adjacency);

inline int32_t NextCorner(const MeshAdjacency& mesh, int32_t corner) {
    int32_t face = mesh.face_of[corner];
    return corner + 1 == mesh.face_starts[face + 1] ? mesh.face_starts[face] : corner + 1;
}

inline int32_t PreviousCorner(const MeshAdjacency& mesh, int32_t corner) {
    int32_t face = mesh.face_of[corner];
    return corner == mesh.face_starts[face] ? mesh.face_starts[face + 1] - 1 : corner - 1;
}

// The corner of the other face on a corner's edge, or the code.
inline int32_t TwinOf(const MeshAdjacency& mesh, int32_t corner) {
    TwinCorner twin = mesh.twins[corner];
    return twin.face < 0 ? twin.face : mesh.face_starts[twin.face] + (twin.place >> 1);
}

inline int32_t CornerCount(const MeshAdjacency& mesh, int32_t face) {
    return mesh.face_starts[face + 1] - mesh.face_starts[face];
}

// The corner `steps` places on from `corner` around its face, either way.
inline int32_t StepCorner(const MeshAdjacency& mesh, int32_t corner, int32_t steps) {
    int32_t face = mesh.face_of[corner];
    int32_t start = mesh.face_starts[face], count = mesh.face_starts[face + 1] - start;
    int32_t place = (corner - start + steps) % count;
    return start + (place < 0 ? place + count : place);
}

// The squared distance between vertex i of positions p and vertex j of q.
inline double SquaredDistance(const float* p, int32_t i, const float* q, int32_t j) {
    double sum = 0;
    for (int32_t axis = 0; axis < 3; ++axis) {
        double d = double(p[3 * i + axis]) - double(q[3 * j + axis]);
        sum += d * d;
    }
    return sum;
}
