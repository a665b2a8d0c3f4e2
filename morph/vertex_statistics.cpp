// Vertex statistics for the report: isolated vertices (used by no face
// corner) and duplicate vertices (at the exact position of an earlier one).
#include <cstdint>

#include "platform/block.h"
#include "model/corners.h"
#include "model/model.h"
#include "morph/equal_positions.h"

int32_t Model::CountIsolatedVertices() {
    isolated_count = 0;
    if (!vertices || vertex_count <= 0) return 1;
    Vertex* const table = vertices;
    const int32_t total = vertex_count;
    // Corners name their vertices in any order. The uses are counted in a
    // compact table (4 bytes a vertex stay in the cache where 20-byte
    // records do not) and then handed to the links in one sweep; without
    // room for it they are counted in the links directly.
    int32_t count = 0;
    ScopedBlock<int32_t> uses(AllocateTable<int32_t>(size_t(total)));
    if (uses.Get()) {
        ForEachCornerVertex(*this, [&](int32_t v) {
            if (v >= 0 && v < total) ++uses[v];
        });
        for (int32_t k = 0; k < total; ++k) {
            table[k].link = uses[k];
            count += uses[k] == 0;
        }
    } else {
        for (int32_t k = 0; k < total; ++k) table[k].link = 0;
        ForEachCornerVertex(*this, [&](int32_t v) {
            if (v >= 0 && v < total) ++table[v].link;
        });
        for (int32_t k = 0; k < total; ++k) count += table[k].link == 0;
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
    for (int32_t k = 0; k < vertex_count; ++k) {
        vertices[k].mark = 0;
        vertices[k].link = -1;
    }

    int32_t count = 0;
    ScopedBlock<int32_t> first(AllocateUnclearedTable<int32_t>(size_t(vertex_count)));
    if (first.Get() && FindFirstEqualPositions(vertices, vertex_count, vertices, vertex_count, first.Get())) {
        for (int32_t k = 0; k < vertex_count; ++k) {
            if (first[k] >= 0 && first[k] < k) {
                vertices[k].mark = 1;
                vertices[k].link = first[k];
                ++count;
            }
        }
    } else {
        // No room for the working memory: compare against the earlier first
        // vertices directly, which gives the same marks and links, only slower.
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
