// Parts are keyed by a hash of their colours, and the keys of both meshes
// sorted together, so that each class of alike parts is one run. Within a
// class the original parts' centres are laid in a grid of cells sorted by
// cell, and each shape part's centre less the class's shift looks for the
// nearest free one shell of cells at a time: O(n log n) in the parts.
#include "pairing/topology/alike_parts.h"

#include <algorithm>
#include <cmath>

#include "platform/block.h"

namespace {

struct Keyed {
    uint64_t key;
    int32_t part;
    int32_t side;  // 0 original, 1 shape
    bool operator<(const Keyed& other) const {
        return key != other.key ? key < other.key : side != other.side ? side < other.side : part < other.part;
    }
};

struct Centre {
    double at[3];
};

struct Celled {
    int64_t cell;
    int32_t part;
    bool operator<(const Celled& other) const { return cell != other.cell ? cell < other.cell : part < other.part; }
};

uint64_t Mix(uint64_t h) {
    h ^= h >> 31;
    h *= 0x7FB5D329728EA185ull;
    h ^= h >> 27;
    h *= 0x81DADEF4BC2DD44Dull;
    return h ^ (h >> 33);
}

template <typename Visit>
void ForEachCorner(const MeshAdjacency& mesh, const MeshParts& parts, int32_t part, Visit visit) {
    for (int32_t k = parts.starts[part]; k < parts.starts[part + 1]; ++k) {
        int32_t f = parts.faces[k];
        for (int32_t c = mesh.face_starts[f]; c < mesh.face_starts[f + 1]; ++c) visit(mesh.corner_vertices[c]);
    }
}

uint64_t KeyOf(const MeshAdjacency& mesh, const MeshParts& parts, int32_t part, const uint64_t* colours) {
    uint64_t sum = Mix(uint64_t(parts.starts[part + 1] - parts.starts[part]));
    ForEachCorner(mesh, parts, part, [&](int32_t v) { sum += Mix(colours[v]); });
    return sum;
}

Centre CentreOf(const MeshAdjacency& mesh, const MeshParts& parts, int32_t part, const float* positions) {
    Centre centre{};
    int64_t count = 0;
    ForEachCorner(mesh, parts, part, [&](int32_t v) {
        for (int32_t axis = 0; axis < 3; ++axis) centre.at[axis] += positions[3 * v + axis];
        ++count;
    });
    for (double& x : centre.at) x = count ? x / double(count) : 0;
    return centre;
}

double Squared(const Centre& a, const Centre& b) {
    double sum = 0;
    for (int32_t axis = 0; axis < 3; ++axis) sum += (a.at[axis] - b.at[axis]) * (a.at[axis] - b.at[axis]);
    return sum;
}

// One class: original parts o[0..m), shape parts s[0..n).
struct ClassGrid {
    const Centre* original;  // per original part of the class, in class order
    Celled* cells;           // m entries, sorted
    int32_t m = 0;
    double low[3] = {}, side = 1;
    int64_t counts[3] = {1, 1, 1};

    int64_t CellAxis(double x, int32_t axis) const {
        double at = (x - low[axis]) / side;
        if (!(at >= 0)) return 0;
        return at >= double(counts[axis]) ? counts[axis] - 1 : int64_t(at);
    }
    int64_t Cell(const int64_t c[3]) const { return (c[2] * counts[1] + c[1]) * counts[0] + c[0]; }

    void Build() {
        double high[3];
        for (int32_t axis = 0; axis < 3; ++axis) low[axis] = HUGE_VAL, high[axis] = -HUGE_VAL;
        for (int32_t i = 0; i < m; ++i) {
            for (int32_t axis = 0; axis < 3; ++axis) {
                if (!std::isfinite(original[i].at[axis])) continue;
                low[axis] = std::min(low[axis], original[i].at[axis]);
                high[axis] = std::max(high[axis], original[i].at[axis]);
            }
        }
        double longest = 0, volume = 1;
        for (int32_t axis = 0; axis < 3; ++axis) {
            if (low[axis] > high[axis]) low[axis] = high[axis] = 0;
            longest = std::max(longest, high[axis] - low[axis]);
        }
        for (int32_t axis = 0; axis < 3; ++axis) volume *= std::max({high[axis] - low[axis], 1e-3 * longest, 1e-30});
        side = std::cbrt(volume / m);
        for (bool fits = false; !fits; side *= 1.25) {
            for (int32_t axis = 0; axis < 3; ++axis) {
                counts[axis] = std::min<int64_t>(int64_t((high[axis] - low[axis]) / side) + 1, 1 << 20);
            }
            fits = counts[0] * counts[1] * counts[2] <= 4 * int64_t(m) + 8;
        }
        side /= 1.25;
        for (int32_t i = 0; i < m; ++i) {
            int64_t c[3];
            for (int32_t axis = 0; axis < 3; ++axis) c[axis] = CellAxis(original[i].at[axis], axis);
            cells[i] = {Cell(c), i};
        }
        std::sort(cells, cells + m);
    }

    // The nearest and next nearest free original parts (class order, -1
    // when none) and their squared distances.
    void Nearest(const Centre& at, const uint8_t* taken, int32_t best[2], double distance[2]) const {
        best[0] = best[1] = -1;
        distance[0] = distance[1] = HUGE_VAL;
        int64_t centre[3];
        for (int32_t axis = 0; axis < 3; ++axis) centre[axis] = CellAxis(at.at[axis], axis);
        int64_t widest = std::max({counts[0], counts[1], counts[2]});
        for (int64_t r = 0; r <= widest; ++r) {
            // What lies in shell r or beyond is at least r - 1 cells' sides away.
            double reach = double(r - 1) * side;
            if (r > 0 && best[1] >= 0 && distance[1] <= reach * reach) return;
            Shell(at, centre, r, taken, best, distance);
        }
    }

    void Shell(const Centre& at, const int64_t centre[3], int64_t r, const uint8_t* taken, int32_t best[2],
               double distance[2]) const {
        int64_t from[3], to[3];
        for (int32_t axis = 0; axis < 3; ++axis) {
            from[axis] = std::max<int64_t>(centre[axis] - r, 0);
            to[axis] = std::min<int64_t>(centre[axis] + r, counts[axis] - 1);
        }
        for (int64_t x = from[0]; x <= to[0]; ++x) {
            for (int64_t y = from[1]; y <= to[1]; ++y) {
                bool edge = std::abs(x - centre[0]) == r || std::abs(y - centre[1]) == r;
                auto look = [&](int64_t z) {
                    int64_t c[3] = {x, y, z};
                    if (z >= from[2] && z <= to[2]) Look(at, Cell(c), taken, best, distance);
                };
                for (int64_t z = from[2]; edge && z <= to[2]; ++z) look(z);
                if (!edge) look(centre[2] - r);
                if (!edge && r > 0) look(centre[2] + r);
            }
        }
    }

    void Look(const Centre& at, int64_t cell, const uint8_t* taken, int32_t best[2], double distance[2]) const {
        const Celled* first = std::lower_bound(cells, cells + m, Celled{cell, -1});
        for (; first < cells + m && first->cell == cell; ++first) {
            int32_t i = first->part;
            if (taken[i]) continue;
            double d = Squared(at, original[i]);
            if (d < distance[0]) {
                best[1] = best[0], distance[1] = distance[0], best[0] = i, distance[0] = d;
            } else if (d < distance[1]) {
                best[1] = i, distance[1] = d;
            }
        }
    }
};

struct Pairer {
    const MeshAdjacency& original;
    const MeshAdjacency& shape;
    const MeshParts& parts;
    const float* original_positions;
    const float* shape_positions;
    AlikeParts& alike;

    // Gives each shape part of shapes[0..n) one of originals[0..m).
    bool Class(const int32_t* originals, int32_t m, const int32_t* shapes, int32_t n) {
        if (m == 0 || (m == 1 && n == 1)) return true;
        ScopedBlock<uint8_t> taken(AllocateTable<uint8_t>(size_t(m)));
        if (!taken.Get()) return false;
        if (!original_positions || !shape_positions) {
            for (int32_t i = 0; i < n && i < m; ++i) Give(shapes[i], originals[i], m > 1);
            return true;
        }
        ScopedBlock<Centre> centres(AllocateUnclearedTable<Centre>(size_t(m) + size_t(n)));
        ScopedBlock<Celled> cells(AllocateUnclearedTable<Celled>(size_t(m)));
        if (!centres.Get() || !cells.Get()) return false;
        Centre* o = centres.Get();
        Centre* s = o + m;
        double shift[3] = {};
        for (int32_t i = 0; i < m; ++i) o[i] = CentreOf(original, alike.original_parts, originals[i], original_positions);
        for (int32_t i = 0; i < n; ++i) s[i] = CentreOf(shape, parts, shapes[i], shape_positions);
        for (int32_t axis = 0; axis < 3; ++axis) {
            double sum_o = 0, sum_s = 0;
            for (int32_t i = 0; i < m; ++i) sum_o += o[i].at[axis];
            for (int32_t i = 0; i < n; ++i) sum_s += s[i].at[axis];
            shift[axis] = std::isfinite(sum_s / n - sum_o / m) ? sum_s / n - sum_o / m : 0;
        }
        ClassGrid grid{o, cells.Get(), m};
        grid.Build();
        for (int32_t i = 0; i < n; ++i) {
            Centre at = s[i];
            for (int32_t axis = 0; axis < 3; ++axis) at.at[axis] -= shift[axis];
            int32_t best[2];
            double distance[2];
            grid.Nearest(at, taken.Get(), best, distance);
            if (best[0] < 0) break;
            taken[best[0]] = 1;
            Give(shapes[i], originals[best[0]], best[1] >= 0 && distance[1] <= kAlikeMargin * kAlikeMargin * distance[0]);
        }
        return true;
    }

    void Give(int32_t shape_part, int32_t original_part, bool ambiguous) {
        alike.original_part[shape_part] = original_part;
        ++alike.alike_count;
        alike.ambiguous_count += ambiguous ? 1 : 0;
    }
};

}  // namespace

int32_t PairAlikeParts(const MeshAdjacency& original, const MeshAdjacency& shape, const MeshParts& parts,
                       const uint8_t* needs, const uint64_t* original_colours, const uint64_t* shape_colours,
                       const float* original_positions, const float* shape_positions, AlikeParts& alike) {
    ReleaseAlikeParts(alike);
    alike.original_part = AllocateUnclearedTable<int32_t>(size_t(parts.count) + 1);
    if (!alike.original_part || !FindParts(original, alike.original_parts)) return 0;
    for (int32_t p = 0; p < parts.count; ++p) alike.original_part[p] = -1;
    int32_t total = alike.original_parts.count + parts.count;
    ScopedBlock<Keyed> keyed(AllocateUnclearedTable<Keyed>(size_t(total) + 1));
    ScopedBlock<int32_t> lists(AllocateUnclearedTable<int32_t>(size_t(total) + 1));
    if (!keyed.Get() || !lists.Get()) return 0;
    int32_t count = 0;
    for (int32_t p = 0; p < alike.original_parts.count; ++p) {
        keyed[size_t(count++)] = {KeyOf(original, alike.original_parts, p, original_colours), p, 0};
    }
    for (int32_t p = 0; p < parts.count; ++p) {
        if (needs[p]) keyed[size_t(count++)] = {KeyOf(shape, parts, p, shape_colours), p, 1};
    }
    std::sort(keyed.Get(), keyed.Get() + count);
    Pairer pairer{original, shape, parts, original_positions, shape_positions, alike};
    for (int32_t run = 0, end = 0; run < count; run = end) {
        int32_t m = 0, n = 0;
        for (end = run; end < count && keyed[size_t(end)].key == keyed[size_t(run)].key; ++end) {
            if (keyed[size_t(end)].side == 0) lists[size_t(run + m++)] = keyed[size_t(end)].part;
        }
        for (int32_t k = run + m; k < end; ++k) lists[size_t(k)] = keyed[size_t(k)].part, ++n;
        if (!pairer.Class(lists.Get() + run, m, lists.Get() + run + m, n)) return 0;
    }
    return 1;
}

int32_t AlikeCandidates(const AlikeParts& alike, const MeshAdjacency& original, int32_t part, uint64_t colour,
                        const uint64_t* original_colours, const int32_t* claimed, int32_t* candidates,
                        int32_t capacity) {
    int32_t count = 0;
    ForEachCorner(original, alike.original_parts, part, [&](int32_t a) {
        if (count >= capacity || original_colours[a] != colour || claimed[a] >= 0) return;
        if (std::find(candidates, candidates + count, a) == candidates + count) candidates[count++] = a;
    });
    return count;
}

void ReleaseAlikeParts(AlikeParts& alike) {
    ReleaseParts(alike.original_parts);
    ReleaseBlock(alike.original_part);
    alike = AlikeParts{};
}
