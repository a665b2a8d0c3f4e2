// Vertices of a part that no seed was found for are all unpaired. Each
// one's nearest original position says what tolerance would give it a
// partner; it is a sure one while two original positions can't both lie
// within it (their spacing is more than 2 x sqrt(3) x the tolerance). The
// parts are found by joining the vertices of every face, only on failure.
#include "morph/seed_tolerance.h"

#include <cmath>

#include "platform/block.h"
#include "pairing/match_diagnostics.h"
#include "pairing/nearest_positions.h"

namespace {

int32_t Root(int32_t* up, int32_t v) {
    while (up[v] != v) v = up[v] = up[up[v]];
    return v;
}

// Joins the vertices of each face into one set per connected part.
void JoinParts(const TopologyMesh& mesh, int32_t* up) {
    for (int32_t v = 0; v < mesh.vertex_count; ++v) up[v] = v;
    for (int32_t f = 0; f < mesh.face_count; ++f) {
        int32_t first = Root(up, mesh.corner_vertices[mesh.face_starts[f]]);
        for (int32_t c = mesh.face_starts[f] + 1; c < mesh.face_starts[f + 1]; ++c) {
            int32_t other = Root(up, mesh.corner_vertices[c]);
            if (other != first) up[other] = first;
        }
    }
}

}  // namespace

double ToleranceThatSeeds(const Model& original, const Model& shape, const TopologyMesh& shape_view,
                          const TopologyMatch& result, const int32_t* partner) {
    int32_t n = shape.vertex_count;
    if (result.unseeded_count == 0 || n != shape_view.vertex_count || !partner || !shape_view.corner_vertices) return 0;
    ScopedBlock<int32_t> nearest(AllocateUnclearedTable<int32_t>(size_t(n) + 1));
    ScopedBlock<double> distance(AllocateUnclearedTable<double>(size_t(n) + 1));
    ScopedBlock<int32_t> up(AllocateUnclearedTable<int32_t>(size_t(n) + 1));
    double spacing = 0;
    if (!nearest.Get() || !distance.Get() || !up.Get() ||
        !SmallestPositionDistance(original.vertices, original.vertex_count, spacing) ||
        !FindNearestPositions(original.vertices, original.vertex_count, shape.vertices, n, nearest.Get(),
                              distance.Get())) {
        return 0;
    }
    JoinParts(shape_view, up.Get());
    double safe = spacing / (2 * std::sqrt(3.0)), needed = 0;
    for (int32_t k = 0; k < result.unseeded_count && k < kTopologyListCapacity; ++k) {
        int32_t face = result.unseeded[k].first_face;
        if (face < 0 || face >= shape_view.face_count) return 0;
        int32_t part = Root(up.Get(), shape_view.corner_vertices[shape_view.face_starts[face]]);
        double least = HUGE_VAL;
        for (int32_t b = 0; b < n; ++b) {
            if (partner[b] < 0 && nearest[b] >= 0 && Root(up.Get(), b) == part) least = std::fmin(least, distance[b]);
        }
        if (!(least < safe)) return 0;
        needed = std::fmax(needed, least);
    }
    return SuggestedTolerance(needed);
}
