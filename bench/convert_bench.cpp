// Matching and the duplicate count on generated models of 100k and 1M
// vertices (2 triangles per vertex), built in memory. The end-to-end Convert
// of generated file pairs is timed at the process level (see README).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <random>
#include <vector>

#include "platform/block.h"
#include "model/model.h"

namespace {

// Positions on a jittered grid, one group of 2n triangles.
void Build(Model& model, int32_t n, const std::vector<int32_t>& order) {
    model.Release();
    model.vertex_count = n;
    model.vertices = AllocateTable<Vertex>(static_cast<size_t>(n));
    std::mt19937 random(7);
    std::vector<Vertex> grid(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        grid[size_t(i)].x = float(i % 1000) * 0.01f + float(random() % 1000) * 1e-6f;
        grid[size_t(i)].y = float(i / 1000) * 0.01f;
        grid[size_t(i)].z = float(random() % 100000) * 1e-5f;
    }
    for (int32_t i = 0; i < n; ++i) model.vertices[i] = grid[size_t(order[size_t(i)])];
    model.group_count = 1;
    model.groups = AllocateTable<Group>(1);
    Group& group = model.groups[0];
    group.face_count = group.face_fill = 2 * n;
    group.faces = AllocateTable<Face>(size_t(2 * n));
    model.corner_pool_size = int64_t(6) * n * 3;
    model.corner_pool = AllocateTable<int32_t>(size_t(model.corner_pool_size));
    int32_t* pool = model.corner_pool;
    for (int32_t f = 0; f < 2 * n; ++f) {
        Face& face = group.faces[f];
        face.corner_count = 3;
        face.vertex_indices = pool;
        face.texcoord_indices = pool + 3;
        face.normal_indices = pool + 6;
        for (int32_t c = 0; c < 3; ++c) face.vertex_indices[c] = int32_t(random() % uint32_t(n));
        pool += 9;
    }
}

void BM_MatchVertices(benchmark::State& state) {
    int32_t n = int32_t(state.range(0));
    std::vector<int32_t> identity(static_cast<size_t>(n)), shuffled(static_cast<size_t>(n));
    std::iota(identity.begin(), identity.end(), 0);
    shuffled = identity;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(11));
    Model original, matching;
    Build(original, n, identity);
    for (auto _ : state) {
        state.PauseTiming();
        Build(matching, n, shuffled);
        state.ResumeTiming();
        int32_t count = 0;
        if (!matching.MatchVertices(original, count, nullptr)) state.SkipWithError("no match");
        benchmark::DoNotOptimize(count);
    }
}
BENCHMARK(BM_MatchVertices)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_CountDuplicateVertices(benchmark::State& state) {
    int32_t n = int32_t(state.range(0));
    std::vector<int32_t> identity(static_cast<size_t>(n));
    std::iota(identity.begin(), identity.end(), 0);
    Model model;
    Build(model, n, identity);
    for (auto _ : state) {
        model.CountDuplicateVertices();
        model.CountIsolatedVertices();
        benchmark::DoNotOptimize(model.duplicate_count);
    }
}
BENCHMARK(BM_CountDuplicateVertices)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
