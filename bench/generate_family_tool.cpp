// generate_family_tool N SHAPES OUTDIR [seed]: writes the pair of
// generate_pair_tool (original.obj, matching.obj and their libraries) and
// SHAPES sculpts of the matching file, shape_<k>.obj: the matching file
// with its vertices lifted by a smooth bump placed per shape.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "pair_generator.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s N SHAPES OUTDIR [seed]\n", argv[0]);
        return 2;
    }
    long long count = std::atoll(argv[1]);
    int shapes = std::atoi(argv[2]);
    std::string folder = argv[3];
    if (folder.empty() || folder.back() != '/') folder += '/';
    unsigned long long seed = argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 1;
    if (!pair_generator::WritePair(folder, count, seed)) {
        std::fprintf(stderr, "could not write the pair of %lld vertices into %s\n", count, folder.c_str());
        return 1;
    }
    pair_generator::Mesh base = pair_generator::MakeGrid(count, seed);
    std::vector<int32_t> shuffled = pair_generator::Shuffled(count, seed);
    float side = std::sqrt(float(count)) * 0.01f;
    for (int k = 0; k < shapes; ++k) {
        pair_generator::Mesh sculpt = base;
        float cx = side * float((k * 7) % 10) / 10, cz = side * float((k * 3) % 10) / 10, width = side / 6;
        for (size_t v = 0; v < sculpt.positions.size(); v += 3) {
            float dx = sculpt.positions[v] - cx, dz = sculpt.positions[v + 2] - cz;
            sculpt.positions[v + 1] += 0.2f * std::exp(-(dx * dx + dz * dz) / (width * width));
        }
        std::string name = folder + "shape_" + std::to_string(k) + ".obj";
        if (!pair_generator::WriteObj(name, "matching.mtl", sculpt, shuffled)) {
            std::fprintf(stderr, "could not write %s\n", name.c_str());
            return 1;
        }
    }
    return 0;
}
