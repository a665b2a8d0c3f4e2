#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <algorithm>
#include <random>

#include "test_models.h"
#include "pairing/renumber_vertices.h"
#include "pairing/tolerant_partners.h"

namespace {

bool Equal(const Vertex& a, const Vertex& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// The matching as the plain scan does it: the first original vertex at an equal position, then the corner rewrite
// against the original vertex of the same index. Works on copies; returns the outcome without touching models.
struct ScanResult {
    int32_t result = 0;
    int32_t match_count = 0;
    std::vector<int32_t> links;
    std::vector<int32_t> corners;
};

ScanResult PlainScan(const Model& matching, const Model& original) {
    ScanResult r;
    int32_t n = matching.vertex_count;
    for (int32_t i = 0; i < n; ++i) {
        int32_t found = -1;
        for (int32_t j = 0; j < original.vertex_count; ++j) {
            if (Equal(original.vertices[j], matching.vertices[i])) {
                found = j;
                break;
            }
        }
        if (found < 0) return r;
        r.links.push_back(found);
        ++r.match_count;
    }
    r.result = 1;
    for (int32_t v : Corners(matching))
        r.corners.push_back(Equal(matching.vertices[v], original.vertices[v]) ? v : r.links[size_t(v)]);
    return r;
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();

// Random models with many repeated positions, signed zeros and NaNs: the
// indexed matching agrees with the plain scan in every observable.
TEST(MatchVertices, AgreesWithThePlainScan) {
    std::mt19937 random(12345);
    const float values[] = {0.0f, -0.0f, 1.0f, -1.0f, 2.5f, kNaN};
    int32_t successes = 0, failures = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        int32_t n = 1 + int32_t(random() % 40);
        bool with_nan = trial % 5 == 0;
        int32_t value_count = with_nan ? 6 : 5;
        std::vector<Position> original_positions(static_cast<size_t>(n));
        std::vector<Position> matching_positions;
        for (auto& p : original_positions)
            p = {values[random() % value_count], values[random() % value_count], values[random() % 3]};
        // The matching model: a permutation of the original positions, with
        // zeros flipped in sign, and sometimes one position moved.
        matching_positions = original_positions;
        std::shuffle(matching_positions.begin(), matching_positions.end(), random);
        for (auto& p : matching_positions) {
            if (random() % 2 && p.x == 0.0f) p.x = -p.x;
            if (random() % 2 && p.z == 0.0f) p.z = -p.z;
        }
        if (trial % 7 == 0) matching_positions[random() % n].y = 7.0f;
        std::vector<std::vector<int32_t>> faces;
        for (int32_t f = 0; f < n; ++f) {
            std::vector<int32_t> corners;
            for (int32_t c = 0; c < 3 + int32_t(random() % 2); ++c) corners.push_back(int32_t(random() % n));
            faces.push_back(corners);
        }

        Model original, matching;
        BuildModel(original, original_positions, faces);
        BuildModel(matching, matching_positions, faces);
        ScanResult expected = PlainScan(matching, original);
        auto original_before = VertexBytes(original);
        auto matching_before = VertexBytes(matching);
        auto corners_before = Corners(matching);

        int32_t count = -1;
        int32_t result = matching.MatchVertices(original, count, nullptr);
        ASSERT_EQ(result, expected.result) << "trial " << trial;
        EXPECT_EQ(count, expected.match_count) << "trial " << trial;
        EXPECT_EQ(VertexBytes(original), original_before);
        if (result == 1) {
            ++successes;
            EXPECT_EQ(Corners(matching), expected.corners) << "trial " << trial;
            EXPECT_EQ(VertexBytes(matching).size(), original_before.size());
            for (int32_t k = 0; k < n; ++k) {
                EXPECT_EQ(matching.vertices[k].link, expected.links[size_t(k)]) << "trial " << trial;
                EXPECT_EQ(std::memcmp(&matching.vertices[k].x, &original.vertices[k].x, 12), 0);
            }
        } else {
            ++failures;
            EXPECT_EQ(VertexBytes(matching), matching_before) << "trial " << trial;
            EXPECT_EQ(Corners(matching), corners_before) << "trial " << trial;
        }
    }
    EXPECT_GT(successes, 1000);
    EXPECT_GT(failures, 300);
}

// Renumbering by partners: with equal vertex counts and unmoved positions it must leave exactly what exact matching
// leaves (split and welded copies are converted in the command line's corpus runs).
std::vector<int32_t> Partners(const Model& matching, const Model& original) {
    std::vector<int32_t> partner(size_t(matching.vertex_count));
    EXPECT_EQ(FindTolerantPartners(original.vertices, original.vertex_count, matching.vertices,
                                   matching.vertex_count, 1e-3, partner.data(), nullptr),
              1);
    return partner;
}

TEST(RenumberVertices, UnmovedPairComesOutAsExactMatchingMakesIt) {
    const Position A{1, 0, 0}, B{0, 1, 0}, C{0, 0, 1}, P{1, 2, 3}, Q{4, 5, 6};
    std::vector<Position> shuffled_original, shuffled;
    std::mt19937 random(5);
    for (int k = 0; k < 300; ++k) shuffled_original.push_back({float(random() % 40), float(random() % 3), 0.5f});
    shuffled = shuffled_original;
    std::shuffle(shuffled.begin(), shuffled.end(), random);
    std::vector<std::vector<int32_t>> faces;
    for (int f = 0; f < 200; ++f) faces.push_back({int32_t(random() % 300), int32_t(random() % 300), f % 300});
    struct Case { std::vector<Position> original, matching; std::vector<std::vector<int32_t>> faces; };
    const Case cases[] = {{{A, B, C}, {C, A, B}, {{0, 1, 2}}},
                          {{P, Q, P}, {Q, P, P}, {{0, 1, 2}, {2, 2, 1}}},
                          {shuffled_original, shuffled, faces}};
    for (const Case& c : cases) {
        Model original, exact, renumbered;
        BuildModel(original, c.original, {});
        BuildModel(exact, c.matching, c.faces);
        BuildModel(renumbered, c.matching, c.faces);
        int32_t match_count = 0;
        ASSERT_EQ(exact.MatchVertices(original, match_count, nullptr), 1);
        ASSERT_EQ(RenumberToOriginal(renumbered, original, Partners(renumbered, original).data()), 1);
        EXPECT_EQ(VertexBytes(renumbered), VertexBytes(exact)) << c.original.size();
        EXPECT_EQ(Corners(renumbered), Corners(exact)) << c.original.size();
    }
}

}  // namespace
