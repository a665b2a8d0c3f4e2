// Strict on purpose: a seed read wrongly pairs the whole part wrongly, so
// anything but six plain whole numbers is refused before a file is loaded.
#include "cli/seed_option.h"

#include <charconv>
#include <cstdio>
#include <cstring>

namespace {

constexpr char kSeedForm[] = "O1,O2,O3=S1,S2,S3 (three vertices of one original face, then their counterparts)";

// Reads three numbers separated by commas from [p, end) into 0-based vertices.
bool ReadSide(const char* p, const char* end, int32_t vertices[3], const char* text, char* problem, size_t capacity) {
    for (int32_t i = 0; i < 3; ++i) {
        const char* comma = static_cast<const char*>(std::memchr(p, ',', size_t(end - p)));
        const char* stop = i < 2 ? comma : end;
        if (i < 2 ? !comma : comma != nullptr) {
            std::snprintf(problem, capacity, "--seed %.60s: each side of '=' takes three vertex numbers", text);
            return false;
        }
        int32_t number = 0;
        auto [last, error] = std::from_chars(p, stop, number);
        bool digits = p < stop && *p >= '0' && *p <= '9' && last == stop;
        if (!digits || error != std::errc() || number < 1) {
            const char* why = error == std::errc::result_out_of_range ? "is too large"
                              : digits && number < 1                   ? "is not a vertex number (they start at 1)"
                                                                       : "is not a vertex number";
            std::snprintf(problem, capacity, "--seed %.60s: \"%.*s\" %s", text, int(stop - p > 20 ? 20 : stop - p), p,
                          why);
            return false;
        }
        vertices[i] = number - 1;
        p = stop + 1;
    }
    for (int32_t i = 0; i < 3; ++i) {
        if (vertices[i] != vertices[(i + 1) % 3]) continue;
        std::snprintf(problem, capacity, "--seed %.60s: vertex %d is named twice on one side", text, vertices[i] + 1);
        return false;
    }
    return true;
}

}  // namespace

int32_t ParseSeedText(const char* text, TopologySeed& seed, char* problem, size_t capacity) {
    const char* equals = std::strchr(text, '=');
    if (!equals || std::strchr(equals + 1, '=')) {
        std::snprintf(problem, capacity, "--seed %.60s: expected %s", text, kSeedForm);
        return 0;
    }
    bool read = ReadSide(text, equals, seed.original, text, problem, capacity) &&
                ReadSide(equals + 1, equals + std::strlen(equals), seed.shape, text, problem, capacity);
    return read ? 1 : 0;
}

int32_t CollectSeeds(const Arguments& arguments, TopologySeed* seeds, int32_t capacity, int32_t& count, char* problem,
                     size_t problem_capacity) {
    count = 0;
    for (int k = 0; k < arguments.option_count; ++k) {
        if (std::strcmp(arguments.option_names[k], "--seed") != 0) continue;
        if (count == capacity) {
            std::snprintf(problem, problem_capacity, "too many --seed options (at most %d)", capacity);
            return 0;
        }
        if (!ParseSeedText(arguments.option_values[k], seeds[count++], problem, problem_capacity)) return 0;
    }
    return 1;
}
