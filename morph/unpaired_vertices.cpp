// What a failed match tells the user: which vertices found no partner, how
// far each is from the original mesh, and the tolerance that would pair them.
#include <cmath>

#include "platform/block.h"
#include "pairing/match_diagnostics.h"
#include "pairing/nearest_positions.h"
#include "morph/pair_vertices.h"

int32_t DiagnoseUnpaired(const Model& original, const Model& matching, const int32_t* partner,
                         ConvertDiagnostics& diagnostics) {
    const int32_t n = matching.vertex_count;
    int32_t unpaired = 0;
    for (int32_t i = 0; i < n; ++i) unpaired += partner[i] < 0;
    diagnostics.paired_count = n - unpaired;
    diagnostics.unpaired_count = unpaired;
    diagnostics.listed_count = 0;
    if (unpaired == 0) return 1;

    // The unpaired vertices, gathered for one nearest search; `number` keeps
    // each one's index in the matching table.
    ScopedBlock<Vertex> missed(AllocateUnclearedTable<Vertex>(size_t(unpaired)));
    ScopedBlock<int32_t> nearest(AllocateUnclearedTable<int32_t>(size_t(unpaired)));
    ScopedBlock<double> distance(AllocateUnclearedTable<double>(size_t(unpaired)));
    int32_t made = missed.Get() && nearest.Get() && distance.Get();
    if (made) {
        int32_t k = 0;
        for (int32_t i = 0; i < n; ++i)
            if (partner[i] < 0) missed[k++] = {0, i, matching.vertices[i].x, matching.vertices[i].y, matching.vertices[i].z};
        made = FindNearestPositions(original.vertices, original.vertex_count, missed.Get(), unpaired, nearest.Get(),
                                    distance.Get()) &&
               SmallestPositionDistance(original.vertices, original.vertex_count, diagnostics.smallest_distance);
    }
    if (made) {
        double largest = 0;
        for (int32_t k = 0; k < unpaired; ++k) {
            if (k < kListedVertexCount)
                diagnostics.listed[diagnostics.listed_count++] = {missed[k].link + 1, missed[k].x, missed[k].y,
                                                                  missed[k].z, nearest[k] + 1, distance[k]};
            if (!(distance[k] <= largest)) largest = distance[k];  // an infinity stays
        }
        diagnostics.largest_distance = largest;
        diagnostics.suggested_tolerance = std::isinf(largest) ? largest : SuggestedTolerance(largest);
        diagnostics.suggestion_safe = ToleranceIsSafe(diagnostics.suggested_tolerance, diagnostics.smallest_distance);
    }
    return made;
}
