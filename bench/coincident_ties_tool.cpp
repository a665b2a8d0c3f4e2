// coincident_ties_tool QUADS DIR [runs]: times the pairing of coincident
// original vertices by their faces on its worst common shape, a grid of
// QUADS quads each with four vertices of its own (a mesh split at every
// edge, as flat-shaded exports are): every vertex shares its position with
// up to three others. Writes DIR/original.obj and DIR/matching.obj (the
// copy's vertices and faces shuffled, each face starting at another
// corner), loads both whole and prints the least wall and CPU time over the
// runs, in seconds:
//   search <wall> <cpu>           the partners by position
//   ties <wall> <cpu> <broken> <unbroken> <wrong>
// "wrong" counts matching vertices paired with another vertex than the one
// they were made from.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "model/model.h"
#include "run_clock.h"
#include "pairing/coincident_ties.h"
#include "pairing/equal_positions.h"

namespace {

// Writes the split grid, its copy shuffled; to[k] is the copy's number of
// original vertex k.
bool WritePair(const std::string& folder, long long quads, std::vector<int32_t>& to) {
    const long long side = std::max(1LL, (long long)std::sqrt(double(quads)));
    const long long count = side * side * 4;
    std::mt19937 random(37);
    to.resize(size_t(count));
    for (size_t k = 0; k < to.size(); ++k) to[k] = int32_t(k);
    std::shuffle(to.begin(), to.end(), random);
    std::vector<float> xyz(size_t(count) * 3);
    std::vector<std::vector<int32_t>> faces;
    for (long long j = 0; j < side; ++j)
        for (long long i = 0; i < side; ++i) {
            const long long base = (j * side + i) * 4;
            const long long corner[4][2] = {{i, j}, {i + 1, j}, {i + 1, j + 1}, {i, j + 1}};
            for (int c = 0; c < 4; ++c) {
                xyz[size_t(base + c) * 3] = float(corner[c][0]);
                xyz[size_t(base + c) * 3 + 1] = float(corner[c][1]);
                xyz[size_t(base + c) * 3 + 2] = float((corner[c][0] * 7 + corner[c][1] * 3) % 5);
            }
            faces.push_back({int32_t(base), int32_t(base + 1), int32_t(base + 2), int32_t(base + 3)});
        }
    std::FILE* files[2] = {std::fopen((folder + "original.obj").c_str(), "wb"),
                           std::fopen((folder + "matching.obj").c_str(), "wb")};
    if (!files[0] || !files[1]) return false;
    std::vector<long long> at(static_cast<size_t>(count));
    for (long long k = 0; k < count; ++k) at[size_t(to[size_t(k)])] = k;
    for (long long k = 0; k < count; ++k) {
        std::fprintf(files[0], "v %g %g %g\n", xyz[size_t(k) * 3], xyz[size_t(k) * 3 + 1], xyz[size_t(k) * 3 + 2]);
        long long o = at[size_t(k)];
        std::fprintf(files[1], "v %g %g %g\n", xyz[size_t(o) * 3], xyz[size_t(o) * 3 + 1], xyz[size_t(o) * 3 + 2]);
    }
    for (const auto& f : faces) std::fprintf(files[0], "f %d %d %d %d\n", f[0] + 1, f[1] + 1, f[2] + 1, f[3] + 1);
    std::shuffle(faces.begin(), faces.end(), random);
    for (const auto& f : faces) {
        int turn = int(random() % 4);
        std::fputc('f', files[1]);
        for (int c = 0; c < 4; ++c) std::fprintf(files[1], " %d", to[size_t(f[size_t((c + turn) % 4)])] + 1);
        std::fputc('\n', files[1]);
    }
    return std::fclose(files[0]) == 0 && std::fclose(files[1]) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s QUADS DIR [runs]\n", argv[0]);
        return 2;
    }
    std::string folder = argv[2];
    if (folder.back() != '/') folder += '/';
    const int runs = argc > 3 ? std::atoi(argv[3]) : 3;
    std::vector<int32_t> to;
    if (!WritePair(folder, std::atoll(argv[1]), to)) return 1;
    Model original, matching;
    if (!original.LoadObj((folder + "original.obj").c_str(), false) ||
        !matching.LoadObj((folder + "matching.obj").c_str(), false))
        return 1;
    const int32_t n = matching.vertex_count, m = original.vertex_count;
    std::vector<int32_t> found(static_cast<size_t>(n)), partner(static_cast<size_t>(n));
    Best search, ties;
    TieCounts counts;
    for (int r = 0; r < runs; ++r) {
        Clock start = Clock::Now();
        FindFirstEqualPositions(original.vertices, m, matching.vertices, n, found.data());
        search.Keep(start);
        partner = found;
        start = Clock::Now();
        CoincidentTies coincident;
        if (!coincident.Find(original.vertices, m, partner.data(), n) ||
            !coincident.Break(m, &original, &matching, n, partner.data(), counts))
            return 1;
        ties.Keep(start);
    }
    int32_t wrong = 0;
    for (int32_t k = 0; k < m; ++k) wrong += partner[size_t(to[size_t(k)])] != k;
    std::printf("vertices %d\nsearch %.6f %.6f\nties %.6f %.6f %d %d %d\n", n, search.wall, search.cpu, ties.wall,
                ties.cpu, counts.broken, counts.unbroken, wrong);
    return 0;
}
