#pragma once
// A flat open-addressing index of vertex positions, for matching and the
// duplicate count.
//
// Positions are keyed by their exact 32-bit float value with -0.0 folded onto
// +0.0, so two keys are the same exactly when the positions are equal under
// IEEE comparison. A position with a NaN coordinate equals nothing and is
// never put into the index; looking it up finds nothing. Each key is stored
// once, with the index of the vertex that first claimed it, so a lookup gives
// the lowest-indexed vertex at that position when the vertices were added in
// table order.
#include <cstdint>
#include <cstring>

#include "model/block.h"
#include "model/records.h"

struct PositionSlot {
    uint32_t x, y, z;  // folded bit patterns of the key
    int32_t entry;     // vertex index + 1; 0 for a free slot
};

struct PositionIndex {
    PositionSlot* slots = nullptr;
    uint32_t mask = 0;  // capacity - 1; the capacity is a power of two

    PositionIndex() = default;
    PositionIndex(const PositionIndex&) = delete;
    PositionIndex& operator=(const PositionIndex&) = delete;
    ~PositionIndex() { ReleaseBlock(slots); }
};

// Two positions are equal when x, y and z each compare equal as floats.
inline bool PositionsEqual(const Vertex& a, const Vertex& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// The folded key of one coordinate; false for a NaN.
inline bool FoldCoordinate(float value, uint32_t& bits) {
    if (value != value) return false;
    if (value == 0.0f) value = 0.0f;  // -0.0 becomes +0.0
    std::memcpy(&bits, &value, sizeof bits);
    return true;
}

// Room for `count` positions at a load of at most one half. Returns 0 when
// the table can't be had.
inline int32_t CreatePositionIndex(PositionIndex& index, int32_t count) {
    uint64_t capacity = 16;
    while (capacity < uint64_t(count) * 2) capacity <<= 1;
    if (capacity > (uint64_t(1) << 31)) return 0;
    index.slots = AllocateTable<PositionSlot>(size_t(capacity));
    if (!index.slots) return 0;
    index.mask = uint32_t(capacity - 1);
    return 1;
}

inline uint32_t HashPosition(uint32_t x, uint32_t y, uint32_t z) {
    uint64_t h = (uint64_t(x) * 0x9E3779B97F4A7C15ull) ^ (uint64_t(y) * 0xC2B2AE3D27D4EB4Full) ^
                 (uint64_t(z) * 0x165667B19E3779F9ull);
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 32;
    return uint32_t(h);
}

// Asks the memory system for the slot where the search for `vertex` starts,
// so that a loop can look some vertices ahead.
inline void PrefetchPosition(const PositionIndex& index, const Vertex& vertex) {
    uint32_t x, y, z;
    if (!FoldCoordinate(vertex.x, x) || !FoldCoordinate(vertex.y, y) || !FoldCoordinate(vertex.z, z)) return;
#if defined(__GNUC__)
    __builtin_prefetch(&index.slots[HashPosition(x, y, z) & index.mask]);
#endif
}

// How far ahead the loops over a table prefetch.
constexpr int32_t kPrefetchDistance = 16;

// Finds the position of `vertex`; when it is absent and `claim` is 1, stores
// it with `vertex_index`. Returns the index stored for the position (the
// earlier claimant when present), or -1 when it is absent (or has a NaN).
inline int32_t FindPosition(PositionIndex& index, const Vertex& vertex, int32_t vertex_index, int claim) {
    uint32_t x, y, z;
    if (!FoldCoordinate(vertex.x, x) || !FoldCoordinate(vertex.y, y) || !FoldCoordinate(vertex.z, z)) return -1;
    uint32_t slot = HashPosition(x, y, z) & index.mask;
    for (;;) {
        PositionSlot& s = index.slots[slot];
        if (s.entry == 0) {
            if (claim) {
                s.x = x;
                s.y = y;
                s.z = z;
                s.entry = vertex_index + 1;
            }
            return -1;
        }
        if (s.x == x && s.y == y && s.z == z) return s.entry - 1;
        slot = (slot + 1) & index.mask;
    }
}
