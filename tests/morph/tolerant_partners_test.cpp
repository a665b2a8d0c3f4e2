// The grid search for partners within a tolerance must give exactly what a
// plain scan of the whole table gives, for every query, also where cells
// would overflow, coordinates are infinite or NaN, and the tolerance is far
// below or far above the spacing of the points.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "morph/tolerant_partners.h"
#include "tests/morph/random_positions.h"

namespace {

struct Found {
    int32_t partner;
    uint8_t ambiguous;
};

bool Within(float a, float b, double tolerance, double& offset) {
    offset = a == b ? 0.0 : double(a) - double(b);
    return std::fabs(offset) <= tolerance;
}

// Every table vertex in turn: the nearest within the tolerance, the earliest
// of equally near ones, and whether any lies at another position than the
// first one met.
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
        {{0, 1.0f, 10, 0.0, 0}, 20, 0.5, 1.0},
        {{20, 1.0f, 10, 0.0, 0}, 0, 0.5, 1.0},
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
        if (!table.empty() && c.query_count > 0) {
            EXPECT_GT(paired, c.query_count / 10) << c.tolerance;
        }
        if (c.tolerance == 0.03) {
            EXPECT_GT(unsure, 0);
        }
    }
}

TEST(TolerantPartners, ExactPositionsWinAndTiesGoLow) {
    const float inf = INFINITY;
    const std::vector<Vertex> table = {{0, 0, 0, 0, 0},    {0, 0, 1, 0, 0},   {0, 0, 0.25f, 0, 0},
                                       {0, 0, 0.25f, 0, 0}, {0, 0, inf, 2, 0}, {0, 0, 5, 5, 5}};
    struct Case {
        Vertex query;
        double tolerance;
        Found expected;
    };
    const Case cases[] = {
        {{0, 0, 0.5f, 0, 0}, 0.25, {2, 0}},     // only the two at 0.25, one position
        {{0, 0, 0.5f, 0, 0}, 0.5, {2, 1}},      // 0 and 1 too, but farther
        {{0, 0, 0.75f, 0, 0}, 0.5, {1, 1}},     // 1 nearer than 0.25
        {{0, 0, 0.625f, 0, 0}, 0.5, {1, 1}},    // 1 and 0.25 as near: the lower index
        {{0, 0, -0.0f, 0, 0}, 0.3, {0, 1}},     // equal, with the other zero
        {{0, 0, inf, 2.5f, 0}, 0.5, {4, 0}},    // an infinity within by equality
        {{0, 0, inf, 2.5f, 0}, 0.4, {-1, 0}},
        {{0, 0, NAN, 5, 5}, 1e30, {-1, 0}},
        {{0, 0, 5, 5, 5}, 1e308, {5, 1}},       // cells wider than the double range
        {{0, 0, inf, 2.5f, 0}, 1e308, {4, 0}},
        {{0, 0, 5, 5, 5.0000005f}, 1e-6, {5, 0}},
    };
    for (const Case& c : cases) {
        int32_t partner = -7;
        uint8_t ambiguous = 7;
        ASSERT_EQ(FindTolerantPartners(table.data(), 6, &c.query, 1, c.tolerance, &partner, &ambiguous), 1);
        EXPECT_EQ(partner, c.expected.partner) << c.query.x << " " << c.tolerance;
        EXPECT_EQ(ambiguous, c.expected.ambiguous) << c.query.x << " " << c.tolerance;
    }
    int32_t partner = -7;
    for (double bad : {0.0, -1.0, double(NAN), double(INFINITY)}) {
        EXPECT_EQ(FindTolerantPartners(table.data(), 6, table.data(), 1, bad, &partner, nullptr), 0) << bad;
    }
    EXPECT_EQ(partner, -7);
}

TEST(TolerantPartners, AutoToleranceFollowsTheLargestFiniteCoordinate) {
    const std::vector<std::vector<Vertex>> tables = {
        {}, {{0, 0, 1, -2, 3}}, {{0, 0, 0, 0, -8388608.0f}, {0, 0, INFINITY, NAN, 1}}, {{0, 0, 1e30f, 0, 0}}};
    const double expected[] = {1e-6, 1e-6, 2.0, double(1e30f) / 4194304.0};
    for (size_t t = 0; t < tables.size(); ++t) {
        EXPECT_EQ(AutoTolerance(tables[t].data(), int32_t(tables[t].size())), expected[t]) << t;
    }
}

}  // namespace
