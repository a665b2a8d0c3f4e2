#pragma once
// Meshes that are hard for matching by connectivity, each as an original, a
// shape made from it (vertices renumbered, faces shuffled and started at
// other corners, positions moved) and the true partner of every shape
// vertex. N counts what makes each hard:
//   polygon       one face of N corners round a circle, the shape shifted
//                 by many corners' spacing and jittered
//   fan           N triangles on one edge, the shape only renumbered
//   fan_moved     the same, every position jittered and shifted
//   parts         N identical triangles in a grid, every position jittered
//                 by up to a twentieth of their spacing and the whole shifted
//   quadsphere    a closed sphere of about N vertices, all quads (a cube
//                 projected), one quad of the shape turned over: it pairs,
//                 that quad counted as turned
//   quadsphere_moved  the same, every position shifted and jittered
//   triangulated  the quad sphere, every quad of the shape split in two
//                 (the two triangles one after the other), positions moved
//   sheet         a random sheet of quads, triangles and holes (below)
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace topology_meshes {

struct Mesh {
    std::vector<float> positions;
    std::vector<int32_t> starts{0}, corners;

    int32_t VertexCount() const { return int32_t(positions.size() / 3); }
    int32_t FaceCount() const { return int32_t(starts.size()) - 1; }
    void Vertex(double x, double y, double z) { positions.insert(positions.end(), {float(x), float(y), float(z)}); }
    void Face(std::initializer_list<int32_t> cycle) {
        corners.insert(corners.end(), cycle.begin(), cycle.end());
        starts.push_back(int32_t(corners.size()));
    }
};

struct Case {
    Mesh original, shape;
    std::vector<int32_t> truth;   // per shape vertex
    int32_t turned_face = -1;  // the original face the shape turned over
};

inline uint64_t Next(uint64_t& state) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return state >> 17;
}

// A value in [-1, 1).
inline double Unit(uint64_t& state) { return double(Next(state) % 2000001) / 1e6 - 1; }

// Renumbers the vertices and shuffles the faces (kept in runs of `run`
// faces, as an exporter writes the triangles of one quad), each started at
// a random corner; moves every position by `shift` and up to `jitter` each
// way per coordinate.
inline void MakeShape(Case& c, uint64_t seed, int32_t run, const double shift[3], double jitter) {
    const Mesh& mesh = c.original;
    int32_t n = mesh.VertexCount(), runs = mesh.FaceCount() / run;
    uint64_t state = seed * 0x9E3779B97F4A7C15ull + 7;
    std::vector<int32_t> place(static_cast<size_t>(n)), order(static_cast<size_t>(runs));
    for (int32_t i = 0; i < n; ++i) place[size_t(i)] = i;
    for (int32_t i = 0; i < runs; ++i) order[size_t(i)] = i;
    for (int32_t i = n - 1; i > 0; --i) std::swap(place[size_t(i)], place[Next(state) % uint64_t(i + 1)]);
    for (int32_t i = runs - 1; i > 0; --i) std::swap(order[size_t(i)], order[Next(state) % uint64_t(i + 1)]);
    c.shape = Mesh{};
    c.shape.positions.resize(3 * size_t(n));
    c.truth.assign(size_t(n), 0);
    for (int32_t a = 0; a < n; ++a) {
        c.truth[size_t(place[size_t(a)])] = a;
        for (int32_t k = 0; k < 3; ++k) {
            c.shape.positions[3 * size_t(place[size_t(a)]) + size_t(k)] =
                float(mesh.positions[3 * size_t(a) + size_t(k)] + shift[k] + jitter * Unit(state));
        }
    }
    for (int32_t r : order) {
        for (int32_t f = r * run; f < (r + 1) * run; ++f) {
            int32_t start = mesh.starts[size_t(f)], count = mesh.starts[size_t(f) + 1] - start;
            int32_t turn = int32_t(Next(state) % uint64_t(count));
            for (int32_t i = 0; i < count; ++i) {
                c.shape.corners.push_back(place[size_t(mesh.corners[size_t(start + (i + turn) % count)])]);
            }
            c.shape.starts.push_back(int32_t(c.shape.corners.size()));
        }
    }
}

inline Case Polygon(int32_t n, uint64_t seed) {
    Case c;
    std::vector<int32_t> cycle;
    for (int32_t i = 0; i < n; ++i) {
        double a = 6.283185307179586 * i / n;
        c.original.Vertex(std::cos(a), std::sin(a), 0.1 * std::sin(3 * a));
        c.original.corners.push_back(i);
    }
    c.original.starts.push_back(n);
    const double shift[3] = {0.3, -0.2, 0.1};
    MakeShape(c, seed, 1, shift, 0.2 / n);
    return c;
}

// Edge (0, 1) along z; the triangles' far corners round it, some of them
// the other way round.
inline Case Fan(int32_t n, uint64_t seed, bool moved) {
    Case c;
    c.original.Vertex(0, 0, 0);
    c.original.Vertex(0, 0, 1);
    for (int32_t i = 0; i < n; ++i) {
        double a = 6.283185307179586 * i / n;
        c.original.Vertex(std::cos(a), std::sin(a), 0.5 + 0.2 * std::sin(5 * a));
        i % 3 ? c.original.Face({0, 1, i + 2}) : c.original.Face({1, 0, i + 2});
    }
    const double none[3] = {0, 0, 0}, shift[3] = {0.01, 0.02, -0.01};
    MakeShape(c, seed, 1, moved ? shift : none, moved ? 0.5 / n : 0);
    return c;
}

inline Case Parts(int32_t n, uint64_t seed) {
    Case c;
    int32_t width = int32_t(std::ceil(std::sqrt(double(n))));
    for (int32_t i = 0; i < n; ++i) {
        double x = i % width, y = i / width;
        c.original.Vertex(x, y, 0);
        c.original.Vertex(x + 0.3, y, 0.1);
        c.original.Vertex(x, y + 0.4, 0.05);
        c.original.Face({3 * i, 3 * i + 1, 3 * i + 2});
    }
    const double shift[3] = {2.5, -1.5, 0.25};
    MakeShape(c, seed, 1, shift, 0.05);
    return c;
}

// A cube of k x k quads a side, its vertices pushed onto the unit sphere:
// 6k^2 + 2 vertices; `split` makes each quad two triangles.
inline Mesh QuadSphere(int32_t k, bool split) {
    Mesh mesh;
    std::vector<int32_t> index(size_t((k + 1) * (k + 1) * (k + 1)), -1);
    auto at = [&](int32_t i, int32_t j, int32_t l) {
        int32_t& slot = index[size_t((i * (k + 1) + j) * (k + 1) + l)];
        if (slot < 0) {
            double x = 2.0 * i / k - 1, y = 2.0 * j / k - 1, z = 2.0 * l / k - 1, r = std::sqrt(x * x + y * y + z * z);
            slot = mesh.VertexCount();
            mesh.Vertex(x / r, y / r, z / r);
        }
        return slot;
    };
    // Each side: its fixed axis, at 0 or k, and the two axes it runs along, in the order that faces outward.
    for (int32_t axis = 0; axis < 3; ++axis) {
        for (int32_t end : {0, k}) {
            int32_t u = (axis + (end ? 1 : 2)) % 3, v = (axis + (end ? 2 : 1)) % 3;
            for (int32_t s = 0; s < k; ++s) {
                for (int32_t t = 0; t < k; ++t) {
                    int32_t q[4];
                    const int32_t steps[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
                    for (int32_t corner = 0; corner < 4; ++corner) {
                        int32_t p[3];
                        p[axis] = end, p[u] = s + steps[corner][0], p[v] = t + steps[corner][1];
                        q[corner] = at(p[0], p[1], p[2]);
                    }
                    if (!split) {
                        mesh.Face({q[0], q[1], q[2], q[3]});
                    } else {
                        mesh.Face({q[0], q[1], q[2]});
                        mesh.Face({q[0], q[2], q[3]});
                    }
                }
            }
        }
    }
    return mesh;
}

inline int32_t SphereSide(int32_t n) { return std::max(2, int32_t(std::lround(std::sqrt((n - 2) / 6.0)))); }

inline Case TurnedQuad(int32_t n, uint64_t seed, bool moved) {
    Case c;
    int32_t k = SphereSide(n);
    c.original = QuadSphere(k, false);
    c.turned_face = int32_t(seed * 7919 % uint64_t(c.original.FaceCount()));
    Mesh turned = c.original;
    std::reverse(turned.corners.begin() + turned.starts[size_t(c.turned_face)],
                 turned.corners.begin() + turned.starts[size_t(c.turned_face) + 1]);
    std::swap(c.original, turned);
    const double none[3] = {0, 0, 0}, shift[3] = {0.05, 0.1, -0.05};
    MakeShape(c, seed, 1, moved ? shift : none, moved ? 0.3 / k : 0);
    std::swap(c.original, turned);
    return c;
}

inline Case Triangulated(int32_t n, uint64_t seed) {
    Case c;
    int32_t k = SphereSide(n);
    c.original = QuadSphere(k, true);
    const double shift[3] = {0.05, 0.1, -0.05};
    MakeShape(c, seed, 2, shift, 0.3 / k);
    c.original = QuadSphere(k, false);
    return c;
}

// A sheet of about N vertices in a grid of random width, each cell a quad,
// two triangles split either way, or (one in ten) a hole, on a random smooth
// height field; the shape shifted and every position jittered by up to a
// tenth of the spacing.
inline Case RandomSheet(int32_t n, uint64_t seed) {
    Case c;
    uint64_t state = seed * 0xD1B54A32D192ED03ull + 3;
    int32_t width = 2 + int32_t(Next(state) % uint64_t(std::max(1.0, std::sqrt(double(n)) * 1.5)));
    int32_t rows = std::max(2, (n + width - 1) / width);
    double wave[4];
    for (double& w : wave) w = 2 * Unit(state);
    for (int32_t i = 0; i < width * rows; ++i) {
        double x = i % width, y = i / width;
        c.original.Vertex(x, y, wave[0] * std::sin(0.7 * x + wave[1]) + wave[2] * std::cos(0.5 * y + wave[3]));
    }
    std::vector<int32_t> used(size_t(width * rows), 0);
    for (int32_t j = 0; j + 1 < rows; ++j) {
        for (int32_t i = 0; i + 1 < width; ++i) {
            int32_t a = j * width + i, b = a + 1, d = a + width, e = d + 1;
            uint64_t kind = Next(state) % 10;
            if (kind == 0) continue;
            if (kind < 4) c.original.Face({a, b, e, d});
            else if (kind < 7) c.original.Face({a, b, e}), c.original.Face({a, e, d});
            else c.original.Face({a, b, d}), c.original.Face({b, e, d});
            used[size_t(a)] = used[size_t(b)] = used[size_t(d)] = used[size_t(e)] = 1;
        }
    }
    // Vertices in no face: only their positions could pair them, and they moved.
    Mesh kept;
    std::vector<int32_t> index(used.size(), -1);
    for (size_t v = 0; v < used.size(); ++v) {
        if (!used[v]) continue;
        index[v] = kept.VertexCount();
        kept.Vertex(c.original.positions[3 * v], c.original.positions[3 * v + 1], c.original.positions[3 * v + 2]);
    }
    for (int32_t& v : c.original.corners) v = index[size_t(v)];
    kept.starts = c.original.starts, kept.corners = c.original.corners;
    c.original = kept;
    const double shift[3] = {Unit(state), Unit(state), Unit(state)};
    MakeShape(c, seed, 1, shift, 0.1);
    return c;
}

// A sheet of about N vertices in quads, and its copy split into triangles
// by random diagonals with the triangles shuffled one by one (a random sort
// after a triangulating export), shifted and jittered: joined by the edges
// the triangles share.
inline Case SplitSheet(int32_t n, uint64_t seed) {
    Case c;
    uint64_t state = seed * 0xA24BAED4963EE407ull + 5;
    int32_t side = std::max(2, int32_t(std::lround(std::sqrt(double(n)))));
    for (int32_t j = 0; j < side; ++j) {
        for (int32_t i = 0; i < side; ++i) c.original.Vertex(i, j, 2 * std::sin(0.2 * i) * std::cos(0.3 * j));
    }
    Mesh quads = c.original;
    for (int32_t j = 0; j + 1 < side; ++j) {
        for (int32_t i = 0; i + 1 < side; ++i) {
            int32_t a = j * side + i, b = a + 1, d = a + side, e = d + 1;
            quads.Face({a, b, e, d});
            if (Next(state) % 2) c.original.Face({a, b, e}), c.original.Face({a, e, d});
            else c.original.Face({a, b, d}), c.original.Face({b, e, d});
        }
    }
    const double shift[3] = {0.5, -0.25, 0.125};
    MakeShape(c, seed, 1, shift, 0.1);
    c.original = quads;
    return c;
}

// The case of a name, or false when there is no such.
inline bool Make(const std::string& name, int32_t n, uint64_t seed, Case& c) {
    if (name == "polygon") c = Polygon(n, seed);
    else if (name == "fan") c = Fan(n, seed, false);
    else if (name == "fan_moved") c = Fan(n, seed, true);
    else if (name == "parts") c = Parts(n, seed);
    else if (name == "quadsphere") c = TurnedQuad(n, seed, false);
    else if (name == "quadsphere_moved") c = TurnedQuad(n, seed, true);
    else if (name == "triangulated") c = Triangulated(n, seed);
    else if (name == "sheet") c = RandomSheet(n, seed);
    else if (name == "sheet_split") c = SplitSheet(n, seed);
    else return false;
    return true;
}

}  // namespace topology_meshes
