#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/block.h"

namespace {

// Every byte of a live block still holds the pattern written into it.
bool Holds(const unsigned char* block, size_t bytes, unsigned char pattern) {
    return std::all_of(block, block + bytes, [pattern](unsigned char b) { return b == pattern; });
}

TEST(Blocks, ReusedBlocksComeClearedAndNeverOverlapLiveOnes) {
    constexpr size_t MiB = size_t(1) << 20;
    // Sizes around the mapping threshold and the 2 MiB rounding, released and
    // asked for again in orders that reuse, cut and grow kept blocks: one
    // block released before a smaller request, a larger one, and many small.
    struct Step { size_t bytes; bool cleared; };  // bytes 0: release the oldest live block instead
    const Step steps[] = {
        {1, true}, {4096, true}, {8 * MiB, true}, {0, true}, {0, true}, {0, true}, {3 * MiB, true}, {20 * MiB, false},
        {0, true}, {0, true}, {5 * MiB, true}, {6 * MiB + 1, true}, {4 * MiB - 17, true}, {0, true}, {40 * MiB, true},
        {0, true}, {0, true}, {9 * MiB, true}, {9 * MiB, true}, {30 * MiB, false}, {0, true}, {12 * MiB, true},
        {0, true}, {0, true}, {0, true}, {MiB - 64, true}, {MiB, true}, {2 * MiB - 8, false}, {0, true}, {0, true},
        {MiB + 1, true}, {0, true}, {0, true},
    };
    struct Live { unsigned char* block; size_t bytes; unsigned char pattern; };
    std::vector<Live> live;
    unsigned char pattern = 0;
    for (const Step& step : steps) {
        if (step.bytes == 0) {
            ASSERT_FALSE(live.empty());
            ReleaseBlock(live.front().block);
            live.erase(live.begin());
        } else {
            void* raw = step.cleared ? AllocateBlock(step.bytes) : AllocateUnclearedBlock(step.bytes);
            ASSERT_NE(raw, nullptr) << step.bytes;
            unsigned char* block = static_cast<unsigned char*>(raw);
            if (step.cleared) {
                EXPECT_TRUE(Holds(block, step.bytes, 0)) << step.bytes;
            }
            pattern = static_cast<unsigned char>(pattern % 250 + 1);
            std::memset(block, pattern, step.bytes);
            live.push_back({block, step.bytes, pattern});
        }
        for (const Live& block : live) ASSERT_TRUE(Holds(block.block, block.bytes, block.pattern));
    }
    for (const Live& block : live) ReleaseBlock(block.block);
    EXPECT_EQ(AllocateBlock(0), nullptr);
    EXPECT_EQ(AllocateUnclearedBlock(0), nullptr);
    struct Record { char bytes[40]; };
    EXPECT_EQ(AllocateTable<Record>(size_t(-1) / 8), nullptr);  // a byte count past size_t
}

}  // namespace
