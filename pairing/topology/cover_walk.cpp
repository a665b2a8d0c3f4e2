// The walk is a depth-first search kept on its own stack (a face of many
// corners would otherwise recurse as deep): at each shape corner it either
// takes the corner's edge as the next border edge or crosses it into the
// next face round the same vertex. Every step is checked at once against
// what is paired already and against which edges of the original lie on a
// border of the mesh, so a wrong turn dies within a step or two; a budget of
// steps per corner keeps a face whose corners are all unknown from costing
// more than a few times its size.
#include "pairing/topology/cover_walk.h"

#include <initializer_list>

#include "platform/block.h"

namespace {

constexpr int32_t kFrameSize = 5;      // corner, border edges walked, next option, face entered, vertex marked
constexpr int32_t kStepsPerCorner = 48;

struct Walker {
    CoverWalk& w;
    const MeshAdjacency& original;
    const MeshAdjacency& shape;
    int32_t face, n, start, base, step, first_corner;
    int32_t* vertices;
    int32_t* corners;
    int32_t* faces;
    int32_t face_count = 0, needed = 0, visited = 0, excess = 0, depth = 0, found = 0;
    int64_t budget = 0;

    int32_t Wrap(int32_t place) const { return ((place % n) + n) % n; }
    int32_t Original(int32_t k) const { return original.corner_vertices[start + Wrap(base + step * k)]; }
    // The original corner whose edge is border edge k.
    int32_t OriginalEdge(int32_t k) const { return start + (step > 0 ? Wrap(base + k) : Wrap(base - k - 1)); }
    int32_t Vertex(int32_t c) const { return shape.corner_vertices[c]; }
    bool Fits(int32_t b, int32_t a) const {
        if (w.partner[b] >= 0 || w.claimed[a] >= 0) return w.partner[b] == a;
        return !w.hints || w.hints[b] < 0 || w.hints[b] == a;
    }

    // Border edge k lies on the mesh's border (or on a crowded edge) in the
    // shape where it does in the original.
    bool SameBorder(int32_t k, int32_t c) const {
        int32_t a = original.twins[OriginalEdge(k)].face, b = shape.twins[c].face;
        return (a < 0 ? a : 0) == (b < 0 ? b : 0);
    }

    // Whether face f (of three corners or more: a cover has no others) still
    // fits in an n-gon with the faces entered so far. It keeps the walk
    // within 3n corners, the room its tables have.
    bool Fitting(int32_t f) const {
        int32_t count = CornerCount(shape, f);
        return count >= 3 && excess + count - 2 <= n - 2;
    }

    void Enter(int32_t f) {
        int32_t count = CornerCount(shape, f);
        w.face_mark[f] = 1, needed += count, excess += count - 2, faces[face_count++] = f;
    }
    void Leave(int32_t f) {
        int32_t count = CornerCount(shape, f);
        w.face_mark[f] = 0, needed -= count, excess -= count - 2, --face_count;
    }

    void Push(int32_t c, int32_t k, int32_t entered, int32_t marked) {
        int32_t* frame = w.frames + kFrameSize * depth++;
        frame[0] = c, frame[1] = k, frame[2] = 0, frame[3] = entered, frame[4] = marked;
        w.corner_mark[c] = 1, ++visited;
    }
    void Pop() {
        const int32_t* frame = w.frames + kFrameSize * --depth;
        w.corner_mark[frame[0]] = 0, --visited;
        if (frame[3] >= 0) Leave(frame[3]);
        if (frame[4] >= 0) w.vertex_mark[frame[4]] = 0;
    }

    // Round each vertex of the border, the shape faces left uncovered must
    // be able to cover the original faces left there: at least one each, at
    // most their corners less two each.
    bool FansClose() const {
        for (int32_t k = 0; k < n; ++k) {
            int32_t a = Original(k), b = vertices[k], faces_left = 0, most = 0, shape_left = 0;
            for (int32_t i = original.vertex_starts[a]; i < original.vertex_starts[a + 1]; ++i) {
                int32_t f = original.face_of[original.vertex_corners[i]];
                if (f == face || w.covered[f]) continue;
                ++faces_left, most += CornerCount(original, f) - 2;
            }
            for (int32_t i = shape.vertex_starts[b]; i < shape.vertex_starts[b + 1]; ++i) {
                int32_t f = shape.face_of[shape.vertex_corners[i]];
                shape_left += w.cover_of[f] < 0 && !w.face_mark[f] ? 1 : 0;
            }
            if (shape_left < faces_left || shape_left > most) return false;
        }
        return true;
    }

    void Complete() {
        if (visited != needed || excess != n - 2) return;
        if (w.covered && !FansClose()) return;
        for (int32_t k = 0; k < n; ++k) {  // no border edge runs inside the cover
            int32_t across = shape.twins[corners[k]].face;
            if (across >= 0 && w.face_mark[across]) return;
        }
        if (found++ > 0) return;
        for (int32_t k = 0; k < n; ++k) w.kept[k] = vertices[k], w.kept[n + k] = corners[k];
        for (int32_t k = 0; k < face_count; ++k) w.kept[2 * n + k] = faces[k];
        w.kept[3 * n] = face_count;
    }

    void TryBorder(int32_t c, int32_t k) {
        if (k >= n || !SameBorder(k, c)) return;
        int32_t next = NextCorner(shape, c), b = Vertex(next);
        if (k + 1 == n) {
            if (b != vertices[0]) return;
            corners[k] = c;
            if (next == first_corner) Complete();
            else if (!w.corner_mark[next]) Push(next, n, -1, -1);
            return;
        }
        if (w.vertex_mark[b] || w.corner_mark[next] || !Fits(b, Original(k + 1))) return;
        corners[k] = c, vertices[k + 1] = b, w.vertex_mark[b] = 1;
        Push(next, k + 1, -1, b);
    }

    void TryCross(int32_t c, int32_t k) {
        TwinCorner twin = shape.twins[c];
        if (twin.face < 0 || (twin.place & 1) || w.cover_of[twin.face] >= 0) return;
        int32_t next = NextCorner(shape, TwinOf(shape, c));
        if (next == first_corner) {
            if (k == n) Complete();
            return;
        }
        if (w.corner_mark[next]) return;
        int32_t entered = w.face_mark[twin.face] ? -1 : twin.face;
        if (entered >= 0 && !Fitting(entered)) return;
        if (entered >= 0) Enter(entered);
        Push(next, k, entered, -1);
    }

    int32_t Run() {
        int32_t second = NextCorner(shape, first_corner), b0 = Vertex(first_corner), b1 = Vertex(second);
        if (n < 3 || b0 == b1 || w.cover_of[shape.face_of[first_corner]] >= 0 ||
            !Fitting(shape.face_of[first_corner]) || !Fits(b0, Original(0)) ||
            !Fits(b1, Original(1)) || !SameBorder(0, first_corner)) {
            return 0;
        }
        Enter(shape.face_of[first_corner]);
        w.corner_mark[first_corner] = 1, ++visited;
        w.vertex_mark[b0] = w.vertex_mark[b1] = 1;
        vertices[0] = b0, vertices[1] = b1, corners[0] = first_corner;
        Push(second, 1, -1, b1);
        budget = int64_t(kStepsPerCorner) * n;
        while (depth > 0 && found < 2 && budget-- > 0) {
            int32_t* frame = w.frames + kFrameSize * (depth - 1);
            int32_t option = frame[2]++;
            if (option == 0) TryBorder(frame[0], frame[1]);
            else if (option == 1) TryCross(frame[0], frame[1]);
            else Pop();
        }
        bool unsure = depth > 0 && found < 2;  // out of steps
        while (depth > 0) Pop();
        w.corner_mark[first_corner] = 0, w.vertex_mark[b0] = 0;
        Leave(shape.face_of[first_corner]);
        return unsure ? 2 : found < 2 ? found : 2;
    }
};

}  // namespace

int32_t MakeCoverWalk(CoverWalk& walk) {
    const MeshAdjacency& shape = *walk.shape;
    size_t most = size_t(walk.most_corners) + 2;
    walk.corner_mark = AllocateTable<int32_t>(size_t(shape.corner_count) + 1);
    walk.face_mark = AllocateTable<int32_t>(size_t(shape.face_count) + 1);
    walk.vertex_mark = AllocateTable<int32_t>(size_t(shape.vertex_count) + 1);
    walk.frames = AllocateUnclearedTable<int32_t>(kFrameSize * (3 * most + 2));
    walk.path = AllocateUnclearedTable<int32_t>(3 * most + 1);
    walk.kept = AllocateUnclearedTable<int32_t>(3 * most + 1);
    return walk.corner_mark && walk.face_mark && walk.vertex_mark && walk.frames && walk.path && walk.kept;
}

void ReleaseCoverWalk(CoverWalk& walk) {
    for (int32_t* table : {walk.corner_mark, walk.face_mark, walk.vertex_mark, walk.frames, walk.path, walk.kept}) {
        ReleaseBlock(table);
    }
    walk.corner_mark = walk.face_mark = walk.vertex_mark = walk.frames = walk.path = walk.kept = nullptr;
}

int32_t FindCover(CoverWalk& walk, int32_t original_corner, int32_t shape_corner, int32_t direction, Cover& cover) {
    const MeshAdjacency& original = *walk.original;
    int32_t face = original.face_of[original_corner], start = original.face_starts[face];
    int32_t n = CornerCount(original, face), place = original_corner - start;
    if (n > walk.most_corners) return 0;
    int32_t base = direction > 0 ? place : (place + 1) % n;
    Walker walker{walk, original, *walk.shape, face, n, start, base, direction > 0 ? 1 : -1, shape_corner,
                  walk.path, walk.path + n, walk.path + 2 * n};
    int32_t found = walker.Run();
    if (walker.found == 0) return found;
    cover = {face, base, walker.step, n, walk.kept, walk.kept + n, walk.kept + 2 * n, walk.kept[3 * n]};
    return found;
}
