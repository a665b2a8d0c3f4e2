// Growing a pairing across shared edges. A face's pairing is kept as the
// original corner of its first corner; the part's direction gives the rest.
// The neighbour across an edge is paired by where the edge's first vertex
// went, so each step needs only the twin tables of the two meshes.
#include "morph/face_growth.h"

namespace {

struct Grower {
    Growth& g;
    const MeshAdjacency& original;
    const MeshAdjacency& shape;
    int32_t direction;
    bool strict;
    GrowthOutcome& outcome;

    bool Stop(int32_t shape_face, int32_t original_face) {
        outcome.shape_face = shape_face;
        outcome.original_face = original_face;
        return false;
    }

    bool PairVertex(int32_t b, int32_t a) {
        if (g.partner[b] == a) return true;
        if (g.partner[b] >= 0 || g.claimed[a] >= 0) return false;
        if (strict && g.hints && g.hints[b] >= 0 && g.hints[b] != a) return false;
        if (strict && g.shape_colours && g.shape_colours[b] != g.original_colours[a]) return false;
        g.partner[b] = a;
        g.claimed[a] = b;
        g.vertices[outcome.vertex_count++] = b;
        return true;
    }

    // Pairs face b with the original face whose corner `first` takes b's
    // first corner, unless either is taken otherwise or their sizes differ.
    bool Claim(int32_t b, int32_t first) {
        int32_t a = original.face_of[first];
        if (g.face_partner[b] >= 0) return g.face_partner[b] == first || Stop(b, a);
        if (CornerCount(shape, b) != CornerCount(original, a) || g.face_claimed[a] >= 0) return Stop(b, a);
        g.face_partner[b] = first;
        g.face_claimed[a] = b;
        g.faces[outcome.face_count++] = b;
        return true;
    }

    bool PairCorners(int32_t b) {
        int32_t start = shape.face_starts[b], first = g.face_partner[b];
        for (int32_t i = 0; i < CornerCount(shape, b); ++i) {
            int32_t a = original.corner_vertices[StepCorner(original, first, direction * i)];
            if (!PairVertex(shape.corner_vertices[start + i], a)) return Stop(b, original.face_of[first]);
        }
        return true;
    }

    // The neighbour across the edge that starts at shape corner `corner`,
    // whose original counterpart starts or ends at original corner `mate`.
    bool Cross(int32_t b, int32_t corner, int32_t mate) {
        int32_t shape_twin = shape.twin[corner], original_twin = original.twin[mate];
        if (shape_twin < 0 || original_twin < 0) {
            return shape_twin == original_twin || Stop(b, original.face_of[g.face_partner[b]]);
        }
        int32_t neighbour = shape.face_of[shape_twin], across = original.face_of[original_twin];
        int32_t went = g.partner[shape.corner_vertices[shape_twin]];
        int32_t meets = original_twin, runs = 1;  // the original corner paired with shape_twin
        if (went != original.corner_vertices[original_twin]) {
            meets = NextCorner(original, original_twin);
            runs = -1;
            if (went != original.corner_vertices[meets]) return Stop(neighbour, across);
        }
        if (runs != direction) return Stop(neighbour, across);  // turned over against the part
        int32_t steps = shape_twin - shape.face_starts[neighbour];
        return Claim(neighbour, StepCorner(original, meets, -direction * steps));
    }

    bool Visit(int32_t b) {
        if (!PairCorners(b)) return false;
        int32_t start = shape.face_starts[b], first = g.face_partner[b];
        for (int32_t i = 0; i < CornerCount(shape, b); ++i) {
            int32_t mate = StepCorner(original, first, direction > 0 ? i : -i - 1);
            if (!Cross(b, start + i, mate)) return false;
        }
        return true;
    }
};

}  // namespace

int32_t GrowFromSeed(Growth& growth, const SeedAlignment& seed, bool strict, GrowthOutcome& outcome) {
    outcome = GrowthOutcome{};
    Grower grower{growth, *growth.original, *growth.shape, seed.direction, strict, outcome};
    const MeshAdjacency& shape = *growth.shape;
    int32_t face = shape.face_of[seed.shape_corner];
    int32_t steps = seed.shape_corner - shape.face_starts[face];
    if (!grower.Claim(face, StepCorner(*growth.original, seed.original_corner, -seed.direction * steps))) return 0;
    for (int32_t head = 0; head < outcome.face_count; ++head) {
        if (!grower.Visit(growth.faces[head])) return 0;
    }
    return 1;
}

void UndoGrowth(Growth& growth, const GrowthOutcome& outcome) {
    for (int32_t k = 0; k < outcome.face_count; ++k) {
        int32_t b = growth.faces[k];
        growth.face_claimed[growth.original->face_of[growth.face_partner[b]]] = -1;
        growth.face_partner[b] = -1;
    }
    for (int32_t k = 0; k < outcome.vertex_count; ++k) {
        int32_t b = growth.vertices[k];
        growth.claimed[growth.partner[b]] = -1;
        growth.partner[b] = -1;
    }
}
