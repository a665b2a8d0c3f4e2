// Partners within a tolerance in linear time: a uniform grid over the table.
//
// The cells are several tolerances wide, so the box of half-width tolerance
// around a query touches at most two cells along each axis and mostly one:
// cells one tolerance wide would need twenty-seven lookups a query. The
// table vertices are bucketed by a hash of the integer cell coordinates,
// with a counting sort into one array, in index order within each bucket.
//
// Far from the origin a cell index would overflow, but there the floats
// along that axis lie further apart than the tolerance, so only an equal
// coordinate can be within it: such a coordinate is keyed by its own bits
// and a query looks in that one cell along the axis.
//
// The grid holds each position once, as its lowest table vertex: the others
// there are never nearer and never lower. A query whose cells still hold
// many positions (a dense cluster, or a tolerance far above the mesh's
// spacing) asks a k-d tree of all the positions instead, which answers
// without testing each: every search then costs O(log n) or so, not the
// cluster's size.
#include "pairing/tolerant_partners.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/block.h"
#include "platform/hash_table.h"
#include "pairing/box_tree.h"
#include "pairing/equal_positions.h"
#include "pairing/mix_hash.h"

namespace {

struct CellKey {
    int64_t x, y, z;
};

using Member = TreePoint;  // index: in the table

// A bucket of the grid: the vertices of every cell whose key hashes to
// `hash`, members[begin] up to members[end]. Cells are told apart by hash
// alone: two cells sharing a bucket only give the search a few more
// vertices to test, and it tests every vertex's distance anyway.
struct Slot {
    uint64_t hash;
    uint32_t begin, end;  // equal for a free slot; while filling, begin is 0 and end counts
};

struct SlotTraits {
    static bool IsEmpty(const Slot& slot) { return slot.end == slot.begin; }
    static bool Matches(const Slot& slot, uint64_t hash) { return slot.hash == hash; }
};

// Cells this many tolerances wide: a query's box then stays inside one cell
// along an axis three times in four, so it looks in two cells on average
// rather than eight, while a cell still holds few vertices of any mesh
// whose vertices lie further apart than the tolerance.
constexpr double kCellWidth = 8;

// Cell indices from here on are keyed by their float bits instead: that far
// out, neighbouring floats lie more than 2^16 cells apart.
constexpr double kNearLimit = 0x1p40;
constexpr int64_t kFarKey = int64_t(1) << 42;

bool HasNaN(float x, float y, float z) { return x != x || y != y || z != z; }

int64_t FloorClamped(double t) {
    if (!(t > -kNearLimit - 4)) return int64_t(-kNearLimit) - 4;  // also a NaN
    if (!(t < kNearLimit + 4)) return int64_t(kNearLimit) + 4;
    return int64_t(std::floor(t));
}

bool IsFar(float value, double inverse) {
    double t = double(value) * inverse;
    return !(t > -kNearLimit && t < kNearLimit);
}

int64_t AxisCell(float value, double inverse) {
    if (!IsFar(value, inverse)) return int64_t(std::floor(double(value) * inverse));
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return value > 0 ? kFarKey + bits : -kFarKey - int64_t(bits);
}

uint64_t Hash(const CellKey& key) { return MixHash(uint64_t(key.x), uint64_t(key.y), uint64_t(key.z)); }

struct Grid {
    double inverse = 0;  // 1 / cell width
    HashTable<Slot, SlotTraits> buckets;  // its slots in slot order are the buckets' order in `members`
    Member* members = nullptr;

    ~Grid() {
        ReleaseBlock(buckets.slots);
        ReleaseBlock(members);
    }

    uint64_t HashOf(float x, float y, float z) const {
        return Hash({AxisCell(x, inverse), AxisCell(y, inverse), AxisCell(z, inverse)});
    }

    // The slot of `hash`: its bucket, or the free slot where it would go.
    uint32_t Find(uint64_t hash) const { return uint32_t(buckets.Place(hash, hash) - buckets.slots); }

    // A tree of every position, made when some bucket holds more than
    // kDenseBucket of them.
    BoxTree tree;
    bool dense = false;

    bool Build(const Vertex* table, int32_t count, double tolerance);
    void Fill(const Vertex* table, int32_t count, const int32_t* first, uint32_t* slot_of);
};

// Buckets up to this size are scanned; a query meeting a larger one asks
// the tree. A scan of this many costs about what a tree search does.
constexpr uint32_t kDenseBucket = 48;

bool Grid::Build(const Vertex* table, int32_t count, double tolerance) {
    // Below the smallest float spacing every tolerance pairs equal floats only.
    double width = kCellWidth * (tolerance > 0x1p-149 ? tolerance : 0x1p-149);
    inverse = 1 / width;  // 0 for a width beyond the double range: one cell then
    uint64_t capacity = HashCapacity(uint64_t(count), 2);
    if (capacity == 0 || capacity > (uint64_t(1) << 31)) return false;
    buckets.mask = capacity - 1;
    size_t records = count > 0 ? size_t(count) : 1;
    buckets.slots = AllocateTable<Slot>(size_t(capacity));
    members = AllocateUnclearedTable<Member>(records);
    ScopedBlock<uint32_t> slot_of(AllocateUnclearedTable<uint32_t>(records));
    ScopedBlock<int32_t> first(AllocateUnclearedTable<int32_t>(records));
    if (!buckets.slots || !members || !slot_of.Get() || !first.Get() ||
        !FindFirstEqualPositions(table, count, table, count, first.Get()))
        return false;
    Fill(table, count, first.Get(), slot_of.Get());
    uint32_t stored = 0;
    for (uint32_t s = 0; s <= buckets.mask; ++s) {
        const Slot& slot = buckets.slots[s];
        dense = dense || slot.end - slot.begin > kDenseBucket;
        stored = slot.end > stored ? slot.end : stored;
    }
    return !dense || tree.Build(members, int32_t(stored));
}

// The counting sort: each vertex's bucket and the buckets' sizes, then the
// buckets' starts, then every vertex into its bucket in index order.
void Grid::Fill(const Vertex* table, int32_t count, const int32_t* first, uint32_t* slot_of) {
    for (int32_t k = 0; k < count; ++k) {
        const Vertex& v = table[k];
        slot_of[k] = UINT32_MAX;
        if (first[k] != k) continue;  // a NaN (-1), or a position held already
        uint64_t hash = HashOf(v.x, v.y, v.z);
        uint32_t s = Find(hash);
        buckets.slots[s].hash = hash;
        ++buckets.slots[s].end;
        slot_of[k] = s;
    }
    uint32_t at = 0;
    for (uint32_t s = 0; s <= buckets.mask; ++s) {
        uint32_t size = buckets.slots[s].end;
        buckets.slots[s].begin = buckets.slots[s].end = at;
        at += size;
    }
    for (int32_t k = 0; k < count; ++k) {
        if (slot_of[k] == UINT32_MAX) continue;
        const Vertex& v = table[k];
        members[buckets.slots[slot_of[k]].end++] = {v.x, v.y, v.z, k};
    }
}

// The partner search of one query: the nearest table vertex so far and the
// first one met within the tolerance, to tell another position from it.
struct Search {
    float x, y, z;
    double tolerance;
    int32_t best = -1;
    double best_distance = 0;
    const Member* seen = nullptr;
    bool ambiguous = false;

    // Signed difference along one axis, 0 for equal values (infinities too);
    // false when it is beyond the tolerance or a NaN.
    bool Offset(float a, float b, double& offset) const {
        offset = a == b ? 0.0 : double(a) - double(b);
        return std::fabs(offset) <= tolerance;
    }

    void Consider(const Member& o) {
        double dx, dy, dz;
        if (!Offset(o.x, x, dx) || !Offset(o.y, y, dy) || !Offset(o.z, z, dz)) return;
        if (!seen) {
            seen = &o;
        } else if (!ambiguous) {
            ambiguous = !(o.x == seen->x && o.y == seen->y && o.z == seen->z);
        }
        double distance = dx * dx + dy * dy + dz * dz;
        if (best < 0 || distance < best_distance || (distance == best_distance && o.index < best)) {
            best = o.index;
            best_distance = distance;
        }
    }
};

// The cells the query's box touches along one axis.
void AxisRange(float value, double tolerance, double inverse, int64_t& low, int64_t& high) {
    if (IsFar(value, inverse) || inverse == 0) {  // one cell along the axis
        low = high = AxisCell(value, inverse);
        return;
    }
    // A hair wider than the box, so that rounding never loses a cell.
    double reach = tolerance + tolerance * 0x1p-20;
    low = FloorClamped((double(value) - reach) * inverse);
    high = FloorClamped((double(value) + reach) * inverse);
}

// Calls visit(bucket) for the bucket of every cell the query's box touches
// (at most two along each axis) until it returns false; false then.
template <typename Visit>
bool ForEachTouchedBucket(const Grid& grid, const Search& search, Visit visit) {
    int64_t low[3], high[3];
    AxisRange(search.x, search.tolerance, grid.inverse, low[0], high[0]);
    AxisRange(search.y, search.tolerance, grid.inverse, low[1], high[1]);
    AxisRange(search.z, search.tolerance, grid.inverse, low[2], high[2]);
    for (int64_t cx = low[0]; cx <= high[0]; ++cx) {
        for (int64_t cy = low[1]; cy <= high[1]; ++cy) {
            for (int64_t cz = low[2]; cz <= high[2]; ++cz) {
                const uint64_t hash = Hash({cx, cy, cz});
                if (!visit(*grid.buckets.Place(hash, hash))) return false;
            }
        }
    }
    return true;
}

// Searches the buckets, or returns false, searching nothing, when one of
// them is dense: the query is then the tree's.
bool SearchCells(const Grid& grid, Search& search) {
    auto sparse = [](const Slot& slot) { return slot.end - slot.begin <= kDenseBucket; };
    if (grid.dense && !ForEachTouchedBucket(grid, search, sparse)) return false;
    ForEachTouchedBucket(grid, search, [&](const Slot& slot) {
        for (uint32_t k = slot.begin; k < slot.end; ++k) search.Consider(grid.members[k]);
        return true;
    });
    return true;
}

// 21 bits of each coordinate's place in [low, high], interleaved: queries
// sorted by it follow one another through the space, and so through the
// tree, whose nodes then stay in the cache from one query to the next.
uint64_t SpaceKey(const Vertex& v, const float low[3], const float high[3]) {
    uint64_t key = 0;
    const float values[3] = {v.x, v.y, v.z};
    uint32_t cells[3];
    for (int a = 0; a < 3; ++a) {
        double span = double(high[a]) - double(low[a]);
        double t = span > 0 ? (double(values[a]) - double(low[a])) / span : 0;
        t = t > 0 ? (t < 1 ? t : 1) : 0;  // infinities to the box's faces
        cells[a] = uint32_t(t * double((1u << 21) - 1));
    }
    for (int bit = 20; bit >= 0; --bit) {
        for (int a = 0; a < 3; ++a) key = key << 1 | ((cells[a] >> bit) & 1u);
    }
    return key;
}

struct Deferred {
    uint64_t key;
    int32_t query;
};

// The queries the tree answers, in the order of their space keys.
// `equal`: for each query, the lowest table vertex at its position, or -1.
int32_t SearchTree(const Grid& grid, const Vertex* queries, Deferred* deferred, int32_t count, const int32_t* equal,
                   double tolerance, int32_t* partner, uint8_t* ambiguous) {
    float low[3] = {INFINITY, INFINITY, INFINITY}, high[3] = {-INFINITY, -INFINITY, -INFINITY};
    for (int32_t k = 0; k < count; ++k) {
        const Vertex& v = queries[deferred[k].query];
        const float values[3] = {v.x, v.y, v.z};
        for (int a = 0; a < 3; ++a) {
            if (std::isinf(values[a])) continue;
            low[a] = std::min(low[a], values[a]);
            high[a] = std::max(high[a], values[a]);
        }
    }
    for (int32_t k = 0; k < count; ++k) deferred[k].key = SpaceKey(queries[deferred[k].query], low, high);
    std::sort(deferred, deferred + count, [](const Deferred& a, const Deferred& b) { return a.key < b.key; });
    for (int32_t k = 0; k < count; ++k) {
        const int32_t i = deferred[k].query;
        const Vertex& q = queries[i];
        bool unsure = false;
        partner[i] = grid.tree.Nearest(q.x, q.y, q.z, tolerance, unsure, equal[i]);
        if (ambiguous) ambiguous[i] = unsure ? 1 : 0;
    }
    return 1;
}

}  // namespace

int32_t FindTolerantPartners(const Vertex* table, int32_t count, const Vertex* queries, int32_t query_count,
                             double tolerance, int32_t* partner, uint8_t* ambiguous) {
    if (!(tolerance > 0 && tolerance <= 1.7976931348623157e308)) return 0;
    if (count < 0 || query_count < 0 || (count > 0 && !table) || (query_count > 0 && (!queries || !partner))) return 0;
    Grid grid;
    if (!grid.Build(table, count, tolerance)) return 0;
    // With dense buckets, the queries at a table position take it at once
    // (distance 0 is the nearest), and the tree only counts their box.
    ScopedBlock<int32_t> equal;
    ScopedBlock<Deferred> deferred;
    int32_t deferred_count = 0;
    if (grid.dense) {
        size_t records = query_count > 0 ? size_t(query_count) : 1;
        equal.Reset(AllocateUnclearedTable<int32_t>(records));
        deferred.Reset(AllocateUnclearedTable<Deferred>(records));
        if (!equal.Get() || !deferred.Get() || !FindFirstEqualPositions(table, count, queries, query_count, equal.Get()))
            return 0;
    }
    // Queries come in any order, so nearly every bucket is a trip to memory:
    // the bucket of a query's own cell is fetched a few queries ahead.
    constexpr int32_t kAhead = 16;
    for (int32_t i = 0; i < query_count; ++i) {
        if (i + kAhead < query_count) {
            const Vertex& next = queries[i + kAhead];
            __builtin_prefetch(grid.buckets.Home(grid.HashOf(next.x, next.y, next.z)));
        }
        const Vertex& q = queries[i];
        Search search{q.x, q.y, q.z, tolerance};
        if (!HasNaN(q.x, q.y, q.z) && !SearchCells(grid, search)) {
            deferred[deferred_count++] = {0, i};
            continue;
        }
        partner[i] = search.best;
        if (ambiguous) ambiguous[i] = search.ambiguous ? 1 : 0;
    }
    return deferred_count == 0 ||
           SearchTree(grid, queries, deferred.Get(), deferred_count, equal.Get(), tolerance, partner, ambiguous);
}

namespace {

// The largest absolute finite coordinate of a vertex; -1 when it has none.
float VertexSize(const Vertex& v) {
    float size = -1;
    for (float value : {v.x, v.y, v.z}) {
        float magnitude = std::fabs(value);
        if (magnitude <= 3.4028234663852886e38f && magnitude > size) size = magnitude;
    }
    return size;
}

// Beyond this, a vertex is an outlier: 2^20 times the size of 99% of the
// vertices, or of 2^22 x 1e-6 when that is larger.
float OutlierLimit(const Vertex* table, int32_t count) {
    ScopedBlock<float> sizes(AllocateUnclearedTable<float>(count > 0 ? size_t(count) : 1));
    if (!sizes.Get()) return INFINITY;  // nothing left out
    int32_t finite = 0;
    for (int32_t k = 0; k < count; ++k) {
        float size = VertexSize(table[k]);
        if (size >= 0) sizes[size_t(finite++)] = size;
    }
    if (finite == 0) return INFINITY;
    float* const bulk = sizes.Get() + (finite - 1 - finite / 100);
    std::nth_element(sizes.Get(), bulk, sizes.Get() + finite);
    return float(0x1p20 * std::max(double(*bulk), 0x1p22 * 1e-6));
}

}  // namespace

double AutoTolerance(const Vertex* table, int32_t count, SizeOutliers* outliers) {
    SizeOutliers found;
    const float limit = OutlierLimit(table, count);
    float largest = 0;
    for (int32_t k = 0; k < count; ++k) {
        float size = VertexSize(table[k]);
        if (size <= limit) {
            largest = std::max(largest, size);
            continue;
        }
        ++found.count;
        if (size > found.size) {
            found.farthest = k;
            found.size = size;
        }
    }
    if (outliers) *outliers = found;
    double scaled = double(largest) * 0x1p-22;
    return scaled > 1e-6 ? scaled : 1e-6;
}
