// LoadObj throughput. The file comes from QUANDRE_BENCH_OBJ, or a pair of
// QUANDRE_BENCH_VERTICES (default 1000000) vertices is generated into
// /tmp/qbench/ on first use.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/stat.h>

#include "model/model.h"
#include "pair_generator.h"

namespace {

std::string BenchFile() {
    if (const char* given = std::getenv("QUANDRE_BENCH_OBJ")) return given;
    long long count = 1000000;
    if (const char* vertices = std::getenv("QUANDRE_BENCH_VERTICES")) count = std::atoll(vertices);
    std::string folder = "/tmp/qbench/";
    if (count != 1000000) folder = "/tmp/qbench/" + std::to_string(count) + "/";
    std::string path = folder + "original.obj";
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        mkdir("/tmp/qbench", 0755);
        mkdir(folder.c_str(), 0755);
        if (!pair_generator::WritePair(folder, count, 1)) std::fprintf(stderr, "could not generate %s\n", path.c_str());
    }
    return path;
}

void BM_LoadObj(benchmark::State& state) {
    std::string path = BenchFile();
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        state.SkipWithError("no benchmark file");
        return;
    }
    for (auto _ : state) {
        Model model;
        if (model.LoadObj(path.c_str()) != 1) {
            state.SkipWithError("LoadObj failed");
            return;
        }
        benchmark::DoNotOptimize(model.vertices);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(info.st_size));
}
BENCHMARK(BM_LoadObj)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
