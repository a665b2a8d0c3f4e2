#pragma once
// Models built by hand for the tests: tables filled the way a load fills
// them, index lists made as blocks of their own.
#include <array>
#include <string>
#include <vector>

#include "platform/block.h"
#include "model/model.h"
#include "platform/text.h"

struct HandFace {
    int32_t material_index;
    std::vector<int32_t> vertices;   // 0-based; empty: a record without corners
    std::vector<int32_t> texcoords;  // empty: all 0
    std::vector<int32_t> normals;    // empty: all 0
};

inline int32_t* HandIndexList(const std::vector<int32_t>& values, size_t count) {
    int32_t* list = AllocateTable<int32_t>(count);
    for (size_t i = 0; i < values.size() && i < count; ++i) list[i] = values[i];
    return list;
}

// A name kept in the model's name pool, cut as a load cuts one of its kind.
inline uint32_t HandName(Model& model, const std::string& text, size_t capacity = kMaterialNameCapacity) {
    uint32_t offset = 0;
    model.KeepName(text.c_str(), text.size(), capacity, offset);
    return offset;
}

inline void SetVertices(Model& model, const std::vector<std::array<float, 3>>& positions) {
    model.vertex_count = static_cast<int32_t>(positions.size());
    model.vertices = AllocateTable<Vertex>(positions.size());
    for (size_t i = 0; i < positions.size(); ++i)
        model.vertices[i] = {0, 0, positions[i][0], positions[i][1], positions[i][2]};
}

inline void SetNormals(Model& model, const std::vector<std::array<float, 3>>& normals) {
    model.normal_count = static_cast<int32_t>(normals.size());
    model.normals = AllocateTable<Normal>(normals.size());
    for (size_t i = 0; i < normals.size(); ++i) model.normals[i] = {normals[i][0], normals[i][1], normals[i][2]};
}

inline void SetTexcoords(Model& model, const std::vector<std::array<float, 2>>& texcoords) {
    model.texcoord_count = static_cast<int32_t>(texcoords.size());
    model.texcoords = AllocateTable<TexCoord>(texcoords.size());
    for (size_t i = 0; i < texcoords.size(); ++i) model.texcoords[i] = {texcoords[i][0], texcoords[i][1]};
}

// Materials with the values of a freshly created library entry.
inline void SetMaterials(Model& model, const std::vector<std::string>& names) {
    model.material_count = static_cast<int32_t>(names.size());
    model.materials = AllocateTable<Material>(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        Material& material = model.materials[i];
        for (int c = 0; c < 3; ++c) material.diffuse[c] = 1.0f;
        material.ambient[3] = material.diffuse[3] = material.specular[3] = 1.0f;
        material.opacity = 1.0f;
        material.illumination = 2;
        material.shininess = 128.0f;
        material.name = HandName(model, names[i]);
    }
}

// Group-name table and one Group per name, holding the faces given for it.
inline void SetGroups(Model& model, const std::vector<std::string>& names,
                      const std::vector<std::vector<HandFace>>& faces_by_group) {
    model.group_name_count = static_cast<int32_t>(names.size());
    model.group_name_table = AllocateTable<GroupNameEntry>(names.size());
    for (size_t i = 0; i < names.size(); ++i) model.group_name_table[i].name = HandName(model, names[i], kGroupNameCapacity);
    model.group_count = static_cast<int32_t>(faces_by_group.size());
    model.groups = AllocateTable<Group>(faces_by_group.size());
    for (size_t g = 0; g < faces_by_group.size(); ++g) {
        Group& group = model.groups[g];
        if (g < names.size()) group.name = model.group_name_table[g].name;
        group.material_index = -1;
        group.face_count = static_cast<int32_t>(faces_by_group[g].size());
        group.faces = AllocateTable<Face>(faces_by_group[g].size());
        for (size_t f = 0; f < faces_by_group[g].size(); ++f) {
            const HandFace& hand = faces_by_group[g][f];
            Face& face = group.faces[f];
            face.group_name_index = static_cast<int32_t>(g);
            face.material_index = hand.material_index;
            size_t corners = hand.vertices.size();
            if (corners == 0) continue;
            ++group.face_fill;
            face.corner_count = static_cast<int32_t>(corners);
            face.vertex_indices = HandIndexList(hand.vertices, corners);
            face.texcoord_indices = HandIndexList(hand.texcoords, corners);
            face.normal_indices = HandIndexList(hand.normals, corners);
        }
    }
}
