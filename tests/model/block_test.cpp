#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "model/block.h"

#if defined(__linux__)
namespace {

// Resident memory of this process in bytes, from /proc/self/statm.
long ResidentBytes() {
    long pages_total = 0, pages_resident = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm) return -1;
    int read = std::fscanf(statm, "%ld %ld", &pages_total, &pages_resident);
    std::fclose(statm);
    return read == 2 ? pages_resident * 4096 : -1;
}

}  // namespace

TEST(Blocks, SpareBlocksGoBackToTheSystemWhenAnOperationEnds) {
    constexpr size_t kBytes = size_t(96) << 20;
    ReleaseSpareBlocks();
    long before = ResidentBytes();
    ASSERT_GT(before, 0);
    void* block = AllocateBlock(kBytes);
    ASSERT_NE(block, nullptr);
    std::memset(block, 1, kBytes);
    EXPECT_GT(ResidentBytes(), before + long(kBytes / 2));
    ReleaseBlock(block);
    ReleaseSpareBlocks();
    EXPECT_LT(ResidentBytes(), before + (long(16) << 20));
}
#endif
