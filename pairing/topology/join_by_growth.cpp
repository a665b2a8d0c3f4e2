// Each try grows one part of the original from one seed alignment: a queue
// of edges to cross (an original corner, the shape corner on the same edge
// and, for a seed, the way round), and a stack of faces that had more than
// one cover when reached. A try that does not cover its whole part is
// undone from its logs. The tries a part may make, and the faces its failed
// tries may pair, are bounded by a few times its size, so the whole join
// stays linear in the meshes' corners.
#include "pairing/topology/join_by_growth.h"

#include <algorithm>
#include <initializer_list>

#include "pairing/topology/cover_walk.h"
#include "pairing/topology/mesh_parts.h"
#include "pairing/unique_positions.h"
#include "platform/block.h"

namespace {

constexpr int32_t kHintSeeds = 4;     // seeds from candidates tried per part
constexpr int32_t kLeastTries = 64;   // alignments a part may try, at the least
constexpr int32_t kTriesPerFace = 8;  // and per face of it; failed tries pair as many faces at most

struct Item {
    int32_t original_corner;
    int32_t shape_corner;
    int32_t direction;  // 0: from the partners of the edge's ends
};

struct Log {
    int32_t* entries = nullptr;
    int32_t count = 0;
    void Add(int32_t entry) { entries[count++] = entry; }
};

struct Growing {
    const TopologyMesh& original_mesh;
    const TopologyMesh& shape_mesh;
    JoinedQuads& joined;
    MeshAdjacency original, shape;
    MeshParts parts;
    CoverWalk walk;
    int32_t *partner = nullptr, *claimed = nullptr, *cover_of = nullptr;
    int32_t* pieces = nullptr;     // per original face: the shape faces covering it, 0 until covered
    int32_t* hinted_by = nullptr;  // per original vertex: the shape vertex whose candidate it is alone, or -1
    int32_t* hints = nullptr;
    Log vertices, faces, shape_faces;  // what the try paired
    Item* queue = nullptr;
    int32_t head = 0, tail = 0;
    int32_t stopped = -1;  // the shape face where the try first met no cover
    int32_t unsure = -1;   // else the first where it met more than one
    int32_t* by_kind = nullptr;      // shape vertices ordered by kind (see Kind)
    int32_t* kind_starts = nullptr;  // per kind: where its vertices start in by_kind
    int32_t* could_be = nullptr;     // per original vertex: the range of by_kind it could pair with
    int32_t most_faces = 0;          // round a shape vertex

    Growing(const TopologyMesh& original_in, const TopologyMesh& shape_in, JoinedQuads& joined_in)
        : original_mesh(original_in), shape_mesh(shape_in), joined(joined_in) {}

    ~Growing() {
        ReleaseAdjacency(original);
        ReleaseAdjacency(shape);
        ReleaseParts(parts);
        ReleaseCoverWalk(walk);
        for (int32_t* table : {partner, claimed, cover_of, pieces, hinted_by, hints, vertices.entries, faces.entries,
                               shape_faces.entries, by_kind, kind_starts, could_be}) {
            ReleaseBlock(table);
        }
        ReleaseBlock(queue);
    }

    int32_t Vertex(const MeshAdjacency& mesh, int32_t corner) const { return mesh.corner_vertices[corner]; }

    void Claim(const Cover& cover) {
        int32_t start = original.face_starts[cover.face], n = cover.count, lowest = INT32_MAX;
        auto wrap = [n](int32_t place) { return ((place % n) + n) % n; };
        for (int32_t k = 0; k < n; ++k) {
            int32_t a = Vertex(original, start + wrap(cover.first + cover.step * k)), b = cover.vertices[k];
            if (partner[b] < 0) partner[b] = a, claimed[a] = b, vertices.Add(b);
            joined.corners[start + k] = b;
        }
        for (int32_t i = 0; i < cover.face_count; ++i) {
            cover_of[cover.faces[i]] = cover.face, shape_faces.Add(cover.faces[i]);
            lowest = std::min(lowest, cover.faces[i]);
        }
        joined.mesh_face[cover.face] = lowest;
        pieces[cover.face] = cover.face_count, faces.Add(cover.face);
        for (int32_t k = 0; k < n; ++k) {
            int32_t edge = start + (cover.step > 0 ? wrap(cover.first + k) : wrap(cover.first - k - 1));
            int32_t across = TwinOf(original, edge), shape_across = TwinOf(shape, cover.corners[k]);
            if (across >= 0 && shape_across >= 0 && pieces[original.face_of[across]] == 0) {
                queue[tail++] = {across, shape_across, 0};
            }
        }
    }

    // Whether the edge's shape corner starts at the partner of the original
    // corner's vertex (+1) or ends there (-1); 0 when neither.
    int32_t Direction(const Item& item) const {
        int32_t a = partner[Vertex(shape, item.shape_corner)];
        if (a == Vertex(original, item.original_corner)) return 1;
        return a == Vertex(original, NextCorner(original, item.original_corner)) ? -1 : 0;
    }

    // A face with one cover is taken; one with two waits for a neighbour to
    // pair another of its corners, which brings it back to the queue. One
    // left waiting fails the try: a choice no edge decides is no pairing a
    // run can be sure of (a ring of quads joined askew is a ring of quads).
    void Visit(const Item& item) {
        if (pieces[original.face_of[item.original_corner]] > 0) return;
        if (cover_of[shape.face_of[item.shape_corner]] >= 0) return;
        int32_t direction = item.direction ? item.direction : Direction(item);
        Cover cover;
        int32_t found = direction ? FindCover(walk, item.original_corner, item.shape_corner, direction, cover) : 0;
        if (found == 1) {
            Claim(cover);
        } else if (found == 2 && unsure < 0) {
            unsure = shape.face_of[item.shape_corner];
        } else if (found == 0 && stopped < 0) {
            stopped = shape.face_of[item.shape_corner];
        }
    }

    // The faces of the seed's part covered.
    int32_t Grow(const Item& seed) {
        head = tail = 0;
        stopped = unsure = -1;
        queue[tail++] = seed;
        while (head < tail) Visit(queue[head++]);
        if (stopped < 0) stopped = unsure;
        return faces.count;
    }

    void Undo() {
        for (int32_t i = 0; i < vertices.count; ++i) {
            int32_t b = vertices.entries[i];
            claimed[partner[b]] = -1, partner[b] = -1;
        }
        for (int32_t i = 0; i < faces.count; ++i) pieces[faces.entries[i]] = 0;
        for (int32_t i = 0; i < shape_faces.count; ++i) cover_of[shape_faces.entries[i]] = -1;
        vertices.count = faces.count = shape_faces.count = 0;
    }

    bool Prepare(const int32_t* candidates);
    bool SortByKind();
    int32_t Kind(int32_t border, int32_t faces_round) const { return border * (most_faces + 1) + faces_round; }
    bool OnBorder(const MeshAdjacency& mesh, int32_t v) const;
    int32_t RarestVertex(int32_t part, int32_t& from, int32_t& to) const;
    bool SeedPart(int32_t part, int32_t& best, int32_t& best_stop);
    int32_t Join(const int32_t* candidates, TopologyMesh& view);
};

int32_t* MinusOnes(size_t count) {
    int32_t* table = AllocateUnclearedTable<int32_t>(count + 1);
    for (size_t i = 0; table && i <= count; ++i) table[i] = -1;
    return table;
}

bool Growing::Prepare(const int32_t* candidates) {
    size_t n = size_t(shape.vertex_count), m = size_t(original.vertex_count);
    size_t shape_faces_count = size_t(shape.face_count), corners = size_t(original.corner_count) + 2;
    partner = MinusOnes(n), claimed = MinusOnes(m), cover_of = MinusOnes(shape_faces_count);
    pieces = AllocateTable<int32_t>(size_t(original.face_count) + 1);
    hinted_by = MinusOnes(m), hints = MinusOnes(n);
    vertices.entries = AllocateUnclearedTable<int32_t>(n + 1);
    faces.entries = AllocateUnclearedTable<int32_t>(size_t(original.face_count) + 1);
    shape_faces.entries = AllocateUnclearedTable<int32_t>(shape_faces_count + 1);
    queue = AllocateUnclearedTable<Item>(corners);
    if (!partner || !claimed || !cover_of || !pieces || !hinted_by || !hints || !vertices.entries ||
        !faces.entries || !shape_faces.entries || !queue) {
        return false;
    }
    if (candidates) {
        for (size_t b = 0; b < n; ++b) hints[b] = candidates[b] >= 0 && size_t(candidates[b]) < m ? candidates[b] : -1;
    } else if (original_mesh.positions && shape_mesh.positions &&
               !PairUniquePositions(original_mesh.positions, int32_t(m), shape_mesh.positions, int32_t(n), hints)) {
        return false;
    }
    for (size_t b = 0; b < n; ++b) {  // an original vertex named twice seeds nothing
        int32_t a = hints[b];
        if (a >= 0) hinted_by[a] = hinted_by[a] == -1 ? int32_t(b) : -2;
    }
    walk = {&original, &shape, partner, claimed, cover_of, pieces, hints};
    for (int32_t f = 0; f < original.face_count; ++f) walk.most_corners = std::max(walk.most_corners, CornerCount(original, f));
    return MakeCoverWalk(walk) && SortByKind();
}

bool Growing::OnBorder(const MeshAdjacency& mesh, int32_t v) const {
    for (int32_t k = mesh.vertex_starts[v]; k < mesh.vertex_starts[v + 1]; ++k) {
        int32_t c = mesh.vertex_corners[k];
        if (mesh.twins[c].face < 0 || mesh.twins[PreviousCorner(mesh, c)].face < 0) return true;
    }
    return false;
}

// A vertex's kind: whether it lies on a border, and the faces round it. A
// split keeps the border and makes no fewer faces round a vertex, nor more
// than its faces' corners less two, summed: a few kinds pick out a few
// vertices whatever the diagonals.
bool Growing::SortByKind() {
    for (int32_t v = 0; v < shape.vertex_count; ++v) {
        most_faces = std::max(most_faces, shape.vertex_starts[v + 1] - shape.vertex_starts[v]);
    }
    size_t kinds = 2 * (size_t(most_faces) + 1);
    kind_starts = AllocateTable<int32_t>(kinds + 1);
    by_kind = AllocateUnclearedTable<int32_t>(size_t(shape.vertex_count) + 1);
    ScopedBlock<int32_t> kind(AllocateUnclearedTable<int32_t>(size_t(shape.vertex_count) + 1));
    if (!kind_starts || !by_kind || !kind.Get()) return false;
    for (int32_t v = 0; v < shape.vertex_count; ++v) {
        kind[v] = Kind(OnBorder(shape, v), shape.vertex_starts[v + 1] - shape.vertex_starts[v]);
        ++kind_starts[kind[v] + 1];
    }
    for (size_t k = 0; k < kinds; ++k) kind_starts[k + 1] += kind_starts[k];
    ScopedBlock<int32_t> fill(AllocateUnclearedTable<int32_t>(kinds + 1));
    if (!fill.Get()) return false;
    for (size_t k = 0; k <= kinds; ++k) fill[k] = kind_starts[k];
    for (int32_t v = 0; v < shape.vertex_count; ++v) by_kind[fill[kind[v]]++] = v;
    could_be = AllocateTable<int32_t>(2 * size_t(original.vertex_count) + 1);
    if (!could_be) return false;
    for (int32_t a = 0; a < original.vertex_count; ++a) {
        int32_t low = original.vertex_starts[a + 1] - original.vertex_starts[a], high = 0;
        for (int32_t k = original.vertex_starts[a]; k < original.vertex_starts[a + 1]; ++k) {
            high += CornerCount(original, original.face_of[original.vertex_corners[k]]) - 2;
        }
        if (low == 0 || low > most_faces) continue;
        int32_t border = OnBorder(original, a);
        could_be[2 * a] = kind_starts[Kind(border, low)];
        could_be[2 * a + 1] = kind_starts[Kind(border, std::min(high, most_faces)) + 1];
    }
    return true;
}

// Of the part's vertices, the one fewest shape vertices could be, with the
// range of by_kind they stand in; -1 when none could be any.
int32_t Growing::RarestVertex(int32_t part, int32_t& from, int32_t& to) const {
    int32_t best = -1, fewest = INT32_MAX;
    for (int32_t i = parts.starts[part]; i < parts.starts[part + 1]; ++i) {
        int32_t f = parts.faces[i];
        for (int32_t c = original.face_starts[f]; c < original.face_starts[f + 1]; ++c) {
            const int32_t* range = could_be + 2 * Vertex(original, c);
            if (range[1] > range[0] && range[1] - range[0] < fewest) {
                fewest = range[1] - range[0], best = c, from = range[0], to = range[1];
            }
        }
    }
    return best;
}

bool Growing::SeedPart(int32_t part, int32_t& best, int32_t& best_stop) {
    int32_t size = parts.starts[part + 1] - parts.starts[part];
    int64_t tries = std::max<int64_t>(kLeastTries, int64_t(kTriesPerFace) * size), wasted = 0;
    auto attempt = [&](Item seed) {
        --tries;
        int32_t covered = Grow(seed);
        if (covered == size) return true;
        if (covered > best) best = covered, best_stop = stopped;
        wasted += covered;
        Undo();
        return false;
    };
    auto spent = [&] { return tries <= 0 || wasted > int64_t(kTriesPerFace) * size; };
    int32_t hinted = 0;
    for (int32_t i = parts.starts[part]; i < parts.starts[part + 1] && hinted < kHintSeeds; ++i) {
        int32_t f = parts.faces[i];
        for (int32_t c = original.face_starts[f]; c < original.face_starts[f + 1] && hinted < kHintSeeds; ++c) {
            int32_t b = hinted_by[Vertex(original, c)], b2 = hinted_by[Vertex(original, NextCorner(original, c))];
            if (b < 0 || b2 < 0 || partner[b] >= 0) continue;
            for (int32_t k = shape.vertex_starts[b]; k < shape.vertex_starts[b + 1]; ++k) {
                int32_t s = shape.vertex_corners[k];
                bool forward = shape.ring[2 * k + 1] == b2, backward = shape.ring[2 * k] == b2;
                if (!forward && !backward) continue;
                ++hinted;
                if (attempt({c, forward ? s : PreviousCorner(shape, s), forward ? 1 : -1})) return true;
                break;
            }
        }
    }
    int32_t from = 0, to = 0, c = RarestVertex(part, from, to);
    for (int32_t i = from; c >= 0 && i < to && !spent(); ++i) {
        int32_t b = by_kind[i];
        for (int32_t k = shape.vertex_starts[b]; partner[b] < 0 && k < shape.vertex_starts[b + 1] && !spent(); ++k) {
            int32_t s = shape.vertex_corners[k];
            if (attempt({c, s, 1}) || attempt({c, PreviousCorner(shape, s), -1})) return true;
        }
    }
    return false;
}

int32_t Growing::Join(const int32_t* candidates, TopologyMesh& view) {
    int32_t built = BuildAdjacency(original_mesh, original);
    if (built > 0) built = BuildAdjacency(shape_mesh, shape);
    if (built < 0) return -1;
    size_t faces_count = size_t(original.face_count) + 1;
    joined.starts = AllocateUnclearedTable<int32_t>(faces_count);
    joined.corners = AllocateUnclearedTable<int32_t>(size_t(original.corner_count) + 1);
    joined.mesh_face = AllocateUnclearedTable<int32_t>(faces_count);
    if (built == 0 || !joined.starts || !joined.corners || !joined.mesh_face || !FindParts(original, parts) ||
        !Prepare(candidates)) {
        return 0;
    }
    int32_t best = -1, best_stop = -1;
    for (int32_t p = 0; p < parts.count; ++p) {
        if (pieces[parts.faces[parts.starts[p]]] > 0) continue;
        if (!SeedPart(p, best, best_stop)) {
            joined.first_unjoined = best_stop;
            return -1;
        }
        vertices.count = faces.count = shape_faces.count = 0;  // kept
    }
    int32_t covered = 0;
    for (int32_t f = 0; f < shape.face_count; ++f) covered += cover_of[f] >= 0 ? 1 : 0;
    if (covered != shape.face_count) return -1;
    for (int32_t g = 0; g <= original.face_count; ++g) joined.starts[g] = original.face_starts[g];
    for (int32_t g = 0; g < original.face_count; ++g) {
        joined.joined_count += pieces[g] > 1 ? 1 : 0;
        joined.joined_polygon_count += pieces[g] > 1 && CornerCount(original, g) > 4 ? 1 : 0;
    }
    view = shape_mesh;
    view.segment_starts = nullptr, view.segment_count = 0;
    view.face_count = original.face_count;
    view.face_starts = joined.starts;
    view.corner_vertices = joined.corners;
    return 1;
}

}  // namespace

int32_t JoinByGrowth(const TopologyMesh& original, const TopologyMesh& shape, const int32_t* candidates,
                     JoinedQuads& joined, TopologyMesh& view) {
    ReleaseJoinedQuads(joined);
    view = shape;
    if (original.vertex_count != shape.vertex_count || !IsWellFormed(original) || !IsWellFormed(shape)) return -1;
    int32_t made;
    {
        Growing growing(original, shape, joined);
        made = growing.Join(candidates, view);
    }
    if (made <= 0) {
        int32_t first = joined.first_unjoined;
        ReleaseJoinedQuads(joined);
        joined.first_unjoined = first;
        view = shape;
    }
    return made;
}
