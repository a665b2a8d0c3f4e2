// Equal positions in linear time: a hash of each position's exact float bits.
//
// A single hash table over a million positions is far bigger than the
// processor's caches, and nearly every probe then waits on memory. So the
// positions are first partitioned by the top bits of their hash, each
// partition small enough for its own table to stay in the cache, and the
// table of one partition is built and probed before the next. Within a
// partition the table's vertices go in in index order and a position keeps
// the first index that claimed it: the lowest, as a plain scan would find.
#include "morph/equal_positions.h"

#include <cstring>

#include "morph/mix_hash.h"
#include "platform/block.h"

namespace {

// A position keyed by its coordinates' bit patterns, -0.0 folded onto +0.0.
struct KeyedPosition {
    uint32_t x, y, z;
    int32_t index;  // in its vertex table
};

struct Slot {
    uint32_t x, y, z;
    int32_t entry;  // table index + 1; 0 for a free slot
};

// At most this many positions a partition: its table, kept at most a
// quarter full so that a search seldom probes more than one slot whatever
// the partition's size, then takes at most a quarter of a megabyte.
constexpr uint32_t kPartitionTarget = 4096;

bool Fold(float value, uint32_t& bits) {
    if (value != value) return false;
    if (value == 0.0f) value = 0.0f;  // -0.0 becomes +0.0
    std::memcpy(&bits, &value, sizeof bits);
    return true;
}

bool Key(const Vertex& vertex, int32_t index, KeyedPosition& key) {
    key.index = index;
    return Fold(vertex.x, key.x) && Fold(vertex.y, key.y) && Fold(vertex.z, key.z);
}

uint32_t Hash(const KeyedPosition& key) { return uint32_t(MixHash(key.x, key.y, key.z)); }

// The positions of one vertex table without NaNs, grouped by partition (the
// top `bits` bits of the hash), each group in index order. Partition p holds
// keys[starts[p]] up to keys[ends[p]]; there may be unused room between.
struct Partitioned {
    KeyedPosition* keys = nullptr;
    uint32_t* starts = nullptr;
    uint32_t* ends = nullptr;

    ~Partitioned() {
        ReleaseBlock(keys);
        ReleaseBlock(starts);
        ReleaseBlock(ends);
    }

    bool Make(const Vertex* vertices, int32_t count, int bits) {
        uint32_t partitions = uint32_t(1) << bits;
        starts = AllocateUnclearedTable<uint32_t>(partitions);
        ends = AllocateUnclearedTable<uint32_t>(partitions);
        if (!starts || !ends) return false;
        auto partition_of = [bits](const KeyedPosition& key) { return bits ? Hash(key) >> (32 - bits) : 0u; };
        KeyedPosition key;

        // A hash spreads positions evenly, so one pass usually does: every
        // partition gets room for its even share and a quarter more. Only
        // when one outgrows it (many vertices at one position, say) are the
        // partitions counted first and the table taken again.
        uint64_t room = uint64_t(count) / partitions;
        room += room / 4 + 64;
        if (room * partitions <= UINT32_MAX) {
            keys = AllocateUnclearedTable<KeyedPosition>(size_t(room * partitions));  // read as far as written
            if (!keys) return false;
            for (uint32_t p = 0; p < partitions; ++p) starts[p] = ends[p] = uint32_t(p * room);
            int32_t i = 0;
            for (; i < count; ++i) {
                if (!Key(vertices[i], i, key)) continue;
                uint32_t p = partition_of(key);
                if (ends[p] - starts[p] == room) break;
                keys[ends[p]++] = key;
            }
            if (i == count) return true;
            ReleaseBlock(keys);
        }

        keys = AllocateUnclearedTable<KeyedPosition>(count > 0 ? size_t(count) : 1);
        if (!keys) return false;
        for (uint32_t p = 0; p < partitions; ++p) ends[p] = 0;
        for (int32_t i = 0; i < count; ++i) {
            if (Key(vertices[i], i, key)) ++ends[partition_of(key)];
        }
        uint32_t at = 0;
        for (uint32_t p = 0; p < partitions; ++p) {
            starts[p] = at;
            at += ends[p];
            ends[p] = starts[p];
        }
        for (int32_t i = 0; i < count; ++i) {
            if (Key(vertices[i], i, key)) keys[ends[partition_of(key)]++] = key;
        }
        return true;
    }
};

// Finds `key` in the table; when absent and `claim` is set, stores it.
// Returns the index stored for the position, or -1.
int32_t FindOrClaim(Slot* slots, uint32_t mask, const KeyedPosition& key, bool claim) {
    for (uint32_t s = Hash(key) & mask;; s = (s + 1) & mask) {
        Slot& slot = slots[s];
        if (slot.entry == 0) {
            if (claim) slot = {key.x, key.y, key.z, key.index + 1};
            return claim ? key.index : -1;
        }
        if (slot.x == key.x && slot.y == key.y && slot.z == key.z) return slot.entry - 1;
    }
}

}  // namespace

int32_t FindFirstEqualPositions(const Vertex* table, int32_t count, const Vertex* queries, int32_t query_count,
                                int32_t* first) {
    if (count < 0 || query_count < 0 || (count > 0 && !table) || (query_count > 0 && (!queries || !first))) return 0;
    int bits = 0;
    while (bits < 16 && (uint64_t(count) >> bits) > kPartitionTarget) ++bits;

    Partitioned known;
    if (!known.Make(table, count, bits)) return 0;
    Partitioned asked;
    const Partitioned* questions = &known;
    if (queries != table || query_count != count) {
        if (!asked.Make(queries, query_count, bits)) return 0;
        questions = &asked;
    }

    // One block, sized for the largest partition, holds each partition's
    // table in turn; a table takes the part it needs.
    uint32_t partitions = uint32_t(1) << bits;
    uint32_t largest = 0;
    for (uint32_t p = 0; p < partitions; ++p) {
        uint32_t size = known.ends[p] - known.starts[p];
        if (size > largest) largest = size;
    }
    auto capacity_for = [](uint32_t size) {
        uint64_t capacity = 16;
        while (capacity < uint64_t(size) * 4) capacity <<= 1;
        return capacity;
    };
    if (capacity_for(largest) > (uint64_t(1) << 32)) return 0;  // beyond a 32-bit slot mask
    Slot* slots = AllocateUnclearedTable<Slot>(size_t(capacity_for(largest)));  // cleared per partition
    if (!slots) return 0;

    for (int32_t i = 0; i < query_count; ++i) first[i] = -1;  // NaNs are in no partition
    for (uint32_t p = 0; p < partitions; ++p) {
        uint32_t begin = known.starts[p], end = known.ends[p];
        uint64_t capacity = capacity_for(end - begin);
        std::memset(slots, 0, size_t(capacity) * sizeof *slots);
        uint32_t mask = uint32_t(capacity - 1);
        for (uint32_t k = begin; k < end; ++k) FindOrClaim(slots, mask, known.keys[k], true);
        for (uint32_t k = questions->starts[p]; k < questions->ends[p]; ++k) {
            const KeyedPosition& key = questions->keys[k];
            first[key.index] = FindOrClaim(slots, mask, key, false);
        }
    }
    ReleaseBlock(slots);
    return 1;
}
