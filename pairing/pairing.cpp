#include "pairing/pairing.h"

#include <cmath>
#include <cstring>

#include "pairing/equal_positions.h"
#include "pairing/tolerant_partners.h"

int32_t FindPartners(const Model& original, const Model& matching, double tolerance, int32_t* partner,
                     uint8_t* ambiguous) {
    const int32_t n = matching.vertex_count;
    const int32_t m = original.vertex_count;
    if (!(tolerance >= 0) || !std::isfinite(tolerance)) return -1;
    if (n <= 0 || m <= 0 || !matching.vertices || !original.vertices) return 0;
    if (ambiguous) std::memset(ambiguous, 0, size_t(n));
    int32_t ran = tolerance > 0
                      ? FindTolerantPartners(original.vertices, m, matching.vertices, n, tolerance, partner, ambiguous)
                      : FindFirstEqualPositions(original.vertices, m, matching.vertices, n, partner);
    if (!ran) return -1;
    int32_t found = 0;
    for (int32_t i = 0; i < n; ++i) found += partner[i] >= 0 ? 1 : 0;
    return found;
}

int32_t CountFlags(const uint8_t* flags, int32_t count) {
    int32_t set = 0;
    for (int32_t i = 0; flags && i < count; ++i) set += flags[i] ? 1 : 0;
    return set;
}
