// generate_pair_tool N OUTDIR [seed]: writes original.obj, matching.obj and
// their libraries for benchmarks and end-to-end runs.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "pair_generator.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s N OUTDIR [seed]\n", argv[0]);
        return 2;
    }
    long long count = std::atoll(argv[1]);
    std::string folder = argv[2];
    if (folder.empty() || folder.back() != '/') folder += '/';
    unsigned long long seed = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1;
    if (!pair_generator::WritePair(folder, count, seed)) {
        std::fprintf(stderr, "could not write the pair of %lld vertices into %s\n", count, folder.c_str());
        return 1;
    }
    return 0;
}
