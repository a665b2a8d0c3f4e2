// Pairing loaded files by connectivity: where they differ, a seam kept open, a face turned over, and seeds from
// positions within the automatic tolerance.
#include <gtest/gtest.h>

#include "model/corners.h"
#include "model/model.h"
#include "morph/convert.h"
#include "morph/shapes.h"
#include "morph/topology_convert.h"
#include "morph/topology_pairing.h"
#include "morph/topology_shapes.h"
#include "tests/morph/test_models.h"
#include "tests/morph/topology_meshes.h"

using namespace topology_meshes;

TEST(TopologyPairing, PairsLoadedFilesAndSaysWhereTheyDiffer) {
    const std::array<int, 3> grid{5, 4, 0}, torus{4, 3, 1};  // w, h, closed round both ways
    const Place sculpted = [](float u, float v) {
        std::array<float, 3> p = kWavy(u, v);
        return std::array<float, 3>{p[0] + 0.15f * std::sin(2 * v), p[1] + 0.1f * std::cos(3 * u), p[2] + 0.3f * u * v};
    };
    // A dome, its own mirror image across u = 0.5; the shape flattened onto
    // that plane (and bulged symmetrically) but for one vertex left where it
    // was, give or take 1e-5.
    const Place dome = [](float u, float v) { return std::array<float, 3>{u, v, 0.3f * v * v}; };
    const Place flattened = [](float u, float v) {
        bool kept = std::abs(u - 0.4f) < 1e-3f && std::abs(v - 0.5f) < 1e-3f;
        return kept ? std::array<float, 3>{u + 1e-5f, v, 0.3f * v * v}
                    : std::array<float, 3>{0.5f, v, 0.3f * v * v + 4 * u * (1 - u)};
    };
    const Place ring = [](float u, float v) {
        float turn = 6.2831853f, r = 2 + std::cos(turn * v);
        return std::array<float, 3>{r * std::cos(turn * u), r * std::sin(turn * u), std::sin(turn * v)};
    };
    // Positions alone pair this a column on.
    const Place quarter_on = [&](float u, float v) { return ring(u + 0.25f, v + 1e-5f); };
    const TopologySeed seeds[] = {{{0, 1, 5}, {}}, {{0, 1, 99}, {0, 1, 2}}};
    // turned: a sheet face of the shape turned over, or -1; seed: of `seeds` (the first's shape side from the truth),
    // or -1; truth: the true partners came back; told: "@S07" is the shape's face 7 in file order, "@O07" original's
    struct Case { const char* name; std::array<int, 3> sheet; Place original, shape; int turned, seed; int32_t paired;
                  bool truth; std::vector<std::string> told; bool split = false, positions_only = false, strict = false,
                  accept = false; };
    const Case cases[] = {
        {"one face turned over", grid, kWavy, sculpted, 7, -1, 1, true,
         {"Note: 1 face of shape.obj runs the other way round from the faces around it (turned over); the first is "
          "face @S12. Every edge is there"}},
        {"one face turned over, --strict", grid, kWavy, sculpted, 7, -1, 0, false,
         {"could not be paired by connectivity.\r\n1 face of shape.obj runs the other way round from the faces around "
          "it (turned over); the first is face @S12.\r\n--strict refuses faces turned over"}, false, false, true},
        {"mirror image flattened", grid, dome, flattened, -1, -1, 0, false,
         {"could not be paired by connectivity for certain", "less than 1 % farther:\r\n  the part of 20 faces",
          "(shapes ORIGINAL MATCHING SHAPE...), or give a seed", "--accept-unsure takes the nearer choice"}},
        {"mirror image flattened, accepted", grid, dome, flattened, -1, -1, 1, true,
         {"Note: the faces of shape.obj fit those of original.obj two ways", "less than 1 % farther"}, false, false,
         false, true},
        {"torus turned a column on", torus, ring, quarter_on, -1, -1, 1, false, {}},
        {"torus turned, seeded", torus, ring, quarter_on, -1, 0, 1, true, {}},
        {"torus split into triangles, a column on", torus, ring, quarter_on, -1, -1, 1, false,
         {"Note: shape.obj has its quads split into triangles; 12 pairs of triangles were paired as one quad"}, true},
        {"seed out of range", torus, ring, ring, -1, 1, 0, false,
         {"Seed 1 names vertex 100 of original.obj, which has 12"}},
        {"faces not loaded", grid, kWavy, sculpted, -1, -1, 0, false, {"The faces of original.obj were not loaded"},
         false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool wrap = c.sheet[2] > 0;
        auto sheet = [&](const Place& at, bool split) {
            return Sheet(c.sheet[0], c.sheet[1], {wrap, wrap}, split, at);
        };
        Mesh shape_mesh = sheet(c.shape, c.split);
        if (c.turned >= 0) shape_mesh.Reverse(c.turned);
        int32_t n = shape_mesh.VertexCount();
        std::vector<int32_t> identity(static_cast<size_t>(n)), place(identity), truth(identity);
        for (int32_t a = 0; a < n; ++a) identity[size_t(a)] = a, place[size_t(a)] = (a * 7 + 3) % n;
        for (int32_t a = 0; a < n; ++a) truth[size_t(place[size_t(a)])] = a;
        Written original = Write(sheet(c.original, false), identity, false), shape = Write(shape_mesh, place, true);
        ScratchFolder folder;
        Model models[2];
        char message[512], note[kMessageCapacity];
        std::string path = folder.Write("original.obj", original.text);
        std::string shape_path = folder.Write("shape.obj", shape.text);
        ASSERT_TRUE(c.positions_only ? models[0].LoadObjPositions(path.c_str())
                                     : LoadTopologyOriginal(path.c_str(), models[0], note) == 1);
        ASSERT_TRUE(models[1].LoadObj(shape_path.c_str()));
        TopologySeed seed = c.seed >= 0 ? seeds[c.seed] : TopologySeed{};
        for (int i = 0; i < 3 && c.seed == 0; ++i) seed.shape[i] = place[size_t(seed.original[i])];
        TopologyPairingOptions options{0, &seed, c.seed >= 0 ? 1 : 0, c.strict, c.accept};
        std::vector<int32_t> partner(static_cast<size_t>(n), -2);
        TopologyMatch result;
        EXPECT_EQ(PairByTopology(models[0], models[1], options, partner.data(), result, message, sizeof message),
                  c.paired);
        EXPECT_EQ(c.paired && partner == truth, c.paired && c.truth);
        EXPECT_EQ(c.told.empty(), message[0] == '\0') << message;
        for (std::string told : c.told) {
            for (auto [mark, written] : {std::pair{"@S", &shape}, std::pair{"@O", &original}}) {
                size_t at = told.find(mark);
                if (at == std::string::npos) continue;
                told.replace(at, 4, written->faces[size_t(std::stoi(told.substr(at + 2, 2)))]);
            }
            EXPECT_NE(std::string(message).find(told), std::string::npos) << told << "\n" << message;
        }
        // A shape that doesn't pair writes nothing.
        std::string out = folder.Join("new.obj");
        WrittenObjFiles files;
        int32_t code = FormatShapeByTopology(models[0], options, shape_path.c_str(), out.c_str(), files, note);
        EXPECT_EQ(code == 1 ? CommitShape(files, out.c_str(), note) : code, c.paired ? 1 : -7);
        EXPECT_EQ(Slurp(out).empty(), !c.paired);
    }
}

// Two squares side by side, their shared side written twice (a seam). The copy's vertex 2 is the right square's
// corner at (1, 0), where the original's vertex 2 (the left square's) sits; the left square's copy is vertex 1. Only
// the faces say which is which, and the seam must stay open.
TEST(TopologyPairing, ConvertKeepsTheSidesOfASeam) {
    const std::string original =
        "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 1 0 0\nv 2 0 0\nv 2 1 0\nv 1 1 0\nf 1 2 3 4\nf 5 6 7 8\n";
    const std::string copy =
        "v 1 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 0\nv 2 0 0\nv 2 1 0\nv 1 1 0\nf 6 7 8 2\nf 5 1 3 4\n";
    ScratchFolder folder;
    Model models[2];
    ASSERT_TRUE(models[0].LoadObj(folder.Write("original.obj", original).c_str()));
    ASSERT_TRUE(models[1].LoadObj(folder.Write("copy.obj", copy).c_str()));
    int32_t matched = 0;
    char message[kMessageCapacity] = {}, note[kMessageCapacity] = {};
    ASSERT_EQ(PairMatchingByTopology(models[1], models[0], TopologyPairingOptions{}, matched, message, note), 1)
        << message;
    EXPECT_EQ(matched, 8);
    EXPECT_EQ(Corners(models[1]), (std::vector<int32_t>{5, 6, 7, 4, 0, 1, 2, 3}));  // two quads
}

// The shared case of a closed quad sphere whose copy, sculpted and renumbered, lists one quad's corners the other way
// round: every edge is there, so it pairs (the copy's 138, 660, 661, 736 with the original's 186, 188, 204, 205) and
// says so, or --strict refuses it naming that face.
TEST(TopologyPairing, PairsACopyWithAFaceTurnedOver) {
    Model models[2];
    ASSERT_TRUE(models[0].LoadObj(QUANDRE_TEST_DATA "/flipped_face/closed.obj", false));
    ASSERT_TRUE(models[1].LoadObj(QUANDRE_TEST_DATA "/flipped_face/closed_flipped.obj", false));
    std::vector<int32_t> partner(866, -2);
    for (bool strict : {true, false}) {
        TopologyMatch result;
        char message[kMessageCapacity];
        TopologyPairingOptions options{0, nullptr, 0, strict};
        EXPECT_EQ(PairByTopology(models[0], models[1], options, partner.data(), result, message, kMessageCapacity),
                  strict ? 0 : 1);
        EXPECT_EQ(result.turned_face_count, 1);
        const std::string named = "1 face of closed_flipped.obj runs the other way round from the faces around it "
                                  "(turned over); the first is face f 661 660 138 736.";
        EXPECT_NE(std::string(message).find((strict ? "" : "Note: ") + named), std::string::npos) << message;
    }
    std::vector<int32_t> turned;
    for (int32_t b : {138, 660, 661, 736}) turned.push_back(partner[size_t(b - 1)] + 1);
    std::sort(turned.begin(), turned.end());
    EXPECT_EQ(turned, (std::vector<int32_t>{186, 188, 204, 205}));
    // Every face of the copy is a face of the original, through the pairing.
    std::vector<std::vector<int32_t>> sets[2];
    for (int32_t k = 0; k < 2; ++k) {
        ForEachFace(models[k], [&](const Face& face) {
            std::vector<int32_t> corners(face.vertex_indices, face.vertex_indices + face.corner_count);
            for (int32_t& v : corners) v = k ? partner[size_t(v)] : v;
            std::sort(corners.begin(), corners.end());
            sets[k].push_back(corners);
        });
        std::sort(sets[k].begin(), sets[k].end());
    }
    EXPECT_TRUE(sets[0] == sets[1] && sets[0].size() == 963);
}

// A sheet and a part of a quad and a triangle, whose copy is a pentagon there (so only positions could seed it), all
// moved by `offset` along x: within the automatic tolerance, positions seed it by default and the match goes on to
// where the faces differ; beyond it, the failure names the tolerance that would seed it before seeds.
TEST(TopologyPairing, SeedsFromPositionsWithinTheAutomaticToleranceOrSaysWhichTolerance) {
    const Mesh sheet = Grid(4, 3, false);
    auto file = [&](float offset, bool pentagon) {
        std::string text;
        char line[96];
        std::vector<float> xyz = sheet.xyz;
        xyz.insert(xyz.end(), {10, 0, 0, 11, 0, 0, 11, 1, 0, 10, 1, 0, 10.5f, 1.7f, 0});
        for (size_t v = 0; v < xyz.size(); v += 3) {
            text += (std::snprintf(line, sizeof line, "v %.9g %.9g %.9g\n", xyz[v] + offset, xyz[v + 1], xyz[v + 2]), line);
        }
        for (int32_t f = 0; f < sheet.FaceCount(); ++f) {
            text += "f";
            for (int32_t v : sheet.FaceAt(f)) text += " " + std::to_string(v + 1);
            text += "\n";
        }
        return text + (pentagon ? "f 21 22 23 25 24\n" : "f 21 22 23 24\nf 24 23 25\n");
    };
    struct Case { float offset; double tolerance; const char* told; const char* not_told; };
    const Case cases[] = {
        {3e-7f, 0, "The connectivity first differs at face f 21 22 23 25 24", "could not be seeded"},
        {2e-3f, 0, "1 connected part of shape.obj could not be seeded", "first differs"},
        {2e-3f, 0, "  the part of 1 faces with face f 21 22 23 25 24\r\n--tolerance 0.002", "A seed for each"},
        {2e-3f, 3e-3, "The connectivity first differs at face f 21 22 23 25 24", "could not be seeded"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.told);
        ScratchFolder folder;
        Model models[2];
        ASSERT_TRUE(models[0].LoadObj(folder.Write("original.obj", file(0, false)).c_str()));
        ASSERT_TRUE(models[1].LoadObj(folder.Write("shape.obj", file(c.offset, true)).c_str()));
        std::vector<int32_t> partner(25, -2);
        TopologyMatch result;
        char message[kMessageCapacity];
        TopologyPairingOptions options{c.tolerance, nullptr, 0};
        EXPECT_EQ(PairByTopology(models[0], models[1], options, partner.data(), result, message, kMessageCapacity), 0);
        EXPECT_NE(std::string(message).find(c.told), std::string::npos) << message;
        EXPECT_EQ(std::string(message).find(c.not_told), std::string::npos) << message;
    }
}
