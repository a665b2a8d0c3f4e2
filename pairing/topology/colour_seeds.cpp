// Refining colours until stable can take as many rounds as the mesh is wide
// (a regular grid tells its rings apart one round at a time), while a seed
// needs only a colour that few vertices share. So the rounds stop once every
// part in need has a colour of its own, or once the rarest colour of each is
// rare enough for all its vertices to be tried and did not get rarer in the
// last round: a symmetric mesh's rarest colour never will, and every vertex
// of it is weighed as a seed anyway. A mesh whose distinctive places lie far apart (holes in a torus)
// needs rounds enough for their colours to meet before any gets rarer.
#include "pairing/topology/colour_seeds.h"

#include <algorithm>
#include <utility>

#include "platform/block.h"

namespace {

constexpr int32_t kMostRounds = 32;
constexpr int32_t kPatience = 1;
// A symmetric mesh's rarest colour stays as common as its smallest orbit (a
// cube's eight corners) however many rounds run; past this many rounds
// without a rarer one, its vertices are all tried instead.
constexpr int32_t kSymmetricPatience = 6;
constexpr uint32_t kUnshared = UINT32_MAX;  // a colour no original vertex holds

struct Rounds {
    const MeshAdjacency& original;
    const MeshAdjacency& shape;
    const MeshParts& parts;
    const uint8_t* needs;
    uint32_t few;
    ColourSeeds& seeds;
    uint32_t* rarity;  // per shape vertex: how many vertices of either mesh share its colour

    // Marks the rarest vertex of every part in need; returns the sum of their
    // rarities, and the greatest of them in `worst`.
    uint64_t MarkRarest(uint32_t& worst) {
        for (int32_t b = 0; b < shape.vertex_count; ++b) {
            ColourCount count = FindColour(seeds.counts, seeds.shape[b]);
            rarity[b] = count.original ? std::max(count.original, count.shape) : kUnshared;
        }
        uint64_t sum = 0;
        worst = 0;
        for (int32_t p = 0; p < parts.count; ++p) {
            if (!needs[p]) continue;
            int32_t best = -1;
            for (int32_t k = parts.starts[p]; k < parts.starts[p + 1]; ++k) {
                int32_t f = parts.faces[k];
                for (int32_t c = shape.face_starts[f]; c < shape.face_starts[f + 1]; ++c) {
                    int32_t b = shape.corner_vertices[c];
                    if (rarity[b] != kUnshared && (best < 0 || rarity[b] < rarity[best])) best = b;
                }
            }
            seeds.part_vertex[p] = best;
            worst = std::max(worst, best >= 0 ? rarity[best] : kUnshared);
            sum += best >= 0 ? rarity[best] : 0;
        }
        return sum;
    }

    bool Count() {
        return CountColours(seeds.original, original.vertex_count, seeds.shape, shape.vertex_count, seeds.counts) != 0;
    }

    bool Run(uint64_t*& spare_original, uint64_t*& spare_shape) {  // swaps each with its table
        return Refine(spare_original, spare_shape) &&
               LinkColourClasses(seeds.counts, seeds.original, original.vertex_count, seeds.classes) != 0;
    }

    bool Refine(uint64_t*& spare_original, uint64_t*& spare_shape) {
        StartColours(original, seeds.original);
        StartColours(shape, seeds.shape);
        if (!Count()) return false;
        uint64_t best = UINT64_MAX;
        int64_t previous_distinct = -1;
        for (int32_t round = 0, stale = 0;; ++round) {
            uint32_t worst = 0;
            uint64_t sum = MarkRarest(worst);
            if (worst <= 1 || seeds.counts.distinct == previous_distinct || round == kMostRounds) break;
            stale = sum < best ? 0 : stale + 1;
            best = std::min(best, sum);
            if (stale >= kPatience && worst <= few) break;
            if (stale >= kSymmetricPatience && worst <= uint32_t(kMostColourCandidates)) break;
            previous_distinct = seeds.counts.distinct;
            RefineColours(original, seeds.original, spare_original);
            RefineColours(shape, seeds.shape, spare_shape);
            std::swap(seeds.original, spare_original);
            std::swap(seeds.shape, spare_shape);
            if (!Count()) return false;
        }
        return true;
    }
};

}  // namespace

int32_t FindColourSeeds(const MeshAdjacency& original, const MeshAdjacency& shape, const MeshParts& parts,
                        const uint8_t* needs, uint32_t few, ColourSeeds& seeds) {
    ReleaseColourSeeds(seeds);
    size_t original_count = size_t(original.vertex_count) + 1, shape_count = size_t(shape.vertex_count) + 1;
    seeds.original = AllocateUnclearedTable<uint64_t>(original_count);
    seeds.shape = AllocateUnclearedTable<uint64_t>(shape_count);
    seeds.part_vertex = AllocateUnclearedTable<int32_t>(size_t(parts.count) + 1);
    ScopedBlock<uint64_t> spare_original(AllocateUnclearedTable<uint64_t>(original_count));
    ScopedBlock<uint64_t> spare_shape(AllocateUnclearedTable<uint64_t>(shape_count));
    ScopedBlock<uint32_t> rarity(AllocateUnclearedTable<uint32_t>(shape_count));
    bool found = seeds.original && seeds.shape && seeds.part_vertex && spare_original.Get() && spare_shape.Get() &&
                 rarity.Get();
    if (found) {
        for (int32_t p = 0; p < parts.count; ++p) seeds.part_vertex[p] = -1;
        Rounds rounds{original, shape, parts, needs, few, seeds, rarity.Get()};
        // The rounds swap each spare with its table: the scope keeps whichever
        // block is the spare at their end.
        uint64_t* spares[] = {spare_original.Take(), spare_shape.Take()};
        found = rounds.Run(spares[0], spares[1]);
        spare_original.Reset(spares[0]);
        spare_shape.Reset(spares[1]);
    }
    if (!found) ReleaseColourSeeds(seeds);
    return found ? 1 : 0;
}

int32_t ColourCandidates(const ColourSeeds& seeds, int32_t b, const int32_t* claimed, const float* original_positions,
                         const float* shape_positions, const double shift[3], int32_t* candidates,
                         int32_t capacity) {
    bool nearest = original_positions && shape_positions;
    double at[3] = {};
    for (int32_t axis = 0; nearest && axis < 3; ++axis) at[axis] = double(shape_positions[3 * b + axis]) - shift[axis];
    auto distance = [&](int32_t a) {
        double sum = 0;
        for (int32_t axis = 0; axis < 3; ++axis) {
            double d = at[axis] - double(original_positions[3 * a + axis]);
            sum += d * d;
        }
        return sum;
    };
    // The nearest `capacity` so far, the farthest of them on top.
    struct Near {
        double distance;
        int32_t vertex;
        bool operator<(const Near& other) const { return distance < other.distance; }
    };
    Near kept[kMostColourCandidates];
    capacity = std::min(capacity, kMostColourCandidates);
    int32_t count = 0;
    for (int32_t a = FirstOfColour(seeds.counts, seeds.classes, seeds.shape[b]); a >= 0; a = seeds.classes.next[a]) {
        if (claimed[a] >= 0) continue;
        Near near{nearest ? distance(a) : 0, a};
        if (count < capacity) {
            kept[count++] = near;
            std::push_heap(kept, kept + count);
        } else if (!nearest) {
            break;
        } else if (near.distance < kept[0].distance) {
            std::pop_heap(kept, kept + count);
            kept[count - 1] = near;
            std::push_heap(kept, kept + count);
        }
    }
    std::sort_heap(kept, kept + count);
    for (int32_t i = 0; i < count; ++i) candidates[i] = kept[i].vertex;
    return count;
}

// A wrong seed mostly stops near where the meshes differ, and the colours
// there are the ones refinement made distinctive. The farther half of the
// part is searched first, so that a seed from it grows a long way toward the
// difference before it meets it; the nearer half only when a wrong try
// covered so much that the farther half has no colour rare enough.
int32_t FarColourSeed(const ColourSeeds& seeds, const MeshAdjacency& shape, int32_t face, uint32_t few) {
    ScopedBlock<int32_t> queue(AllocateUnclearedTable<int32_t>(size_t(shape.face_count) + 1));
    ScopedBlock<uint8_t> seen(AllocateTable<uint8_t>(size_t(shape.face_count) + 1));
    if (!queue.Get() || !seen.Get()) return -2;
    int32_t* order = queue.Get();
    int32_t count = 0;
    order[count++] = face;
    seen.Get()[face] = 1;
    for (int32_t head = 0; head < count; ++head) {
        for (int32_t c = shape.face_starts[order[head]]; c < shape.face_starts[order[head] + 1]; ++c) {
            int32_t next = shape.twins[c].face;
            if (next >= 0 && !seen.Get()[next]) seen.Get()[next] = 1, order[count++] = next;
        }
    }
    int32_t best = -1;
    uint32_t rarest = few + 1;
    for (int32_t k = count - 1; k >= 0 && (best < 0 || k >= count / 2); --k) {
        for (int32_t c = shape.face_starts[order[k]]; c < shape.face_starts[order[k] + 1]; ++c) {
            int32_t b = shape.corner_vertices[c];
            ColourCount held = FindColour(seeds.counts, seeds.shape[b]);
            uint32_t rarity = std::max(held.original, held.shape);
            if (held.original > 0 && rarity < rarest) best = b, rarest = rarity;
        }
    }
    return best;
}

void ReleaseColourSeeds(ColourSeeds& seeds) {
    ReleaseBlock(seeds.original);
    ReleaseBlock(seeds.shape);
    ReleaseBlock(seeds.part_vertex);
    ReleaseColourCounts(seeds.counts);
    ReleaseColourClasses(seeds.classes);
    seeds = ColourSeeds{};
}
