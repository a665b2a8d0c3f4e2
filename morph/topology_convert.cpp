#include "morph/topology_convert.h"

#include "platform/block.h"
#include "model/text.h"
#include "morph/convert.h"
#include "morph/renumber_vertices.h"

int32_t PairMatchingByTopology(Model& matching, const Model& original, const TopologyPairingOptions& options,
                               int32_t& match_count, char* message, char* note) {
    char text[kMessageCapacity] = {};
    int32_t* partner = AllocateUnclearedTable<int32_t>(size_t(matching.vertex_count) + 1);
    TopologyMatch result;
    int32_t paired = partner && PairByTopology(original, matching, options, partner, result, text, kMessageCapacity);
    match_count = result.paired_count;
    int32_t renumbered = paired && RenumberToOriginal(matching, original, partner);
    ReleaseBlock(partner);
    if (!renumbered && !text[0]) CopyText(text, "There is not enough memory to pair the vertices by connectivity.\r\n");
    char* target = renumbered ? note : message;
    if (target) CopyText(target, kMessageCapacity, text);
    return renumbered;
}
