// Partners within a tolerance in linear time: a uniform grid over the table.
//
// The cells are twice the tolerance wide, so the box of half-width tolerance
// around a query touches at most two cells along each axis: eight cells to
// look in, where cells one tolerance wide would need twenty-seven. The table
// vertices are bucketed by cell with a counting sort into one array, in
// index order within each cell, and a hash of the integer cell coordinates
// finds a cell's bucket.
//
// Far from the origin a cell index would overflow, but there the floats
// along that axis lie further apart than the tolerance, so only an equal
// coordinate can be within it: such a coordinate is keyed by its own bits
// and a query looks in that one cell along the axis.
#include "morph/tolerant_partners.h"

#include <cmath>
#include <cstring>

#include "model/block.h"

namespace {

struct CellKey {
    int64_t x, y, z;
};

struct Cell {
    CellKey key;
    int32_t begin, end;  // its vertices are members[begin] up to members[end]
};

struct Member {
    float x, y, z;
    int32_t index;  // in the table
};

struct Slot {
    uint32_t hash;
    int32_t entry;  // cell + 1; 0 for a free slot
};

// Cell indices from here on are keyed by their float bits instead: at that
// distance, with cells twice the tolerance wide, neighbouring floats lie
// more than 2^16 tolerances apart.
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

uint32_t Hash(const CellKey& key) {
    uint64_t h = (uint64_t(key.x) * 0x9E3779B97F4A7C15ull) ^ (uint64_t(key.y) * 0xC2B2AE3D27D4EB4Full) ^
                 (uint64_t(key.z) * 0x165667B19E3779F9ull);
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 32;
    return uint32_t(h);
}

bool SameKey(const CellKey& a, const CellKey& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

struct Grid {
    double inverse = 0;  // 1 / cell width
    Slot* slots = nullptr;
    uint32_t mask = 0;
    Cell* cells = nullptr;
    int32_t cell_count = 0;
    Member* members = nullptr;

    ~Grid() {
        ReleaseBlock(slots);
        ReleaseBlock(cells);
        ReleaseBlock(members);
    }

    CellKey KeyOf(float x, float y, float z) const {
        return {AxisCell(x, inverse), AxisCell(y, inverse), AxisCell(z, inverse)};
    }

    // The cell of `key`, or -1; with `add`, a new empty cell when absent.
    int32_t Find(const CellKey& key, bool add) {
        uint32_t hash = Hash(key);
        for (uint32_t s = hash & mask;; s = (s + 1) & mask) {
            Slot& slot = slots[s];
            if (slot.entry == 0) {
                if (!add) return -1;
                cells[cell_count] = {key, 0, 0};
                slot = {hash, ++cell_count};
                return cell_count - 1;
            }
            if (slot.hash == hash && SameKey(cells[slot.entry - 1].key, key)) return slot.entry - 1;
        }
    }

    bool Build(const Vertex* table, int32_t count, double tolerance);
    void Fill(const Vertex* table, int32_t count, int32_t* cell_of);
};

bool Grid::Build(const Vertex* table, int32_t count, double tolerance) {
    // Below the smallest float spacing every tolerance pairs equal floats only.
    double width = 2 * (tolerance > 0x1p-149 ? tolerance : 0x1p-149);
    inverse = 1 / width;  // 0 for a width beyond the double range: one cell then
    uint64_t capacity = 16;
    while (capacity < uint64_t(count) * 2) capacity <<= 1;
    if (capacity > (uint64_t(1) << 31)) return false;
    mask = uint32_t(capacity - 1);
    size_t records = count > 0 ? size_t(count) : 1;
    slots = AllocateTable<Slot>(size_t(capacity));
    cells = AllocateUnclearedTable<Cell>(records);
    members = AllocateUnclearedTable<Member>(records);
    int32_t* cell_of = AllocateUnclearedTable<int32_t>(records);
    if (slots && cells && members && cell_of) Fill(table, count, cell_of);
    ReleaseBlock(cell_of);
    return slots && cells && members && cell_of;
}

// The counting sort: each vertex's cell and the cells' sizes, then the
// buckets' starts, then every vertex into its bucket in index order.
void Grid::Fill(const Vertex* table, int32_t count, int32_t* cell_of) {
    for (int32_t k = 0; k < count; ++k) {
        const Vertex& v = table[k];
        cell_of[k] = -1;
        if (HasNaN(v.x, v.y, v.z)) continue;
        cell_of[k] = Find(KeyOf(v.x, v.y, v.z), true);
        ++cells[cell_of[k]].end;
    }
    int32_t at = 0;
    for (int32_t c = 0; c < cell_count; ++c) {
        int32_t size = cells[c].end;
        cells[c].begin = cells[c].end = at;
        at += size;
    }
    for (int32_t k = 0; k < count; ++k) {
        if (cell_of[k] < 0) continue;
        const Vertex& v = table[k];
        members[cells[cell_of[k]].end++] = {v.x, v.y, v.z, k};
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

void SearchCells(Grid& grid, Search& search) {
    int64_t low[3], high[3];
    AxisRange(search.x, search.tolerance, grid.inverse, low[0], high[0]);
    AxisRange(search.y, search.tolerance, grid.inverse, low[1], high[1]);
    AxisRange(search.z, search.tolerance, grid.inverse, low[2], high[2]);
    for (int64_t cx = low[0]; cx <= high[0]; ++cx) {
        for (int64_t cy = low[1]; cy <= high[1]; ++cy) {
            for (int64_t cz = low[2]; cz <= high[2]; ++cz) {
                int32_t c = grid.Find({cx, cy, cz}, false);
                if (c < 0) continue;
                for (int32_t k = grid.cells[c].begin; k < grid.cells[c].end; ++k) search.Consider(grid.members[k]);
            }
        }
    }
}

}  // namespace

int32_t FindTolerantPartners(const Vertex* table, int32_t count, const Vertex* queries, int32_t query_count,
                             double tolerance, int32_t* partner, uint8_t* ambiguous) {
    if (!(tolerance > 0 && tolerance <= 1.7976931348623157e308)) return 0;
    if (count < 0 || query_count < 0 || (count > 0 && !table) || (query_count > 0 && (!queries || !partner))) return 0;
    Grid grid;
    if (!grid.Build(table, count, tolerance)) return 0;
    for (int32_t i = 0; i < query_count; ++i) {
        const Vertex& q = queries[i];
        Search search{q.x, q.y, q.z, tolerance};
        if (!HasNaN(q.x, q.y, q.z)) SearchCells(grid, search);
        partner[i] = search.best;
        if (ambiguous) ambiguous[i] = search.ambiguous ? 1 : 0;
    }
    return 1;
}

double AutoTolerance(const Vertex* table, int32_t count) {
    double largest = 0;
    for (int32_t k = 0; k < count; ++k) {
        const float values[3] = {table[k].x, table[k].y, table[k].z};
        for (float value : values) {
            double size = std::fabs(double(value));
            if (size > largest && size <= 3.4028234663852886e38) largest = size;
        }
    }
    double scaled = largest * 0x1p-22;
    return scaled > 1e-6 ? scaled : 1e-6;
}
