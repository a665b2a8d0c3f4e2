#pragma once
// Figures for the partial-morph tests: a grid, a closed sphere, and a part of either cut out and exported as another
// program would (reordered, perhaps split along a seam), with the sculpt the tests apply.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "tests/morph/test_models.h"

namespace part_figures {

constexpr double kPi = 3.14159265358979323846;

inline std::string Number(float value) {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

struct Mesh {
    std::vector<Position> v;
    std::vector<std::vector<int32_t>> f;
    std::string Obj() const {
        std::string text;
        for (const Position& p : v) text += "v " + Number(p.x) + " " + Number(p.y) + " " + Number(p.z) + "\n";
        for (const auto& face : f) {
            text += "f";
            for (int32_t k : face) text += " " + std::to_string(k + 1);
            text += "\n";
        }
        return text;
    }
};

inline Mesh Grid(int side) {
    Mesh m;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) m.v.push_back({float(x), float(y), 0.125f * float((x * y) % 5)});
    for (int y = 0; y + 1 < side; ++y)
        for (int x = 0; x + 1 < side; ++x) m.f.push_back({y * side + x, y * side + x + 1, (y + 1) * side + x + 1,
                                                          (y + 1) * side + x});
    return m;
}

// A closed sphere: two poles and rings of quads, triangles at the poles.
inline Mesh Sphere(int rings, int segments) {
    Mesh m;
    m.v.push_back({0, 0, 1});
    for (int r = 1; r < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            double a = kPi * r / rings, b = 2 * kPi * s / segments;
            m.v.push_back({float(std::sin(a) * std::cos(b)), float(std::sin(a) * std::sin(b)), float(std::cos(a))});
        }
    const int32_t south = int32_t(m.v.size());
    m.v.push_back({0, 0, -1});
    auto at = [&](int r, int s) { return 1 + (r - 1) * segments + (s % segments); };
    for (int s = 0; s < segments; ++s) {
        m.f.push_back({0, at(1, s), at(1, s + 1)});
        m.f.push_back({south, at(rings - 1, s + 1), at(rings - 1, s)});
        for (int r = 1; r + 1 < rings; ++r) m.f.push_back({at(r, s), at(r + 1, s), at(r + 1, s + 1), at(r, s + 1)});
    }
    return m;
}

// The part of `whole` inside `keep`, reordered, as another program exports it: every face whose corners all lie in
// it; with `seam`, the faces on one side of x = 0 take copies of the vertices on that line (a UV seam split).
// part_of[i]: the figure's vertex of part vertex i.
struct Part {
    Mesh mesh;
    std::vector<int32_t> part_of;
};

template <typename Keep>
Part CutPart(const Mesh& whole, Keep keep, bool seam, unsigned seed) {
    std::vector<int32_t> kept;
    for (int32_t k = 0; k < int32_t(whole.v.size()); ++k)
        if (keep(whole.v[size_t(k)])) kept.push_back(k);
    std::shuffle(kept.begin(), kept.end(), std::mt19937(seed));
    Part part;
    std::vector<int32_t> index(whole.v.size(), -1), split(whole.v.size(), -1);
    for (int32_t k : kept) {
        index[size_t(k)] = int32_t(part.part_of.size());
        part.part_of.push_back(k);
        part.mesh.v.push_back(whole.v[size_t(k)]);
    }
    for (const auto& face : whole.f) {
        bool inside = true, east = false;
        for (int32_t k : face) inside = inside && index[size_t(k)] >= 0, east = east || whole.v[size_t(k)].x > 1e-4f;
        if (!inside) continue;
        std::vector<int32_t> corners;
        for (int32_t k : face) {
            const bool on_seam = seam && east && std::fabs(whole.v[size_t(k)].x) < 1e-4f;
            if (on_seam && split[size_t(k)] < 0) {
                split[size_t(k)] = int32_t(part.part_of.size());
                part.part_of.push_back(k);
                part.mesh.v.push_back(whole.v[size_t(k)]);
            }
            corners.push_back(on_seam ? split[size_t(k)] : index[size_t(k)]);
        }
        part.mesh.f.push_back(corners);
    }
    return part;
}

// A sculpt of a position: the kind of smooth move a brush makes.
inline Position Sculpt(Position p) { return {p.x * 1.25f, p.y + 0.5f * std::sin(p.x), p.z + 0.75f}; }

inline bool Same(Position a, Position b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

}  // namespace part_figures
