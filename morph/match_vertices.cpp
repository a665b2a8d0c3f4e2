// Vertex matching: gives the matching model the original model's vertex table
// and renumbers its face corners so that each still sits at the same position.
//
// Every matching vertex is paired with the lowest-indexed original vertex at an
// equal position (+0.0 equals -0.0, a NaN equals nothing). A plain scan of the
// original table would find that partner in n x m comparisons; the
// partitioned position hash finds the same one in linear time.
#include <cstdint>

#include "platform/block.h"
#include "model/model.h"
#include "morph/coincident_vertices.h"
#include "morph/host.h"
#include "pairing/equal_positions.h"
#include "pairing/renumber_vertices.h"

namespace {

void Step(OperationHost* host) {
    if (host) host->StepProgress();
}

// The colours go where the corners will: to partner[i], or to i for a
// vertex that sits where original vertex i sits. 0 when memory ran out.
int32_t MoveColours(Model& matching, const Model& original, const int32_t* partner) {
    if (!matching.colours) return 1;
    const int32_t n = matching.vertex_count;
    ScopedBlock<int32_t> target(AllocateUnclearedTable<int32_t>(size_t(n)));
    if (!target.Get()) return 0;
    for (int32_t i = 0; i < n; ++i)
        target[i] = PositionsEqual(matching.vertices[i], original.vertices[i]) ? i : partner[i];
    return RenumberColours(matching, original, target.Get());
}

}  // namespace

int32_t Model::MatchVertices(const Model& original, int32_t& match_count, OperationHost* host, int32_t threads,
                             TieCounts* ties) {
    const int32_t n = vertex_count;
    const int32_t m = original.vertex_count;
    if (n != m || n <= 0 || m <= 0 || !vertices || !original.vertices) return 0;

    // Each matching vertex's partner, found for all of them at once; the
    // search below then walks them in order.
    ScopedBlock<int32_t> partner(AllocateUnclearedTable<int32_t>(size_t(n)));
    if (!partner.Get() || !FindFirstEqualPositions(original.vertices, m, vertices, n, partner.Get(), threads)) return 0;
    // The model changes only once every vertex has a partner, so the first
    // one without is known before anything is written.
    int32_t matched = 0;
    while (matched < n && partner[size_t(matched)] >= 0) ++matched;
    // Partners the faces chose at shared positions are final.
    bool settled = false;
    if (matched == n && ties) {
        if (!SettleCoincidentVertices(original, *this, partner.Get(), *ties)) return 0;
        settled = ties->Settled();
    }

    Step(host);

    // The search is stepped through a single-precision counter against a
    // threshold of one sixth of n, both rounded to float exactly as written
    // (volatile keeps x87 builds from holding them in extended precision).
    // On success the same sweep rewrites each vertex record in place, whole
    // (its mark, its link and the original vertex's position): no second
    // table of n records is made and touched. Over its partner entry it
    // works out the vertex's new index: a corner whose vertex already sits
    // where the original vertex of the same index sits keeps its index,
    // every other corner takes the link. The new index depends on the vertex
    // alone, and corners visit vertices in any order: 4 bytes a vertex stay
    // in the cache where 20-byte records do not.
    if (matched == n && !MoveColours(*this, original, partner.Get())) return 0;
    volatile float threshold = static_cast<float>(n) * 0.16666667f;
    volatile float counter = 0.0f;
    match_count = 0;
    int32_t* renumbered = partner.Get();
    for (int32_t i = 0; i < matched; ++i) {
        if (matched == n) {
            int32_t j = partner[size_t(i)];
            const Vertex& at = original.vertices[i];
            if (!settled && PositionsEqual(vertices[i], at)) renumbered[i] = i;
            vertices[i] = {0, j, at.x, at.y, at.z};
        }
        ++match_count;
        counter = counter + 1.0f;
        if (counter >= threshold) {
            Step(host);
            counter = 0.0f;
        }
    }
    if (matched < n) return 0;

    Step(host);

    RenumberCornerVertices(*this, renumbered, n, threads);

    Step(host);
    return 1;
}
