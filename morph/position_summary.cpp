#include "morph/position_summary.h"

#include <cmath>

#include "platform/block.h"
#include "pairing/equal_positions.h"
#include "pairing/nearest_positions.h"

namespace {

void Widen(PositionSummary& summary, const Vertex& v) {
    const float c[3] = {v.x, v.y, v.z};
    for (int axis = 0; axis < 3; ++axis) {
        if (summary.finite_count == 0 || c[axis] < summary.low[axis]) summary.low[axis] = c[axis];
        if (summary.finite_count == 0 || c[axis] > summary.high[axis]) summary.high[axis] = c[axis];
    }
    ++summary.finite_count;
}

}  // namespace

int32_t SummarizePositions(const Vertex* table, int32_t count, PositionSummary& summary) {
    if (count < 0 || (count > 0 && !table)) return 0;
    size_t records = count > 0 ? size_t(count) : 1;
    ScopedBlock<int32_t> first(AllocateUnclearedTable<int32_t>(records));
    ScopedBlock<int32_t> held(AllocateTable<int32_t>(records));  // vertices at the position of each first one
    PositionSummary made{};
    int32_t ok = first.Get() && held.Get() && FindFirstEqualPositions(table, count, table, count, first.Get()) &&
                 SmallestPositionDistance(table, count, made.smallest_distance);
    if (ok) {
        for (int32_t k = 0; k < count; ++k) {
            int32_t at = first[k] >= 0 ? first[k] : k;  // a NaN position is its own
            made.distinct_count += at == k;
            made.coincident_set_count += ++held[at] == 2;
            const Vertex& v = table[k];
            if (std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z)) Widen(made, v);
        }
        summary = made;
    }
    return ok;
}
