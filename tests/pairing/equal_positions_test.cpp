// The partitioned search for equal positions must give, for every query, exactly the lowest table index a plain scan
// finds, at every table size and partition count (one partition or many) and with repeated, signed-zero and NaN
// positions.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <tuple>
#include <vector>

#include "pairing/equal_positions.h"

namespace {

using Key = std::tuple<float, float, float>;

// The plain scan, with +0.0 and -0.0 made one key and NaNs left out.
std::map<Key, int32_t> FirstIndexes(const std::vector<Vertex>& table) {
    std::map<Key, int32_t> first;
    for (int32_t j = 0; j < static_cast<int32_t>(table.size()); ++j) {
        const Vertex& v = table[j];
        if (std::isnan(v.x) || std::isnan(v.y) || std::isnan(v.z)) continue;
        first.emplace(Key(v.x + 0.0f, v.y + 0.0f, v.z + 0.0f), j);  // emplace keeps the first
    }
    return first;
}

int32_t Expected(const std::map<Key, int32_t>& first, const Vertex& v) {
    auto found = first.find(Key(v.x + 0.0f, v.y + 0.0f, v.z + 0.0f));
    return std::isnan(v.x) || std::isnan(v.y) || std::isnan(v.z) || found == first.end() ? -1 : found->second;
}

TEST(EqualPositions, LowestTableIndexForEveryQuery) {
    const float nan = std::nanf("");
    const float coordinates[] = {0.0f, -0.0f, 1.0f, -1.0f, 0.5f, 2.25f, nan, 1e-40f, 3e38f};
    struct Case {
        int32_t table_size;
        int32_t query_size;
        int distinct;  // positions drawn from about this many per axis
    };
    const Case cases[] = {{0, 3, 4}, {1, 1, 2}, {50, 80, 3}, {9000, 9000, 40}, {70000, 50000, 60},
                          {70000, 70000, 1}, {200000, 1000, 100000}};
    std::mt19937 random(3);
    for (const Case& c : cases) {
        auto coordinate = [&]() {
            uint32_t pick = random() % (c.distinct + 9);
            return pick < 9 ? coordinates[pick] : static_cast<float>(pick) * 0.125f;
        };
        std::vector<Vertex> table(c.table_size), queries(c.query_size);
        for (Vertex& v : table) v = {0, 0, coordinate(), coordinate(), coordinate()};
        for (Vertex& v : queries) {
            v = {0, 0, coordinate(), coordinate(), coordinate()};
            if (c.table_size > 0 && random() % 2) {  // half of them ask for a table position
                v = table[random() % c.table_size];
                if (v.x == 0.0f) v.x = -v.x;  // with the other zero
            }
        }
        std::map<Key, int32_t> first = FirstIndexes(table);

        // The size's own partitions, then partitions forced on a small table (0: none), so that equal positions, signed
        // zeros and NaNs meet across many partition boundaries, answered directly and in order.
        const struct {
            int bits;  // -1: the size's own choice
            bool in_order;
            int32_t threads;
        } searches[] = {{-1, false, 1}, {0, false, 1}, {3, false, 1}, {9, false, 1}, {3, true, 1}, {9, true, 1},
                        {-1, false, 2}, {1, false, 3}, {9, true, 4}};
        for (const auto& how : searches) {
            SCOPED_TRACE(testing::Message() << c.table_size << " bits " << how.bits << " in order " << how.in_order
                                            << " threads " << how.threads);
            auto search = [&](const Vertex* queries_of, int32_t count, int32_t* into) {
                return how.bits < 0
                           ? FindFirstEqualPositions(table.data(), c.table_size, queries_of, count, into, how.threads)
                           : FindFirstEqualPositionsInPartitions(table.data(), c.table_size, queries_of, count, into,
                                                                 how.bits, how.in_order, how.threads);
            };
            std::vector<int32_t> found(c.query_size + 1, -7);
            ASSERT_EQ(search(queries.data(), c.query_size, found.data()), 1);
            int hits = 0;
            for (int32_t i = 0; i < c.query_size; ++i) {
                ASSERT_EQ(found[i], Expected(first, queries[i])) << "query " << i;
                hits += found[i] >= 0;
            }
            EXPECT_EQ(found[c.query_size], -7);  // nothing written past the queries
            EXPECT_TRUE(c.table_size == 0 || hits > 0);

            // The table asked about itself: each vertex finds itself or an earlier one.
            std::vector<int32_t> self(c.table_size);
            ASSERT_EQ(search(table.data(), c.table_size, self.data()), 1);
            for (int32_t k = 0; k < c.table_size; ++k) ASSERT_EQ(self[k], Expected(first, table[k])) << k;
        }
    }
}

}  // namespace
