// generate_pair_tool N OUTDIR [seed] [moved]: writes original.obj,
// matching.obj and their libraries for benchmarks and end-to-end runs;
// "moved" moves the copy's coordinates a unit of the last decimal or none.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "pair_generator.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s N OUTDIR [seed] [moved]\n", argv[0]);
        return 2;
    }
    long long count = std::atoll(argv[1]);
    std::string folder = argv[2];
    if (folder.empty() || folder.back() != '/') folder += '/';
    unsigned long long seed = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1;
    bool moved = argc > 4 && std::string(argv[4]) == "moved";
    if (!pair_generator::WritePair(folder, count, seed, moved)) {
        std::fprintf(stderr, "could not write the pair of %lld vertices into %s\n", count, folder.c_str());
        return 1;
    }
    return 0;
}
