// topology_match_tool VERTICES [runs] [case]: times matching by connectivity on the
// generated grid of bench/pair_generator.h, its vertices renumbered and its
// faces started at other corners, and sculpted by a smooth displacement of up
// to 30 % of its size. Prints the least wall and CPU time over the runs for
// each case, how many vertices found their true partner, and how many parts
// were reported symmetric:
//   topology <case> <vertices> <wall> <cpu> <correct>/<vertices> <symmetric>
// Cases: sculpted (positions known, every one moved); shuffled (the same with
// the faces in random order too); blind (no positions: a square grid is its
// own mirror image, so any of its symmetries may be chosen and is reported).
// Given a case, only that one is timed. The cases of bench/topology_meshes.h
// (polygon, fan, fan_moved, parts, quadsphere, triangulated) take N as their
// count and print the same line, with the failure code and, for a shape with
// a face turned over, whether the face named turned maps onto that one:
//   topology <case> <N> <wall> <cpu> <correct>/<vertices> <symmetric> <failure> <ambiguous parts|named face>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "bench/pair_generator.h"
#include "bench/topology_meshes.h"
#include "platform/block.h"
#include "pairing/topology/topology_match.h"

namespace {

struct Shape {
    std::vector<float> positions;
    std::vector<int32_t> starts, corners;
    std::vector<int32_t> truth;  // per shape vertex, its original vertex
};

Shape Renumber(const pair_generator::Mesh& mesh, uint64_t seed, bool shuffle_faces) {
    size_t n = mesh.positions.size() / 3, faces = mesh.triangles.size() / 3;
    std::vector<int32_t> place(n), order(faces);
    for (size_t i = 0; i < n; ++i) place[i] = int32_t(i);
    for (size_t f = 0; f < faces; ++f) order[f] = int32_t(f);
    uint64_t state = seed;
    for (size_t i = n - 1; i > 0; --i) std::swap(place[i], place[pair_generator::NextRandom(state) % (i + 1)]);
    for (size_t f = faces - 1; shuffle_faces && f > 0; --f) {
        std::swap(order[f], order[pair_generator::NextRandom(state) % (f + 1)]);
    }
    Shape shape;
    shape.positions.resize(3 * n);
    shape.truth.resize(n);
    for (size_t a = 0; a < n; ++a) {
        shape.truth[size_t(place[a])] = int32_t(a);
        for (size_t k = 0; k < 3; ++k) shape.positions[3 * size_t(place[a]) + k] = mesh.positions[3 * a + k];
    }
    shape.starts.push_back(0);
    for (int32_t f : order) {
        int32_t turn = int32_t(pair_generator::NextRandom(state) % 3);
        for (int32_t c = 0; c < 3; ++c) {
            shape.corners.push_back(place[size_t(mesh.triangles[3 * size_t(f) + size_t((c + turn) % 3)])]);
        }
        shape.starts.push_back(int32_t(shape.corners.size()));
    }
    return shape;
}

// A few long waves, each coordinate moved by at most 30 % / sqrt(3) of the
// grid's width.
void Sculpt(std::vector<float>& positions, float width) {
    float amplitude = 0.3f * width / std::sqrt(3.0f), k = 6.2831853f / width;
    for (size_t v = 0; v < positions.size(); v += 3) {
        float x = positions[v], y = positions[v + 1], z = positions[v + 2];
        positions[v] += amplitude * std::sin(k * (1.3f * z + 0.4f * y) + 0.7f);
        positions[v + 1] += amplitude * std::sin(k * (0.8f * x - 1.1f * z) + 2.1f);
        positions[v + 2] += amplitude * std::sin(k * (1.7f * x + 0.5f * z) + 4.0f);
    }
}

const char* only = nullptr;  // the case to time, or null for all

void Time(const char* name, const TopologyMesh& original, const TopologyMesh& shape, const Shape& truth, int runs) {
    if (only && std::strcmp(only, name) != 0) return;
    std::vector<int32_t> partner(truth.truth.size());
    double wall = 1e30, cpu = 1e30;
    TopologyMatch result;
    for (int run = 0; run < runs; ++run) {
        auto start = std::chrono::steady_clock::now();
        std::clock_t start_cpu = std::clock();
        MatchByTopology(original, shape, TopologyOptions{}, partner.data(), result);
        cpu = std::min(cpu, double(std::clock() - start_cpu) / CLOCKS_PER_SEC);
        wall = std::min(wall, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        ReleaseSpareBlocks();
    }
    size_t correct = 0;
    for (size_t b = 0; b < partner.size(); ++b) correct += partner[b] == truth.truth[b];
    std::printf("topology %s %zu %.6f %.6f %zu/%zu %d\n", name, partner.size(), wall, cpu, correct, partner.size(),
                result.symmetric_count);
}

// Whether the shape face named turned over is the one the shape turned:
// the same vertices, through the truth.
bool NamesTurnedFace(const topology_meshes::Case& c, const TopologyMatch& result) {
    const TopologyFace& named = result.turned_face;
    if (named.face < 0 || c.turned_face < 0) return false;
    std::vector<int32_t> seen, turned;
    for (int32_t i = 0; i < named.corner_count; ++i) seen.push_back(c.truth[size_t(named.vertices[i])]);
    const topology_meshes::Mesh& mesh = c.original;
    for (int32_t k = mesh.starts[size_t(c.turned_face)]; k < mesh.starts[size_t(c.turned_face) + 1]; ++k) {
        turned.push_back(mesh.corners[size_t(k)]);
    }
    std::sort(seen.begin(), seen.end());
    std::sort(turned.begin(), turned.end());
    return seen == turned;
}

int TimeHostile(const char* name, int32_t count, int runs) {
    topology_meshes::Case c;
    if (!topology_meshes::Make(name, count, 1, c)) return 2;
    auto view = [](const topology_meshes::Mesh& mesh) {
        return TopologyMesh{mesh.VertexCount(), mesh.positions.data(), mesh.FaceCount(), mesh.starts.data(),
                            mesh.corners.data()};
    };
    std::vector<int32_t> partner(size_t(c.shape.VertexCount()));
    double wall = 1e30, cpu = 1e30;
    TopologyMatch result;
    for (int run = 0; run < runs; ++run) {
        auto start = std::chrono::steady_clock::now();
        std::clock_t start_cpu = std::clock();
        MatchByTopology(view(c.original), view(c.shape), TopologyOptions{}, partner.data(), result);
        cpu = std::min(cpu, double(std::clock() - start_cpu) / CLOCKS_PER_SEC);
        wall = std::min(wall, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        ReleaseSpareBlocks();
    }
    size_t correct = 0;
    for (size_t b = 0; b < partner.size(); ++b) correct += partner[b] == c.truth[b];
    std::printf("topology %s %d %.6f %.6f %zu/%zu %d %d ", name, count, wall, cpu, correct, partner.size(),
                result.symmetric_count, result.failure);
    if (c.turned_face >= 0) {
        std::printf("%s\n", NamesTurnedFace(c, result) ? "named" : "elsewhere");
    } else {
        std::printf("%d\n", result.ambiguous_part_count);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: topology_match_tool N [runs] [case]\n");
        return 2;
    }
    int64_t count = std::atoll(argv[1]);
    int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    only = argc > 3 ? argv[3] : nullptr;
    if (only && std::strcmp(only, "sculpted") && std::strcmp(only, "shuffled") && std::strcmp(only, "blind")) {
        return count > INT32_MAX / 8 ? 2 : TimeHostile(only, int32_t(count), runs);
    }
    if (count < 4 || count > INT32_MAX / 4) return 2;
    pair_generator::Mesh mesh = pair_generator::MakeGrid(count, 1);
    std::vector<int32_t> starts;
    for (size_t f = 0; f <= mesh.triangles.size() / 3; ++f) starts.push_back(int32_t(3 * f));
    float width = 0.01f * std::ceil(std::sqrt(float(count)));
    TopologyMesh original{int32_t(count), mesh.positions.data(), int32_t(starts.size() - 1), starts.data(),
                          mesh.triangles.data()};
    for (bool shuffle_faces : {false, true}) {
        Shape shape = Renumber(mesh, 7, shuffle_faces);
        Sculpt(shape.positions, width);
        TopologyMesh sculpted{int32_t(count), shape.positions.data(), int32_t(shape.starts.size() - 1),
                              shape.starts.data(), shape.corners.data()};
        Time(shuffle_faces ? "shuffled" : "sculpted", original, sculpted, shape, runs);
        if (shuffle_faces) continue;
        TopologyMesh blind_original = original, blind = sculpted;
        blind_original.positions = blind.positions = nullptr;
        Time("blind", blind_original, blind, shape, runs);
    }
    return 0;
}
