#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>

#include "model/corners.h"
#include "test_models.h"

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(CountIsolatedVertices, CountsVerticesNoCornerUses) {
    Model model;
    BuildModel(model, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}}, {{0, 1, 3}, {3, 1, 0}});
    EXPECT_EQ(model.CountIsolatedVertices(), 1);
    EXPECT_EQ(model.isolated_count, 2);
    const int32_t uses[] = {2, 2, 0, 2, 0};
    for (int32_t k = 0; k < 5; ++k) EXPECT_EQ(model.vertices[k].link, uses[k]);

    Model empty;
    empty.isolated_count = 9;
    EXPECT_EQ(empty.CountIsolatedVertices(), 1);
    EXPECT_EQ(empty.isolated_count, 0);
}

// Corners are counted a little after they are met; however many there are,
// every vertex ends with its own number of uses.
TEST(CountIsolatedVertices, UsesAgreeWithAPlainCount) {
    std::mt19937 random(3);
    const int32_t face_counts[] = {1, 5, 6, 40};
    for (int32_t faces : face_counts) {
        SCOPED_TRACE(faces);
        const int32_t n = 50;
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

TEST(CountDuplicateVertices, MarksLaterVerticesAtAnEarlierPosition) {
    Model model;
    BuildModel(model,
               {{1, 2, 3}, {0.0f, 0, 0}, {1, 2, 3}, {-0.0f, 0, -0.0f}, {kNaN, 0, 0}, {kNaN, 0, 0}, {1, 2, 3}}, {});
    EXPECT_EQ(model.CountDuplicateVertices(), 1);
    EXPECT_EQ(model.duplicate_count, 3);  // marks and links: see the comparison with the position list
    // The isolated count afterwards replaces the links and keeps the marks.
    model.CountIsolatedVertices();
    EXPECT_EQ(model.isolated_count, 7);
    EXPECT_EQ(model.vertices[2].mark, 1);
    EXPECT_EQ(model.vertices[2].link, 0);

    Model empty;
    EXPECT_EQ(empty.CountDuplicateVertices(), 1);
    EXPECT_EQ(empty.duplicate_count, 0);
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

// A loaded model's corner walk reads the vertex lists where the values pass
// put them, in file order rather than table order: it must still meet every
// corner of every face once, and stop meeting a face's corners once that
// face is released.
TEST(LoadObj, CornerWalkMeetsEachCornerOnceUntilItsFaceIsReleased) {
    ScratchFolder folder;
    Model model;
    const std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 2 0 0\nv 0 2 0\nv 2 2 0\nv 3 3 3\n"
                             "g a\nf 1 2 3\ng b\nf 4 5 6 1\nf\ng a\nf 1 3 2\n";
    ASSERT_EQ(model.LoadObj(folder.Write("mesh.obj", text).c_str()), 1);
    ASSERT_EQ(model.vertex_lists_packed, 1);

    auto walk = [&model] {
        std::vector<int32_t> uses(size_t(model.vertex_count), 0);
        ForEachCornerVertex(model, [&](int32_t v) { ++uses[size_t(v)]; });
        return uses;
    };
    EXPECT_EQ(walk(), (std::vector<int32_t>{3, 2, 2, 1, 1, 1, 0}));
    ASSERT_EQ(model.CountIsolatedVertices(), 1);
    EXPECT_EQ(model.isolated_count, 1);

    Group* b = nullptr;
    for (int32_t g = 0; g < model.group_count; ++g) {
        if (std::string(model.Name(model.groups[g].name)) == "b") b = &model.groups[g];
    }
    ASSERT_NE(b, nullptr);
    model.ReleaseFace(b->faces[0]);
    EXPECT_EQ(model.vertex_lists_packed, 0);
    EXPECT_EQ(walk(), (std::vector<int32_t>{2, 2, 2, 0, 0, 0, 0}));
    ASSERT_EQ(model.CountIsolatedVertices(), 1);
    EXPECT_EQ(model.isolated_count, 4);

    Model positions;
    ASSERT_EQ(positions.LoadObjPositions(folder.Write("mesh.obj", text).c_str()), 1);
    EXPECT_EQ(positions.vertex_lists_packed, 0);
}

}  // namespace
