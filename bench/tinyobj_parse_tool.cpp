// tinyobj_parse_tool FILE [runs]: parses FILE (with its material library)
// with tinyobjloader, the reference general OBJ reader measured beside
// LoadObj, and prints the least wall and CPU time over the runs:
//   tinyobj <wall> <cpu> <vertices>
// Built only when tiny_obj_loader.h is installed (Debian: libtinyobjloader-dev).
#define TINYOBJLOADER_IMPLEMENTATION
#include <tiny_obj_loader.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

double CpuSeconds() {
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE [runs]\n", argv[0]);
        return 2;
    }
    std::string path = argv[1];
    std::string folder = path.substr(0, path.find_last_of('/') + 1);
    int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    double best_wall = 1e30, best_cpu = 1e30;
    size_t vertices = 0;
    for (int run = 0; run < (runs < 1 ? 1 : runs); ++run) {
        auto wall_start = std::chrono::steady_clock::now();
        double cpu_start = CpuSeconds();
        {
            tinyobj::attrib_t attrib;
            std::vector<tinyobj::shape_t> shapes;
            std::vector<tinyobj::material_t> materials;
            std::string warning, error;
            bool ok = tinyobj::LoadObj(&attrib, &shapes, &materials, &warning, &error, path.c_str(),
                                       folder.c_str(), false);
            if (!ok) {
                std::fprintf(stderr, "tinyobjloader failed: %s\n", error.c_str());
                return 1;
            }
            vertices = attrib.vertices.size() / 3;
        }
        double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
        double cpu = CpuSeconds() - cpu_start;
        if (wall < best_wall) best_wall = wall;
        if (cpu < best_cpu) best_cpu = cpu;
    }
    std::printf("tinyobj %.4f %.4f %zu\n", best_wall, best_cpu, vertices);
    return 0;
}
