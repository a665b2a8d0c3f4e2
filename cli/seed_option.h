#pragma once
// --seed O1,O2,O3=S1,S2,S3: three vertices of one face of the original and
// the three vertices of the shape (or matching file) they correspond to, in
// the order given, numbered from 1 as the files number them. It may be
// given once for each connected part that needs one.
#include <cstddef>
#include <cstdint>

#include "cli/arguments.h"
#include "pairing/topology/topology_match.h"

constexpr int32_t kMaxSeeds = 16;
constexpr size_t kSeedProblemCapacity = 200;

// Reads one seed into `seed` (0-based). Returns 1, or 0 with the problem in
// `problem` (`capacity` bytes): a text not of that form, a number that is
// not a whole number from 1 up, too large, or named twice on one side.
int32_t ParseSeedText(const char* text, TopologySeed& seed, char* problem, size_t capacity);

// Every --seed given, in order, into seeds[0..count). Returns 1, or 0 with
// the problem of the first bad one, or of one too many.
int32_t CollectSeeds(const Arguments& arguments, TopologySeed* seeds, int32_t capacity, int32_t& count, char* problem,
                     size_t problem_capacity);
