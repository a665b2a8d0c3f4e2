// Vertex matching: gives the matching model the original model's vertex table
// and renumbers its face corners so that each still sits at the same position.
//
// Every matching vertex is paired with the lowest-indexed original vertex at an
// equal position (+0.0 equals -0.0, a NaN equals nothing). A plain scan of the
// original table would find that partner in n x m comparisons; the
// partitioned position hash finds the same one in linear time.
#include <cstdint>

#include "platform/block.h"
#include "model/corners.h"
#include "model/model.h"
#include "morph/host.h"
#include "morph/equal_positions.h"

namespace {

void Step(OperationHost* host) {
    if (host) host->StepProgress();
}

}  // namespace

int32_t Model::MatchVertices(const Model& original, int32_t& match_count, OperationHost* host) {
    const int32_t n = vertex_count;
    const int32_t m = original.vertex_count;
    if (n != m || n <= 0 || m <= 0 || !vertices || !original.vertices) return 0;

    Vertex* working = AllocateUnclearedTable<Vertex>(size_t(n));  // every field is set below
    if (!working) return 0;

    // Each matching vertex's partner, found for all of them at once; the
    // search below then walks them in order.
    int32_t* partner = AllocateUnclearedTable<int32_t>(size_t(n));
    if (!partner || !FindFirstEqualPositions(original.vertices, m, vertices, n, partner)) {
        ReleaseBlock(partner);
        ReleaseBlock(working);
        return 0;
    }

    Step(host);

    // The search is stepped through a single-precision counter against a
    // threshold of one sixth of n, both rounded to float exactly as written
    // (volatile keeps x87 builds from holding them in extended precision).
    // The same sweep writes each working record whole (its mark, its link and
    // the original vertex's position) and works out the vertex's new index
    // over its partner entry: a corner whose vertex already sits where the
    // original vertex of the same index sits keeps its index, every other
    // corner takes the link. The new index depends on the vertex alone, and
    // corners visit vertices in any order: 4 bytes a vertex stay in the
    // cache where 20-byte records do not.
    volatile float threshold = static_cast<float>(n) * 0.16666667f;
    volatile float counter = 0.0f;
    match_count = 0;
    int32_t* renumbered = partner;
    for (int32_t i = 0; i < n; ++i) {
        int32_t j = partner[i];
        if (j < 0) {
            ReleaseBlock(partner);
            ReleaseBlock(working);
            return 0;
        }
        const Vertex& at = original.vertices[i];
        working[i] = {0, j, at.x, at.y, at.z};
        if (PositionsEqual(vertices[i], at)) renumbered[i] = i;
        ++match_count;
        counter = counter + 1.0f;
        if (counter >= threshold) {
            Step(host);
            counter = 0.0f;
        }
    }

    Step(host);

    ForEachCornerVertex(*this, [&](int32_t& v) {
        if (v >= 0 && v < n) v = renumbered[v];
    });
    ReleaseBlock(renumbered);

    Step(host);

    ReleaseBlock(vertices);
    vertices = working;
    return 1;
}
