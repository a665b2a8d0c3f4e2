#pragma once
// Generated meshes for the connectivity tests: sheets, a holed torus and round shapes, renumbered, sculpted, matched
// and written as OBJ text.
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <vector>
#include <cstdio>

#include "pairing/topology/topology_match.h"

namespace topology_meshes {

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
inline Mesh Sheet(int w, int h, std::array<bool, 2> wrap, bool triangles, const Place& place,
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

inline Mesh Grid(int w, int h, bool triangles) { return Sheet(w, h, {false, false}, triangles, kWavy); }

// Only its three holes, far apart, tell the vertices of this torus apart.
inline Mesh HoledTorus() {
    return Sheet(24, 12, {true, true}, false, [](float u, float v) {
        float a = 6.2831853f * u, b = 6.2831853f * v, r = 1 + 0.4f * std::cos(b);
        return std::array<float, 3>{r * std::cos(a), r * std::sin(a), 0.4f * std::sin(b)};
    }, [](int i, int j) { return (i == 3 && j == 2) || (i == 10 && j == 7) || (i == 17 && j == 5); });
}

// A cylinder of `rings` rows of quads closed by n-gons, or a sphere of rings - 1 rings between two poles fanned
// with triangles: either maps onto itself by every turn and mirror.
inline Mesh Round(int n, int rings, bool sphere) {
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
inline Mesh Shuffle(const Mesh& mesh, uint32_t seed, std::vector<int32_t>& partner) {
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
inline void Sculpt(Mesh& mesh, uint32_t seed) {
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
inline void MoveAndBump(Mesh& mesh, uint32_t) {
    for (float* p = mesh.xyz.data(); p < mesh.xyz.data() + mesh.xyz.size(); p += 3) {
        float bump = 0.3f * std::exp(-4 * ((p[0] - 1) * (p[0] - 1) + p[1] * p[1]));
        p[0] += 1.6f + bump, p[1] -= 0.7f, p[2] += 0.4f;
    }
}

struct Outcome { std::vector<int32_t> partner; TopologyMatch result; int32_t paired; };

inline Outcome Match(const Mesh& original, const Mesh& shape, bool positions, const TopologyOptions& options = {}) {
    Outcome run{std::vector<int32_t>(size_t(shape.VertexCount()), 7), {}, 0};
    run.paired =
        MatchByTopology(original.View(positions), shape.View(positions), options, run.partner.data(), run.result);
    return run;
}

struct Written { std::string text; std::vector<std::string> faces; };  // faces: each "f ..." line, in file order

// Vertex a written as vertex place[a] (0-based); a renumbered file has the faces reversed, each from its 2nd corner.
inline Written Write(const Mesh& mesh, const std::vector<int32_t>& place, bool renumbered) {
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

}  // namespace topology_meshes
