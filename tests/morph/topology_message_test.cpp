// The notes a match by connectivity adds on success: parts alike are named,
// and only the ones in doubt are counted as such.
#include <gtest/gtest.h>

#include <string>

#include "morph/topology_message.h"

namespace {

TEST(TopologyMessage, AlikePartsNoteCountsOnlyThoseInDoubt) {
    const struct {
        int32_t alike, ambiguous;
        const char* note;  // null: no note
    } cases[] = {
        {0, 0, nullptr},
        {3, 0, "Note: 3 parts of MATCHING are alike (the same connectivity) and were paired by where they lie, each "
               "with the part of ORIGINAL nearest by far.\r\n"},
        {3, 2, "Note: 3 parts of MATCHING are alike (the same connectivity) and were paired by where they lie; 2 of "
               "them had another part of ORIGINAL nearly as near"},
    };
    for (const auto& c : cases) {
        TopologyMatch result;
        result.alike_part_count = c.alike;
        result.ambiguous_part_count = c.ambiguous;
        char message[1024];
        DescribeTopologyMatch(result, TopologyMesh{}, TopologyMesh{}, TopologyPairingOptions{},
                              TopologyNames{"ORIGINAL", "MATCHING"}, message, sizeof message);
        EXPECT_EQ(std::string(message).find("0 of them"), std::string::npos) << message;
        if (c.note)
            EXPECT_EQ(std::string(message).rfind(c.note, 0), 0u) << message;
        else
            EXPECT_EQ(std::string(message), "") << message;
    }
}

}  // namespace
