// Renumbering by partners: with equal vertex counts and unmoved positions it
// must leave exactly what exact matching leaves; with split or welded copies
// the table is the original's and every corner lands on its partner.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "morph/equal_positions.h"
#include "morph/renumber_vertices.h"
#include "morph/tolerant_partners.h"
#include "test_models.h"

namespace {

std::vector<int32_t> Links(const Model& model) {
    std::vector<int32_t> links;
    for (int32_t k = 0; k < model.vertex_count; ++k) links.push_back(model.vertices[k].link);
    return links;
}

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
    struct Case {
        std::vector<Position> original, matching;
        std::vector<std::vector<int32_t>> faces;
    };
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

TEST(RenumberVertices, SplitWeldedAndMovedCopies) {
    const Position A{1, 0, 0}, B{0, 1, 0}, C{0, 0, 1}, D{2, 2, 2};
    const Position B2{0, 1.0002f, 0}, C2{0.0003f, 0, 0.9999f};
    struct Case {
        std::vector<Position> original, matching;
        std::vector<std::vector<int32_t>> faces;
        std::vector<int32_t> corners, links;
    };
    const Case cases[] = {
        {{A, B, C}, {A, B, B, C}, {{0, 1, 3}, {0, 2, 3}}, {0, 1, 2, 0, 1, 2}, {0, 1, 1}},    // split
        {{A, B, C, A, D}, {A, C}, {{0, 1, 0}}, {0, 2, 0}, {0, 2, -1, -1, -1}},                // welded
        {{A, B, C}, {C2, A, B2}, {{0, 1, 2}, {2, 1, 0}}, {2, 0, 1, 1, 0, 2}, {2, 0, 1}},      // moved
    };
    for (const Case& c : cases) {
        Model original, matching;
        BuildModel(original, c.original, {});
        BuildModel(matching, c.matching, c.faces);
        ASSERT_EQ(RenumberToOriginal(matching, original, Partners(matching, original).data()), 1);
        EXPECT_EQ(matching.vertex_count, original.vertex_count);
        for (int32_t k = 0; k < original.vertex_count; ++k) {
            EXPECT_TRUE(PositionsEqual(matching.vertices[k], original.vertices[k])) << k;
            EXPECT_EQ(matching.vertices[k].mark, 0) << k;
        }
        EXPECT_EQ(Corners(matching), c.corners) << c.original.size();
        EXPECT_EQ(Links(matching), c.links) << c.original.size();
    }

    // A vertex without a partner: nothing changes.
    Model original, matching;
    BuildModel(original, {A, B}, {});
    BuildModel(matching, {B, D, A}, {{0, 1, 2}});
    std::vector<uint8_t> before = VertexBytes(matching);
    const int32_t partner[] = {1, -1, 0};
    EXPECT_EQ(RenumberToOriginal(matching, original, partner), 0);
    EXPECT_EQ(VertexBytes(matching), before);
    EXPECT_EQ(Corners(matching), (std::vector<int32_t>{0, 1, 2}));
}

}  // namespace
