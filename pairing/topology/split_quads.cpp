// An exporter that splits quads mostly keeps the order of the faces, so the
// two files are first walked in step: where the original has a face of n
// corners, the shape has one too, or n - 2 triangles written one after the
// other that join into it (a fan, a strip, or any order in which each
// triangle shares an edge with those before it); elsewhere a face of as
// many corners. That keeps the original's own triangles apart, which
// may share edges with the triangles written next to them (the caps of a
// sphere). Some exporters write each quad's second triangle after the first
// triangles of its object and material, in their order (Blender): given
// those runs, each is walked in step up to its second triangles, which must
// each join the first one waiting in its place (an n-gon's n - 3 more
// triangles one after the other). Failing both (faces
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

// Triangles joined one by one into a polygon across an edge each runs back
// along: a linked cycle of slots, with the slot of each vertex in it, so a
// join costs the same however many corners the polygon has.
struct Polygon {
    int32_t* slot_of = nullptr;  // per vertex of the mesh: its slot, or -1; all -1 between polygons
    int32_t* vertex = nullptr;   // per slot
    int32_t* next = nullptr;     // per slot: the slot after it round the polygon
    int32_t count = 0;

    void Start(const int32_t* t) {
        for (int32_t i = 0; i < 3; ++i) slot_of[t[i]] = i, vertex[i] = t[i], next[i] = (i + 1) % 3;
        count = 3;
    }

    // Triangle t when it runs back along an edge (a, b) of the polygon, its
    // third corner new, goes in between.
    bool Merge(const int32_t* t) {
        for (int32_t j = 0; j < 3; ++j) {
            int32_t a = slot_of[t[(j + 1) % 3]], b = slot_of[t[j]], c = t[(j + 2) % 3];
            if (a < 0 || b < 0 || next[a] != b) continue;
            if (slot_of[c] >= 0) return false;
            slot_of[c] = count, vertex[count] = c, next[count] = b, next[a] = count++;
            return true;
        }
        return false;
    }

    void Write(int32_t* out) const {
        for (int32_t k = 0, at = 0; k < count; ++k, at = next[at]) out[k] = vertex[at];
    }

    void Clear() {
        for (int32_t k = 0; k < count; ++k) slot_of[vertex[k]] = -1;
        count = 0;
    }
};

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
    Polygon polygon;
    int32_t* pending = nullptr;  // triangles of one polygon that joined none before them
    int32_t count = 0, at = 0;
    int32_t furthest = -1;  // of the walks in step, the original face the furthest stopped at
    int32_t stopped = -1;   // and the shape face there

    void Start() {
        count = at = joined.joined_count = joined.joined_polygon_count = 0;
        joined.starts[0] = 0;
    }

    void StoppedAt(int32_t g, int32_t f) {
        if (g > furthest) furthest = g, stopped = f < shape.face_count ? f : -1;
    }

    // Shape triangle `first` and the `more` triangles from `from` on, joined
    // into a polygon of `corners` corners written at out. Triangles that
    // reach the polygon only through later ones are tried again while any
    // joins.
    bool JoinTriangles(int32_t first, int32_t from, int32_t more, int32_t corners, int32_t* out) {
        if (from + more > shape.face_count || Corners(shape, first) != 3) return false;
        for (int32_t f = from; f < from + more; ++f) {
            if (Corners(shape, f) != 3) return false;
        }
        if (corners == 4) {  // most of them: two triangles compared, no table read far away
            bool made = Join(Triangle(first), Triangle(from), out);
            joined.joined_count += made ? 1 : 0;
            return made;
        }
        if (!polygon.slot_of) return false;
        polygon.Start(Triangle(first));
        int32_t left = 0;
        for (int32_t f = from; f < from + more; ++f) {
            if (!polygon.Merge(Triangle(f))) pending[left++] = f;
        }
        for (int32_t before = -1; left > 0 && left != before;) {
            before = left, left = 0;
            for (int32_t k = 0; k < before; ++k) {
                if (!polygon.Merge(Triangle(pending[k]))) pending[left++] = pending[k];
            }
        }
        bool made = left == 0 && polygon.count == corners;
        if (made) polygon.Write(out);
        polygon.Clear();
        if (made) joined.joined_count += 1, joined.joined_polygon_count += corners > 4 ? 1 : 0;
        return made;
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

    // A polygon of n corners from shape triangle f and the triangles after
    // it, or from f and the n - 3 from `from` on.
    bool TakePolygon(int32_t f, int32_t from, int32_t n) {
        if (n < 4 || !JoinTriangles(f, from, n - 3, n, joined.corners + at)) return false;
        joined.mesh_face[count] = f;
        at += n;
        joined.starts[++count] = at;
        return true;
    }

    bool InStep(const TopologyMesh& original) {
        Start();
        int32_t f = 0;
        for (int32_t g = 0; g < original.face_count; ++g) {
            int32_t n = Corners(original, g);
            if (f < shape.face_count && Corners(shape, f) == n) {
                Take(f++, false, nullptr);
            } else if (TakePolygon(f, f + 1, n)) {
                f += n - 2;
            } else {
                StoppedAt(g, f);
                return false;
            }
        }
        return f == shape.face_count;
    }

    // In each run of faces (the caller's segments), the original's faces
    // in step with the shape's, each polygon's first triangle in its place,
    // then the other triangles of the run's polygons in the same order.
    // `waiting` holds per first triangle: its face, where its polygon goes in
    // the joined corners, its corners and its original face.
    bool InRuns(const TopologyMesh& original, int32_t* waiting) {
        int32_t runs = RunCount(original);
        if (runs < 0 || runs != RunCount(shape)) return false;
        Start();
        for (int32_t r = 0; r < runs; ++r) {
            int32_t g = RunStart(original, r), f = RunStart(shape, r), f_end = RunStart(shape, r + 1);
            int32_t count_waiting = 0, more = 0;
            for (; g < RunStart(original, r + 1); ++g, ++f) {
                bool fits = f < f_end;
                int32_t n = Corners(original, g);
                if (fits && n > 3 && Corners(shape, f) == 3) {
                    int32_t* w = waiting + 4 * count_waiting++;
                    w[0] = f, w[1] = at, w[2] = n, w[3] = g;
                    more += n - 3;
                    joined.mesh_face[count] = f;
                    at += n;
                    joined.starts[++count] = at;
                } else if (fits && Corners(shape, f) == n) {
                    Take(f, false, nullptr);
                } else {
                    StoppedAt(g, f);
                    return false;
                }
            }
            if (f_end - f != more) return false;
            for (int32_t i = 0; i < count_waiting; f += waiting[4 * i + 2] - 3, ++i) {
                const int32_t* w = waiting + 4 * i;
                if (!JoinTriangles(w[0], f, w[2] - 3, w[2], joined.corners + w[1])) {
                    StoppedAt(w[3], w[0]);
                    return false;
                }
            }
        }
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
    int64_t extra = shape.face_count - original.face_count;
    if (extra <= 0) return -1;
    // Joined in file order, only pairs of triangles: the counts must be a quad split's.
    bool quads = wanted[1] >= extra && had[0] - 2 * extra == wanted[0] && had[1] + extra == wanted[1];
    size_t faces = size_t(original.face_count) + 1, vertices = size_t(shape.vertex_count) + 1;
    joined.starts = AllocateUnclearedTable<int32_t>(faces);
    joined.corners = AllocateUnclearedTable<int32_t>(size_t(shape.face_starts[shape.face_count]) + 1);
    joined.mesh_face = AllocateUnclearedTable<int32_t>(faces);
    // Polygons of more than four corners need a slot per vertex.
    bool polygons = wanted[0] + wanted[1] < original.face_count;
    ScopedBlock<int32_t> waiting(AllocateUnclearedTable<int32_t>(4 * faces));
    ScopedBlock<int32_t> slots(polygons ? AllocateUnclearedTable<int32_t>(3 * vertices) : nullptr);
    ScopedBlock<int32_t> pending(polygons ? AllocateUnclearedTable<int32_t>(size_t(shape.face_count) + 1) : nullptr);
    if (!joined.starts || !joined.corners || !joined.mesh_face || !waiting.Get() ||
        (polygons && (!slots.Get() || !pending.Get()))) {
        ReleaseJoinedQuads(joined);
        return 0;
    }
    Joiner joiner{shape, joined, {}};
    if (polygons) {
        joiner.polygon = {slots.Get(), slots.Get() + vertices, slots.Get() + 2 * vertices, 0};
        for (size_t v = 0; v < vertices; ++v) slots[v] = -1;
        joiner.pending = pending.Get();
    }
    auto fits = [&] { return joiner.count == original.face_count; };
    bool made = (joiner.InStep(original) && fits()) || (joiner.InRuns(original, waiting.Get()) && fits()) ||
                (quads && joiner.InFileOrder(original.face_count) && fits() && joined.joined_count == extra);
    int32_t count = joiner.count;
    if (!made) {
        ReleaseJoinedQuads(joined);
        joined.first_unjoined = joiner.stopped;
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
