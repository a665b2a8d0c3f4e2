#include "morph/topology_convert.h"

#include "platform/block.h"
#include "model/corners.h"
#include "platform/text.h"
#include "morph/convert.h"
#include "pairing/renumber_vertices.h"

namespace {

// Every corner moves to its vertex's partner and the vertex table becomes
// the original's. Position pairing lets a corner keep its index where its
// vertex sits exactly where the original vertex of that index sits; here
// that would undo the pairing at a seam, where two original vertices share a
// position and only the faces tell which side a vertex belongs to.
bool MoveToPartners(Model& matching, const Model& original, const int32_t* partner) {
    int32_t n = matching.vertex_count;
    if (n != original.vertex_count || n <= 0 || !matching.vertices || !original.vertices) return false;
    if (!RenumberColours(matching, original, partner)) return false;
    Vertex* working = AllocateUnclearedTable<Vertex>(size_t(n));
    if (!working) return false;
    for (int32_t k = 0; k < n; ++k) {
        const Vertex& at = original.vertices[k];
        working[k] = {0, partner[k], at.x, at.y, at.z};
    }
    auto move = [&](int32_t& v) {
        if (v >= 0 && v < n) v = partner[v];
    };
    ForEachCornerVertex(matching, move);
    ForEachPolylineVertex(matching, move);
    ReleaseBlock(matching.vertices);
    matching.vertices = working;
    return true;
}

}  // namespace

int32_t PairMatchingByTopology(Model& matching, const Model& original, const TopologyPairingOptions& options,
                               int32_t& match_count, char* message, char* note, int32_t* refused_unsure) {
    char text[kMessageCapacity] = {};
    int32_t* partner = AllocateUnclearedTable<int32_t>(size_t(matching.vertex_count) + 1);
    TopologyMatch result;
    int32_t paired = partner && PairByTopology(original, matching, options, partner, result, text, kMessageCapacity);
    match_count = result.paired_count;
    if (refused_unsure) *refused_unsure = !paired && result.failure == kTopologyPaired;
    int32_t renumbered = paired && MoveToPartners(matching, original, partner);
    ReleaseBlock(partner);
    if (!renumbered && !text[0]) CopyText(text, "There is not enough memory to pair the vertices by connectivity.\r\n");
    char* target = renumbered ? note : message;
    if (target) CopyText(target, kMessageCapacity, text);
    return renumbered;
}
