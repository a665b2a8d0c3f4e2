// Both meshes go into one table, original first, so that the lowest vertex
// at each position stands for its position, and an original vertex whenever
// one is there; a position held by exactly two vertices, an original one
// first, is held once in each mesh.
#include "pairing/unique_positions.h"

#include "platform/block.h"
#include "pairing/equal_positions.h"

int32_t PairUniquePositions(const float* original, int32_t original_count, const float* shape, int32_t shape_count,
                            int32_t* partner) {
    int64_t total = int64_t(original_count) + shape_count;
    if (original_count < 0 || shape_count < 0 || total > INT32_MAX) return 0;
    size_t count = size_t(total) + 1;
    ScopedBlock<Vertex> table(AllocateUnclearedTable<Vertex>(count));
    ScopedBlock<int32_t> first(AllocateUnclearedTable<int32_t>(count));
    ScopedBlock<int32_t> held(AllocateTable<int32_t>(count));
    bool found = table.Get() && first.Get() && held.Get();
    if (found) {
        for (int32_t v = 0; v < original_count; ++v) {
            table[v] = {0, 0, original[3 * v], original[3 * v + 1], original[3 * v + 2]};
        }
        for (int32_t v = 0; v < shape_count; ++v) {
            table[original_count + v] = {0, 0, shape[3 * v], shape[3 * v + 1], shape[3 * v + 2]};
        }
        found = FindFirstEqualPositions(table.Get(), int32_t(total), table.Get(), int32_t(total), first.Get()) != 0;
    }
    if (found) {
        for (int32_t i = 0; i < int32_t(total); ++i) {
            if (first[i] >= 0) ++held[first[i]];
        }
        for (int32_t v = 0; v < shape_count; ++v) {
            int32_t at = first[original_count + v];
            partner[v] = at >= 0 && at < original_count && held[at] == 2 ? at : -1;
        }
    }
    return found ? 1 : 0;
}
