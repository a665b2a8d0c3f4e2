#include "morph/coincident_vertices.h"

#include <cstring>

#include "pairing/face_repair.h"
#include "platform/block.h"

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

}  // namespace

const Model* WithFaces(const Model& model, Model& whole) {
    if (model.TotalFaceCount() == 0 || HasFaceRecords(model)) return &model;
    if (!model.obj_path[0] || !whole.LoadObj(model.obj_path, false) || !SamePositions(model, whole)) return nullptr;
    return &whole;
}

namespace {

// The matching vertices whose partner is unsure: at a position several
// original vertices share, or ambiguous within the tolerance. Their count.
int32_t MarkUnsure(const CoincidentTies& ties, int32_t m, const int32_t* partner, int32_t n, const uint8_t* ambiguous,
                   uint8_t* unsure) {
    ScopedBlock<int32_t> size(AllocateTable<int32_t>(size_t(m)));
    if (!size.Get()) return -1;
    for (int32_t w = 0; ties.first && w < m; ++w) ++size[size_t(ties.first[w])];
    int32_t count = 0;
    for (int32_t q = 0; q < n; ++q) {
        bool tied = ties.first && size[size_t(ties.first[partner[q]])] > 1;
        unsure[q] = tied || (ambiguous && ambiguous[q]);
        count += unsure[q];
    }
    return count;
}

// The tie counts once the faces had their say: a tied vertex went by its
// faces when they favour its partner above every other candidate.
void CountDecided(const CoincidentTies& ties, int32_t m, const int32_t* partner, int32_t n, const uint8_t* ambiguous,
                  const uint8_t* decided, TieCounts& counts) {
    ScopedBlock<int32_t> size(AllocateTable<int32_t>(size_t(m)));
    counts.broken = counts.unbroken = counts.ambiguous_by_faces = 0;
    for (int32_t w = 0; ties.first && size.Get() && w < m; ++w) ++size[size_t(ties.first[w])];
    for (int32_t q = 0; q < n; ++q) {
        if (ties.first && size.Get() && size[size_t(ties.first[partner[q]])] > 1) (decided[q] ? counts.broken : counts.unbroken) += 1;
        if (ambiguous && ambiguous[q] && decided[q]) ++counts.ambiguous_by_faces;
    }
}

}  // namespace

int32_t SettleCoincidentVertices(const Model& original, const Model& matching, int32_t* partner, TieCounts& counts,
                                 const uint8_t* ambiguous, double tolerance) {
    counts = TieCounts{};
    const int32_t m = original.vertex_count;
    const int32_t n = matching.vertex_count;
    bool any_ambiguous = false;
    for (int32_t q = 0; ambiguous && q < n && !any_ambiguous; ++q) any_ambiguous = ambiguous[q];
    if (n == m && !any_ambiguous) {
        int32_t repeat = PartnersRepeat(partner, n, m);
        if (repeat <= 0) return repeat == 0;
    }
    CoincidentTies ties;
    if (!ties.Find(original.vertices, m, partner, n)) return 0;
    if (ties.tied == 0 && !any_ambiguous) return 1;
    Model whole_original, whole_matching;
    const Model* original_faces = WithFaces(original, whole_original);
    const Model* matching_faces = WithFaces(matching, whole_matching);
    if (ties.tied > 0 && !ties.Break(m, original_faces, matching_faces, n, partner, counts)) return 0;
    if (!original_faces || !matching_faces) return 1;
    ScopedBlock<uint8_t> unsure(AllocateTable<uint8_t>(size_t(n)));
    if (!unsure.Get()) return 0;
    int32_t unsure_count = MarkUnsure(ties, m, partner, n, ambiguous, unsure.Get());
    if (unsure_count < 0) return 0;
    if (unsure_count == 0) return 1;
    FaceRepair repair;
    if (!repair.Run(*original_faces, *matching_faces, tolerance, unsure.Get(), partner)) return 0;
    CountDecided(ties, m, partner, n, ambiguous, repair.decided, counts);
    return 1;
}
