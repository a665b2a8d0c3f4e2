// Growing a pairing across shared edges. A face's pairing is kept as the
// original corner of its first corner and the way round it runs. Crossing an
// edge keeps the way round unless one mesh's two faces there run along the
// edge the same way and the other's do not: a face turned over in one of
// them, which still pairs, as every edge is there.
// The neighbour across an edge is paired from the twin records of the two
// meshes alone, so a step reads of the shape's neighbour only its pairing:
// in a shape whose faces lie in no useful order each read is a cache miss.
#include "pairing/topology/face_growth.h"

#include <utility>

namespace {

// A place around a face of `count` corners; steps are mostly less than one
// turn either way, which spares the division.
int32_t Wrap(int32_t place, int32_t count) {
    if (place >= count) {
        place -= count;
    } else if (place < 0) {
        place += count;
    }
    if (place >= 0 && place < count) return place;
    place %= count;
    return place < 0 ? place + count : place;
}

struct Grower {
    Growth& g;
    const MeshAdjacency& original;
    const MeshAdjacency& shape;
    bool strict;
    GrowthOutcome& outcome;

    bool Stop(int32_t shape_face, int32_t original_face) {
        if (outcome.differences++ == 0) {
            outcome.shape_face = shape_face, outcome.original_face = original_face;
            outcome.first_face_count = outcome.face_count, outcome.first_vertex_count = outcome.vertex_count;
            outcome.first_distance = outcome.distance;
            for (int32_t axis = 0; axis < 3; ++axis) outcome.first_offset[axis] = outcome.offset[axis];
        }
        return g.past_differences;
    }

    bool PairVertex(int32_t b, int32_t a) {
        if (g.partner[b] == a) return true;
        if (g.partner[b] >= 0 || g.claimed[a] >= 0) return false;
        bool against = strict && ((g.hints && g.hints[b] >= 0 && g.hints[b] != a) ||
                                  (g.shape_colours && g.shape_colours[b] != g.original_colours[a]));
        if ((outcome.against_checks = outcome.against_checks || against)) return false;
        g.partner[b] = a;
        g.claimed[a] = b;
        g.vertices[outcome.vertex_count++] = b;
        if (!g.original_positions || !g.shape_positions) return true;
        for (int32_t axis = 0; axis < 3; ++axis) {
            double d = double(g.shape_positions[3 * b + axis]) - g.shift[axis] -
                       double(g.original_positions[3 * a + axis]);
            outcome.offset[axis] += d;
            outcome.distance += d * d;
        }
        if ((outcome.too_far = outcome.distance > g.distance_limit)) return false;
        return !(outcome.too_far = outcome.patch_full = outcome.vertex_count >= g.vertex_limit);
    }

    // Pairs face b with original face a, its first corner with original
    // corner `first` and the rest `direction` round from it, unless either is
    // taken otherwise.
    bool Claim(int32_t b, int32_t a, int32_t first, int32_t direction) {
        if (g.face_partner[b] >= 0) {
            return (g.face_partner[b] == first && g.face_direction[b] == direction) || Stop(b, a);
        }
        if (g.face_claimed[a] >= 0) return Stop(b, a);
        g.face_partner[b] = first;
        g.face_direction[b] = int8_t(direction);
        g.face_claimed[a] = b;
        g.faces[outcome.face_count++] = b;
        return true;
    }

    // Face b's corners and edges, paired with those of its original face.
    bool Visit(int32_t b) {
        int32_t start = shape.face_starts[b], count = shape.face_starts[b + 1] - start;
        int32_t first = g.face_partner[b], a = original.face_of[first], direction = g.face_direction[b];
        int32_t a_start = original.face_starts[a], offset = first - a_start;
        if (original.face_starts[a + 1] - a_start != count) return Stop(b, a);
        auto at = [&](int32_t step) { return a_start + Wrap(offset + step, count); };
        for (int32_t i = 0; i < count; ++i) {
            if (PairVertex(shape.corner_vertices[start + i], original.corner_vertices[at(direction * i)])) continue;
            return outcome.too_far ? false : Stop(b, a);
        }
        for (int32_t i = 0; i < count; ++i) {
            if (!Cross(b, a, start + i, at(direction > 0 ? i : -i - 1), direction)) return false;
        }
        return true;
    }

    // The neighbour across the edge that starts at shape corner `corner` of
    // face b (paired `direction` round), whose original counterpart starts
    // or ends at corner `mate` of face a. The neighbours run as their faces
    // do unless one mesh turned one over (its twin runs along the edge the
    // same way as its face, the other mesh's not). The shape's twin corner
    // pairs with the original's, or with the one after it when exactly one
    // of those two holds: the face is paired the opposite way, the
    // neighbour turned.
    bool Cross(int32_t b, int32_t a, int32_t corner, int32_t mate, int32_t direction) {
        TwinCorner shape_twin = shape.twins[corner], original_twin = original.twins[mate];
        if (shape_twin.face == kBoundaryEdge && g.cut_out) return true;
        if (shape_twin.face < 0 || original_twin.face < 0) return shape_twin.face == original_twin.face || Stop(b, a);
        int32_t neighbour = shape_twin.face, across = original_twin.face;
        bool turned = (shape_twin.place & 1) != (original_twin.place & 1);
        int32_t across_start = original.face_starts[across];
        int32_t across_count = original.face_starts[across + 1] - across_start;
        int32_t meets = (original_twin.place >> 1) + (turned != (direction < 0) ? 1 : 0);
        int32_t way = turned ? -direction : direction;
        return Claim(neighbour, across, across_start + Wrap(meets - way * (shape_twin.place >> 1), across_count), way);
    }
};

}  // namespace

int32_t GrowFromSeed(Growth& growth, const SeedAlignment& seed, bool strict, GrowthOutcome& outcome) {
    outcome = GrowthOutcome{};
    Grower grower{growth, *growth.original, *growth.shape, strict, outcome};
    const MeshAdjacency& shape = *growth.shape;
    int32_t face = shape.face_of[seed.shape_corner], across = growth.original->face_of[seed.original_corner];
    int32_t steps = seed.shape_corner - shape.face_starts[face];
    int32_t first = StepCorner(*growth.original, seed.original_corner, -seed.direction * steps);
    if (!grower.Claim(face, across, first, seed.direction)) {
        return 0;
    }
    for (int32_t head = 0; head < outcome.face_count; ++head) {
        if (!grower.Visit(growth.faces[head])) return 0;
    }
    return outcome.differences == 0 ? 1 : 0;
}

bool DiffersLess(const GrowthOutcome& a, const GrowthOutcome& b) {
    if (a.differences != b.differences) return a.differences < b.differences;
    return a.vertex_count != b.vertex_count ? a.vertex_count > b.vertex_count : a.distance < b.distance;
}

namespace {

// Takes back the pairs of the lists' entries from `faces` and `vertices` on.
void UndoFrom(Growth& growth, const GrowthOutcome& outcome, int32_t faces, int32_t vertices) {
    for (int32_t k = faces; k < outcome.face_count; ++k) {
        int32_t b = growth.faces[k];
        growth.face_claimed[growth.original->face_of[growth.face_partner[b]]] = -1;
        growth.face_partner[b] = -1;
    }
    for (int32_t k = vertices; k < outcome.vertex_count; ++k) {
        int32_t b = growth.vertices[k];
        growth.claimed[growth.partner[b]] = -1;
        growth.partner[b] = -1;
    }
}

}  // namespace

void UndoGrowth(Growth& growth, const GrowthOutcome& outcome) { UndoFrom(growth, outcome, 0, 0); }

void UndoPastFirstDifference(Growth& growth, GrowthOutcome& outcome) {
    if (outcome.differences == 0) return;
    UndoFrom(growth, outcome, outcome.first_face_count, outcome.first_vertex_count);
    outcome.face_count = outcome.first_face_count, outcome.vertex_count = outcome.first_vertex_count;
    outcome.distance = outcome.first_distance;
    for (int32_t axis = 0; axis < 3; ++axis) outcome.offset[axis] = outcome.first_offset[axis];
    outcome.differences = 1;
}

void ParkGrowth(Growth& growth, const GrowthOutcome& outcome) {
    for (int32_t k = 0; k < outcome.face_count; ++k) {
        int32_t b = growth.faces[k];
        growth.parked_face_partners[k] = growth.face_direction[b] > 0 ? growth.face_partner[b] : ~growth.face_partner[b];
    }
    for (int32_t k = 0; k < outcome.vertex_count; ++k) {
        growth.parked_partners[growth.vertices[k]] = growth.partner[growth.vertices[k]];
    }
    UndoGrowth(growth, outcome);
    std::swap(growth.faces, growth.parked_faces);  // the lists stay, the next try takes the spare ones
    std::swap(growth.vertices, growth.parked_vertices);
}

void RestoreGrowth(Growth& growth, const GrowthOutcome& outcome) {
    for (int32_t k = 0; k < outcome.face_count; ++k) {
        int32_t b = growth.parked_faces[k], first = growth.parked_face_partners[k];
        growth.face_direction[b] = int8_t(first >= 0 ? 1 : -1);
        first = first >= 0 ? first : ~first;
        growth.face_partner[b] = first;
        growth.face_claimed[growth.original->face_of[first]] = b;
    }
    for (int32_t k = 0; k < outcome.vertex_count; ++k) {
        int32_t b = growth.parked_vertices[k], a = growth.parked_partners[b];
        growth.partner[b] = a;
        growth.claimed[a] = b;
    }
}
