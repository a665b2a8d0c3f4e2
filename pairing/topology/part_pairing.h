#pragma once
// Pairing one connected part of the shape from a seed vertex and its
// candidate partners: every way of laying a face around the seed onto a face
// around a candidate, either way round, is weighed, and of those that pair
// the whole part the one with the nearest positions is kept. A part that
// maps onto itself in many ways (a cylinder, a sphere) offers as many
// candidates as it has turns, and each is weighed.
#include <cstdint>

#include "pairing/topology/colour_seeds.h"
#include "pairing/topology/face_growth.h"
#include "pairing/topology/mesh_parts.h"

// Candidates of one seed: enough for every turn of a finely divided cylinder.
constexpr int32_t kSeedCandidates = kMostColourCandidates;
// A colour held by at most this many vertices is rare enough to seed from.
constexpr uint32_t kFewCandidates = 4;

// Two pairings whose summed squared distances are this close are a symmetry
// positions can't settle.
constexpr double kSymmetryMargin = 1.01;

struct PartSeed {
    int32_t shape_vertex = -1;  // -1: no seed
    int32_t candidate_count = 0;
    int32_t candidates[kSeedCandidates] = {};
    bool fixed = false;    // a seed given by the user: only `alignment` is tried
    bool coloured = false;  // found by its colour alone
    SeedAlignment alignment{};
};

// With positions, a try gives up once its distances pass the margin of the
// best pairing found, so only pairings that might be chosen or be symmetric
// are found whole; without positions the search stops at the second. A large
// part with many alignments has them ranked on a patch around the seed
// first, and only those near the best there are grown whole.
struct PartPairing {
    int32_t found = 0;       // pairings of the whole part found
    int32_t direction = 0;   // of the kept pairing
    double chosen = 0;       // sum of squared distances of the kept pairing (0 without positions)
    double other = -1;       // the least of the others found, -1 when there is none
    bool symmetric = false;  // other within the margin of chosen
    // When none was found: the try that differs least, up to where it first
    // does, and grown on past its differences.
    GrowthOutcome stopped;
    GrowthOutcome across;
    bool tied = false;  // another try differs in as many places: the part is symmetric up to where it differs
};

// Leaves the kept pairing in `growth`, or when none was found what the try
// that differs least paired before it first does. Returns 1 when one was found.
int32_t PairPart(Growth& growth, const MeshParts& parts, int32_t part, const PartSeed& seed, PartPairing& pairing);
