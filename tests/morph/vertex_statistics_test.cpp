#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>

#include "model/corners.h"
#include "test_models.h"

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();

// However many corners there are, every vertex ends with its own number of
// uses, also past 255 (the last row: about 360 uses of one vertex).
TEST(CountIsolatedVertices, UsesAgreeWithAPlainCount) {
    std::mt19937 random(3);
    const struct {
        int32_t faces;
        int32_t n;
    } rows[] = {{1, 50}, {5, 50}, {6, 50}, {40, 50}, {600, 1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.faces);
        const int32_t faces = row.faces;
        const int32_t n = row.n;
        std::vector<Position> positions;
        for (int32_t k = 0; k < n; ++k) positions.push_back({float(k), 0, 0});
        std::vector<std::vector<int32_t>> corners;
        std::vector<int32_t> uses(n, 0);
        for (int32_t f = 0; f < faces; ++f) {
            corners.emplace_back();
            for (int32_t c = 0; c < 3; ++c) {
                int32_t v = int32_t(random() % (n + 4)) - 2;  // a few outside the table
                corners.back().push_back(v);
                if (v >= 0 && v < n) ++uses[size_t(v)];
            }
        }
        Model model;
        BuildModel(model, positions, corners);
        ASSERT_EQ(model.CountIsolatedVertices(), 1);
        EXPECT_EQ(model.isolated_count, std::count(uses.begin(), uses.end(), 0));
        for (int32_t k = 0; k < n; ++k) EXPECT_EQ(model.vertices[k].link, uses[size_t(k)]) << k;
    }
}

// Against the position list it replaces: every position once, with its first vertex.
TEST(CountDuplicateVertices, AgreesWithThePositionList) {
    std::mt19937 random(99);
    const float values[] = {0.0f, -0.0f, 1.0f, 2.0f, kNaN};
    for (int trial = 0; trial < 500; ++trial) {
        std::vector<Position> positions(1 + random() % 50);
        for (auto& p : positions) p = {values[random() % 5], values[random() % 4], values[random() % 4]};
        Model model;
        BuildModel(model, positions, {});
        model.CountDuplicateVertices();
        std::vector<int32_t> firsts;  // the list's nodes
        int32_t count = 0;
        for (int32_t k = 0; k < model.vertex_count; ++k) {
            const Vertex& v = model.vertices[k];
            int32_t link = -1;
            for (int32_t j : firsts) {
                const Vertex& w = model.vertices[j];
                if (w.x == v.x && w.y == v.y && w.z == v.z) link = j;
            }
            if (link < 0) firsts.push_back(k);
            else ++count;
            ASSERT_EQ(model.vertices[k].mark, link >= 0 ? 1 : 0);
            ASSERT_EQ(model.vertices[k].link, link);
        }
        EXPECT_EQ(model.duplicate_count, count);
    }
}

}  // namespace
