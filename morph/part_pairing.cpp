// The tries of one part. Wrong alignments mostly stop within a few faces;
// a try that pairs the whole part is a correspondence, and more than one
// means the part has a symmetry that only positions can settle. Tries are
// strict first (hints and colours must agree), which stops wrong alignments
// soonest, and plain only when no strict one pairs the part, so that a part
// that truly differs is reported where its connectivity does. With positions
// the alignments are tried in order of how near the seed face lands, so the
// right one is mostly first and the others give up as soon as they are
// farther; the best is parked meanwhile rather than grown again.
#include "morph/part_pairing.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace {

constexpr int32_t kCornersTried = 16;  // faces around a candidate vertex
constexpr int32_t kMostAlignments = kSeedCandidates * kCornersTried * 2;

struct Trials {
    Growth& growth;
    PartPairing& pairing;
    bool strict = false;
    SeedAlignment furthest{};
    bool kept = false;          // the last try's pairs are in place
    bool kept_is_best = false;  // and they are the best found; otherwise the best is parked
    GrowthOutcome kept_outcome{};
    GrowthOutcome parked_outcome{};

    bool Positions() const { return growth.original_positions && growth.shape_positions; }

    void Found(const SeedAlignment& alignment, const GrowthOutcome& outcome) {
        ++pairing.found;
        if (pairing.found == 1 || outcome.distance <= pairing.chosen) {  // ties: the newest, which stays paired
            if (pairing.found > 1) pairing.other = pairing.chosen;
            pairing.chosen = outcome.distance;
            pairing.direction = alignment.direction;
            kept_is_best = true;
        } else {
            if (pairing.other < 0 || outcome.distance < pairing.other) pairing.other = outcome.distance;
            kept_is_best = false;
        }
        kept = true;
        kept_outcome = outcome;
    }

    // The best pairing back in place, the others gone.
    void KeepBest() {
        if (kept && kept_is_best) return;
        if (kept) UndoGrowth(growth, kept_outcome);
        RestoreGrowth(growth, parked_outcome);
    }

    void Try(const SeedAlignment& alignment) {
        if (kept && kept_is_best) {
            ParkGrowth(growth, kept_outcome);
            parked_outcome = kept_outcome;
        } else if (kept) {
            UndoGrowth(growth, kept_outcome);
        }
        kept = false;
        growth.distance_limit = pairing.found ? pairing.chosen * kSymmetryMargin : HUGE_VAL;
        growth.compare_parked = pairing.found > 0 && Positions();  // the best is parked by now
        GrowthOutcome outcome;
        if (GrowFromSeed(growth, alignment, strict, outcome)) return Found(alignment, outcome);
        bool further = pairing.stopped.shape_face < 0 || outcome.face_count > pairing.stopped.face_count;
        if (!outcome.too_far && further) {
            pairing.stopped = outcome;
            furthest = alignment;
        }
        UndoGrowth(growth, outcome);
    }

    // How far the seed face's corners land from their partners.
    double Landing(const SeedAlignment& alignment) const {
        const MeshAdjacency& shape = *growth.shape;
        const MeshAdjacency& original = *growth.original;
        int32_t count = CornerCount(shape, shape.face_of[alignment.shape_corner]);
        if (!Positions() || count != CornerCount(original, original.face_of[alignment.original_corner])) return 0;
        double sum = 0;
        for (int32_t i = 0; i < count; ++i) {
            int32_t a_corner = StepCorner(original, alignment.original_corner, alignment.direction * i);
            int32_t a = original.corner_vertices[a_corner];
            int32_t b = shape.corner_vertices[StepCorner(shape, alignment.shape_corner, i)];
            sum += SquaredDistance(growth.original_positions, a, growth.shape_positions, b);
        }
        return sum;
    }

    // Every alignment of a face of the part around the seed vertex onto a
    // face around each candidate, nearest first.
    int32_t Align(const MeshParts& parts, int32_t part, const PartSeed& seed, SeedAlignment* list) const {
        const MeshAdjacency& shape = *growth.shape;
        const MeshAdjacency& original = *growth.original;
        int32_t corner = -1, count = 0;
        for (int32_t k = shape.vertex_starts[seed.shape_vertex]; k < shape.vertex_starts[seed.shape_vertex + 1]; ++k) {
            if (parts.part_of[shape.face_of[shape.vertex_corners[k]]] == part) corner = shape.vertex_corners[k];
        }
        double landing[kMostAlignments];
        for (int32_t i = 0; i < seed.candidate_count && corner >= 0; ++i) {
            int32_t a = seed.candidates[i];
            int32_t end = std::min(original.vertex_starts[a + 1], original.vertex_starts[a] + kCornersTried);
            for (int32_t k = original.vertex_starts[a]; k < end; ++k) {
                for (int32_t direction : {1, -1}) {
                    list[count] = {corner, original.vertex_corners[k], direction};
                    landing[count] = Landing(list[count]);
                    for (int32_t at = count++; at > 0 && landing[at - 1] > landing[at]; --at) {
                        std::swap(landing[at - 1], landing[at]);
                        std::swap(list[at - 1], list[at]);
                    }
                }
            }
        }
        return count;
    }
};

}  // namespace

int32_t PairPart(Growth& growth, const MeshParts& parts, int32_t part, const PartSeed& seed, PartPairing& pairing) {
    pairing = PartPairing{};
    Trials trials{growth, pairing};
    SeedAlignment alignments[kMostAlignments];
    int32_t count = seed.fixed ? 1 : trials.Align(parts, part, seed, alignments);
    if (seed.fixed) alignments[0] = seed.alignment;
    bool checks = !seed.fixed && (growth.hints || growth.shape_colours);
    for (int32_t pass = checks ? 0 : 1; pass < 2 && !pairing.found; ++pass) {
        trials.strict = pass == 0;
        pairing.stopped = GrowthOutcome{};  // a plain try says better where the part differs
        for (int32_t i = 0; i < count && (trials.Positions() || pairing.found < 2); ++i) trials.Try(alignments[i]);
    }
    if (!pairing.found) {
        if (pairing.stopped.shape_face >= 0) GrowFromSeed(growth, trials.furthest, trials.strict, pairing.stopped);
        return 0;
    }
    pairing.symmetric = pairing.found >= 2 && pairing.other <= pairing.chosen * kSymmetryMargin;
    trials.KeepBest();
    return 1;
}
