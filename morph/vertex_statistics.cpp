// Vertex statistics for the report: isolated vertices (used by no face
// corner) and duplicate vertices (at the exact position of an earlier one).
#include <cstdint>

#include "platform/block.h"
#include "model/corners.h"
#include "model/model.h"
#include "pairing/equal_positions.h"

namespace {

// Hands each vertex its number of uses in its link and returns the sum of
// those numbers; `isolated` is set to how many were 0.
template <typename Count>
int64_t HandOverUses(Vertex* table, int32_t total, const Count* uses, int32_t& isolated) {
    int64_t sum = 0;
    int32_t zero = 0;
    for (int32_t k = 0; k < total; ++k) {
        table[k].link = int32_t(uses[k]);
        sum += uses[k];
        zero += uses[k] == 0;
    }
    isolated = zero;
    return sum;
}

// Counts the uses of each vertex in a table of `Count` and hands them to the
// links: 1, or 0 without room for the table or when a count was too narrow.
// A count too narrow for its vertex wraps, and the sum handed over then
// falls short of the corners counted.
template <typename Count>
int32_t CountUsesIn(Model& model, int32_t& isolated) {
    const int32_t total = model.vertex_count;
    ScopedBlock<Count> uses(AllocateTable<Count>(size_t(total)));
    if (!uses.Get()) return 0;
    int64_t counted = 0;
    ForEachCornerVertex(model, [&](int32_t v) {
        if (v >= 0 && v < total) {
            ++uses[v];
            ++counted;
        }
    });
    return HandOverUses(model.vertices, total, uses.Get(), isolated) == counted ? 1 : 0;
}

// Without room for any table, the uses are counted in the links directly.
int32_t CountUsesInLinks(Model& model) {
    Vertex* const table = model.vertices;
    const int32_t total = model.vertex_count;
    for (int32_t k = 0; k < total; ++k) table[k].link = 0;
    ForEachCornerVertex(model, [&](int32_t v) {
        if (v >= 0 && v < total) ++table[v].link;
    });
    int32_t count = 0;
    for (int32_t k = 0; k < total; ++k) count += table[k].link == 0;
    return count;
}

}  // namespace

// Corners name their vertices in any order, so each use is a visit to a
// random place in the count table. The uses are first counted in a byte a
// vertex: such a table stays in the cache for four times as many vertices
// as one of 4 bytes. Only when some vertex has more than 255 uses are they
// counted again in 4 bytes.
int32_t Model::CountIsolatedVertices() {
    isolated_count = 0;
    if (!vertices || vertex_count <= 0) return 1;
    int32_t count = 0;
    if (!CountUsesIn<uint8_t>(*this, count) && !CountUsesIn<int32_t>(*this, count)) {
        count = CountUsesInLinks(*this);
    }
    isolated_count = count;
    return 1;
}

// Each vertex's first vertex at an equal position is found for all of them
// at once, with working memory made for this one count and released at its
// end, so nothing is held between counts. A NaN position equals nothing and
// so is never a duplicate.
int32_t Model::CountDuplicateVertices() {
    duplicate_count = 0;
    if (!vertices || vertex_count <= 0) return 1;
    int32_t count = 0;
    ScopedBlock<int32_t> first(AllocateUnclearedTable<int32_t>(size_t(vertex_count)));
    if (first.Get() && FindFirstEqualPositions(vertices, vertex_count, vertices, vertex_count, first.Get())) {
        for (int32_t k = 0; k < vertex_count; ++k) {
            const bool duplicate = first[k] >= 0 && first[k] < k;
            vertices[k].mark = duplicate ? 1 : 0;
            vertices[k].link = duplicate ? first[k] : -1;
            count += duplicate;
        }
    } else {
        // No room for the working memory: compare against the earlier first
        // vertices directly, which gives the same marks and links, only slower.
        for (int32_t k = 0; k < vertex_count; ++k) {
            vertices[k].mark = 0;
            vertices[k].link = -1;
        }
        for (int32_t k = 0; k < vertex_count; ++k) {
            for (int32_t j = 0; j < k; ++j) {
                if (vertices[j].mark == 0 && PositionsEqual(vertices[j], vertices[k])) {
                    vertices[k].mark = 1;
                    vertices[k].link = j;
                    ++count;
                    break;
                }
            }
        }
    }
    duplicate_count = count;
    return 1;
}
