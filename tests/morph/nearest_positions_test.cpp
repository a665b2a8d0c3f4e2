// The tree search for nearest positions must agree with a plain scan on the
// nearest vertex, its distance and the closest pair of different positions,
// with repeated positions, clusters and non-finite coordinates in the table.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "morph/nearest_positions.h"
#include "tests/morph/random_positions.h"

namespace {

bool Finite(const Vertex& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

double Squared(const Vertex& a, const Vertex& b) {
    double dx = double(a.x) - double(b.x), dy = double(a.y) - double(b.y), dz = double(a.z) - double(b.z);
    return dx * dx + dy * dy + dz * dz;
}

TEST(NearestPositions, AgreeWithAPlainScan) {
    struct Case {
        PositionShape shape;
        int32_t query_count;
    };
    const Case cases[] = {{{3000, 0.5f, 40, 0.0, 0}, 2000},  {{2000, 1e-3f, 3, 7.0, 0}, 500},
                          {{1500, 1.0f, 1000, -3.0, 8}, 800}, {{1, 1.0f, 5, 0.0, 0}, 10},
                          {{0, 1.0f, 5, 0.0, 0}, 10},         {{400, 1.0f, 1, 0.0, 0}, 10}};
    std::mt19937 random(23);
    for (const Case& c : cases) {
        std::vector<Vertex> table = GridPositions(c.shape, random);
        std::vector<Vertex> queries = MovedCopies(table, c.shape, c.query_count, 3.0 * c.shape.spacing, random);
        std::vector<int32_t> nearest(queries.size());
        std::vector<double> distance(queries.size());
        ASSERT_EQ(FindNearestPositions(table.data(), int32_t(table.size()), queries.data(), c.query_count,
                                       nearest.data(), distance.data()),
                  1);
        double smallest_squared = INFINITY;
        for (int32_t i = 0; i < c.query_count; ++i) {
            int32_t expected = -1;
            double best = INFINITY;
            for (int32_t j = 0; Finite(queries[i]) && j < int32_t(table.size()); ++j) {
                if (!Finite(table[j]) || (expected >= 0 && Squared(queries[i], table[j]) >= best)) continue;
                expected = j;
                best = Squared(queries[i], table[j]);
            }
            ASSERT_EQ(nearest[i], expected) << c.shape.count << " query " << i;
            ASSERT_EQ(distance[i], std::sqrt(best)) << c.shape.count << " query " << i;
        }
        for (size_t a = 0; a < table.size(); ++a) {
            for (size_t b = 0; b < a && Finite(table[a]); ++b) {
                double squared = Finite(table[b]) ? Squared(table[a], table[b]) : 0;
                if (squared > 0 && squared < smallest_squared) smallest_squared = squared;
            }
        }
        double smallest = -1;
        ASSERT_EQ(SmallestPositionDistance(table.data(), int32_t(table.size()), smallest), 1);
        EXPECT_EQ(smallest, std::sqrt(smallest_squared)) << c.shape.count;
    }
}

}  // namespace
