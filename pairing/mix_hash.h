#pragma once
// One 64-bit hash of three 64-bit words, for the position and cell tables:
// each word multiplied by its own odd constant, then the bits mixed so that
// the low bits (the slot) and the high bits (the partition) both depend on
// all three.
#include <cstdint>

inline uint64_t MixHash(uint64_t x, uint64_t y, uint64_t z) {
    uint64_t h = (x * 0x9E3779B97F4A7C15ull) ^ (y * 0xC2B2AE3D27D4EB4Full) ^ (z * 0x165667B19E3779F9ull);
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 32;
    return h;
}
