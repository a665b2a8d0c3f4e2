// The tries of one part. Wrong alignments mostly stop within a few faces;
// a try that pairs the whole part is a correspondence, and more than one
// means the part has a symmetry that only positions can settle. Tries are
// strict first (hints and colours must agree), which stops wrong alignments
// soonest, and plain only when no strict one pairs the part, so that a part
// that truly differs is reported where its connectivity does. With positions
// the alignments are tried in order of how near the seed face lands, so the
// right one is mostly first and the others give up as soon as they are
// farther; the best is parked meanwhile rather than grown again.
//
// A symmetric part can pass the strict checks with every one of its turns,
// and a wrong turn of a large part gives up only once its distances pass the
// best one's, far into the part. So when all tries of a part could cost more
// than a few whole growths, each is first grown over a patch of the same
// shape vertices around the seed, and only the nearest there and a few within
// a factor of it are grown whole, the nearest over the whole part kept. On the patch, what moving it as a whole
// accounts for is left out: a small part that a sculpt of the whole mesh
// carried far still ranks its turns by their shape. The patch judges the
// rest alone: a turn far worse near the seed but about as good over the
// whole part goes unreported, which needs a sculpt that moves the part's far
// side only. Parts small enough to grow every try whole have none of this.
#include "pairing/topology/part_pairing.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace {

constexpr int32_t kMostAlignments = 1024;
constexpr int32_t kPatch = 1024;          // vertices of the patch alignments are ranked on
// Alignments this much farther on the patch are not grown whole. On a part
// where every vertex is alike (a torus) a turn by one ring can fit the patch
// twice as well as the true pairing and the whole part far worse, when the
// copy was scaled a little: the patch sees a turn as a shift.
constexpr double kPatchMargin = 4.0;
constexpr int32_t kWholeTries = 4;        // alignments grown whole after ranking
constexpr int64_t kWholeBudget = 1 << 20;  // faces all tries of a part may grow before ranking pays
constexpr int32_t kFailedTries = 3;       // of a part that fails, the tries grown on past where they differ
constexpr int32_t kLandingCorners = 64;   // of a seed face, the corners its landing is weighed on
constexpr int32_t kRemembered = 8;        // strict tries whose plain try would stop where they did

struct Trials {
    Growth& growth;
    PartPairing& pairing;
    bool strict = false;
    SeedAlignment furthest[kFailedTries] = {};  // the tries that got furthest, furthest first
    int32_t furthest_faces[kFailedTries] = {};
    int32_t furthest_count = 0;
    bool kept = false;          // the last try's pairs are in place
    bool kept_is_best = false;  // and they are the best found; otherwise the best is parked
    GrowthOutcome kept_outcome{};
    GrowthOutcome parked_outcome{};
    // Strict tries that stopped where the connectivity differs, not at a
    // check: a plain try of one would grow the same faces to the same stop.
    SeedAlignment same_plain[kRemembered] = {};
    int32_t same_plain_faces[kRemembered] = {};
    int32_t same_plain_count = 0;

    bool Positions() const { return growth.original_positions && growth.shape_positions; }

    void Found(const SeedAlignment& alignment, const GrowthOutcome& outcome) {
        ++pairing.found;
        double spread = outcome.distance;
        if (pairing.found == 1 || spread <= pairing.chosen) {  // ties: the newest, which stays paired
            if (pairing.found > 1) pairing.other = pairing.chosen;
            pairing.chosen = spread;
            pairing.direction = alignment.direction;
            kept_is_best = true;
        } else {
            if (pairing.other < 0 || spread < pairing.other) pairing.other = spread;
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
        growth.vertex_limit = INT32_MAX;
        GrowthOutcome outcome;
        if (!strict && Remembered(alignment, outcome)) return Stopped(alignment, outcome);
        if (GrowFromSeed(growth, alignment, strict, outcome)) return Found(alignment, outcome);
        Stopped(alignment, outcome);
        UndoGrowth(growth, outcome);
        if (strict && !outcome.too_far && !outcome.against_checks && same_plain_count < kRemembered) {
            same_plain[same_plain_count] = alignment;
            same_plain_faces[same_plain_count++] = outcome.face_count;
        }
    }

    bool Remembered(const SeedAlignment& alignment, GrowthOutcome& outcome) const {
        for (int32_t i = 0; i < same_plain_count; ++i) {
            const SeedAlignment& it = same_plain[i];
            if (it.shape_corner != alignment.shape_corner || it.original_corner != alignment.original_corner ||
                it.direction != alignment.direction) {
                continue;
            }
            outcome.face_count = same_plain_faces[i];
            return true;
        }
        return false;
    }

    void Stopped(const SeedAlignment& alignment, const GrowthOutcome& outcome) {
        if (outcome.too_far) return;
        int32_t at = furthest_count < kFailedTries ? furthest_count++ : kFailedTries;
        for (; at > 0 && furthest_faces[at - 1] < outcome.face_count; --at) {
            if (at < kFailedTries) furthest[at] = furthest[at - 1], furthest_faces[at] = furthest_faces[at - 1];
        }
        if (at < kFailedTries) furthest[at] = alignment, furthest_faces[at] = outcome.face_count;
    }

    // The tries that got furthest, grown on past where they differ: the one
    // that differs least is reported, grown again up to where it first does.
    void Settle() {
        int32_t chosen = -1, fewest = INT32_MAX, at_fewest = 0;
        growth.past_differences = true;
        // Furthest last, as that one mostly differs least: chosen, its pairs
        // up to where it first differs are left in place, not grown again.
        // Of tries that differ as little, the furthest is chosen.
        bool last_chosen = false;
        for (int32_t i = furthest_count - 1; i >= 0; --i) {
            GrowthOutcome across;
            GrowFromSeed(growth, furthest[i], false, across);
            at_fewest = across.differences < fewest ? 1 : at_fewest + (across.differences == fewest);
            fewest = std::min(fewest, across.differences);
            bool best = chosen < 0 || !DiffersLess(pairing.across, across);
            if (best) chosen = i, pairing.across = across;
            last_chosen = best && i == 0;
            if (!last_chosen) UndoGrowth(growth, across);
        }
        pairing.tied = at_fewest > 1;
        growth.past_differences = false;
        if (last_chosen) {
            pairing.stopped = pairing.across;
            UndoPastFirstDifference(growth, pairing.stopped);
        } else if (chosen >= 0) {
            GrowFromSeed(growth, furthest[chosen], false, pairing.stopped);
        }
    }

    // The summed distances of an alignment over the patch, less what moving
    // the whole patch accounts for (a small part moved far by a sculpt of the
    // whole mesh); false when it stops before the patch is full.
    bool OnPatch(const SeedAlignment& alignment, double& distance) {
        growth.distance_limit = HUGE_VAL;
        growth.vertex_limit = kPatch;
        GrowthOutcome outcome;
        bool whole = GrowFromSeed(growth, alignment, strict, outcome) != 0;
        if (!whole && !outcome.patch_full) Stopped(alignment, outcome);
        UndoGrowth(growth, outcome);
        if (!whole && !outcome.patch_full) return false;
        distance = Spread(outcome);
        return true;
    }

    // The alignments to grow whole, nearest on the patch first; returns how
    // many.
    int32_t Rank(const SeedAlignment* list, int32_t count, SeedAlignment* chosen) {
        int32_t best[kWholeTries];
        double distance[kWholeTries];
        int32_t kept = 0;
        for (int32_t i = 0; i < count; ++i) {
            double d = 0;
            if (!OnPatch(list[i], d)) continue;
            int32_t at = kept < kWholeTries ? kept++ : kWholeTries;
            for (; at > 0 && distance[at - 1] > d; --at) {
                if (at < kWholeTries) best[at] = best[at - 1], distance[at] = distance[at - 1];
            }
            if (at < kWholeTries) best[at] = i, distance[at] = d;
        }
        while (kept > 1 && distance[kept - 1] > kPatchMargin * distance[0]) --kept;
        for (int32_t k = 0; k < kept; ++k) chosen[k] = list[best[k]];
        return kept;
    }

    // How far the seed face's corners (of a large face, a sample spread
    // round it) land from their partners once the whole shape's shift is
    // taken off.
    double Landing(const SeedAlignment& alignment) const {
        const MeshAdjacency& shape = *growth.shape;
        const MeshAdjacency& original = *growth.original;
        int32_t count = CornerCount(shape, shape.face_of[alignment.shape_corner]);
        if (!Positions() || count != CornerCount(original, original.face_of[alignment.original_corner])) return 0;
        double sum = 0;
        for (int32_t i = 0, step = std::max(1, count / kLandingCorners); i < count; i += step) {
            int32_t a_corner = StepCorner(original, alignment.original_corner, alignment.direction * i);
            int32_t a = original.corner_vertices[a_corner];
            int32_t b = shape.corner_vertices[StepCorner(shape, alignment.shape_corner, i)];
            for (int32_t axis = 0; axis < 3; ++axis) {
                double d = double(growth.shape_positions[3 * b + axis]) - growth.shift[axis] -
                           double(growth.original_positions[3 * a + axis]);
                sum += d * d;
            }
        }
        return sum;
    }

    // Every alignment of a face of the part around the seed vertex onto a
    // face around each candidate, nearest first; of more than fit, the
    // nearest.
    int32_t Align(const MeshParts& parts, int32_t part, const PartSeed& seed, SeedAlignment* list) const {
        const MeshAdjacency& shape = *growth.shape;
        const MeshAdjacency& original = *growth.original;
        int32_t corner = -1, count = 0;
        for (int32_t k = shape.vertex_starts[seed.shape_vertex]; k < shape.vertex_starts[seed.shape_vertex + 1]; ++k) {
            if (parts.part_of[shape.face_of[shape.vertex_corners[k]]] == part) corner = shape.vertex_corners[k];
        }
        struct Landed {
            double landing;
            SeedAlignment alignment;
            bool operator<(const Landed& other) const { return landing < other.landing; }
        };
        Landed landed[kMostAlignments];  // a heap, the farthest on top, while more come
        for (int32_t i = 0; i < seed.candidate_count && corner >= 0; ++i) {
            int32_t a = seed.candidates[i];
            for (int32_t k = original.vertex_starts[a]; k < original.vertex_starts[a + 1]; ++k) {
                if (growth.face_claimed[original.face_of[original.vertex_corners[k]]] >= 0) continue;
                for (int32_t direction : {1, -1}) {
                    SeedAlignment alignment{corner, original.vertex_corners[k], direction};
                    Landed next{Landing(alignment), alignment};
                    if (count == kMostAlignments && !(next < landed[0])) continue;
                    if (count == kMostAlignments) std::pop_heap(landed, landed + count--);
                    landed[count++] = next;
                    std::push_heap(landed, landed + count);
                }
            }
        }
        std::sort_heap(landed, landed + count);
        for (int32_t i = 0; i < count; ++i) list[i] = landed[i].alignment;
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
    int64_t faces = parts.starts[part + 1] - parts.starts[part];
    bool ranked = trials.Positions() && count > kWholeTries && count * faces > kWholeBudget;
    const int32_t passes = checks && growth.strict_only ? 1 : 2;
    for (int32_t pass = checks ? 0 : 1; pass < passes && !pairing.found; ++pass) {
        trials.strict = pass == 0;
        trials.furthest_count = 0;  // a plain try says better where the part differs
        SeedAlignment shortlist[kWholeTries];
        int32_t tries = ranked ? trials.Rank(alignments, count, shortlist) : count;
        const SeedAlignment* order = ranked ? shortlist : alignments;
        for (int32_t i = 0; i < tries && (trials.Positions() || pairing.found < 2); ++i) trials.Try(order[i]);
    }
    growth.distance_limit = HUGE_VAL;
    growth.vertex_limit = INT32_MAX;
    if (!pairing.found) {
        trials.Settle();
        return 0;
    }
    pairing.symmetric = pairing.found >= 2 && pairing.other <= pairing.chosen * kSymmetryMargin;
    trials.KeepBest();
    return 1;
}
