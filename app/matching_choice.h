#pragma once
// The Matching group of the main window: how Convert pairs the two files,
// as the user chose it, and the options of the operation that it stands for.
#include <cstdint>

#include "morph/convert.h"

enum class MatchingWay : int32_t { kExact = 0, kSmallDifferences = 1, kConnectivity = 2 };

constexpr int32_t kDistanceCapacity = 32;
extern const char kAutomaticDistance[];  // "Automatic"

struct MatchingChoice {
    MatchingWay way = MatchingWay::kExact;
    char distance[kDistanceCapacity] = "Automatic";  // of small differences: Automatic or a number
    bool count_change = false;                        // the copy may split or weld vertices
};

// Sets the pairing part of `options` (tolerance, automatic tolerance, by
// topology, count change) for the choice and returns 1; returns 0, with
// options unchanged and the problem in `problem` (kMessageCapacity bytes),
// when small differences are chosen with a distance that is neither
// Automatic (any letter case; also an empty box) nor a number of 0 or more.
int32_t ChoiceOptions(const MatchingChoice& choice, ConvertOptions& options, char* problem);
