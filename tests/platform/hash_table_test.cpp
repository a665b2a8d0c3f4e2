#include <gtest/gtest.h>

#include "platform/block.h"
#include "platform/hash_table.h"

namespace {

struct Slot {
    uint32_t key;
    int32_t value;  // 0: free
};

struct Traits {
    static bool IsEmpty(const Slot& slot) { return slot.value == 0; }
    static bool Matches(const Slot& slot, uint32_t key) { return slot.key == key; }
};

using Table = HashTable<Slot, Traits>;

TEST(HashTable, CollidingAndWrappingKeysEachKeepTheirSlot) {
    // 15 keys in 16 slots with the hash chosen apart from the key: runs that
    // collide at one home, wrap past the last slot and meet other runs.
    struct Entry { uint32_t key; uint64_t hash; };
    const Entry entries[] = {{7, 3},  {8, 3},  {9, 3},  {100, 15}, {101, 15}, {102, 31}, {5, 4},  {6, 0},
                             {40, 9}, {41, 8}, {42, 9}, {43, 0x7F9}, {44, 12}, {45, 12}, {46, 1}};
    ScopedBlock<Slot> block(AllocateTable<Slot>(16));
    Table table{block.Get(), 15};
    int32_t value = 0;
    for (const Entry& e : entries) {
        Slot* slot = table.Place(e.key, e.hash);
        ASSERT_TRUE(Traits::IsEmpty(*slot)) << e.key;
        *slot = {e.key, ++value};
        EXPECT_EQ(table.Place(e.key, e.hash), slot) << e.key;
    }
    value = 0;
    for (const Entry& e : entries) {
        Slot* slot = table.Find(e.key, e.hash);
        ASSERT_NE(slot, nullptr) << e.key;
        EXPECT_EQ(slot->value, ++value) << e.key;
        EXPECT_EQ(table.IndexOf(e.key, e.hash), slot - block.Get()) << e.key;
    }
    // Wrapped runs: 100 at its home 15, 101 and 102 over the end at 0 and 1.
    EXPECT_EQ(table.IndexOf(100u, 15), 15);
    EXPECT_EQ(table.IndexOf(101u, 15), 0);
    EXPECT_EQ(table.IndexOf(102u, 31), 1);
    // Absent keys, at a busy home and with the hash of a present key, walk to
    // the one free slot left and stop there.
    const uint64_t absent_hashes[] = {3, 15, 0, 9, 12};
    for (uint64_t hash : absent_hashes) {
        EXPECT_EQ(table.Find(999u, hash), nullptr) << hash;
        EXPECT_EQ(table.IndexOf(999u, hash), -1) << hash;
        EXPECT_EQ(table.FreeSlot(hash), table.Place(999u, hash)) << hash;
        EXPECT_TRUE(Traits::IsEmpty(*table.FreeSlot(hash))) << hash;
    }
    EXPECT_EQ(table.Home(0x7F9), block.Get() + 9);
}

TEST(HashTable, CapacityIsThePowerOfTwoThatHoldsTheCountSpread) {
    struct Case { uint64_t count, spread, least, capacity; };
    const Case cases[] = {{0, 2, 16, 16},        {8, 2, 16, 16},       {9, 2, 16, 32},
                          {100000, 4, 16, 1u << 19}, {3, 2, 64, 64},       {33, 2, 64, 128},
                          {uint64_t(1) << 62, 2, 16, uint64_t(1) << 63}, {(uint64_t(1) << 62) + 1, 2, 16, 0}};
    for (const Case& c : cases) EXPECT_EQ(HashCapacity(c.count, c.spread, c.least), c.capacity) << c.count;
}

}  // namespace
