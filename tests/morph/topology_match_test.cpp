// Matching by connectivity on generated meshes, renumbered (vertex order, face order, start corners) and sculpted:
// the true pairing comes back, a part whose turns no position tells apart is noted, meshes that differ fail at the
// face where they do with nothing paired wrongly or written, and the user is told faces as the files write them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "model/corners.h"
#include "model/model.h"
#include "morph/convert.h"
#include "morph/shapes.h"
#include "morph/topology_convert.h"
#include "pairing/topology/topology_match.h"
#include "morph/topology_pairing.h"
#include "morph/topology_shapes.h"
#include "tests/morph/test_models.h"

namespace {

struct Mesh {
    std::vector<float> xyz;
    std::vector<int32_t> starts{0}, corners;

    int32_t VertexCount() const { return int32_t(xyz.size() / 3); }
    int32_t FaceCount() const { return int32_t(starts.size()) - 1; }
    void Face(const std::vector<int32_t>& cycle) {
        corners.insert(corners.end(), cycle.begin(), cycle.end());
        starts.push_back(int32_t(corners.size()));
    }
    std::vector<int32_t> FaceAt(int32_t f) const {
        return {corners.begin() + starts[f], corners.begin() + starts[f + 1]};
    }
    void Reverse(int32_t f) { std::reverse(corners.begin() + starts[f], corners.begin() + starts[f + 1]); }
    void Append(const Mesh& other) {
        for (int32_t f = 0; f < other.FaceCount(); ++f) starts.push_back(int32_t(corners.size()) + other.starts[f + 1]);
        for (int32_t v : other.corners) corners.push_back(v + VertexCount());
        xyz.insert(xyz.end(), other.xyz.begin(), other.xyz.end());
    }
    TopologyMesh View(bool positions) const {
        return {VertexCount(), positions ? xyz.data() : nullptr, FaceCount(), starts.data(), corners.data()};
    }
};

using Place = std::function<std::array<float, 3>(float u, float v)>;

// w x h cells of a (u, v) sheet, closed round in u and in v as `wrap` says;
// quads, or two triangles each; cells where `hole` holds are left out.
Mesh Sheet(int w, int h, std::array<bool, 2> wrap, bool triangles, const Place& place,
           const std::function<bool(int, int)>& hole = [](int, int) { return false; }) {
    Mesh mesh;
    int columns = wrap[0] ? w : w + 1, rows = wrap[1] ? h : h + 1;
    for (int k = 0; k < rows * columns; ++k) {
        std::array<float, 3> p = place(float(k % columns) / float(w), float(k / columns) / float(h));
        mesh.xyz.insert(mesh.xyz.end(), p.begin(), p.end());
    }
    auto at = [&](int i, int j) { return int32_t((j % rows) * columns + i % columns); };
    for (int i = 0, j = 0; j < h; i = (i + 1) % w, j += i == 0) {
        int32_t a = at(i, j), b = at(i + 1, j), c = at(i + 1, j + 1), d = at(i, j + 1);
        if (!hole(i, j)) triangles ? (mesh.Face({a, b, c}), mesh.Face({a, c, d})) : mesh.Face({a, b, c, d});
    }
    return mesh;
}

const Place kWavy = [](float u, float v) {
    return std::array<float, 3>{u, v, 0.2f * std::sin(3 * u) * std::cos(2 * v)};
};

Mesh Grid(int w, int h, bool triangles) { return Sheet(w, h, {false, false}, triangles, kWavy); }

// Only its three holes, far apart, tell the vertices of this torus apart.
Mesh HoledTorus() {
    return Sheet(24, 12, {true, true}, false, [](float u, float v) {
        float a = 6.2831853f * u, b = 6.2831853f * v, r = 1 + 0.4f * std::cos(b);
        return std::array<float, 3>{r * std::cos(a), r * std::sin(a), 0.4f * std::sin(b)};
    }, [](int i, int j) { return (i == 3 && j == 2) || (i == 10 && j == 7) || (i == 17 && j == 5); });
}

// A face-like patch, mirror-symmetric across x = 0 in connectivity and
// positions: two eye holes above a mouth hole on a forward bulge.
Mesh Head() {
    return Sheet(16, 14, {false, false}, false, [](float u, float v) {
        float x = 2 * u - 1, y = 2 * v - 1;
        return std::array<float, 3>{x, y, 0.8f * std::sqrt(std::max(0.0f, 2 - x * x - y * y))};
    }, [](int i, int j) { return ((i == 4 || i == 11) && j == 10) || ((i == 7 || i == 8) && j == 4); });
}

// A cylinder of `rings` rows of quads closed by n-gons, or a sphere of rings - 1 rings between two poles fanned
// with triangles: either maps onto itself by every turn and mirror.
Mesh Round(int n, int rings, bool sphere) {
    int rows = sphere ? rings - 2 : rings;
    Mesh mesh = Sheet(n, rows, {true, false}, false, [&](float u, float v) {
        float a = 6.2831853f * u, b = 3.1415927f * (1 + v * float(rows)) / float(rings);
        float r = sphere ? std::sin(b) : 1, z = sphere ? -std::cos(b) : 0.3f * v * float(rows);
        return std::array<float, 3>{r * std::cos(a), r * std::sin(a), z};
    });
    for (int32_t end : {0, 1}) {
        std::vector<int32_t> ring;  // against the way the sheet's faces run along it
        for (int32_t i = 0; i < n; ++i) ring.push_back(end ? rows * n + i : (n - i) % n);
        if (!sphere) mesh.Face(ring);
        int32_t pole = mesh.VertexCount();
        if (sphere) mesh.xyz.insert(mesh.xyz.end(), {0, 0, end ? 1.0f : -1.0f});
        for (int32_t i = 0; sphere && i < n; ++i) mesh.Face({ring[i], ring[(i + 1) % n], pole});
    }
    return mesh;
}

// The mesh renumbered, its faces shuffled and started elsewhere; `partner` gets the original of every new vertex.
Mesh Shuffle(const Mesh& mesh, uint32_t seed, std::vector<int32_t>& partner) {
    std::mt19937 random(seed);
    std::vector<int32_t> place(mesh.VertexCount()), faces(mesh.FaceCount());
    for (auto* order : {&place, &faces}) {
        std::iota(order->begin(), order->end(), 0);
        std::shuffle(order->begin(), order->end(), random);
    }
    Mesh shuffled;
    shuffled.xyz = mesh.xyz;
    partner.resize(place.size());
    for (int32_t a = 0; a < mesh.VertexCount(); ++a) {
        partner[place[a]] = a;
        for (int k = 0; k < 3; ++k) shuffled.xyz[3 * place[a] + k] = mesh.xyz[3 * a + k];
    }
    for (int32_t f : faces) {
        std::vector<int32_t> cycle = mesh.FaceAt(f);
        for (int32_t& v : cycle) v = place[v];
        std::rotate(cycle.begin(), cycle.begin() + random() % cycle.size(), cycle.end());
        shuffled.Face(cycle);
    }
    return shuffled;
}

// A smooth sculpt: every vertex moved by at most 30 % of the span of the mesh's coordinates.
void Sculpt(Mesh& mesh, uint32_t seed) {
    auto [low, high] = std::minmax_element(mesh.xyz.begin(), mesh.xyz.end());
    float amplitude = 0.3f * (*high - *low) / std::sqrt(3.0f), p[3];
    for (uint32_t k = 0; k < 3; ++k) p[k] = float(std::mt19937(seed + k)() % 628) / 100;
    for (size_t v = 0; v < mesh.xyz.size(); v += 3) {
        float x = mesh.xyz[v], y = mesh.xyz[v + 1], z = mesh.xyz[v + 2];
        mesh.xyz[v] += amplitude * std::sin(2 * y + 3 * z + p[0]);
        mesh.xyz[v + 1] += amplitude * std::sin(3 * x - z + p[1]);
        mesh.xyz[v + 2] += amplitude * std::sin(x + 2 * y + p[2]);
    }
}

// What a sculpt of a whole character does to a small part: moves it more than its size, bumps one side out.
void MoveAndBump(Mesh& mesh, uint32_t) {
    for (float* p = mesh.xyz.data(); p < mesh.xyz.data() + mesh.xyz.size(); p += 3) {
        float bump = 0.3f * std::exp(-4 * ((p[0] - 1) * (p[0] - 1) + p[1] * p[1]));
        p[0] += 1.6f + bump, p[1] -= 0.7f, p[2] += 0.4f;
    }
}

struct Outcome { std::vector<int32_t> partner; TopologyMatch result; int32_t paired; };

Outcome Match(const Mesh& original, const Mesh& shape, bool positions, const TopologyOptions& options = {}) {
    Outcome run{std::vector<int32_t>(size_t(shape.VertexCount()), 7), {}, 0};
    run.paired =
        MatchByTopology(original.View(positions), shape.View(positions), options, run.partner.data(), run.result);
    return run;
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

struct Written { std::string text; std::vector<std::string> faces; };  // faces: each "f ..." line, in file order

// Vertex a written as vertex place[a] (0-based); a renumbered file has the faces reversed, each from its 2nd corner.
Written Write(const Mesh& mesh, const std::vector<int32_t>& place, bool renumbered) {
    std::vector<std::string> lines(size_t(mesh.VertexCount()));
    for (int32_t a = 0; a < mesh.VertexCount(); ++a) {
        char line[96];
        const float* p = &mesh.xyz[size_t(3 * a)];
        std::snprintf(line, sizeof line, "v %.9g %.9g %.9g\n", p[0], p[1], p[2]);
        lines[size_t(place[size_t(a)])] = line;
    }
    Written written;
    for (const std::string& line : lines) written.text += line;
    for (int32_t k = 0, count = mesh.FaceCount(); k < count; ++k) {
        std::vector<int32_t> cycle = mesh.FaceAt(renumbered ? count - 1 - k : k);
        if (renumbered) std::rotate(cycle.begin(), cycle.begin() + 1, cycle.end());
        std::string text = "f";
        for (int32_t a : cycle) text += " " + std::to_string(place[size_t(a)] + 1);
        written.faces.push_back(text);
        written.text += text + "\n";
    }
    return written;
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
