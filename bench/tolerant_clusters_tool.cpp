// tolerant_clusters_tool SHAPE VERTICES [runs]: times the search for
// partners within a tolerance (AutoTolerance and FindTolerantPartners, as a
// tolerant convert runs them) on the shapes that crowd its cells, the copy
// shuffled and, where it says so, moved:
//   one_position  every vertex of both at one position, --tolerance 1
//   cluster       distinct positions in a cube a third of the tolerance
//                 wide, --tolerance 1: every position within it of every other
//   cluster_moved the same, the copy moved by up to a tenth of the tolerance
//   outlier       a grid mesh with one vertex at 3e38, --tolerance auto
//   huge          the same grid, --tolerance 7e31 (what auto once made of it)
//   poles         a grid mesh where every hundredth vertex is a cluster of 100
//                 positions 1e-7 apart (decimated poles, welded seams),
//                 --tolerance auto, the copy moved by up to half of it
// Prints the least wall and CPU time over the runs, in seconds:
//   <shape> <vertices> <wall> <cpu> tolerance <value> paired <count> ambiguous <count>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "run_clock.h"
#include "pairing/tolerant_partners.h"

namespace {

Vertex At(double x, double y, double z) { return {0, 0, float(x), float(y), float(z)}; }

// A grid of points one unit apart, as many as asked.
std::vector<Vertex> Grid(size_t count) {
    std::vector<Vertex> table;
    const size_t side = size_t(std::cbrt(double(count))) + 1;
    for (size_t k = 0; k < count; ++k)
        table.push_back(At(double(k % side), double(k / side % side), double(k / side / side)));
    return table;
}

// The original for a shape; `tolerance` its tolerance (0: auto), `moved`
// how far the copy moves, in tolerances.
std::vector<Vertex> Make(const std::string& shape, size_t count, std::mt19937& random, double& tolerance,
                         double& moved) {
    std::uniform_real_distribution<double> unit(0, 1);
    tolerance = 1;
    moved = 0;
    std::vector<Vertex> table;
    if (shape == "one_position") {
        table.assign(count, At(3, 4, 5));
    } else if (shape == "cluster" || shape == "cluster_moved") {
        for (size_t k = 0; k < count; ++k) table.push_back(At(unit(random) / 3, unit(random) / 3, unit(random) / 3));
        moved = shape == "cluster" ? 0 : 0.1;
    } else if (shape == "outlier" || shape == "huge") {
        table = Grid(count);
        table[count / 2] = At(3e38, 0, 0);
        tolerance = shape == "huge" ? 7e31 : 0;
    } else if (shape == "poles") {
        table = Grid(count);
        for (size_t k = 0; k + 100 <= count; k += 10000)
            for (size_t c = 1; c < 100; ++c) table[k + c] = At(table[k].x + double(c) * 1e-7, table[k].y, table[k].z);
        tolerance = 0;
        moved = 0.5;
    } else {
        return {};
    }
    return table;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s one_position|cluster|cluster_moved|outlier|huge|poles VERTICES [runs]\n", argv[0]);
        return 2;
    }
    const std::string shape = argv[1];
    const size_t count = size_t(std::atoll(argv[2]));
    const int runs = argc > 3 ? std::atoi(argv[3]) : 3;
    std::mt19937 random(41);
    double tolerance = 0, moved = 0;
    std::vector<Vertex> table = Make(shape, count, random, tolerance, moved);
    if (table.empty() || runs < 1) return 2;
    std::vector<Vertex> copy = table;
    std::shuffle(copy.begin(), copy.end(), random);
    std::vector<int32_t> partner(count);
    std::vector<uint8_t> ambiguous(count);
    double used = tolerance > 0 ? tolerance : AutoTolerance(table.data(), int32_t(count));
    std::uniform_real_distribution<double> move(-moved * used, moved * used);
    for (Vertex& v : copy) {
        if (moved > 0) v = At(v.x + move(random), v.y + move(random), v.z + move(random));
    }
    double best_wall = 1e30, best_cpu = 1e30;
    for (int r = 0; r < runs; ++r) {
        Clock start = Clock::Now();
        used = tolerance > 0 ? tolerance : AutoTolerance(table.data(), int32_t(count));
        if (!FindTolerantPartners(table.data(), int32_t(count), copy.data(), int32_t(count), used, partner.data(),
                                  ambiguous.data()))
            return 1;
        Clock end = Clock::Now();
        best_wall = std::min(best_wall, end.wall - start.wall);
        best_cpu = std::min(best_cpu, end.cpu - start.cpu);
    }
    size_t paired = 0, unsure = 0;
    for (size_t i = 0; i < count; ++i) {
        paired += partner[i] >= 0;
        unsure += ambiguous[i];
    }
    std::printf("%s %zu %.6f %.6f tolerance %g paired %zu ambiguous %zu\n", shape.c_str(), count, best_wall, best_cpu,
                used, paired, unsure);
    return 0;
}
