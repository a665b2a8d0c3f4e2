// The grid search for partners within a tolerance must give exactly what a plain scan of the whole table gives, for
// every query, also where cells would overflow, coordinates are infinite or NaN, and the tolerance is far below or far
// above the spacing of the points.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "pairing/tolerant_partners.h"
#include "tests/pairing/random_positions.h"
#include "pairing/nearest_positions.h"

namespace {

struct Found {
    int32_t partner;
    uint8_t ambiguous;
};

bool Within(float a, float b, double tolerance, double& offset) {
    offset = a == b ? 0.0 : double(a) - double(b);
    return std::fabs(offset) <= tolerance;
}

// Every table vertex in turn: the nearest within the tolerance, the earliest of equally near ones, and whether any lies
// at another position than the first one met.
Found Scan(const std::vector<Vertex>& table, const Vertex& q, double tolerance) {
    Found found{-1, 0};
    if (q.x != q.x || q.y != q.y || q.z != q.z) return found;
    double best = 0;
    const Vertex* first = nullptr;
    for (int32_t j = 0; j < int32_t(table.size()); ++j) {
        const Vertex& o = table[j];
        double dx, dy, dz;
        if (!Within(o.x, q.x, tolerance, dx) || !Within(o.y, q.y, tolerance, dy) || !Within(o.z, q.z, tolerance, dz))
            continue;
        if (!first) first = &o;
        if (!(first->x == o.x && first->y == o.y && first->z == o.z)) found.ambiguous = 1;
        double distance = dx * dx + dy * dy + dz * dz;
        if (found.partner < 0 || distance < best) {
            found.partner = j;
            best = distance;
        }
    }
    return found;
}

TEST(TolerantPartners, NearestWithinToleranceAsAPlainScanFindsIt) {
    struct Case {
        PositionShape shape;
        int32_t query_count;
        double tolerance;
        double reach;  // how far copies move, in tolerances
    };
    const Case cases[] = {
        {{2000, 1.0f, 30, 0.0, 0}, 3000, 0.01, 0.5},          // every copy finds its own vertex
        {{2000, 1.0f, 30, -15.0, 0}, 1500, 0.01, 2.0},        // some moved too far
        {{600, 0.01f, 100, 0.0, 0}, 800, 0.03, 1.0},          // tolerance above the spacing: ambiguities
        {{800, 2e-4f, 40, 1000.0, 0}, 900, 1e-4, 0.7},        // a tolerance of two float steps
        {{700, 1e-40f, 50, 0.0, 20}, 700, 1e-40, 1.0},        // huge and tiny values, infinities, NaNs
        {{700, 1.0f, 10, 0.0, 20}, 700, 1e-300, 1.0},         // below any float spacing: exact
        {{300, 1.0f, 10, 0.0, 10}, 300, 1e300, 1.0},          // everything within: the global nearest
        {{1500, 1e-4f, 12, 0.0, 0}, 1500, 0.01, 1.0},         // a dense cluster: every position within of all
        {{1500, 1.0f, 1, 5.0, 0}, 1000, 0.5, 1.0},            // every vertex at one position
        {{3000, 1e-3f, 24, 0.0, 5}, 1500, 2e-3, 1.0},         // dense cells beside sparse and far ones
        {{2000, 1.0f, 3, -1.0, 30}, 1500, 0.9, 1.0},          // few positions, many repeats, awkward values
        {{0, 1.0f, 10, 0.0, 0}, 20, 0.5, 1.0}, {{20, 1.0f, 10, 0.0, 0}, 0, 0.5, 1.0},
    };
    std::mt19937 random(19);
    for (const Case& c : cases) {
        std::vector<Vertex> table = GridPositions(c.shape, random);
        std::vector<Vertex> queries = MovedCopies(table, c.shape, c.query_count, c.reach * c.tolerance, random);
        std::vector<int32_t> partner(queries.size() + 1, -7);
        std::vector<uint8_t> ambiguous(queries.size() + 1, 7);
        ASSERT_EQ(FindTolerantPartners(table.data(), int32_t(table.size()), queries.data(), c.query_count,
                                       c.tolerance, partner.data(), ambiguous.data()),
                  1);
        int paired = 0, unsure = 0;
        for (int32_t i = 0; i < c.query_count; ++i) {
            Found expected = Scan(table, queries[i], c.tolerance);
            ASSERT_EQ(partner[i], expected.partner) << c.tolerance << " query " << i;
            ASSERT_EQ(ambiguous[i], expected.ambiguous) << c.tolerance << " query " << i;
            paired += partner[i] >= 0;
            unsure += ambiguous[i];
        }
        EXPECT_EQ(partner[c.query_count], -7);
        EXPECT_EQ(ambiguous[c.query_count], 7);
        EXPECT_TRUE(table.empty() || c.query_count == 0 || paired > c.query_count / 10) << c.tolerance << " " << paired;
        EXPECT_TRUE(c.tolerance != 0.03 || unsure > 0);
    }
    // A vertex exactly the tolerance away is within it.
    const Vertex at{0, 0, 0.25f, 0, 0}, query{0, 0, 0.5f, 0, 0};
    int32_t partner = -7;
    ASSERT_EQ(FindTolerantPartners(&at, 1, &query, 1, 0.25, &partner, nullptr), 1);
    EXPECT_EQ(partner, 0);
}

// The tree search for nearest positions must agree with a plain scan on the nearest vertex, its distance and the
// closest pair of different positions, with repeated positions, clusters and non-finite coordinates in the table.
bool Finite(const Vertex& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

double Squared(const Vertex& a, const Vertex& b) {
    double dx = double(a.x) - double(b.x), dy = double(a.y) - double(b.y), dz = double(a.z) - double(b.z);
    return dx * dx + dy * dy + dz * dz;
}

TEST(NearestPositions, AgreeWithAPlainScan) {
    struct Case { PositionShape shape; int32_t query_count; };
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

// auto is 2^-22 of the largest finite coordinate (at least 1e-6), a vertex far beyond all the others left out and
// named; a mesh with a far ground plane keeps it.
TEST(AutoTolerance, FromTheMeshsSizeWithoutStrayVertices) {
    struct Case {
        std::vector<Vertex> extra;  // after 1000 vertices within 30 of the origin
        double tolerance;
        int32_t outliers;
        int32_t farthest;
    };
    const Vertex far{0, 0, 3e38f, 1, 2}, farther{0, 0, 1, -3.4e38f, 0}, ground{0, 0, 1e4f, 0, -1e4f};
    const Vertex odd{0, 0, INFINITY, NAN, -25};
    const Case cases[] = {{{}, 30 * 0x1p-22, 0, -1},        {{far}, 30 * 0x1p-22, 1, 1000},
                          {{far, farther}, 30 * 0x1p-22, 2, 1001}, {{ground, ground}, 1e4 * 0x1p-22, 0, -1},
                          {{odd}, 30 * 0x1p-22, 0, -1}};
    std::mt19937 random(3);
    for (const Case& c : cases) {
        std::vector<Vertex> table;
        for (int k = 0; k < 1000; ++k) table.push_back({0, 0, float(random() % 31), -float(random() % 20), 0.5f});
        table[7].x = 30;
        table.insert(table.end(), c.extra.begin(), c.extra.end());
        SizeOutliers outliers;
        EXPECT_EQ(AutoTolerance(table.data(), int32_t(table.size()), &outliers), c.tolerance) << c.extra.size();
        EXPECT_EQ(outliers.count, c.outliers);
        EXPECT_EQ(outliers.farthest, c.farthest);
    }
    const Vertex tiny{0, 0, 1e-3f, 0, 0};
    EXPECT_EQ(AutoTolerance(&tiny, 1), 1e-6);
    EXPECT_EQ(AutoTolerance(&far, 1), double(3e38f) * 0x1p-22);  // alone, it is the mesh
}
