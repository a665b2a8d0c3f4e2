// Matching by connectivity on generated meshes: each is renumbered (vertex
// order, face order, start corners) and sculpted by a smooth displacement of
// up to 30 % of its size, and every pairing must come back exactly; meshes
// that differ must fail at the face where they do.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <numeric>
#include <random>
#include <vector>

#include "morph/topology_match.h"

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
    void Append(const Mesh& other) {
        int32_t offset = VertexCount();
        xyz.insert(xyz.end(), other.xyz.begin(), other.xyz.end());
        for (int32_t f = 0; f < other.FaceCount(); ++f) {
            std::vector<int32_t> cycle = other.FaceAt(f);
            for (int32_t& v : cycle) v += offset;
            Face(cycle);
        }
    }
    TopologyMesh View(bool positions) const {
        return {VertexCount(), positions ? xyz.data() : nullptr, FaceCount(), starts.data(), corners.data()};
    }
};

using Place = std::function<std::array<float, 3>(float, float)>;

// w x h cells of a (u, v) sheet, closed round both ways when `wrap`; quads,
// or two triangles each; cells where `hole` holds are left out.
Mesh Sheet(int w, int h, bool wrap, bool triangles, const std::function<bool(int, int)>& hole, const Place& place) {
    Mesh mesh;
    int columns = wrap ? w : w + 1, rows = wrap ? h : h + 1;
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < columns; ++i) {
            std::array<float, 3> p = place(float(i) / float(w), float(j) / float(h));
            mesh.xyz.insert(mesh.xyz.end(), p.begin(), p.end());
        }
    auto at = [&](int i, int j) { return int32_t((j % rows) * columns + i % columns); };
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            if (hole(i, j)) continue;
            int32_t a = at(i, j), b = at(i + 1, j), c = at(i + 1, j + 1), d = at(i, j + 1);
            if (!triangles) mesh.Face({a, b, c, d});
            if (triangles) mesh.Face({a, b, c}), mesh.Face({a, c, d});
        }
    return mesh;
}

auto kNoHoles = [](int, int) { return false; };

Mesh Grid(int w, int h, bool triangles) {
    return Sheet(w, h, false, triangles, kNoHoles, [](float u, float v) {
        return std::array<float, 3>{u, v, 0.2f * std::sin(3 * u) * std::cos(2 * v)};
    });
}

Mesh Torus(const std::function<bool(int, int)>& hole) {
    return Sheet(24, 12, true, false, hole, [](float u, float v) {
        float a = 6.2831853f * u, b = 6.2831853f * v, r = 1 + 0.4f * std::cos(b);
        return std::array<float, 3>{r * std::cos(a), r * std::sin(a), 0.4f * std::sin(b)};
    });
}

// A face-like patch, mirror-symmetric across x = 0 in connectivity and
// positions: two eye holes above a mouth hole on a forward bulge.
Mesh Head() {
    auto hole = [](int i, int j) { return ((i == 4 || i == 11) && j == 10) || ((i == 7 || i == 8) && j == 4); };
    return Sheet(16, 14, false, false, hole, [](float u, float v) {
        float x = 2 * u - 1, y = 2 * v - 1;
        return std::array<float, 3>{x, y, 0.8f * std::sqrt(std::max(0.0f, 2 - x * x - y * y))};
    });
}

// The mesh renumbered and its faces shuffled and started elsewhere;
// `partner` gets the original vertex of every new one.
Mesh Shuffle(const Mesh& mesh, uint32_t seed, std::vector<int32_t>& partner) {
    std::mt19937 random(seed);
    std::vector<int32_t> place(mesh.VertexCount()), faces(mesh.FaceCount());
    std::iota(place.begin(), place.end(), 0);
    std::iota(faces.begin(), faces.end(), 0);
    std::shuffle(place.begin(), place.end(), random);
    std::shuffle(faces.begin(), faces.end(), random);
    Mesh shuffled;
    shuffled.xyz.resize(mesh.xyz.size());
    partner.assign(place.size(), -1);
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

// A smooth sculpt: every vertex moved by at most 30 % of the mesh's size.
void Sculpt(Mesh& mesh, uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> phase(0, 6.2831853f);
    float size = 0;
    for (size_t k = 0; k < 3; ++k) {
        float low = mesh.xyz[k], high = low;
        for (size_t v = k; v < mesh.xyz.size(); v += 3) {
            low = std::min(low, mesh.xyz[v]);
            high = std::max(high, mesh.xyz[v]);
        }
        size = std::max(size, high - low);
    }
    float amplitude = 0.3f * size / std::sqrt(3.0f), p[3] = {phase(random), phase(random), phase(random)};
    for (size_t v = 0; v < mesh.xyz.size(); v += 3) {
        float x = mesh.xyz[v], y = mesh.xyz[v + 1], z = mesh.xyz[v + 2];
        mesh.xyz[v] += amplitude * std::sin(2 * y + 3 * z + p[0]);
        mesh.xyz[v + 1] += amplitude * std::sin(3 * x - z + p[1]);
        mesh.xyz[v + 2] += amplitude * std::sin(x + 2 * y + p[2]);
    }
}

void Reverse(Mesh& mesh, int32_t face) {
    std::reverse(mesh.corners.begin() + mesh.starts[face], mesh.corners.begin() + mesh.starts[face + 1]);
}

struct Outcome {
    std::vector<int32_t> partner;
    TopologyMatch result;
    int32_t paired;
};

Outcome Match(const Mesh& original, const Mesh& shape, bool positions, const TopologyOptions& options = {}) {
    Outcome run{std::vector<int32_t>(size_t(shape.VertexCount()), 7), {}, 0};
    run.paired =
        MatchByTopology(original.View(positions), shape.View(positions), options, run.partner.data(), run.result);
    return run;
}

std::vector<int32_t> Inverse(const std::vector<int32_t>& partner) {
    std::vector<int32_t> inverse(partner.size());
    for (size_t b = 0; b < partner.size(); ++b) inverse[size_t(partner[b])] = int32_t(b);
    return inverse;
}

Mesh HoledTorus() {
    return Torus([](int i, int j) { return (i == 3 && j == 2) || (i == 10 && j == 7) || (i == 17 && j == 5); });
}

}  // namespace

TEST(TopologyMatch, RecoversEveryPairing) {
    Mesh parts = Grid(12, 7, true);
    parts.Append(HoledTorus());
    parts.Append(Head());
    struct Case {
        const char* name;
        Mesh mesh;
        bool positions, sculpt, turned;
        int32_t parts;
    };
    const Case cases[] = {
        {"triangle grid", Grid(13, 9, true), true, true, false, 1},
        {"quad grid", Grid(12, 7, false), true, true, false, 1},
        {"quad grid, positions kept", Grid(12, 7, false), true, false, false, 1},
        {"torus with holes", HoledTorus(), true, true, false, 1},
        {"torus with holes, no positions", HoledTorus(), false, true, false, 1},
        {"head", Head(), true, true, false, 1},
        {"head turned over", Head(), true, true, true, 1},
        {"three parts", parts, true, true, false, 3},
        {"three parts turned over, positions kept", parts, true, false, true, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<int32_t> expected;
        Mesh shape = Shuffle(c.mesh, 5, expected);
        if (c.sculpt) Sculpt(shape, 9);
        for (int32_t f = 0; c.turned && f < shape.FaceCount(); ++f) Reverse(shape, f);
        Outcome run = Match(c.mesh, shape, c.positions);
        EXPECT_EQ(run.paired, 1);
        EXPECT_EQ(run.result.failure, kTopologyPaired);
        EXPECT_EQ(run.partner, expected);
        EXPECT_EQ(run.result.paired_count, c.mesh.VertexCount());
        EXPECT_EQ(run.result.part_count, c.parts);
        EXPECT_EQ(run.result.reversed_part_count, c.turned ? c.parts : 0);
        EXPECT_EQ(run.result.symmetric_count, 0);
    }
}

TEST(TopologyMatch, FailsWhereTheConnectivityDiffers) {
    // Cell 40 of the triangle grid is faces 80 and 81: (a, b, c) and (a, c, d).
    const Mesh grid = Grid(12, 7, true);
    const std::vector<int32_t> cell = {grid.FaceAt(80)[0], grid.FaceAt(80)[1], grid.FaceAt(80)[2], grid.FaceAt(81)[2]};
    struct Case {
        const char* name;
        Mesh original;
        std::function<void(Mesh&)> change;  // on the original's own numbering
        std::vector<int32_t> at;            // the original vertices of the face where it fails
        bool positions;
    };
    const Case cases[] = {
        {"one face turned over", HoledTorus(), [](Mesh& m) { Reverse(m, 100); }, HoledTorus().FaceAt(100), false},
        {"one face turned over, sculpted", grid, [](Mesh& m) { Reverse(m, 81); }, grid.FaceAt(81), true},
        {"one edge rewired", grid,
         [&](Mesh& m) {
             std::copy_n(std::vector<int32_t>{cell[0], cell[1], cell[3], cell[1], cell[2], cell[3]}.begin(), 6,
                         m.corners.begin() + m.starts[80]);
         },
         cell, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Mesh changed = c.original;
        c.change(changed);
        std::vector<int32_t> expected;
        Mesh shape = Shuffle(changed, 3, expected);
        Sculpt(shape, 4);
        Outcome run = Match(c.original, shape, c.positions);
        EXPECT_EQ(run.paired, 0);
        EXPECT_EQ(run.result.failure, kTopologyFaceDiffers);
        const TopologyFace& face = run.result.shape_face;
        ASSERT_GE(face.face, 0);
        for (int32_t i = 0; i < face.corner_count; ++i) {
            EXPECT_NE(std::count(c.at.begin(), c.at.end(), expected[size_t(face.vertices[i])]), 0);
        }
        EXPECT_EQ(shape.FaceAt(face.face), std::vector<int32_t>(face.vertices, face.vertices + face.corner_count));
        ASSERT_GE(run.result.original_face.face, 0);
        const TopologyFace& met = run.result.original_face;
        EXPECT_EQ(c.original.FaceAt(met.face), std::vector<int32_t>(met.vertices, met.vertices + met.corner_count));
        EXPECT_GT(run.result.paired_count, 0);
        EXPECT_LT(run.result.paired_count, c.original.VertexCount());
    }
}

TEST(TopologyMatch, SymmetrySeedsAndUnseededParts) {
    const Mesh grid = Grid(6, 4, false);  // mirrored either way, it is itself
    std::vector<int32_t> expected;
    const Mesh shape = Shuffle(grid, 8, expected);
    std::vector<int32_t> place = Inverse(expected);

    Outcome blind = Match(grid, shape, false);
    EXPECT_EQ(blind.paired, 1);
    ASSERT_EQ(blind.result.symmetric_count, 1);
    EXPECT_EQ(blind.result.symmetric[0].face_count, 24);
    std::vector<std::vector<int32_t>> symmetries(4, expected);  // the grid's 7 x 5 vertices mirrored either way
    for (int32_t k = 1; k < 4; ++k) {
        for (int32_t& a : symmetries[size_t(k)]) a = (k & 1 ? 6 - a % 7 : a % 7) + 7 * (k & 2 ? 4 - a / 7 : a / 7);
    }
    EXPECT_NE(std::find(symmetries.begin(), symmetries.end(), blind.partner), symmetries.end());

    const std::vector<int32_t> first = grid.FaceAt(0);
    TopologySeed seed{{first[0], first[1], first[2]}, {place[first[0]], place[first[1]], place[first[2]]}};
    TopologyOptions seeded;
    seeded.seeds = &seed;
    seeded.seed_count = 1;
    Outcome told = Match(grid, shape, false, seeded);
    EXPECT_EQ(told.paired, 1);
    EXPECT_EQ(told.partner, expected);
    EXPECT_EQ(told.result.symmetric_count, 0);

    std::swap(seed.shape[1], seed.shape[2]);  // no face runs that way round
    EXPECT_EQ(Match(grid, shape, false, seeded).result.failure, kTopologyBadSeed);

    // Candidates override positions: every pairing named, though the shape
    // was moved so that positions alone would pair it half round.
    Mesh turned = shape;
    for (size_t v = 0; v < turned.xyz.size(); v += 3) {
        turned.xyz[v] = 1 - turned.xyz[v];
        turned.xyz[v + 1] = 1 - turned.xyz[v + 1];
    }
    TopologyOptions named;
    named.candidates = expected.data();
    EXPECT_NE(Match(grid, turned, true).partner, expected);
    EXPECT_EQ(Match(grid, turned, true, named).partner, expected);

    // A part whose faces exist in no form in the original can't be seeded;
    // the other part still pairs.
    Mesh original = HoledTorus(), other = HoledTorus();
    Mesh quad, triangles;
    quad.xyz = triangles.xyz = std::vector<float>(12, 0.0f);
    quad.Face({0, 1, 2, 3});
    triangles.Face({0, 1, 2});
    triangles.Face({0, 2, 3});
    original.Append(quad);
    other.Append(triangles);
    Outcome split = Match(original, Shuffle(other, 2, expected), false);
    EXPECT_EQ(split.result.failure, kTopologyUnseeded);
    ASSERT_EQ(split.result.unseeded_count, 1);
    EXPECT_EQ(split.result.unseeded[0].face_count, 2);
    EXPECT_EQ(split.result.paired_count, HoledTorus().VertexCount());
    EXPECT_EQ(split.result.part_count, 2);
}

namespace {

// A surface of revolution: n vertices on each ring of `profile` (radius,
// height); an end of radius 0 is a pole fanned with triangles, any other end
// is closed by an n-gon. It maps onto itself by every turn and mirror.
Mesh Lathe(int n, const std::vector<std::array<float, 2>>& profile) {
    Mesh mesh;
    std::vector<int32_t> first;
    for (const auto& [r, z] : profile) {
        first.push_back(mesh.VertexCount());
        for (int i = 0; i < (r == 0 ? 1 : n); ++i) {
            float a = 6.2831853f * float(i) / float(n);
            mesh.xyz.insert(mesh.xyz.end(), {r * std::cos(a), r * std::sin(a), z});
        }
    }
    auto at = [&](size_t k, int i) { return profile[k][0] == 0 ? first[k] : first[k] + i % n; };
    for (size_t k = 0; k + 1 < profile.size(); ++k)
        for (int i = 0; i < n; ++i) {
            std::vector<int32_t> face{at(k, i), at(k, i + 1), at(k + 1, i + 1), at(k + 1, i)};
            face.erase(std::unique(face.begin(), face.end()), face.end());  // a pole's corner once
            mesh.Face(face);
        }
    std::vector<int32_t> bottom, top;
    for (int i = 0; i < n; ++i) bottom.push_back(at(0, n - i)), top.push_back(at(profile.size() - 1, i));
    if (profile.front()[0] != 0) mesh.Face(bottom);
    if (profile.back()[0] != 0) mesh.Face(top);
    return mesh;
}

Mesh Cylinder(int n, int rings) {
    std::vector<std::array<float, 2>> profile;
    for (int k = 0; k <= rings; ++k) profile.push_back({1, 0.3f * float(k)});
    return Lathe(n, profile);
}

Mesh Sphere(int n, int rings) {
    std::vector<std::array<float, 2>> profile;
    for (int k = 0; k <= rings; ++k) {
        float b = 3.1415927f * float(k) / float(rings);
        profile.push_back({k == 0 || k == rings ? 0 : std::sin(b), -std::cos(b)});
    }
    return Lathe(n, profile);
}

// What a sculpt of a whole character does to a small part of it: moves it
// by more than its own size, and bumps one side out.
void MoveAndBump(Mesh& mesh) {
    for (size_t v = 0; v < mesh.xyz.size(); v += 3) {
        float* p = &mesh.xyz[v];
        float bump = 0.3f * std::exp(-4 * ((p[0] - 1) * (p[0] - 1) + p[1] * p[1]));
        p[0] += 1.6f + bump, p[1] -= 0.7f, p[2] += 0.4f;
    }
}

}  // namespace

TEST(TopologyMatch, TurnsOfRoundParts) {
    struct Case {
        const char* name;
        Mesh mesh;
        bool positions, sculpt;
        int32_t symmetric;  // parts noted as fitting two ways
        bool nearest;       // the true pairing is the nearer one, and taken
    };
    const Case cases[] = {
        {"cylinder", Cylinder(32, 4), true, true, 0, true},
        {"cylinder, positions kept", Cylinder(32, 4), true, false, 0, true},
        {"long cylinder", Cylinder(48, 120), true, true, 0, true},
        {"sphere", Sphere(24, 9), true, true, 0, true},
        // A turn of one segment moves each vertex by less than a hundredth
        // of the part's move.
        {"sphere of many segments", Sphere(200, 4), true, true, 1, true},
        {"sphere, no positions", Sphere(24, 9), false, false, 1, false},
        {"cylinder, no positions", Cylinder(32, 4), false, false, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (uint32_t seed : {1u, 2u, 3u}) {
            std::vector<int32_t> expected;
            Mesh shape = Shuffle(c.mesh, seed, expected);
            if (c.sculpt) MoveAndBump(shape);
            Outcome run = Match(c.mesh, shape, c.positions);
            EXPECT_EQ(run.paired, 1);
            EXPECT_EQ(run.result.symmetric_count, c.symmetric);
            if (c.nearest) {
                EXPECT_EQ(run.partner, expected);
            }
        }
    }
}
