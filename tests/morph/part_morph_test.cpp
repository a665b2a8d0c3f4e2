// Partial morphs: a part of a figure exported on its own (reordered, perhaps split along a UV seam), sculpted, comes
// back as a morph of the whole figure. Every written vertex is checked against the truth: the sculpt's position inside
// the part, the figure's own outside it. Figures: a grid, a closed sphere with a head-like cap.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <numeric>
#include <random>

#include "morph/convert.h"
#include "morph/diagnosis_text.h"
#include "morph/shapes.h"
#include "tests/morph/part_figures.h"
#include "tests/morph/test_models.h"

namespace {

using namespace part_figures;

struct Case {
    const char* name;
    Mesh whole;
    Part part;
    bool allow_count_change;
    int32_t inside;  // original vertices the part covers
};

TEST(PartMorphs, EveryWrittenVertexIsTheSculptInsideAndTheFigureOutside) {
    Mesh grid = Grid(20), sphere = Sphere(12, 16);
    auto left = [](Position p) { return p.x < 10; };
    auto head = [](Position p) { return p.z > 0.45f; };
    auto front = [](Position p) { return p.y > -0.2f; };  // a cap crossed by the seam at x = 0
    Case cases[] = {
        {"grid, left half", grid, CutPart(grid, left, false, 1), false, 200},
        {"sphere, head", sphere, CutPart(sphere, head, false, 2), false, 0},
        {"sphere, seam split", sphere, CutPart(sphere, front, true, 3), true, 0},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> in(c.whole.v.size(), 0);
        for (int32_t k : c.part.part_of) in[size_t(k)] = 1;
        const int32_t inside = std::accumulate(in.begin(), in.end(), 0);
        if (c.inside) { EXPECT_EQ(inside, c.inside); }
        ASSERT_GT(inside, 0);
        ASSERT_LT(inside, int32_t(c.whole.v.size()));
        EXPECT_EQ(c.allow_count_change, c.part.mesh.v.size() > size_t(inside));  // the seam split some
        ScratchFolder folder;
        Mesh sculpt = c.part.mesh;
        for (Position& p : sculpt.v) p = Sculpt(p);
        const std::string original = folder.Write("original.obj", c.whole.Obj());
        const std::string part = folder.Write("part.obj", c.part.mesh.Obj());
        const std::string shape = folder.Write("sculpt.obj", sculpt.Obj());

        ShapeFamily family;
        QuietHost host;
        char message[kMessageCapacity] = {};
        ASSERT_EQ(LoadShapeFamily(original.c_str(), part.c_str(), family, &host, message), 1);
        if (c.allow_count_change) {  // split vertices need leave, as for convert
            ASSERT_EQ(PairShapeFamily(family, 0, message, nullptr), -5);
            ASSERT_EQ(LoadShapeFamily(original.c_str(), part.c_str(), family, &host, message), 1);
            family.allow_count_change = true;
        }
        ASSERT_EQ(PairShapeFamily(family, 0, message, nullptr), 1) << message;
        EXPECT_EQ(family.sharing.outside_count, int32_t(c.whole.v.size()) - inside);
        EXPECT_EQ(WeldedCount(family.sharing), 0);
        char line[256];
        WritePartLine(family.sharing, family.original.vertex_count, line, sizeof line);
        EXPECT_EQ(std::string(line), "part: " + std::to_string(inside) + " of " + std::to_string(c.whole.v.size()) +
                                         " original vertices (the rest stay where ORIGINAL has them)");
        const std::string out = folder.Join("out.obj");
        WrittenObjFiles files;
        ASSERT_EQ(FormatShape(family, shape.c_str(), out.c_str(), files, message), 1) << message;
        ASSERT_EQ(CommitShape(files, out.c_str(), message), 1) << message;
        std::vector<Position> written = ReadPositions(out);
        ASSERT_EQ(written.size(), c.whole.v.size());
        for (size_t k = 0; k < written.size(); ++k)
            EXPECT_TRUE(Same(written[k], in[k] ? Sculpt(c.whole.v[k]) : c.whole.v[k])) << "vertex " << k + 1;

        // convert takes the part as it is (a split one with leave): NEW is the figure with the part's faces.
        ConvertDiagnostics d;
        ConvertOptions options;
        options.allow_count_change = c.allow_count_change;
        options.diagnostics = &d;
        ASSERT_EQ(ConvertFiles(original.c_str(), part.c_str(), folder.Join("new.obj").c_str(), &host, message,
                               &options), 1) << message;
        EXPECT_EQ(d.sharing.outside_count, int32_t(c.whole.v.size()) - inside);
        EXPECT_EQ(d.check.faces_not_in_original, 0);
        std::vector<Position> converted = ReadPositions(folder.Join("new.obj"));
        ASSERT_EQ(converted.size(), c.whole.v.size());
        for (size_t k = 0; k < converted.size(); ++k) EXPECT_TRUE(Same(converted[k], c.whole.v[k])) << k + 1;
    }
}

// What is no part stays refused as before: a copy whose vertices moved off the figure, a whole copy welded, a split
// part without leave, a part bigger than the figure.
TEST(PartMorphs, WhatIsNoPartIsRefusedForItsVertexCount) {
    Mesh grid = Grid(6);
    Part moved = CutPart(grid, [](Position p) { return p.x < 3; }, false, 4);
    moved.mesh.v[0].z += 0.5f;
    Mesh welded = grid;  // two corners of the whole welded into one
    welded.v.pop_back();
    for (auto& face : welded.f)
        for (int32_t& k : face) k = k == 35 ? 34 : k;
    welded.v[34] = grid.v[34];
    Mesh doubled = grid;  // a vertex more than the figure
    doubled.v.push_back(grid.v[0]);
    ScratchFolder folder;
    const std::string original = folder.Write("original.obj", grid.Obj());
    Mesh same_place = grid;
    same_place.v[35] = grid.v[34];
    folder.Write("original_welded.obj", same_place.Obj());
    struct Refused {
        const char* name;
        std::string original, copy;
    } refused[] = {
        {"moved", original, folder.Write("moved.obj", moved.mesh.Obj())},
        {"welded", folder.Join("original_welded.obj"), folder.Write("welded.obj", welded.Obj())},
        {"bigger", original, folder.Write("bigger.obj", doubled.Obj())},
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.name);
        QuietHost host;
        char message[kMessageCapacity] = {};
        ShapeFamily family;
        ASSERT_EQ(LoadShapeFamily(r.original.c_str(), r.copy.c_str(), family, &host, message), 1);
        EXPECT_EQ(PairShapeFamily(family, 0, message, nullptr), -5);
        EXPECT_NE(std::string(message).find("Vertex count does not match"), std::string::npos) << message;
        ConvertDiagnostics d;
        ConvertOptions options;
        options.diagnostics = &d;
        EXPECT_EQ(ConvertFiles(r.original.c_str(), r.copy.c_str(), folder.Join("new.obj").c_str(), &host, message,
                               &options), -5);
        EXPECT_EQ(d.missing_count, r.name[0] == 'm' ? 1 : 0);
    }
}

}  // namespace
