// The tries of one part. Wrong alignments mostly stop within a few faces;
// a try that pairs the whole part is a correspondence, and more than one
// means the part has a symmetry that only positions can settle. Tries are
// strict first (hints and colours must agree), which stops wrong alignments
// soonest, and plain only when no strict one pairs the part, so that a part
// that truly differs is reported where its connectivity does.
#include "morph/part_pairing.h"

#include <initializer_list>

namespace {

constexpr int32_t kCornersTried = 16;  // faces around a candidate vertex

struct Trials {
    Growth& growth;
    const float* original_positions;
    const float* shape_positions;
    PartPairing& pairing;
    bool strict = false;
    bool have_best = false;
    SeedAlignment best{};
    SeedAlignment furthest{};
    bool kept = false;
    SeedAlignment kept_alignment{};
    GrowthOutcome kept_outcome{};

    double Distance(const GrowthOutcome& outcome) const {
        if (!original_positions || !shape_positions) return 0;
        double sum = 0;
        for (int32_t k = 0; k < outcome.vertex_count; ++k) {
            int32_t b = growth.vertices[k], a = growth.partner[b];
            for (int32_t axis = 0; axis < 3; ++axis) {
                double d = double(original_positions[3 * a + axis]) - shape_positions[3 * b + axis];
                sum += d * d;
            }
        }
        return sum;
    }

    void Try(const SeedAlignment& alignment) {
        if (kept) UndoGrowth(growth, kept_outcome);
        kept = false;
        GrowthOutcome outcome;
        if (!GrowFromSeed(growth, alignment, strict, outcome)) {
            if (pairing.stopped.shape_face < 0 || outcome.face_count > pairing.stopped.face_count) {
                pairing.stopped = outcome;
                furthest = alignment;
            }
            UndoGrowth(growth, outcome);
            return;
        }
        double distance = Distance(outcome);
        ++pairing.found;
        if (!have_best || distance < pairing.chosen) {
            if (have_best) pairing.other = pairing.chosen;
            pairing.chosen = distance;
            pairing.direction = alignment.direction;
            best = alignment;
            have_best = true;
        } else if (pairing.other < 0 || distance < pairing.other) {
            pairing.other = distance;
        }
        kept = true;
        kept_alignment = alignment;
        kept_outcome = outcome;
    }

    // Every alignment of a face of the part around shape vertex b onto a
    // face around each candidate.
    void TryCandidates(const MeshParts& parts, int32_t part, const PartSeed& seed) {
        const MeshAdjacency& shape = *growth.shape;
        const MeshAdjacency& original = *growth.original;
        int32_t corner = -1;
        for (int32_t k = shape.vertex_starts[seed.shape_vertex]; k < shape.vertex_starts[seed.shape_vertex + 1]; ++k) {
            int32_t c = shape.vertex_corners[k];
            if (parts.part_of[shape.face_of[c]] == part) corner = c;
        }
        bool enough_found = !original_positions || !shape_positions;  // nothing to choose between with
        for (int32_t i = 0; i < seed.candidate_count && corner >= 0; ++i) {
            int32_t a = seed.candidates[i];
            int32_t end = original.vertex_starts[a + 1];
            if (end - original.vertex_starts[a] > kCornersTried) end = original.vertex_starts[a] + kCornersTried;
            for (int32_t k = original.vertex_starts[a]; k < end; ++k) {
                for (int32_t direction : {1, -1}) {
                    if (enough_found && pairing.found >= 2) return;
                    Try({corner, original.vertex_corners[k], direction});
                }
            }
        }
    }
};

}  // namespace

int32_t PairPart(Growth& growth, const MeshParts& parts, int32_t part, const PartSeed& seed,
                 const float* original_positions, const float* shape_positions, PartPairing& pairing) {
    pairing = PartPairing{};
    Trials trials{growth, original_positions, shape_positions, pairing};
    bool checks = !seed.fixed && (growth.hints || growth.shape_colours);
    for (int32_t pass = checks ? 0 : 1; pass < 2 && !pairing.found; ++pass) {
        trials.strict = pass == 0;
        pairing.stopped = GrowthOutcome{};  // a plain try says better where the part differs
        if (seed.fixed) trials.Try(seed.alignment);
        if (!seed.fixed) trials.TryCandidates(parts, part, seed);
    }
    if (!pairing.found) {
        if (pairing.stopped.shape_face >= 0) GrowFromSeed(growth, trials.furthest, trials.strict, pairing.stopped);
        return 0;
    }
    bool same = trials.kept && trials.kept_alignment.original_corner == trials.best.original_corner &&
                trials.kept_alignment.direction == trials.best.direction;
    if (!same) {
        if (trials.kept) UndoGrowth(growth, trials.kept_outcome);
        GrowthOutcome outcome;
        GrowFromSeed(growth, trials.best, trials.strict, outcome);
    }
    return 1;
}
