#pragma once
// Walks over a Model: every face record of every Group in table order, and
// the vertex index of every face corner once, in no promised order. The
// corner visitor gets a reference to the index and may change it.
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

// The vertex index of every corner of every `l` line; the visitor may change it.
template <typename Visit>
void ForEachPolylineVertex(const Model& model, Visit visit) {
    for (int32_t l = 0; model.polylines && l < model.polyline_count; ++l) {
        const LineElement& line = model.polylines[l];
        for (int32_t c = 0; line.vertex_indices && c < line.corner_count; ++c) visit(line.vertex_indices[c]);
    }
}

// The vertex lists of a Model as read lie one after the other at the start
// of its corner pool, and are read there: a fraction of what the face
// records and lists together take. Otherwise a face's list lies wherever it
// was made, so the list of a face a few ahead is fetched while this one is
// visited.
template <typename Visit>
void ForEachCornerVertex(const Model& model, Visit visit) {
    if (model.vertex_lists_packed && model.corner_pool) {
        int32_t* const end = model.corner_pool + model.corner_pool_fill / 3;
        for (int32_t* v = model.corner_pool; v < end; ++v) visit(*v);
        return;
    }
    if (!model.groups) return;
    constexpr int32_t kAhead = 8;
    for (int32_t g = 0; g < model.group_count; ++g) {
        const Group& group = model.groups[g];
        if (!group.faces) continue;
        for (int32_t f = 0; f < group.face_count; ++f) {
            if (f + kAhead < group.face_count) __builtin_prefetch(group.faces[f + kAhead].vertex_indices);
            const Face& face = group.faces[f];
            if (!face.vertex_indices) continue;
            for (int32_t c = 0; c < face.corner_count; ++c) visit(face.vertex_indices[c]);
        }
    }
}
