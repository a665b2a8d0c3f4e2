// Equal positions in linear time: a hash of each position's exact float bits.
//
// A single hash table over a million positions is far bigger than the
// processor's caches, and nearly every probe then waits on memory; so does
// every answer written straight to its query's entry. So both vertex sets
// are partitioned by the top bits of their hash (a counting pass, then a
// scatter into one array, each partition in index order), and each
// partition's table, small enough to stay in the cache, is built and probed
// before the next. The answers stay beside the query keys, in partition
// order; one walk over the queries in index order then takes each query's
// answer from the front of its partition, so `first` is written front to
// back. Within a partition the table's vertices go in in index order and a
// position keeps the first index that claimed it: the lowest, as a plain
// scan would find. With threads, the two vertex sets are partitioned at
// once, and each thread searches a run of partitions in a table block of
// its own; the answers are the same.
#include "pairing/equal_positions.h"

#include <cstring>

#include "pairing/mix_hash.h"
#include "platform/block.h"
#include "platform/hash_table.h"
#include "platform/parallel.h"

namespace {

// A position keyed by its coordinates' bit patterns, -0.0 folded onto +0.0.
// Once its partition has been searched, a query key's `index` holds the
// answer instead.
struct KeyedPosition {
    uint32_t x, y, z;
    int32_t index;
};

struct Slot {
    uint32_t x, y, z;
    int32_t entry;  // table index + 1; 0 for a free slot
};

struct SlotTraits {
    static bool IsEmpty(const Slot& slot) { return slot.entry == 0; }
    static bool Matches(const Slot& slot, const KeyedPosition& key) {
        return slot.x == key.x && slot.y == key.y && slot.z == key.z;
    }
};

using PositionTable = HashTable<Slot, SlotTraits>;

// At most this many table positions a partition: its table, kept at most a
// quarter full so that a search seldom probes more than one slot whatever
// the partition's size, then takes a quarter of a megabyte. Below this many
// there is a single partition and no partitioning at all.
constexpr uint32_t kPartitionTarget = 4096;
// Answers to at most this many queries (4 MB) are written where they go as
// they are found; beyond, those writes would each be a trip to memory.
constexpr int32_t kAnsweredDirectly = int32_t(1) << 20;
// Every partition is a stream the scatter writes to; beyond about a
// thousand of them their open cache lines and pages no longer stay at hand
// and the scatter slows down more than larger tables in fewer partitions
// (which still fit the larger caches) do.
constexpr int kMostPartitionBits = 10;

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

uint32_t PartitionOf(const KeyedPosition& key, int bits) { return bits ? Hash(key) >> (32 - bits) : 0u; }

// The positions of one vertex table without NaNs, grouped by partition,
// each group in index order: partition p is keys[starts[p]] up to
// keys[starts[p + 1]].
struct Partitioned {
    KeyedPosition* keys = nullptr;
    uint32_t* starts = nullptr;

    ~Partitioned() {
        ReleaseBlock(keys);
        ReleaseBlock(starts);
    }

    bool Make(const Vertex* vertices, int32_t count, int bits) {
        uint32_t partitions = uint32_t(1) << bits;
        starts = AllocateTable<uint32_t>(size_t(partitions) + 1);
        keys = AllocateUnclearedTable<KeyedPosition>(count > 0 ? size_t(count) : 1);  // read as far as written
        if (!starts || !keys) return false;
        KeyedPosition key;
        for (int32_t i = 0; i < count; ++i) {
            if (Key(vertices[i], i, key)) ++starts[PartitionOf(key, bits) + 1];
        }
        for (uint32_t p = 0; p < partitions; ++p) starts[p + 1] += starts[p];
        // starts[p] serves as partition p's fill cursor and ends at its end,
        // where partition p + 1 starts: shifting them back restores the starts.
        for (int32_t i = 0; i < count; ++i) {
            if (Key(vertices[i], i, key)) keys[starts[PartitionOf(key, bits)]++] = key;
        }
        std::memmove(starts + 1, starts, size_t(partitions) * sizeof *starts);
        starts[0] = 0;
        return true;
    }

    uint32_t Size(uint32_t p) const { return starts[p + 1] - starts[p]; }
};

// Stores `key` unless its position is in the table already, and returns the
// index stored for its position.
inline int32_t Claim(PositionTable table, const KeyedPosition& key) {
    Slot* slot = table.Place(key, Hash(key));
    if (slot->entry != 0) return slot->entry - 1;
    *slot = {key.x, key.y, key.z, key.index + 1};
    return key.index;
}

// The index stored for the position of `key`, or -1.
inline int32_t Find(PositionTable table, const KeyedPosition& key) {
    const Slot* slot = table.Find(key, Hash(key));
    return slot ? slot->entry - 1 : -1;
}

uint64_t CapacityFor(uint32_t size) { return HashCapacity(size, 4); }

// The table of one partition, built in `slots` (cleared here), answers the
// queries of the same partition in place. When queries are the table
// itself, each key claims its position as it comes, in index order, and
// learns from the claim the lowest index at its position: one probe a key.
// With `first` given the answers go straight to their queries' entries.
void SearchPartition(Slot* slots, const KeyedPosition* table, uint32_t table_size, KeyedPosition* queries,
                     uint32_t query_size, int32_t* first) {
    uint64_t capacity = CapacityFor(table_size);
    std::memset(slots, 0, size_t(capacity) * sizeof *slots);
    const PositionTable positions{slots, capacity - 1};
    if (queries == table) {
        for (uint32_t k = 0; k < query_size; ++k) {
            int32_t answer = Claim(positions, queries[k]);
            (first ? first[queries[k].index] : queries[k].index) = answer;
        }
        return;
    }
    for (uint32_t k = 0; k < table_size; ++k) Claim(positions, table[k]);
    if (first) {
        for (uint32_t k = 0; k < query_size; ++k) first[queries[k].index] = Find(positions, queries[k]);
    } else {
        for (uint32_t k = 0; k < query_size; ++k) queries[k].index = Find(positions, queries[k]);
    }
}

// Most threads a search uses: beyond a few, the memory does not keep up.
constexpr int32_t kMostSearchThreads = 4;

// Searches partitions [begin, end) of `known` for the queries of the same
// partitions of `asked`, in a table block sized for `largest`: 1, or 0 when
// that block can't be had.
int32_t SearchPartitions(const Partitioned& known, Partitioned& asked, uint32_t begin, uint32_t end, uint32_t largest,
                         int32_t* direct) {
    ScopedBlock<Slot> slots(AllocateUnclearedTable<Slot>(size_t(CapacityFor(largest))));  // cleared per partition
    if (!slots.Get()) return 0;
    for (uint32_t p = begin; p < end; ++p) {
        SearchPartition(slots.Get(), known.keys + known.starts[p], known.Size(p), asked.keys + asked.starts[p],
                        asked.Size(p), direct);
    }
    return 1;
}

// Without partitions: one table over the whole vertex table, the queries
// answered straight into `first`.
int32_t SearchWhole(const Vertex* table, int32_t count, const Vertex* queries, int32_t query_count,
                    int32_t* first) {
    uint64_t capacity = CapacityFor(uint32_t(count));
    ScopedBlock<Slot> slots(AllocateTable<Slot>(size_t(capacity)));
    if (!slots.Get()) return 0;
    const PositionTable positions{slots.Get(), capacity - 1};
    KeyedPosition key;
    for (int32_t j = 0; j < count; ++j) {
        if (Key(table[j], j, key)) Claim(positions, key);
    }
    for (int32_t i = 0; i < query_count; ++i) first[i] = Key(queries[i], i, key) ? Find(positions, key) : -1;
    return 1;
}

}  // namespace

int32_t FindFirstEqualPositionsInPartitions(const Vertex* table, int32_t count, const Vertex* queries,
                                            int32_t query_count, int32_t* first, int bits, bool answers_in_order,
                                            int32_t threads) {
    if (count < 0 || query_count < 0 || bits < 0 || bits > 24 || (count > 0 && !table) ||
        (query_count > 0 && (!queries || !first)))
        return 0;
    if (bits == 0) return SearchWhole(table, count, queries, query_count, first);
    if (threads > kMostSearchThreads) threads = kMostSearchThreads;
    if (threads < 1) threads = 1;

    Partitioned known;
    Partitioned asked;
    const bool apart = queries != table || query_count != count;
    bool made[2] = {false, !apart};
    RunInParallel(apart ? 2 : 1, threads, [&](int32_t k) {
        made[k] = k == 0 ? known.Make(table, count, bits) : asked.Make(queries, query_count, bits);
    });
    if (!made[0] || !made[1]) return 0;
    Partitioned* questions = apart ? &asked : &known;

    // Each run of partitions has one block, sized for the largest partition,
    // that holds each partition's table in turn.
    uint32_t partitions = uint32_t(1) << bits;
    uint32_t largest = 0;
    for (uint32_t p = 0; p < partitions; ++p) {
        if (known.Size(p) > largest) largest = known.Size(p);
    }
    if (CapacityFor(largest) > (uint64_t(1) << 32)) return 0;  // beyond what a 32-bit hash reaches
    int32_t* direct = answers_in_order ? nullptr : first;
    if (direct) {
        for (int32_t i = 0; i < query_count; ++i) first[i] = -1;  // NaNs are in no partition
    }
    const uint32_t runs = partitions < uint32_t(threads) ? partitions : uint32_t(threads);
    int32_t searched[kMostSearchThreads] = {};
    RunInParallel(int32_t(runs), threads, [&](int32_t r) {
        uint32_t begin = uint32_t(uint64_t(partitions) * uint32_t(r) / runs);
        uint32_t end = uint32_t(uint64_t(partitions) * uint32_t(r + 1) / runs);
        searched[r] = SearchPartitions(known, *questions, begin, end, largest, direct);
    });
    for (uint32_t r = 0; r < runs; ++r) {
        if (!searched[r]) return 0;
    }
    if (direct) return 1;

    // Each partition's answers are in the index order of its queries, so the
    // queries in index order take them from the partitions' fronts.
    uint32_t* front = questions->starts;
    KeyedPosition key;
    for (int32_t i = 0; i < query_count; ++i) {
        first[i] = Key(queries[i], i, key) ? questions->keys[front[PartitionOf(key, bits)]++].index : -1;
    }
    return 1;
}

int32_t FindFirstEqualPositions(const Vertex* table, int32_t count, const Vertex* queries, int32_t query_count,
                                int32_t* first, int32_t threads) {
    int bits = 0;
    while (bits < kMostPartitionBits && (uint64_t(count) >> bits) > kPartitionTarget) ++bits;
    // Answers for queries few enough to stay in the cache are written where
    // they go as they are found; more of them go back in index order.
    return FindFirstEqualPositionsInPartitions(table, count, queries, query_count, first, bits,
                                               query_count > kAnsweredDirectly, threads);
}
