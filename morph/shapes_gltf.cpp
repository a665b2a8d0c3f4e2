#include "morph/shapes_gltf.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gltf/gltf_family.h"
#include "morph/convert.h"
#include "platform/path_text.h"
#include "platform/text.h"

int32_t ShapeTargets::Make(int32_t shapes, int32_t vertices) {
    count = shapes;
    vertex_count = vertices;
    positions.Reset(AllocateUnclearedTable<float>(size_t(shapes) * size_t(vertices) * 3));
    kept.Reset(AllocateTable<uint8_t>(size_t(shapes)));
    return positions.Get() && kept.Get() ? 1 : 0;
}

void KeepPositions(float* to, const Vertex* vertices, int32_t count) {
    for (int32_t k = 0; to && k < count; ++k)
        to[3 * k] = vertices[k].x, to[3 * k + 1] = vertices[k].y, to[3 * k + 2] = vertices[k].z;
}

int32_t WriteShapesGltf(const Model& base, const ShapeTargets& targets, const char* const* new_paths,
                        const char* path, char* message, int32_t* error, char* notice) {
    notice[0] = '\0';
    *error = 0;
    std::vector<GltfTarget> kept;
    std::vector<std::string> names;  // each shape's new file name without its extension
    names.reserve(size_t(targets.count));
    for (int32_t k = 0; k < targets.count; ++k) {
        if (!targets.kept[size_t(k)]) continue;
        const char* name = FileNamePart(new_paths[k]);
        names.emplace_back(name, std::strlen(name) - std::strlen(ExtensionPart(name)));
        kept.push_back({names.back().c_str(), targets.Positions(k)});
    }
    if (kept.empty()) {
        std::snprintf(message, kMessageCapacity, "No shape was written: the glTF file was not written:\r\n\r\n"
                      "filepath: \"%s\"\r\n", path);
        return -4;
    }
    WrittenGltfFiles files;
    int32_t code = FormatGltfFamily(base, kept.data(), int32_t(kept.size()), path, files);
    if (code == 1) code = CommitGltfFiles(files);
    if (code == 1) {
        CopyText(notice, kMessageCapacity, files.gltf.notice);
        return 1;
    }
    *error = files.gltf.error ? files.gltf.error : files.bin.error;
    std::snprintf(message, kMessageCapacity, "There was an error saving the glTF file:\r\n\r\nfilepath: \"%s\"\r\n%s",
                  path, code == -2 ? "ORIGINAL has no face of three corners or more to make a mesh of.\r\n" : "");
    return -4;
}
