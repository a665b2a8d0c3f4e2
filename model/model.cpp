#include "model/model.h"

#include <cstring>

#include "platform/block.h"

namespace {

void ReleaseGroupNames(GroupNameList& list) {
    ReleaseBlock(list.names);
    list.names = nullptr;
    list.name_capacity = 0;
    list.count = 0;
    list.index.Release();
}

}  // namespace

void Model::Clear() {
    ReleaseGroupNames(group_names);

    ReleaseBlock(group_name_table);
    group_name_table = nullptr;

    ReleaseBlock(vertices);
    vertices = nullptr;
    ReleaseBlock(texcoords);
    texcoords = nullptr;
    ReleaseBlock(materials);
    materials = nullptr;
    ReleaseBlock(normals);
    normals = nullptr;
    ReleaseBlock(colours);
    colours = nullptr;
    colour_count = 0;

    if (groups) {
        for (int32_t g = 0; g < group_count; ++g) {
            Group& group = groups[g];
            if (!group.faces) continue;
            for (int32_t f = 0; f < group.face_count; ++f) ReleaseFace(group.faces[f]);
            ReleaseFaceArray(group.faces);
            group.faces = nullptr;
        }
        ReleaseBlock(groups);
        groups = nullptr;
    }

    ReleaseBlock(face_pool);
    ReleaseBlock(material_names);
    ReleaseBlock(corner_pool);
    ReleaseBlock(name_pool.text);
    ReleaseBlock(polylines);
    ReleaseBlock(polyline_pool);
    polyline_count = 0;
    polylines = nullptr;
    dropped_line_corners = 0;
    polyline_pool_size = 0;
    polyline_pool = nullptr;
    ReleaseBlock(objects.names);
    ReleaseBlock(smoothing_groups.names);
    objects = FaceNames{};
    smoothing_groups = FaceNames{};

    // Every field from material_count to the end becomes zero or empty.
    material_count = 0;
    group_count = 0;
    group_name_count = 0;
    vertex_count = normal_count = texcoord_count = 0;
    isolated_count = duplicate_count = 0;
    has_mtllib = mtl_loaded = library_not_found = 0;
    mtllib_name[0] = mtl_path[0] = obj_path[0] = obj_file_name[0] = '\0';
    material_name_count = material_name_fill = 0;
    material_names = nullptr;
    corner_pool_size = corner_pool_fill = 0;
    corner_pool = nullptr;
    vertex_lists_packed = 0;
    face_pool_size = 0;
    face_pool = nullptr;
    name_pool = NamePool{};
}

void Model::Release() { Clear(); }

int32_t Model::FindMaterial(const char* name) const {
    if (!name || !materials) return -1;
    for (int32_t i = 0; i < material_count; ++i) {
        if (std::strcmp(Name(materials[i].name), name) == 0) return i;
    }
    return -1;
}

const char* Model::FaceMaterialName(const Face& face) const {
    if (!material_names || face.material_name <= 0 || face.material_name >= material_name_fill) return "";
    return Name(material_names[face.material_name].name);
}

int32_t Model::TotalFaceCount() const {
    int64_t total = 0;
    if (groups) {
        for (int32_t g = 0; g < group_count; ++g) total += groups[g].face_count;
    }
    return total > INT32_MAX ? INT32_MAX : static_cast<int32_t>(total);
}
