// One pass in file order pairs each triangle with the one after it when
// they share an edge, then the counts of triangles and quads decide whether
// the joined faces can be the original's; the match itself checks the rest.
#include "pairing/topology/split_quads.h"

#include "platform/block.h"

namespace {

// The quad of triangles t and u when u runs back along an edge of t, with
// u's third corner between the edge's ends; false when they share none.
bool Join(const int32_t* t, const int32_t* u, int32_t quad[4]) {
    for (int32_t i = 0; i < 3; ++i) {
        for (int32_t j = 0; j < 3; ++j) {
            if (t[i] != u[(j + 1) % 3] || t[(i + 1) % 3] != u[j]) continue;
            int32_t third = u[(j + 2) % 3];
            if (third == t[(i + 2) % 3]) return false;
            quad[0] = t[i], quad[1] = third, quad[2] = t[(i + 1) % 3], quad[3] = t[(i + 2) % 3];
            return true;
        }
    }
    return false;
}

int32_t Corners(const TopologyMesh& mesh, int32_t f) { return mesh.face_starts[f + 1] - mesh.face_starts[f]; }

// Faces of three and of four corners.
void Count(const TopologyMesh& mesh, int64_t counts[2]) {
    counts[0] = counts[1] = 0;
    for (int32_t f = 0; f < mesh.face_count; ++f) {
        int32_t corners = Corners(mesh, f);
        if (corners == 3 || corners == 4) ++counts[corners - 3];
    }
}

}  // namespace

int32_t JoinSplitQuads(const TopologyMesh& original, const TopologyMesh& shape, JoinedQuads& joined,
                       TopologyMesh& view) {
    ReleaseJoinedQuads(joined);
    view = shape;
    if (!IsWellFormed(original) || !IsWellFormed(shape)) return -1;
    int64_t wanted[2], had[2];
    Count(original, wanted);
    Count(shape, had);
    int64_t quads = shape.face_count - original.face_count;
    if (quads <= 0 || wanted[1] < quads || had[0] - 2 * quads != wanted[0] || had[1] + quads != wanted[1]) return -1;
    size_t faces = size_t(original.face_count) + 1;
    joined.starts = AllocateUnclearedTable<int32_t>(faces);
    joined.corners = AllocateUnclearedTable<int32_t>(size_t(shape.face_starts[shape.face_count]) + 1);
    joined.mesh_face = AllocateUnclearedTable<int32_t>(faces);
    if (!joined.starts || !joined.corners || !joined.mesh_face) {
        ReleaseJoinedQuads(joined);
        return 0;
    }
    int32_t count = 0, at = 0;
    joined.starts[0] = 0;
    for (int32_t f = 0; f < shape.face_count; ++f) {
        if (count == original.face_count) {  // faces left over: not the original's
            ReleaseJoinedQuads(joined);
            return -1;
        }
        const int32_t* t = shape.corner_vertices + shape.face_starts[f];
        int32_t quad[4];
        bool pair = f + 1 < shape.face_count && Corners(shape, f) == 3 && Corners(shape, f + 1) == 3 &&
                    Join(t, shape.corner_vertices + shape.face_starts[f + 1], quad);
        joined.mesh_face[count] = f;
        if (pair) {
            for (int32_t v : quad) joined.corners[at++] = v;
            ++joined.joined_count;
            ++f;
        } else {
            for (int32_t c = 0; c < Corners(shape, f); ++c) joined.corners[at++] = t[c];
        }
        joined.starts[++count] = at;
    }
    if (count != original.face_count || joined.joined_count != quads) {
        ReleaseJoinedQuads(joined);
        return -1;
    }
    view.face_count = count;
    view.face_starts = joined.starts;
    view.corner_vertices = joined.corners;
    return 1;
}

void ReleaseJoinedQuads(JoinedQuads& joined) {
    ReleaseBlock(joined.starts);
    ReleaseBlock(joined.corners);
    ReleaseBlock(joined.mesh_face);
    joined = JoinedQuads{};
}
