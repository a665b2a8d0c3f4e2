// A sculpted part of a figure, without its unsculpted export, paired by connectivity (shapes ORIGINAL SCULPT --by
// topology): every written vertex is checked against the truth, the sculpt's position where the part lies and the
// figure's own elsewhere; a part nothing seeds, a mirrored export and a welded one fail saying what pairs them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "morph/convert.h"
#include "morph/shapes.h"
#include "morph/topology_shapes.h"
#include "pairing/tolerant_partners.h"
#include "tests/morph/part_figures.h"
#include "tests/morph/test_models.h"

namespace {

using namespace part_figures;

// A grid whose heights mirror about its middle column line: x -> side - 1 - x maps it onto itself.
Mesh SymmetricGrid(int side) {
    Mesh m = Grid(side);
    for (Position& p : m.v) p.z = 0.125f * float((std::min(int(p.x), side - 1 - int(p.x)) * int(p.y)) % 5);
    return m;
}

// The grid with a UV seam down column 5: the faces east of it hold copies of its vertices.
Mesh SeamGrid(int side) {
    Mesh m = Grid(side);
    for (int y = 0; y < side; ++y) m.v.push_back(m.v[size_t(y * side + 5)]);
    for (size_t f = 0; f < m.f.size(); ++f)
        if (int(f) % (side - 1) == 5)
            for (int32_t& k : m.f[f])
                if (k % side == 5) k = side * side + k / side;
    return m;
}

// Per part vertex: whether the cut left it on the part's border (fewer faces than in the figure).
std::vector<bool> Border(const Mesh& whole, const Part& part) {
    std::vector<int32_t> faces(whole.v.size(), 0), kept(part.mesh.v.size(), 0);
    for (const auto& face : whole.f)
        for (int32_t k : face) ++faces[size_t(k)];
    for (const auto& face : part.mesh.f)
        for (int32_t i : face) ++kept[size_t(i)];
    std::vector<bool> border(kept.size());
    for (size_t i = 0; i < kept.size(); ++i) border[i] = kept[i] < faces[size_t(part.part_of[i])];
    return border;
}

// The part as an exporter that splits every quad into two triangles writes it.
Part Triangulated(Part part) {
    std::vector<std::vector<int32_t>> faces;
    for (const auto& f : part.mesh.f) {
        faces.push_back({f[0], f[1], f[2]});
        if (f.size() == 4) faces.push_back({f[0], f[2], f[3]});
    }
    part.mesh.f = faces;
    return part;
}

enum Moved { kAllButBorder, kAll, kTop, kOntoAxis };  // the axis: x = 10, a mirror line

struct Case {
    const char* name;
    Mesh whole;
    Part part;
    Moved moved;
    int32_t seeded_face = -1;  // a face of the figure given as --seed
    bool mirrored = false;     // the part exported mirrored: x -> 19 - x
    bool accept_unsure = false;
    int32_t code = 1;
    std::vector<std::string> said;  // in the message
};

TEST(PartTopology, EveryWrittenVertexIsTheSculptWhereThePartLiesAndTheFigureElsewhere) {
    Mesh grid = Grid(20), sphere = Sphere(12, 16), mirror = SymmetricGrid(20);
    auto left = [](Position p) { return p.x < 10; };
    auto head = [](Position p) { return p.z > 0.45f; };
    auto corner = [](Position p) { return p.x < 10 && p.y < 10; };
    const std::string remedy = "shapes ORIGINAL PART SCULPT... --out-dir DIR";
    Case cases[] = {
        {"grid, left half, border unmoved", grid, CutPart(grid, left, false, 1), kAllButBorder, -1, false, false, 1,
         {"part: 200 of 400 original vertices (the rest stay where ORIGINAL has them)\r\n"
          "part seeded from 20 vertices at ORIGINAL's positions"}},
        {"grid, left half, all moved, seeded", grid, CutPart(grid, left, false, 2), kAll, 0, false, false, 1,
         {"part: 200 of 400", "part seeded from --seed"}},
        {"grid, left half, all moved", grid, CutPart(grid, left, false, 3), kAll, -1, false, false, -7,
         {"No vertex of sculpt.obj sits at a position of original.obj", remedy, "--seed O1,O2,O3=S1,S2,S3"}},
        {"grid, two strips (two connected parts)", grid,
         CutPart(grid, [](Position p) { return p.x < 4 || p.x > 15; }, false, 12), kAllButBorder, -1, false, false, 1,
         {"part: 160 of 400", "part seeded from 40 vertices"}},
        {"sphere, head, border unmoved", sphere, CutPart(sphere, head, false, 4), kAllButBorder, -1, false, false, 1,
         {"part: 65 of 178", "part seeded from 16 vertices"}},
        {"sphere, head, crown sculpted", sphere, CutPart(sphere, head, false, 5), kTop, -1, false, false, 1,
         {"part: 65 of 178", "part seeded from 32 vertices"}},
        {"mirrored export", mirror, CutPart(mirror, left, false, 6), kAllButBorder, -1, true, false, -7,
         {"for certain", "only turned over", "--seed decides", remedy, "--accept-unsure"}},
        {"mirrored export, accepted", mirror, CutPart(mirror, left, false, 7), kAllButBorder, -1, true, true, 1,
         {"part: 200 of 400", "Note: sculpt.obj fits original.obj only turned over"}},
        {"welded export", SeamGrid(20), CutPart(grid, left, false, 8), kAllButBorder, -1, false, false, -7,
         {"for certain", "a welded or split one", "--allow-count-change for a welded"}},
        // Turned over it would fit east of the seam, but its unmoved north border says where it lies.
        {"welded export, a corner", SeamGrid(20), CutPart(grid, corner, false, 10), kAllButBorder, -1, false, false, -7,
         {"sculpt.obj fits original.obj only elsewhere", remedy + " --allow-count-change), or give --seed"}},
        // Only the mirror line stayed and the sculpt drew both sides onto it: either way fits as well.
        {"mirror image as near", SymmetricGrid(21), CutPart(SymmetricGrid(21), [](Position p) { return p.y < 10; },
                                                            false, 11), kOntoAxis, -1, false, false, -7,
         {"for certain", "sculpt.obj fits original.obj at two places (a mirror image",
          "--accept-unsure takes the place chosen"}},
        {"triangulated export", grid, Triangulated(CutPart(grid, left, false, 9)), kAllButBorder, -1, false, false,
         -7, {"The connectivity first differs at face f ", "split its faces pairs by position", remedy}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        const std::vector<bool> border = Border(c.whole, c.part);
        Mesh sculpt = c.part.mesh;
        std::vector<int32_t> lies(sculpt.v.size());  // the figure's vertex each part vertex pairs with
        for (size_t i = 0; i < sculpt.v.size(); ++i) {
            int32_t k = c.part.part_of[i];
            lies[i] = c.mirrored ? k - k % 20 + 19 - k % 20 : k;
            if (c.mirrored) sculpt.v[i].x = 19 - sculpt.v[i].x;
            bool moves = c.moved == kAll || (c.moved == kAllButBorder && !border[i]) ||
                         (c.moved == kTop && sculpt.v[i].z > 0.8f);
            if (moves) sculpt.v[i] = Sculpt(sculpt.v[i]);
            if (c.moved == kOntoAxis && sculpt.v[i].x != 10) sculpt.v[i] = {10, sculpt.v[i].y, sculpt.v[i].z + 0.75f};
        }
        TopologySeed seed{};
        for (int32_t corner = 0; c.seeded_face >= 0 && corner < 3; ++corner) {
            seed.original[corner] = c.whole.f[size_t(c.seeded_face)][size_t(corner)];
            for (size_t i = 0; i < lies.size(); ++i)
                if (lies[i] == seed.original[corner]) seed.shape[corner] = int32_t(i);
        }
        const std::string original_path = folder.Write("original.obj", c.whole.Obj());
        const std::string shape = folder.Write("sculpt.obj", sculpt.Obj());
        Model original;
        char message[kMessageCapacity] = {};
        ASSERT_EQ(LoadTopologyOriginal(original_path.c_str(), original, message), 1);
        TopologyPairingOptions options;
        options.tolerance = AutoTolerance(original.vertices, original.vertex_count);
        options.seeds = &seed;
        options.seed_count = c.seeded_face >= 0 ? 1 : 0;
        options.accept_unsure = c.accept_unsure;
        options.pieces = true;
        const std::string out = folder.Join("out.obj");
        WrittenObjFiles files;
        ASSERT_EQ(FormatShapeByTopology(original, options, shape.c_str(), out.c_str(), files, message), c.code)
            << message;
        for (const std::string& words : c.said)
            EXPECT_NE(std::string(message).find(words), std::string::npos) << message;
        if (c.code != 1) continue;
        ASSERT_EQ(CommitShape(files, out.c_str(), message), 1) << message;
        std::vector<Position> truth = c.whole.v;
        for (size_t i = 0; i < lies.size(); ++i) truth[size_t(lies[i])] = sculpt.v[i];
        std::vector<Position> written = ReadPositions(out);
        ASSERT_EQ(written.size(), truth.size());
        for (size_t k = 0; k < written.size(); ++k) EXPECT_TRUE(Same(written[k], truth[k])) << "vertex " << k + 1;
    }
}

}  // namespace
