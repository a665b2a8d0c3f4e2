#include "app/matching_choice.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

const char kAutomaticDistance[] = "Automatic";

namespace {

// The distance without the spaces around it.
void TrimmedDistance(const char* typed, const char*& begin, const char*& end) {
    begin = typed;
    end = typed + std::strlen(typed);
    while (begin < end && (*begin == ' ' || *begin == '\t')) ++begin;
    while (end > begin && (end[-1] == ' ' || end[-1] == '\t')) --end;
}

bool IsAutomatic(const char* begin, const char* end) {
    const size_t length = size_t(end - begin);
    if (length == 0) return true;
    if (length != sizeof kAutomaticDistance - 1) return false;
    for (size_t k = 0; k < length; ++k)
        if ((begin[k] | 0x20) != (kAutomaticDistance[k] | 0x20)) return false;
    return true;
}

}  // namespace

int32_t ChoiceOptions(const MatchingChoice& choice, ConvertOptions& options, char* problem) {
    double tolerance = 0;
    bool automatic = false;
    if (choice.way == MatchingWay::kSmallDifferences) {
        const char* begin = nullptr;
        const char* end = nullptr;
        TrimmedDistance(choice.distance, begin, end);
        automatic = IsAutomatic(begin, end);
        if (!automatic) {
            auto read = std::from_chars(begin, end, tolerance);
            if (read.ec != std::errc() || read.ptr != end || !std::isfinite(tolerance) || tolerance < 0) {
                std::snprintf(problem, kMessageCapacity,
                              "\"Allow small differences\" takes a distance of 0 or more (model units), or "
                              "Automatic:\r\n\r\n\"%s\"\r\n",
                              choice.distance);
                return 0;
            }
        }
    }
    options.tolerance = tolerance;
    options.automatic_tolerance = automatic;
    options.by_topology = choice.way == MatchingWay::kConnectivity;
    options.allow_count_change = choice.count_change;
    return 1;
}
