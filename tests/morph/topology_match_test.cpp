// Matching by connectivity on generated meshes, renumbered (vertex order, face order, start corners) and sculpted:
// the true pairing comes back, a part whose turns no position tells apart is noted, alike parts are told apart, and
// meshes that differ fail at the face where they do with nothing paired wrongly.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "pairing/topology/topology_match.h"
#include "tests/morph/topology_meshes.h"

using namespace topology_meshes;

namespace {

// A face-like patch, mirror-symmetric across x = 0 in connectivity and
// positions: two eye holes above a mouth hole on a forward bulge.
Mesh Head() {
    return Sheet(16, 14, {false, false}, false, [](float u, float v) {
        float x = 2 * u - 1, y = 2 * v - 1;
        return std::array<float, 3>{x, y, 0.8f * std::sqrt(std::max(0.0f, 2 - x * x - y * y))};
    }, [](int i, int j) { return ((i == 4 || i == 11) && j == 10) || ((i == 7 || i == 8) && j == 4); });
}

// A cell of a triangle grid is faces f and f + 1, (a, b, c) and (a, c, d); rewired, (a, b, d) and (b, c, d).
void Rewire(Mesh& grid, const std::vector<int32_t>& faces) {
    int32_t* p = &grid.corners[size_t(grid.starts[faces[0]])];
    const int32_t cell[] = {p[0], p[1], p[5], p[1], p[2], p[5]};
    std::copy_n(cell, 6, p);
}

void Turn(Mesh& mesh, const std::vector<int32_t>& faces) { for (int32_t f : faces) mesh.Reverse(f); }

// A match of meshes that differ at `faces` of the original: it stops at one of them, named as each mesh numbers it,
// and keeps what paired before, truly.
void ExpectStopAt(const Mesh& original, const Mesh& shape, const Outcome& run, const std::vector<int32_t>& expected,
                  const std::vector<int32_t>& faces) {
    EXPECT_TRUE(run.paired == 0 && run.result.failure == kTopologyFaceDiffers) << run.result.failure;
    int32_t true_pairs = 0;
    for (size_t v = 0; v < expected.size(); ++v) true_pairs += run.partner[v] == expected[v] ? 1 : 0;
    EXPECT_EQ(run.result.paired_count, true_pairs);
    EXPECT_GT(true_pairs, 0);  // all of them when every vertex pairs before the face that differs is met
    const TopologyFace &met = run.result.original_face, &at = run.result.shape_face;
    ASSERT_TRUE(at.face >= 0 && std::count(faces.begin(), faces.end(), met.face)) << met.face;
    EXPECT_EQ(original.FaceAt(met.face), std::vector<int32_t>(met.vertices, met.vertices + met.corner_count));
    EXPECT_EQ(shape.FaceAt(at.face), std::vector<int32_t>(at.vertices, at.vertices + at.corner_count));
    std::vector<int32_t> changed;
    for (int32_t f : faces) for (int32_t v : original.FaceAt(f)) changed.push_back(v);
    for (int32_t i = 0; i < at.corner_count; ++i) {
        EXPECT_TRUE(std::count(changed.begin(), changed.end(), expected[size_t(at.vertices[i])])) << i;
    }
}

// Whether two faces are one corner cycle, started anywhere.
bool Cyclic(std::vector<int32_t> a, const std::vector<int32_t>& b) {
    for (size_t k = 0; k < a.size(); ++k, std::rotate(a.begin(), a.begin() + 1, a.end())) if (a == b) return true;
    return false;
}

}  // namespace

TEST(TopologyMatch, RecoversEveryPairing) {
    Mesh parts = Grid(12, 7, true);
    parts.Append(HoledTorus()), parts.Append(Head());
    // seeded: the user names the first face; symmetric: parts noted as fitting two ways; truth: the true pairing
    // comes back, else any of the symmetric ones may; change: made to the shape at the original's `faces`.
    struct Case { const char* name; Mesh mesh; bool positions; void (*move)(Mesh&, uint32_t); bool turned, seeded;
                  int32_t parts, symmetric; bool truth; void (*change)(Mesh&, const std::vector<int32_t>&) = nullptr;
                  std::vector<int32_t> faces{};
    };
    std::vector<Case> cases = {
        {"triangle grid", Grid(13, 9, true), true, Sculpt, false, false, 1, 0, true},
        {"quad grid", Grid(12, 7, false), true, Sculpt, false, false, 1, 0, true},
        {"grid, an edge rewired", Grid(12, 7, true), true, Sculpt, false, false, 1, 0, true, Rewire, {80, 81}},
        {"quad grid, positions kept", Grid(12, 7, false), true, nullptr, false, false, 1, 0, true},
        {"torus with holes", HoledTorus(), true, Sculpt, false, false, 1, 0, true},
        {"torus with holes, no positions", HoledTorus(), false, nullptr, false, false, 1, 0, true},
        {"head", Head(), true, Sculpt, false, false, 1, 0, true},
        {"head turned over", Head(), true, Sculpt, true, false, 1, 0, true},
        {"three parts", parts, true, Sculpt, false, false, 3, 0, true},
        {"three parts turned over, positions kept", parts, true, nullptr, true, false, 3, 0, true},
        {"cylinder", Round(32, 4, false), true, MoveAndBump, false, false, 1, 0, true},
        {"cylinder, positions kept", Round(32, 4, false), true, nullptr, false, false, 1, 0, true},
        {"long cylinder", Round(48, 120, false), true, MoveAndBump, false, false, 1, 0, true},
        {"sphere", Round(24, 9, true), true, MoveAndBump, false, false, 1, 0, true},
        // A turn of one segment moves each vertex by less than a hundredth of the part's move, which is taken off.
        {"sphere of many segments", Round(200, 4, true), true, MoveAndBump, false, false, 1, 0, true},
        {"sphere, no positions", Round(24, 9, true), false, nullptr, false, false, 1, 1, false},
        {"cylinder, no positions", Round(32, 4, false), false, nullptr, false, false, 1, 1, false},
        {"cylinder, no positions, seeded", Round(32, 4, false), false, nullptr, false, true, 1, 0, true},
        // Past the caches the shape is matched with its vertices numbered anew; the caller's numbers come back.
        {"large grid, an edge rewired", Grid(190, 180, true), true, Sculpt, false, false, 1, 0, true, Rewire,
         {8000, 8001}},
        {"large grid, no positions, seeded", Grid(190, 180, false), false, nullptr, false, true, 1, 0, true},
    };
    // Turning a face over is what tells the vertices beside it apart most, and some places more than others; it pairs
    // all the same.
    for (int32_t face : {0, 37, 100, 150, 175, 199}) for (bool positions : {true, false}) {
        cases.push_back({"torus, a face turned", HoledTorus(), positions, positions ? Sculpt : nullptr, false, false, 1,
                         0, true, Turn, {face}});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << testing::PrintToString(c.faces) << " positions " << c.positions);
        for (uint32_t seed : {1u, 2u, 3u, 4u}) {
            std::vector<int32_t> expected, place(size_t(c.mesh.VertexCount()));
            Mesh changed = c.mesh;
            if (c.change) c.change(changed, c.faces);
            Mesh shape = Shuffle(changed, seed, expected);
            if (c.move) c.move(shape, seed + 6);
            for (int32_t f = 0; c.turned && f < shape.FaceCount(); ++f) shape.Reverse(f);
            for (size_t b = 0; b < expected.size(); ++b) place[size_t(expected[b])] = int32_t(b);
            const std::vector<int32_t> first = c.mesh.FaceAt(0);
            TopologySeed told{{first[0], first[1], first[2]}, {place[first[0]], place[first[1]], place[first[2]]}};
            TopologyOptions options;
            if (c.seeded) options.seeds = &told, options.seed_count = 1;
            Outcome run = Match(c.mesh, shape, c.positions, options);
            bool turned_face = c.change == Turn;  // every edge is still there: it pairs, the face counted and named
            if (c.change && !turned_face) ExpectStopAt(c.mesh, shape, run, expected, c.faces);
            if (c.change && !turned_face) continue;
            EXPECT_EQ(run.result.turned_face_count, turned_face ? 1 : 0);
            std::vector<int32_t> named(run.result.turned_face.vertices,
                                       run.result.turned_face.vertices + run.result.turned_face.corner_count);
            for (int32_t& v : named) v = expected[size_t(v)];
            if (turned_face) std::reverse(named.begin(), named.end());
            if (turned_face) { EXPECT_TRUE(Cyclic(named, c.mesh.FaceAt(c.faces[0]))) << testing::PrintToString(named); }
            EXPECT_TRUE(run.paired == 1 && run.result.failure == kTopologyPaired) << run.result.failure;
            EXPECT_EQ(run.result.paired_count, c.mesh.VertexCount());
            EXPECT_EQ(run.result.part_count, c.parts);
            EXPECT_TRUE(!c.truth || run.result.reversed_part_count == (c.turned ? c.parts : 0));  // mirrors fit too
            EXPECT_EQ(run.result.symmetric_count, c.symmetric);
            EXPECT_TRUE(!c.truth || run.partner == expected) << seed;
            std::swap(told.shape[1], told.shape[2]);  // no face runs that way round
            EXPECT_TRUE(!c.seeded || Match(c.mesh, shape, c.positions, options).result.failure == kTopologyBadSeed);
        }
    }
}

// Two cards crossing at one centre, alike (regr01 has such): their centres tie, and how far each spreads along each
// axis tells them apart, so the copy's cards take their own, surely.
TEST(TopologyMatch, TellsAlikePartsWithOneCentreApartByTheirSpread) {
    Mesh cards;
    for (float w : {1.0f, 0.1f}) {  // wide and low, then narrow and tall; tilted, so no half turn fits
        int32_t v = cards.VertexCount();
        float h = 0.1f / w;
        for (float x : {-w, w}) for (float y : {-h, h}) cards.xyz.insert(cards.xyz.end(), {x, y, 0.3f * x + 0.2f * y});
        cards.Face({v, v + 2, v + 3}), cards.Face({v, v + 3, v + 1});
    }
    for (uint32_t seed : {1u, 2u, 3u}) {
        std::vector<int32_t> truth;
        Mesh shape = Shuffle(cards, seed, truth);
        for (float& x : shape.xyz) x += 0.001f;  // no position agrees: seeded as parts alike
        Outcome run = Match(cards, shape, true);
        EXPECT_EQ(run.paired, 1) << run.result.failure;
        EXPECT_EQ(run.result.alike_part_count, 2);
        EXPECT_EQ(run.result.ambiguous_part_count, 0);
        EXPECT_TRUE(run.partner == truth);
    }
}

// A torus of 316 x 316 quads, every vertex alike, and its copy scaled by 1 % along each axis (up or down) and shifted:
// near any seed a turn by one ring fits about twice as well as the truth, over the whole part far worse; the truth
// comes back, and sure.
TEST(TopologyMatch, TakesTheTurnThatFitsTheWholePartBest) {
    Mesh torus = Sheet(316, 316, {true, true}, false, [](float u, float v) {
        float a = 6.2831853f * u, b = 6.2831853f * v, r = 10 + 5 * std::cos(b);
        return std::array<float, 3>{r * std::cos(a), r * std::sin(a), 5 * std::sin(b)};
    });
    std::vector<int32_t> truth;
    Mesh shape = Shuffle(torus, 1, truth);
    for (size_t k = 0; k < shape.xyz.size(); ++k) shape.xyz[k] = shape.xyz[k] * (k % 3 == 1 ? 0.99f : 1.01f) + 0.05f;
    Outcome run = Match(torus, shape, true);
    EXPECT_EQ(run.paired, 1);
    EXPECT_EQ(run.result.symmetric_count, 0);
    EXPECT_TRUE(run.partner == truth);
}

// A large grid without positions is its own mirror image: only the candidates, given in the caller's numbers, tell
// it which way round, and a vertex in no face pairs by its candidate alone or is named unpaired.
TEST(TopologyMatch, TakesCandidatesAndNamesVerticesInTheCallersNumbers) {
    Mesh grid = Grid(190, 180, false);
    grid.xyz.insert(grid.xyz.end(), {9, 9, 9});  // in no face
    std::vector<int32_t> truth;
    Mesh shape = Shuffle(grid, 5, truth);
    int32_t lone = int32_t(std::find(truth.begin(), truth.end(), grid.VertexCount() - 1) - truth.begin());
    for (bool told_lone : {true, false}) {
        std::vector<int32_t> candidates = truth;
        if (!told_lone) candidates[size_t(lone)] = -1;
        TopologyOptions options;
        options.candidates = candidates.data();
        Outcome run = Match(grid, shape, false, options);
        EXPECT_EQ(run.result.symmetric_count, 0);
        EXPECT_EQ(run.paired, told_lone ? 1 : 0);
        EXPECT_EQ(run.result.first_unpaired, told_lone ? -1 : lone);
        if (!told_lone) truth[size_t(lone)] = -1;
        EXPECT_TRUE(run.partner == truth);
    }
}
