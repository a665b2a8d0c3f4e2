#pragma once
// Walks over a Model in table order: every face record of every Group, and
// the vertex index of every face corner (group, face, corner). The corner
// visitor gets a reference to the index and may change it.
#include <cstdint>

#include "model/model.h"

template <typename Visit>
void ForEachFace(const Model& model, Visit visit) {
    if (!model.groups) return;
    for (int32_t g = 0; g < model.group_count; ++g) {
        const Group& group = model.groups[g];
        if (!group.faces) continue;
        for (int32_t f = 0; f < group.face_count; ++f) visit(group.faces[f]);
    }
}

template <typename Visit>
void ForEachCornerVertex(const Model& model, Visit visit) {
    ForEachFace(model, [&](const Face& face) {
        if (!face.vertex_indices) return;
        for (int32_t c = 0; c < face.corner_count; ++c) visit(face.vertex_indices[c]);
    });
}
