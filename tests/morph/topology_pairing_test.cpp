// Pairing loaded files by connectivity. The files are made here: a sheet of
// quads, and a shape of it with its vertices renumbered, its faces written
// in reverse order each from its second corner, and its positions moved.
// What the user is told must name faces as the files write them.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "model/model.h"
#include "model/corners.h"
#include "morph/convert.h"
#include "morph/topology_convert.h"
#include "morph/topology_pairing.h"
#include "tests/wavefront/file_test_support.h"

namespace {

using Place = std::function<std::array<float, 3>(float u, float v)>;

struct Sheet {
    int w, h;
    bool wrap;  // closed round both ways: a torus, on which no vertex stands out
    int Columns() const { return wrap ? w : w + 1; }
    int Count() const { return Columns() * (wrap ? h : h + 1); }
    std::array<int32_t, 4> Face(int f) const {
        auto at = [&](int i, int j) { return int32_t((j % (Count() / Columns())) * Columns() + i % Columns()); };
        int i = f % w, j = f / w;
        return {at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)};
    }
};

struct Written {
    std::string text;
    std::vector<std::string> faces;  // each face's "f ..." line, in file order
};

// Original vertex a is written as vertex place[a] (0-based). A renumbered
// file has the faces in reverse order, each from its second corner, and
// sheet face `turned` the other way round; `split` writes two triangles a face.
Written Write(const Sheet& sheet, const std::vector<int32_t>& place, const Place& at, bool renumbered, int turned,
              bool split = false) {
    std::vector<std::string> lines(size_t(sheet.Count()));
    for (int32_t a = 0; a < sheet.Count(); ++a) {
        float u = float(a % sheet.Columns()) / float(sheet.w), v = float(a / sheet.Columns()) / float(sheet.h);
        std::array<float, 3> p = at(u, v);
        char line[96];
        std::snprintf(line, sizeof line, "v %.9g %.9g %.9g\n", p[0], p[1], p[2]);
        lines[size_t(place[size_t(a)])] = line;
    }
    Written written;
    for (const std::string& line : lines) written.text += line;
    auto add = [&](std::vector<int32_t> corners) {
        std::string text = "f";
        for (int32_t a : corners) text += " " + std::to_string(place[size_t(a)] + 1);
        written.faces.push_back(text);
        written.text += text + "\n";
    };
    for (int k = 0, count = sheet.w * sheet.h; k < count; ++k) {
        int f = renumbered ? count - 1 - k : k;
        std::array<int32_t, 4> q = sheet.Face(f);
        if (f == turned) std::swap(q[1], q[3]);
        if (renumbered) q = {q[1], q[2], q[3], q[0]};
        if (split) add({q[0], q[1], q[2]}), add({q[0], q[2], q[3]});
        if (!split) add({q[0], q[1], q[2], q[3]});
    }
    return written;
}

}  // namespace

TEST(TopologyPairing, PairsLoadedFilesAndSaysWhereTheyDiffer) {
    const Sheet grid{5, 4, false}, torus{4, 3, true};
    const Place plain = [](float u, float v) {
        return std::array<float, 3>{u, v, 0.2f * std::sin(3 * u) * std::cos(2 * v)};
    };
    const Place sculpted = [&](float u, float v) {
        std::array<float, 3> p = plain(u, v);
        return std::array<float, 3>{p[0] + 0.15f * std::sin(2 * v), p[1] + 0.1f * std::cos(3 * u), p[2] + 0.3f * u * v};
    };
    // A dome, its own mirror image across u = 0.5; the shape flattened onto
    // that plane but for one vertex left where it was, give or take 1e-5.
    const Place dome = [](float u, float v) { return std::array<float, 3>{u, v, 0.3f * v * v}; };
    const Place flattened = [](float u, float v) {
        bool kept = std::abs(u - 0.4f) < 1e-3f && std::abs(v - 0.5f) < 1e-3f;
        return kept ? std::array<float, 3>{u + 1e-5f, v, 0.3f * v * v}
                    : std::array<float, 3>{0.5f, v, 0.3f * v * v + 0.3f};
    };
    const float turn = 6.2831853f;
    const Place ring = [&](float u, float v) {
        float r = 2 + std::cos(turn * v);
        return std::array<float, 3>{r * std::cos(turn * u), r * std::sin(turn * u), std::sin(turn * v)};
    };
    // Positions alone pair this a column on.
    const Place quarter_on = [&](float u, float v) { return ring(u + 0.25f, v + 1e-5f); };
    const TopologySeed seeds[] = {{{0, 1, 5}, {}}, {{0, 1, 99}, {0, 1, 2}}, {{0, 1, 6}, {0, 1, 2}}};
    struct Case {
        const char* name;
        Sheet sheet;
        Place original, shape;
        int turned;  // a sheet face of the shape turned over, or -1
        int seed;    // of `seeds`, the first with its shape side from the truth; -1 none
        double tolerance;
        int32_t paired;
        bool truth;                     // when paired: the true partners came back
        std::vector<std::string> told;  // "@S07" stands for the shape's face 7 in file order, "@O07" the original's
        bool split = false, positions_only = false;
    };
    const Case cases[] = {
        {"sculpted grid", grid, plain, sculpted, -1, -1, 0, 1, true, {}},
        {"one face turned over", grid, plain, sculpted, 7, -1, 0, 0, false,
         {"could not be paired by connectivity",
          "first differs at face @S12 of shape.obj; the corresponding face of original.obj is @O07.",
          " of 30 vertices."}},
        {"mirror image flattened", grid, dome, flattened, -1, -1, 0, 1, true,
         {"Note: the faces of shape.obj fit those of original.obj two ways", "less than 1 % farther"}},
        {"torus turned a column on", torus, ring, quarter_on, -1, -1, 0, 1, false, {}},
        {"torus turned, seeded", torus, ring, quarter_on, -1, 0, 0, 1, true, {}},
        {"torus split into triangles", torus, ring, quarter_on, -1, -1, 0, 0, false,
         {"1 connected part of shape.obj could not be seeded", "the part of 24 faces with face @S00\r\n",
          "Paired 0 of 12 vertices."}, true},
        {"seed out of range", torus, ring, ring, -1, 1, 0, 0, false,
         {"Seed 1 names vertex 100 of original.obj, which has 12"}},
        {"faces not loaded", grid, plain, sculpted, -1, -1, 0, 0, false, {"The faces of original.obj were not loaded"},
         false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int32_t n = c.sheet.Count();
        std::vector<int32_t> identity(static_cast<size_t>(n)), place(identity), truth(identity);
        for (int32_t a = 0; a < n; ++a) identity[size_t(a)] = a, place[size_t(a)] = (a * 7 + 3) % n;
        for (int32_t a = 0; a < n; ++a) truth[size_t(place[size_t(a)])] = a;
        Written original = Write(c.sheet, identity, c.original, false, -1);
        Written shape = Write(c.sheet, place, c.shape, true, c.turned, c.split);
        ScratchFolder folder;
        Model models[2];
        std::string path = folder.Write("original.obj", original.text);
        ASSERT_TRUE(c.positions_only ? models[0].LoadObjPositions(path.c_str()) : models[0].LoadObj(path.c_str()));
        ASSERT_TRUE(models[1].LoadObj(folder.Write("shape.obj", shape.text).c_str()));
        TopologySeed seed = c.seed >= 0 ? seeds[c.seed] : TopologySeed{};
        for (int i = 0; i < 3 && c.seed == 0; ++i) seed.shape[i] = place[size_t(seed.original[i])];
        TopologyPairingOptions options{c.tolerance, &seed, c.seed >= 0 ? 1 : 0};
        std::vector<int32_t> partner(static_cast<size_t>(n), -2);
        TopologyMatch result;
        char message[512];
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
    }
}

// Two squares side by side, their shared side written twice (a seam). The
// copy's vertex 2 is the right square's corner at (1, 0) and sits where the
// original's vertex 2, the left square's, does; the left square's copy is
// vertex 1. Only the faces say which is which, and the seam must stay open.
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
    std::vector<std::vector<int32_t>> faces;
    ForEachFace(models[1], [&](const Face& face) {
        faces.emplace_back(face.vertex_indices, face.vertex_indices + face.corner_count);
    });
    EXPECT_EQ(faces, (std::vector<std::vector<int32_t>>{{5, 6, 7, 4}, {0, 1, 2, 3}}));
}
