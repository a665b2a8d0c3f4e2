// Copies whose polygons an exporter split into triangles, in place, after the other faces or shuffled one by one:
// the triangles are joined again into the original's faces and pair truly, or the match names where joining stopped.
#include <gtest/gtest.h>

#include "model/model.h"
#include "morph/convert.h"
#include "morph/topology_pairing.h"
#include "tests/morph/test_models.h"
#include "tests/morph/topology_meshes.h"

using namespace topology_meshes;

// Every quad split into two triangles, from its first corner or from its second; with `polygons`, every face of more
// corners too, into a fan (as quads are) or a strip; the triangles after the first next to it, or all after the other
// faces, in their order (as Blender writes them).
enum Split { kQuads, kFans, kStrips };
Mesh SplitQuads(const Mesh& mesh, int32_t from, bool seconds_last = false, Split polygons = kQuads) {
    Mesh split, seconds;
    split.xyz = mesh.xyz;
    for (int32_t f = 0; f < mesh.FaceCount(); ++f) {
        std::vector<int32_t> q = mesh.FaceAt(f);
        int32_t n = int32_t(q.size()), made = 0;
        if (n == 3 || (n > 4 && polygons == kQuads)) split.Face(q);
        if (n == 3 || (n > 4 && polygons == kQuads)) continue;
        std::rotate(q.begin(), q.begin() + from, q.end());
        auto triangle = [&](int32_t i, int32_t j, int32_t k) {
            (made++ && seconds_last ? seconds : split).Face({q[i], q[j], q[k]});
        };
        for (int32_t lo = 0, hi = n - 1, i = 1; polygons == kStrips && n > 4 && hi - lo >= 2; ++i) {
            i % 2 ? triangle(lo, lo + 1, hi) : triangle(lo, hi - 1, hi);
            i % 2 ? ++lo : --hi;
        }
        for (int32_t i = 1; (polygons != kStrips || n == 4) && i + 1 < n; ++i) triangle(0, i, i + 1);
    }
    for (int32_t f = 0; f < seconds.FaceCount(); ++f) split.Face(seconds.FaceAt(f));
    return split;
}

Mesh MoveLast(const Mesh& mesh, int32_t f) {
    Mesh moved;
    moved.xyz = mesh.xyz;
    for (int32_t g = 0; g < mesh.FaceCount(); ++g) if (g != f) moved.Face(mesh.FaceAt(g));
    moved.Face(mesh.FaceAt(f));
    return moved;
}

// The mesh renumbered, its faces kept in order, or in runs of `run` with the runs shuffled; `partner` as Shuffle's.
Mesh Renumber(const Mesh& mesh, uint32_t seed, int32_t run, std::vector<int32_t>& partner) {
    std::mt19937 random(seed);
    std::vector<int32_t> place(size_t(mesh.VertexCount())), runs(size_t(run ? mesh.FaceCount() / run : 1));
    std::iota(place.begin(), place.end(), 0), std::iota(runs.begin(), runs.end(), 0);
    std::shuffle(place.begin(), place.end(), random);
    if (run) std::shuffle(runs.begin(), runs.end(), random);
    Mesh renumbered;
    renumbered.xyz.resize(mesh.xyz.size());
    partner.resize(place.size());
    for (int32_t a = 0; a < mesh.VertexCount(); ++a) {
        partner[size_t(place[size_t(a)])] = a;
        std::copy_n(&mesh.xyz[3 * size_t(a)], 3, &renumbered.xyz[3 * size_t(place[size_t(a)])]);
    }
    for (int32_t r : runs) {
        for (int32_t f = run ? r * run : 0; f < (run ? (r + 1) * run : mesh.FaceCount()); ++f) {
            std::vector<int32_t> cycle = mesh.FaceAt(f);
            for (int32_t& v : cycle) v = place[size_t(v)];
            renumbered.Face(cycle);
        }
    }
    return renumbered;
}

// An exporter that triangulates writes each quad's first triangle where the quad was, split either way, and its
// second beside it or after all the other faces, and leaves the mesh's own triangles (a sphere's caps, which share
// edges with each other) as they are; one that reorders the faces keeps each quad's two together.
TEST(TopologyMatch, JoinsTheQuadsAnExporterSplit) {
    // joins: false for a closed copy whose triangles were shuffled one by one (every position moved, nothing decides
    // its diagonals), or whose cap lost a triangle to the end, which fail saying why; polygons: the 24-gon caps split
    struct Case { const char* name; Mesh original; int32_t from, run; bool seconds_last = false, joins = true;
                  Split polygons = kQuads; bool moved = false; };
    const Case cases[] = {
        {"sphere, in order", Round(24, 9, true), 0, 0},
        {"sphere, split the other way", Round(24, 9, true), 1, 0},
        {"sphere, second triangles last", Round(24, 9, true), 1, 0, true},
        {"cylinder, reordered", Round(24, 9, false), 0, 2},
        {"sphere, triangles shuffled", Round(24, 9, true), 0, 1, false, false},
        {"cylinder, caps fanned", Round(24, 9, false), 0, 0, false, true, kFans},
        {"cylinder, caps in strips, second triangles last", Round(24, 9, false), 1, 0, true, true, kStrips},
        {"cylinder, a cap's triangle moved last", Round(24, 9, false), 0, 0, false, false, kStrips, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<int32_t> truth;
        Mesh split = SplitQuads(c.original, c.from, c.seconds_last, c.polygons);
        if (c.moved) split = MoveLast(split, 24 * 9 * 2 + 3);  // the first cap's fourth triangle
        Mesh shape = Renumber(split, 9, c.run, truth);
        Sculpt(shape, 4);
        Outcome run = Match(c.original, shape, true);
        int32_t caps = c.polygons == kQuads ? 0 : 2;
        EXPECT_EQ(run.result.unjoined_face_count, c.joins ? 0 : c.moved ? 2 * 21 + 24 * 9 : 24 * 7);
        if (c.moved) {  // where the cap starts
            EXPECT_EQ(shape.FaceAt(run.result.unjoined_face.face).size(), 3u);
            EXPECT_EQ(run.result.unjoined_face.face, 24 * 9 * 2);
        }
        if (!c.joins) continue;
        EXPECT_EQ(run.paired, 1) << run.result.failure;
        EXPECT_EQ(run.result.joined_face_count, 24 * (c.run || caps ? 9 : 7) + caps);
        EXPECT_EQ(run.result.joined_polygon_count, caps);
        EXPECT_TRUE(run.partner == truth);
    }
}

// Triangles in any order (sorted at random after the split, as Blender's Sort Mesh Elements does): each face of the
// original is grown over and the triangles covering it taken wherever they stand, quads split by either diagonal,
// polygons into fans or strips from any corner. A copy whose edges differ fails naming where it stopped joining.
TEST(TopologyMatch, JoinsTrianglesShuffledOneByOne) {
    // A 12 x 10 sheet with a vertex halfway along four edges of its border: four pentagons among the quads.
    Mesh pentagons, grid = Grid(12, 10, false);
    const int32_t halved[] = {2, 7, 12 * 9 + 4, 12 * 9 + 9};  // cells: two along the first row, two along the last
    pentagons.xyz = grid.xyz;
    for (int32_t f = 0; f < grid.FaceCount(); ++f) {
        std::vector<int32_t> q = grid.FaceAt(f);
        for (int32_t k = 0; k < 4; ++k) {
            if (f != halved[k]) continue;
            for (int32_t axis = 0; axis < 3; ++axis) {
                pentagons.xyz.push_back((grid.xyz[size_t(3 * q[k < 2 ? 0 : 2] + axis)] +
                                         grid.xyz[size_t(3 * q[k < 2 ? 1 : 3] + axis)]) / 2);
            }
            q.insert(q.begin() + (k < 2 ? 1 : 3), grid.VertexCount() + k);
        }
        pentagons.Face(q);
    }
    struct Case { const char* name; Mesh original; Split polygons; int32_t polygons_joined; bool rewired = false;
                  void (*move)(Mesh&, uint32_t) = Sculpt; };
    const Case cases[] = {
        {"40 x 40 grid", Grid(40, 40, false), kQuads, 0},
        // Closed, no border to decide: a quad whose two corners are known is decided where a vertex's faces close
        // round it (the triangles left there must fit the faces left), or not at all, and then the join fails.
        {"sphere, its caps triangles", Round(24, 9, true), kQuads, 0, false, MoveAndBump},
        {"torus with holes", HoledTorus(), kQuads, 0, false, MoveAndBump},
        {"sheet, pentagons fanned", pentagons, kFans, 4},
        {"sheet, pentagons in strips", pentagons, kStrips, 4},
        {"grid, a cell rewired", Grid(40, 40, false), kQuads, 0, true},
    };
    for (const Case& c : cases) for (int32_t seed = 1, joins = 0; seed <= 2 || (c.move != Sculpt && !joins); ++seed) {
        SCOPED_TRACE(testing::Message() << c.name << " seed " << seed);
        ASSERT_LE(seed, 4);  // of four closed copies, one at least joins
        std::mt19937 random(seed);
        Mesh turned;  // each face started anywhere: the diagonals, fans and strips go every way
        turned.xyz = c.original.xyz;
        int32_t joined = 0;
        for (int32_t f = 0; f < c.original.FaceCount(); ++f) {
            std::vector<int32_t> cycle = c.original.FaceAt(f);
            std::rotate(cycle.begin(), cycle.begin() + random() % cycle.size(), cycle.end());
            turned.Face(cycle);
            joined += cycle.size() > 3 ? 1 : 0;
        }
        Mesh split = SplitQuads(turned, 0, false, c.polygons);
        if (c.rewired) split.corners[size_t(split.starts[580] + 2)] = split.corners[size_t(split.starts[583] + 1)];
        std::vector<int32_t> truth;
        Mesh shape = Shuffle(split, seed, truth);
        c.move(shape, seed + 4);
        Outcome run = Match(c.original, shape, true);
        if (c.rewired) {
            EXPECT_EQ(run.paired, 0);
            EXPECT_EQ(run.result.unjoined_face_count, 1600);
            EXPECT_EQ(shape.FaceAt(run.result.unjoined_face.face).size(), 3u);
            continue;
        }
        if (c.move != Sculpt && run.result.unjoined_face_count > 0) {  // said so, nothing paired
            EXPECT_EQ(run.paired, 0);
            continue;
        }
        joins += run.paired;
        EXPECT_EQ(run.paired, 1) << run.result.failure;
        EXPECT_EQ(run.result.joined_face_count, joined);
        EXPECT_EQ(run.result.joined_polygon_count, c.polygons_joined);
        EXPECT_TRUE(run.partner == truth);
    }
}

// Objects come back sorted by name and each triangulated as Blender writes it: every face's first triangle in its
// place, the rest after the object's first ones; a pentagon in a strip, a hexagon in a fan. Moved by half a unit,
// renumbered backwards: the polygons are joined again in ORIGINAL's order of objects and it pairs truly.
TEST(TopologyPairing, JoinsPolygonsOfObjectsWrittenInAnotherOrder) {
    std::string original, copy = "o A\n";
    char line[96];
    for (int32_t v = 0; v < 30; ++v) {  // the original's 15, then the copy's: the original's backwards, moved
        int32_t a = v < 15 ? v : 29 - v, corner = a < 7 ? a : a - 7;
        double angle = (a < 7 ? 1.2566 : 1.0472) * corner, radius = a < 5 || (a >= 7 && a < 13) ? 1 : 1.6;
        double move = v < 15 ? 0 : 0.5;
        std::snprintf(line, sizeof line, "v %.6f %.6f %.6f\n", radius * std::cos(angle) + (a < 7 ? 0 : 5) + move,
                      radius * std::sin(angle), 0.1 * a + move / 2);
        (v < 15 ? original : copy) += line;
    }
    original += "o B\nf 1 2 3 4 5\nf 1 5 6 7\no A\nf 8 9 10 11 12 13\nf 8 13 14 15\n";
    auto renumbered = [](std::initializer_list<std::array<int, 3>> triangles) {
        std::string text;
        for (const auto& t : triangles) {
            text += "f " + std::to_string(16 - t[0]) + " " + std::to_string(16 - t[1]) + " " + std::to_string(16 - t[2]);
            text += "\n";
        }
        return text;
    };
    copy += renumbered({{8, 9, 10}, {8, 13, 14}, {8, 10, 11}, {8, 11, 12}, {8, 12, 13}, {8, 14, 15}}) + "o B\n" +
            renumbered({{1, 2, 5}, {1, 5, 6}, {2, 4, 5}, {2, 3, 4}, {1, 6, 7}});
    ScratchFolder folder;
    Model models[2];
    ASSERT_TRUE(models[0].LoadObj(folder.Write("original.obj", original).c_str()));
    ASSERT_TRUE(models[1].LoadObj(folder.Write("copy.obj", copy).c_str()));
    std::vector<int32_t> partner(15, -2), truth(15);
    for (int32_t b = 0; b < 15; ++b) truth[size_t(b)] = 14 - b;
    TopologyMatch result;
    char message[kMessageCapacity];
    ASSERT_EQ(PairByTopology(models[0], models[1], {}, partner.data(), result, message, kMessageCapacity), 1)
        << message;
    EXPECT_TRUE(partner == truth);
    EXPECT_NE(std::string(message).find("4 faces of original.obj were joined again from their triangles, 2 of them of "
                                        "more than four corners"), std::string::npos) << message;
}
