// tolerant_match_tool [vertices] [runs] [tolerance]: times the search for
// partners within a tolerance on the generated grid mesh (bench/pair_generator.h)
// against a shuffled copy whose every coordinate moved by up to half the
// tolerance, and beside it the exact search on the unmoved shuffled copy.
// The tolerance is `auto`'s for the mesh unless given. Prints the least wall
// and CPU time over the runs, in seconds:
//   tolerance <value>
//   tolerant <wall> <cpu> paired <count> own <count> ambiguous <count>
//   exact <wall> <cpu>
//   nearest <wall> <cpu>                 (unbounded, every moved copy)
//   closest_pair <wall> <cpu> <distance> (of the original's positions)
// "own" counts copies paired with the vertex they were made from.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <vector>

#include "platform/block.h"
#include "run_clock.h"
#include "pairing/equal_positions.h"
#include "pairing/nearest_positions.h"
#include "pairing/tolerant_partners.h"
#include "pair_generator.h"

int main(int argc, char** argv) {
    long long count = argc > 1 ? std::atoll(argv[1]) : 1000000;
    int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    if (count < 3 || count > 100000000 || runs < 1) {
        std::fprintf(stderr, "usage: %s [vertices] [runs] [tolerance]\n", argv[0]);
        return 2;
    }
    const size_t n = size_t(count);
    pair_generator::Mesh mesh = pair_generator::MakeGrid(count, 1);
    std::vector<Vertex> original(n), moved(n), shuffled(n);
    for (size_t k = 0; k < original.size(); ++k) {
        original[k] = {0, 0, mesh.positions[3 * k], mesh.positions[3 * k + 1], mesh.positions[3 * k + 2]};
    }
    double tolerance = argc > 3 ? std::atof(argv[3]) : AutoTolerance(original.data(), int32_t(count));
    std::vector<int32_t> source(n);
    for (size_t k = 0; k < source.size(); ++k) source[k] = int32_t(k);
    std::mt19937_64 random(7);
    std::shuffle(source.begin(), source.end(), random);
    std::uniform_real_distribution<double> move(-tolerance / 2, tolerance / 2);
    for (size_t i = 0; i < source.size(); ++i) {
        const Vertex& v = original[size_t(source[i])];
        shuffled[i] = v;
        moved[i] = {0, 0, float(v.x + move(random)), float(v.y + move(random)), float(v.z + move(random))};
    }

    std::vector<int32_t> partner(n), first(n);
    std::vector<uint8_t> ambiguous(n);
    std::vector<double> distance(n);
    double closest = 0;
    Best tolerant, exact, nearest, pair;
    for (int run = 0; run < runs; ++run) {
        Clock start = Clock::Now();
        if (!FindTolerantPartners(original.data(), int32_t(count), moved.data(), int32_t(count), tolerance,
                                  partner.data(), ambiguous.data()))
            return 1;
        tolerant.Keep(start);
        ReleaseSpareBlocks();
        start = Clock::Now();
        if (!FindFirstEqualPositions(original.data(), int32_t(count), shuffled.data(), int32_t(count), first.data()))
            return 1;
        exact.Keep(start);
        ReleaseSpareBlocks();
        start = Clock::Now();
        if (!FindNearestPositions(original.data(), int32_t(count), moved.data(), int32_t(count), first.data(),
                                  distance.data()))
            return 1;
        nearest.Keep(start);
        start = Clock::Now();
        if (!SmallestPositionDistance(original.data(), int32_t(count), closest)) return 1;
        pair.Keep(start);
        ReleaseSpareBlocks();
    }
    long long paired = 0, own = 0, unsure = 0;
    for (size_t i = 0; i < partner.size(); ++i) {
        paired += partner[i] >= 0;
        own += partner[i] == source[i];
        unsure += ambiguous[i];
    }
    std::printf("tolerance %.9g\n", tolerance);
    std::printf("tolerant %.6f %.6f paired %lld own %lld ambiguous %lld\n", tolerant.wall, tolerant.cpu, paired, own,
                unsure);
    std::printf("exact %.6f %.6f\n", exact.wall, exact.cpu);
    std::printf("nearest %.6f %.6f\n", nearest.wall, nearest.cpu);
    std::printf("closest_pair %.6f %.6f %.9g\n", pair.wall, pair.cpu, closest);
    return 0;
}
