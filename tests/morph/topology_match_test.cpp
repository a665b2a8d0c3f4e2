// Matching by connectivity of round parts, which map onto themselves by
// every turn: each is renumbered (vertex order, face order, start corners),
// moved and bumped on one side, and the true pairing must come back; where
// no position tells the turns apart the part must be noted.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
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
    TopologyMesh View(bool positions) const {
        return {VertexCount(), positions ? xyz.data() : nullptr, FaceCount(), starts.data(), corners.data()};
    }
};

// The mesh renumbered and its faces shuffled and started elsewhere;
// `partner` gets the original vertex of every new one.
Mesh Shuffle(const Mesh& mesh, uint32_t seed, std::vector<int32_t>& partner) {
    std::mt19937 random(seed);
    std::vector<int32_t> place(mesh.VertexCount()), faces(mesh.FaceCount());
    for (auto* order : {&place, &faces}) {
        std::iota(order->begin(), order->end(), 0);
        std::shuffle(order->begin(), order->end(), random);
    }
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

// A cylinder of `rings` rings closed by n-gons, or a sphere of poles and
// rings - 1 rings between them.
Mesh Round(int n, int rings, bool sphere) {
    std::vector<std::array<float, 2>> profile;
    for (int k = 0; k <= rings; ++k) {
        float b = 3.1415927f * float(k) / float(rings);
        profile.push_back({!sphere ? 1 : k == 0 || k == rings ? 0 : std::sin(b), sphere ? -std::cos(b) : 0.3f * k});
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
    // symmetric: parts noted as fitting two ways; nearest: the true pairing is the nearer one, and taken.
    struct Case { const char* name; Mesh mesh; bool positions, sculpt; int32_t symmetric; bool nearest; };
    const Case cases[] = {
        {"cylinder", Round(32, 4, false), true, true, 0, true},
        {"cylinder, positions kept", Round(32, 4, false), true, false, 0, true},
        {"long cylinder", Round(48, 120, false), true, true, 0, true},
        {"sphere", Round(24, 9, true), true, true, 0, true},
        // A turn of one segment moves each vertex by less than a hundredth of the part's move.
        {"sphere of many segments", Round(200, 4, true), true, true, 1, true},
        {"sphere, no positions", Round(24, 9, true), false, false, 1, false},
        {"cylinder, no positions", Round(32, 4, false), false, false, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (uint32_t seed : {1u, 2u, 3u}) {
            std::vector<int32_t> expected;
            Mesh shape = Shuffle(c.mesh, seed, expected);
            if (c.sculpt) MoveAndBump(shape);
            std::vector<int32_t> partner(expected.size(), 7);
            TopologyMatch result;
            EXPECT_EQ(MatchByTopology(c.mesh.View(c.positions), shape.View(c.positions), {}, partner.data(), result), 1);
            EXPECT_EQ(result.symmetric_count, c.symmetric);
            EXPECT_TRUE(!c.nearest || partner == expected);
        }
    }
}
