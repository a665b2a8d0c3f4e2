// Writing speed of the OBJ writer (regrouping, OBJ and MTL text, commit) for
// a generated model of 1M vertices with a texture coordinate and a normal per
// vertex, 2M triangles, 8 group names and 4 materials; and regrouping of a
// hostile shape (100 000 group names, 10 000 materials, 1M faces).
//
//   write_bench [--benchmark_filter=...]   (output goes to the temp folder)
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/block.h"
#include "model/model.h"
#include "platform/text.h"

namespace {

// A grid of side x side vertices, two triangles per cell; index lists live
// in the Model's corner pool as they do after a load.
void BuildGridModel(Model& model, int32_t side, int32_t names, int32_t material_count) {
    const int32_t vertex_count = side * side;
    model.vertex_count = model.normal_count = model.texcoord_count = vertex_count;
    model.vertices = AllocateTable<Vertex>(vertex_count);
    model.normals = AllocateTable<Normal>(vertex_count);
    model.texcoords = AllocateTable<TexCoord>(vertex_count);
    for (int32_t i = 0; i < vertex_count; ++i) {
        float x = static_cast<float>(i % side) / side, y = static_cast<float>(i / side) / side;
        model.vertices[i] = {0, 0, x * 2.0f - 1.0f, std::sin(x * 6.0f) * 0.25f, y * 3.0f - 1.5f};
        model.normals[i] = {0.0f, 0.96f, -0.28f};
        model.texcoords[i] = {x, y};
    }
    model.material_count = material_count;
    model.materials = AllocateTable<Material>(material_count);
    for (int32_t m = 0; m < material_count; ++m) {
        Material& material = model.materials[m];
        char text[64];
        int length = std::snprintf(text, sizeof text, "material_%d", m);
        model.KeepName(text, size_t(length), kMaterialNameCapacity, material.name);
        length = std::snprintf(text, sizeof text, "texture_%d.png", m);
        model.KeepName(text, size_t(length), kMaterialNameCapacity, material.diffuse_map);
        material.diffuse[0] = material.diffuse[1] = material.diffuse[2] = 0.8f;
        material.opacity = 1.0f;
        material.illumination = 2;
        material.shininess = 64.0f;
    }
    const int32_t cells = (side - 1) * (side - 1);
    const int32_t face_count = cells * 2;
    model.group_name_count = model.group_count = names;
    model.group_name_table = AllocateTable<GroupNameEntry>(names);
    model.groups = AllocateTable<Group>(names);
    for (int32_t g = 0; g < names; ++g) {
        char text[64];
        int length = std::snprintf(text, sizeof text, "group %d", g);
        model.KeepName(text, size_t(length), kGroupNameCapacity, model.group_name_table[g].name);
        model.groups[g].name = model.group_name_table[g].name;
        int32_t count = face_count / names + (g < face_count % names ? 1 : 0);
        model.groups[g].face_count = model.groups[g].face_fill = count;
        model.groups[g].faces = AllocateTable<Face>(count > 0 ? count : 1);
    }
    model.corner_pool_size = static_cast<int64_t>(face_count) * 9;
    model.corner_pool = AllocateTable<int32_t>(static_cast<size_t>(model.corner_pool_size));
    int32_t* pool = model.corner_pool;
    for (int32_t f = 0; f < face_count; ++f) {
        int32_t cell = f / 2, row = cell / (side - 1), column = cell % (side - 1);
        int32_t a = row * side + column, b = a + 1, c = a + side, d = c + 1;
        int32_t corners[3] = {a, f % 2 ? d : b, f % 2 ? c : d};
        int32_t g = f % names;
        Face& face = model.groups[g].faces[f / names];
        face.corner_count = 3;
        face.group_name_index = g;
        face.material_index = (f / 7) % material_count;
        face.vertex_indices = pool;
        face.texcoord_indices = pool + 3;
        face.normal_indices = pool + 6;
        for (int k = 0; k < 3; ++k) pool[k] = pool[3 + k] = pool[6 + k] = corners[k];
        pool += 9;
    }
}

std::string OutputPath() {
    return (std::filesystem::temp_directory_path() / "quandre_write_bench.obj").string();
}

void BM_WriteObjFile1M(benchmark::State& state) {
    Model model;
    BuildGridModel(model, 1000, 8, 4);
    const std::string path = OutputPath();
    std::string library = path.substr(0, path.size() - 4) + ".mtl";
    int64_t bytes = 0;
    for (auto _ : state) {
        if (!model.WriteObjFile(path.c_str())) state.SkipWithError("write failed");
        bytes += static_cast<int64_t>(std::filesystem::file_size(path) + std::filesystem::file_size(library));
    }
    state.SetBytesProcessed(bytes);
    state.counters["obj_MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
    std::filesystem::remove(path);
    std::filesystem::remove(library);
}
BENCHMARK(BM_WriteObjFile1M)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// Hostile shape: every face its own (group name, material) pair, scattered.
void BM_RegroupHostile(benchmark::State& state) {
    const int32_t face_count = 1000000, names = 100000, materials = 10000;
    Model model;
    model.vertex_count = 3;
    model.vertices = AllocateTable<Vertex>(3);
    model.material_count = materials;
    model.materials = AllocateTable<Material>(materials);
    model.group_name_count = names;
    model.group_name_table = AllocateTable<GroupNameEntry>(names);
    model.group_count = 1;
    model.groups = AllocateTable<Group>(1);
    model.groups[0].face_count = face_count;
    model.groups[0].faces = AllocateTable<Face>(face_count);
    model.corner_pool_size = 3;
    model.corner_pool = AllocateTable<int32_t>(3);
    uint32_t seed = 12345;
    for (int32_t f = 0; f < face_count; ++f) {
        Face& face = model.groups[0].faces[f];
        seed = seed * 1664525u + 1013904223u;
        face.group_name_index = static_cast<int32_t>((seed >> 8) % names);
        face.material_index = static_cast<int32_t>((seed >> 4) % (materials + 1)) - 1;
        face.corner_count = 1;
        face.vertex_indices = face.texcoord_indices = face.normal_indices = model.corner_pool;
    }
    for (auto _ : state) {
        if (!model.RegroupByMaterial()) state.SkipWithError("regroup failed");
    }
    state.SetItemsProcessed(state.iterations() * face_count);
}
BENCHMARK(BM_RegroupHostile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
