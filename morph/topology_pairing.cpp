// The Models' faces are laid out once as plain corner cycles and their
// positions packed, which is the form the matcher reads; hints come from
// positions where positions can still be trusted.
#include "morph/topology_pairing.h"

#include <initializer_list>

#include "model/corners.h"
#include "platform/text.h"
#include "platform/block.h"
#include "pairing/tolerant_partners.h"
#include "pairing/unique_positions.h"
#include "morph/seed_tolerance.h"
#include "morph/topology_layout.h"
#include "morph/topology_message.h"
#include "morph/piece_message.h"

namespace {

// The tables of both views and the hints; released when the step ends.
struct PairingTables {
    float* positions[2] = {};
    int32_t* starts[2] = {};
    int32_t* corners[2] = {};
    int32_t* segments[2] = {};
    int32_t* candidates = nullptr;
    uint8_t* ambiguous = nullptr;

    ~PairingTables() {
        for (int32_t k = 0; k < 2; ++k) {
            ReleaseBlock(positions[k]);
            ReleaseBlock(starts[k]);
            ReleaseBlock(corners[k]);
            ReleaseBlock(segments[k]);
        }
        ReleaseBlock(candidates);
        ReleaseBlock(ambiguous);
    }
};

// Faces without corners carry no connectivity and are left out.
bool Usable(const Face& face) { return face.corner_count > 0 && face.vertex_indices; }

// Faces with corners, and their corners; -1 when the model holds no face
// records (loaded for its positions only).
int64_t CountFaces(const Model& model, int64_t& corner_count) {
    int64_t face_count = 0;
    corner_count = 0;
    for (int32_t g = 0; model.groups && g < model.group_count; ++g) {
        if (!model.groups[g].faces && model.groups[g].face_count != 0) return -1;
    }
    ForEachFace(model, [&](const Face& face) {
        if (Usable(face)) ++face_count, corner_count += face.corner_count;
    });
    return face_count;
}

// The faces in `order` (the place of the face put k-th), or as they come.
bool LayOutFaces(const Model& model, const int32_t* order, int32_t face_count, int32_t* starts, int32_t* corners) {
    ScopedBlock<const Face*> faces(order ? AllocateUnclearedTable<const Face*>(size_t(face_count) + 1) : nullptr);
    if (order && !faces.Get()) return false;
    int32_t f = 0, at = 0;
    starts[0] = 0;
    ForEachFace(model, [&](const Face& face) {
        if (!Usable(face)) return;
        if (order) {
            faces[size_t(f++)] = &face;
            return;
        }
        for (int32_t c = 0; c < face.corner_count; ++c) corners[at++] = face.vertex_indices[c];
        starts[++f] = at;
    });
    for (int32_t k = 0; order && k < face_count; ++k) {
        const Face& face = *faces[size_t(order[k])];
        for (int32_t c = 0; c < face.corner_count; ++c) corners[at++] = face.vertex_indices[c];
        starts[k + 1] = at;
    }
    return true;
}

// 1 when made; 0 when memory can't be had; -1 when the model holds no face
// records (loaded for its positions only). With `like`, the faces are laid
// out as LayOutLikeOriginal says, in segments.
int32_t MakeView(const Model& model, int64_t face_count, int64_t corner_count, const Model* like, float*& positions,
                 int32_t*& starts, int32_t*& corners, int32_t*& segments, TopologyMesh& view) {
    if (face_count < 0) return -1;
    if (corner_count > INT32_MAX) return 0;
    positions = AllocateUnclearedTable<float>(3 * size_t(model.vertex_count) + 1);
    starts = AllocateUnclearedTable<int32_t>(size_t(face_count) + 1);
    corners = AllocateUnclearedTable<int32_t>(size_t(corner_count) + 1);
    if (!positions || !starts || !corners) return 0;
    for (int32_t v = 0; v < model.vertex_count; ++v) {
        const Vertex& vertex = model.vertices[v];
        positions[3 * v] = vertex.x, positions[3 * v + 1] = vertex.y, positions[3 * v + 2] = vertex.z;
    }
    FaceLayout layout;
    if (like && !LayOutLikeOriginal(*like, model, int32_t(face_count), layout)) return 0;
    ScopedBlock<int32_t> order(layout.order);
    segments = layout.segment_starts;
    if (!LayOutFaces(model, order.Get(), int32_t(face_count), starts, corners)) return 0;
    view = {model.vertex_count, positions, int32_t(face_count), starts, corners, segments, layout.segment_count};
    return 1;
}

// Partners within the tolerance, none where the tolerance can't tell two
// original positions apart nor where the original holds the position more
// than once (a seam: only the faces tell which side a vertex is on).
bool TolerantCandidates(const Model& original, const Model& shape, const float* original_positions, double tolerance,
                        PairingTables& tables) {
    size_t count = size_t(shape.vertex_count) + 1;
    tables.candidates = AllocateUnclearedTable<int32_t>(count);
    tables.ambiguous = AllocateUnclearedTable<uint8_t>(count);
    if (!tables.candidates || !tables.ambiguous) return false;
    if (!FindTolerantPartners(original.vertices, original.vertex_count, shape.vertices, shape.vertex_count,
                              tolerance, tables.candidates, tables.ambiguous)) {
        return false;
    }
    ScopedBlock<int32_t> single(AllocateUnclearedTable<int32_t>(size_t(original.vertex_count) + 1));
    if (!single.Get() || !PairUniquePositions(original_positions, original.vertex_count, original_positions,
                                              original.vertex_count, single.Get())) {
        return false;
    }
    for (int32_t b = 0; b < shape.vertex_count; ++b) {
        int32_t a = tables.candidates[b];
        if (tables.ambiguous[b] || (a >= 0 && single[size_t(a)] < 0)) tables.candidates[b] = -1;
    }
    return true;
}

const char* NameOf(const Model& model, const char* otherwise) {
    return model.obj_file_name[0] ? model.obj_file_name : otherwise;
}

}  // namespace

int32_t PairByTopology(const Model& original, const Model& shape, const TopologyPairingOptions& options,
                       int32_t* partner, TopologyMatch& result, char* message, int32_t capacity,
                       PieceSeeding* piece_seeding) {
    result = TopologyMatch{};
    if (message && capacity > 0) message[0] = '\0';
    if (!partner || !message || capacity <= 0) {
        result.failure = kTopologyBadInput;
        return 0;
    }
    PairingTables tables;
    TopologyMesh views[2];
    const Model* models[2] = {&original, &shape};
    int32_t made = 1;
    int64_t faces[2], corners[2];
    for (int32_t k = 0; k < 2; ++k) faces[k] = CountFaces(*models[k], corners[k]);
    // A shape with more faces may have had its quads split: both are then
    // laid out alike for the split to be undone.
    const Model* like = faces[0] >= 0 && faces[1] > faces[0] ? &original : nullptr;
    for (int32_t k = 0; k < 2 && made > 0; ++k) {
        made = MakeView(*models[k], faces[k], corners[k], like, tables.positions[k], tables.starts[k],
                        tables.corners[k], tables.segments[k], views[k]);
    }
    TopologyOptions match_options;
    match_options.seeds = options.seeds;
    match_options.seed_count = options.seed_count;
    match_options.refuse_turned_faces = options.refuse_turned_faces;
    // Without a tolerance, positions that came back through float arithmetic
    // (a round trip through another program) still seed: the automatic one.
    double tolerance = options.tolerance > 0 ? options.tolerance : 0;
    if (made > 0 && tolerance == 0) tolerance = AutoTolerance(original.vertices, original.vertex_count);
    const bool piece = options.pieces && shape.vertex_count < original.vertex_count;
    if (made > 0 && tolerance > 0 && (piece || original.vertex_count == shape.vertex_count)) {
        made = TolerantCandidates(original, shape, views[0].positions, tolerance, tables) ? 1 : 0;
        match_options.candidates = tables.candidates;
    }
    int32_t paired = 0;
    PieceSeeding seeded;
    if (made > 0 && piece) {
        paired = MatchPieceByTopology(views[0], views[1], match_options, partner, result, seeded);
        if (piece_seeding) *piece_seeding = seeded;
    } else if (made > 0) {
        paired = MatchByTopology(views[0], views[1], match_options, partner, result);
    } else {
        result.failure = made < 0 ? kTopologyBadInput : kTopologyNoMemory;
    }
    // A choice the match can't be sure of is no success unless accepted.
    const bool mirrored = piece && seeded.hint_seeded > 0 && result.reversed_part_count > 0;
    const bool unsure = paired && (result.symmetric_count > 0 || result.ambiguous_part_count > 0 || mirrored);
    if (unsure && !options.accept_unsure) paired = 0;
    TopologyNames names{NameOf(original, "the original"), NameOf(shape, "the shape")};
    if (piece) {
        DescribePieceMatch(result, seeded, views[0], views[1], options, names, message, capacity,
                           paired == 0 && unsure);
        return paired;
    }
    double seeding = made > 0 ? ToleranceThatSeeds(original, shape, views[1], result, partner) : 0;
    DescribeTopologyMatch(result, views[0], views[1], options, names, message, capacity, seeding,
                          paired == 0 && unsure);
    return paired;
}
