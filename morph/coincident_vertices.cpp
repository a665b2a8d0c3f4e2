#include "morph/coincident_vertices.h"

#include <cstring>

namespace {

bool HasFaceRecords(const Model& model) {
    for (int32_t g = 0; g < model.group_count; ++g) {
        if (model.groups[g].face_count > 0 && model.groups[g].faces) return true;
    }
    return false;
}

bool SamePositions(const Model& a, const Model& b) {
    if (a.vertex_count != b.vertex_count || !a.vertices || !b.vertices) return false;
    for (int32_t v = 0; v < a.vertex_count; ++v) {
        if (std::memcmp(&a.vertices[v].x, &b.vertices[v].x, 3 * sizeof(float)) != 0) return false;
    }
    return true;
}

// The model itself when it has its faces (or has none), else the same file
// read whole into `whole`; null when that file no longer holds the same
// positions or can't be read.
const Model* WithFaces(const Model& model, Model& whole) {
    if (model.TotalFaceCount() == 0 || HasFaceRecords(model)) return &model;
    if (!model.obj_path[0] || !whole.LoadObj(model.obj_path, false) || !SamePositions(model, whole)) return nullptr;
    return &whole;
}

}  // namespace

int32_t SettleCoincidentVertices(const Model& original, const Model& matching, int32_t* partner,
                                 TieCounts& counts) {
    counts = TieCounts{};
    const int32_t m = original.vertex_count;
    const int32_t n = matching.vertex_count;
    if (n == m) {
        int32_t repeat = PartnersRepeat(partner, n, m);
        if (repeat <= 0) return repeat == 0;
    }
    CoincidentTies ties;
    if (!ties.Find(original.vertices, m, partner, n)) return 0;
    if (ties.tied == 0) return 1;
    Model whole_original, whole_matching;
    const Model* original_faces = WithFaces(original, whole_original);
    const Model* matching_faces = WithFaces(matching, whole_matching);
    return ties.Break(m, original_faces, matching_faces, n, partner, counts);
}
