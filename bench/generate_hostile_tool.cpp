// generate_hostile_tool N OUTDIR SHAPE: a pair like generate_pair_tool's
// (original.obj/.mtl, matching.obj/.mtl, N vertices, about 2N triangles, the
// matching file's vertices shuffled) in a shape that stresses one table:
//   names     N / 10 group names, N / 100 materials, groups revisited
//   onegroup  every face in one group, N / 100 materials
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "pair_generator.h"

namespace {

bool WriteLibrary(const std::string& path, int64_t materials) {
    pair_generator::Writer out(path);
    for (int64_t m = 0; m < materials; ++m) {
        out.Text("newmtl material_");
        out.Int(m);
        out.Text("\nKd 0.500000 0.500000 0.500000\nillum 2\n\n");
    }
    out.Close();
    return out.ok();
}

bool WriteObj(const std::string& path, const std::string& library, const pair_generator::Mesh& mesh,
              const std::vector<int32_t>& place, int64_t groups, int64_t materials) {
    int64_t count = static_cast<int64_t>(place.size());
    std::vector<int32_t> old_of(place.size());
    for (int64_t v = 0; v < count; ++v) old_of[size_t(place[size_t(v)])] = static_cast<int32_t>(v);
    pair_generator::Writer out(path);
    out.Text("# hostile pair\nmtllib ");
    out.Text(library.c_str());
    out.Char('\n');
    for (int64_t k = 0; k < count; ++k) {
        const float* p = &mesh.positions[3 * size_t(old_of[size_t(k)])];
        out.Text("v ");
        out.Float(p[0]); out.Char(' '); out.Float(p[1]); out.Char(' '); out.Float(p[2]); out.Char('\n');
    }
    for (int64_t k = 0; k < count; ++k) {
        const float* t = &mesh.texcoords[2 * size_t(old_of[size_t(k)])];
        out.Text("vt ");
        out.Float(t[0]); out.Char(' '); out.Float(t[1]); out.Char('\n');
    }
    int64_t triangles = static_cast<int64_t>(mesh.triangles.size() / 3);
    // Runs of faces: every run names a group (cycling, so each name comes
    // back) and a material (cycling at another pace).
    int64_t runs = groups > 1 ? groups * 2 : (materials > 1 ? materials * 2 : 1);
    if (runs > triangles) runs = triangles;
    if (groups <= 1) out.Text("g all\n");
    for (int64_t r = 0; r < runs; ++r) {
        int64_t first = triangles * r / runs, last = triangles * (r + 1) / runs;
        if (groups > 1) {
            out.Text("g part_");
            out.Int(r % groups);
            out.Char('\n');
        }
        out.Text("usemtl material_");
        out.Int((r * 7) % materials);
        out.Char('\n');
        for (int64_t f = first; f < last; ++f) {
            out.Char('f');
            for (int c = 0; c < 3; ++c) {
                int64_t index = int64_t(place[size_t(mesh.triangles[size_t(3 * f + c)])]) + 1;
                out.Char(' '); out.Int(index); out.Char('/'); out.Int(index);
            }
            out.Char('\n');
        }
    }
    out.Close();
    return out.ok();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s N OUTDIR names|onegroup\n", argv[0]);
        return 2;
    }
    int64_t count = std::atoll(argv[1]);
    std::string folder = argv[2];
    if (folder.empty() || folder.back() != '/') folder += '/';
    std::string shape = argv[3];
    if (count < 100 || count > INT32_MAX / 2 || (shape != "names" && shape != "onegroup")) {
        std::fprintf(stderr, "N must be 100 or more; SHAPE names or onegroup\n");
        return 2;
    }
    int64_t groups = shape == "names" ? count / 10 : 1;
    int64_t materials = count / 100;

    pair_generator::Mesh mesh = pair_generator::MakeGrid(count, 3);
    std::vector<int32_t> identity(static_cast<size_t>(count));
    for (int64_t v = 0; v < count; ++v) identity[size_t(v)] = static_cast<int32_t>(v);
    std::vector<int32_t> shuffled = identity;
    uint64_t state = 0x51ed270b27e1d5a3ull;
    for (int64_t i = count - 1; i > 0; --i) {
        int64_t j = static_cast<int64_t>(pair_generator::NextRandom(state) % uint64_t(i + 1));
        std::swap(shuffled[size_t(i)], shuffled[size_t(j)]);
    }
    bool ok = WriteLibrary(folder + "original.mtl", materials) && WriteLibrary(folder + "matching.mtl", materials) &&
              WriteObj(folder + "original.obj", "original.mtl", mesh, identity, groups, materials) &&
              WriteObj(folder + "matching.obj", "matching.mtl", mesh, shuffled, groups, materials);
    if (!ok) {
        std::fprintf(stderr, "could not write the pair into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
