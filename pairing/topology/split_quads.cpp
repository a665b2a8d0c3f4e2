// An exporter that splits quads mostly keeps the order of the faces, so the
// two files are first walked in step: where the original has a quad, the
// shape has a quad or two triangles that join into one; elsewhere a face
// of as many corners. That keeps the original's own triangles apart, which
// may share edges with the triangles written next to them (the caps of a
// sphere). Some exporters write each quad's second triangle after the first
// triangles of its object and material, in their order (Blender): given
// those runs, each is walked in step up to its second triangles, which must
// each join the first one waiting in its place. Failing both (faces
// reordered), one pass in file order pairs each triangle with the one after
// it when they share an edge. Either way the counts of triangles and quads
// decide whether the joined faces can be the original's; the match itself
// checks the rest.
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

// The runs a mesh's faces come in; -1 when its segment offsets are out of order.
int32_t RunCount(const TopologyMesh& mesh) {
    if (!mesh.segment_starts) return 1;
    const int32_t* starts = mesh.segment_starts;
    if (mesh.segment_count <= 0 || starts[0] != 0 || starts[mesh.segment_count] != mesh.face_count) return -1;
    for (int32_t r = 0; r < mesh.segment_count; ++r) {
        if (starts[r] > starts[r + 1]) return -1;
    }
    return mesh.segment_count;
}

int32_t RunStart(const TopologyMesh& mesh, int32_t run) {
    if (mesh.segment_starts) return mesh.segment_starts[run];
    return run == 0 ? 0 : mesh.face_count;
}

// Faces of three and of four corners.
void Count(const TopologyMesh& mesh, int64_t counts[2]) {
    counts[0] = counts[1] = 0;
    for (int32_t f = 0; f < mesh.face_count; ++f) {
        int32_t corners = Corners(mesh, f);
        if (corners == 3 || corners == 4) ++counts[corners - 3];
    }
}

struct Joiner {
    const TopologyMesh& shape;
    JoinedQuads& joined;
    int32_t count = 0, at = 0;

    void Start() {
        count = at = joined.joined_count = 0;
        joined.starts[0] = 0;
    }

    // Shape face f, or f and f + 1 as one quad when `pair` holds.
    void Take(int32_t f, bool pair, const int32_t quad[4]) {
        joined.mesh_face[count] = f;
        const int32_t* t = shape.corner_vertices + shape.face_starts[f];
        for (int32_t c = 0; c < (pair ? 4 : Corners(shape, f)); ++c) joined.corners[at++] = pair ? quad[c] : t[c];
        joined.joined_count += pair ? 1 : 0;
        joined.starts[++count] = at;
    }

    const int32_t* Triangle(int32_t f) const { return shape.corner_vertices + shape.face_starts[f]; }

    bool JoinsNext(int32_t f, int32_t quad[4]) const {
        return f + 1 < shape.face_count && Corners(shape, f) == 3 && Corners(shape, f + 1) == 3 &&
               Join(Triangle(f), Triangle(f + 1), quad);
    }

    bool InStep(const TopologyMesh& original) {
        Start();
        int32_t f = 0;
        for (int32_t g = 0; g < original.face_count; ++g) {
            int32_t quad[4];
            bool pair = Corners(original, g) == 4 && JoinsNext(f, quad);
            if (!pair && (f >= shape.face_count || Corners(shape, f) != Corners(original, g))) return false;
            Take(f, pair, quad);
            f += pair ? 2 : 1;
        }
        return f == shape.face_count;
    }

    // In each run of faces (the caller's segments), the original's faces
    // in step with the shape's, each quad's first triangle in its place,
    // then the second triangles of the run in the same order. `waiting`
    // holds the first triangles, each with where its quad goes in the joined
    // corners.
    bool InRuns(const TopologyMesh& original, int32_t* waiting) {
        int32_t runs = RunCount(original);
        if (runs < 0 || runs != RunCount(shape)) return false;
        Start();
        for (int32_t r = 0; r < runs; ++r) {
            int32_t g = RunStart(original, r), f = RunStart(shape, r), f_end = RunStart(shape, r + 1);
            int32_t count_waiting = 0;
            for (; g < RunStart(original, r + 1); ++g, ++f) {
                bool fits = f < f_end;
                if (fits && Corners(original, g) == 4 && Corners(shape, f) == 3) {
                    waiting[2 * count_waiting] = f, waiting[2 * count_waiting + 1] = at;
                    ++count_waiting;
                    joined.mesh_face[count] = f;
                    at += 4;
                    joined.starts[++count] = at;
                } else if (fits && Corners(shape, f) == Corners(original, g)) {
                    Take(f, false, nullptr);
                } else {
                    return false;
                }
            }
            if (f_end - f != count_waiting || !SecondTriangles(waiting, count_waiting, f)) return false;
        }
        return true;
    }

    // Whether the faces from f on are the second triangles of the waiting
    // ones, in their order; if so, writes the quads.
    bool SecondTriangles(const int32_t* waiting, int32_t count_waiting, int32_t f) {
        int32_t quad[4];
        for (int32_t i = 0; i < count_waiting; ++i) {
            if (Corners(shape, f + i) != 3 || !Join(Triangle(waiting[2 * i]), Triangle(f + i), quad)) return false;
        }
        for (int32_t i = 0; i < count_waiting; ++i) {
            Join(Triangle(waiting[2 * i]), Triangle(f + i), joined.corners + waiting[2 * i + 1]);
        }
        joined.joined_count += count_waiting;
        return true;
    }

    bool InFileOrder(int32_t most) {
        Start();
        for (int32_t f = 0; f < shape.face_count; ++f) {
            if (count == most) return false;  // faces left over: not the original's
            int32_t quad[4];
            bool pair = JoinsNext(f, quad);
            Take(f, pair, quad);
            f += pair ? 1 : 0;
        }
        return true;
    }
};

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
    ScopedBlock<int32_t> waiting(AllocateUnclearedTable<int32_t>(2 * size_t(wanted[1]) + 1));
    if (!waiting.Get()) {
        ReleaseJoinedQuads(joined);
        return 0;
    }
    Joiner joiner{shape, joined};
    auto fits = [&] { return joiner.count == original.face_count && joined.joined_count == quads; };
    bool made = (joiner.InStep(original) && fits()) ||
                (joiner.InRuns(original, waiting.Get()) && fits()) ||
                (joiner.InFileOrder(original.face_count) && fits());
    int32_t count = joiner.count;
    if (!made) {
        ReleaseJoinedQuads(joined);
        return -1;
    }
    view.segment_starts = nullptr, view.segment_count = 0;
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
