// Parts are keyed by a hash of their colours, and the keys of both meshes
// sorted together, so that each class of alike parts is one run. Within a
// class the original parts' centres go into a k-d tree, and each shape
// part's centre less the class's shift finds the nearest free one: O(n log n)
// in the parts, however they lie (along a curve, on a surface, in a block).
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

// How far a part's corners spread from its centre along each axis (the
// root of their mean square): parts alike with one centre (two cards
// crossing) differ there.
Centre SpreadOf(const MeshAdjacency& mesh, const MeshParts& parts, int32_t part, const float* positions,
                const Centre& centre) {
    Centre spread{};
    int64_t count = 0;
    ForEachCorner(mesh, parts, part, [&](int32_t v) {
        for (int32_t axis = 0; axis < 3; ++axis) {
            double d = positions[3 * v + axis] - centre.at[axis];
            spread.at[axis] += d * d;
        }
        ++count;
    });
    for (double& x : spread.at) x = count ? std::sqrt(x / double(count)) : 0;
    return spread;
}

// One class's original parts in a k-d tree laid out in place: the range
// [low, high) has its splitting part at its middle, and each middle keeps
// how many parts of its range are still free, so that parts already given
// cost nothing to skip.
struct Slot {
    Centre centre;
    int32_t part;  // in class order
};

struct ClassTree {
    Slot* slots;    // m
    uint8_t* axes;  // m: the splitting axis of the range each slot is the middle of
    int32_t* free;  // m: free parts of that range
    int32_t m;

    void Build(int32_t low, int32_t high) {
        if (high - low <= 0) return;
        double from[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, to[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
        for (int32_t i = low; i < high; ++i) {
            for (int32_t k = 0; k < 3; ++k) {
                from[k] = std::min(from[k], slots[i].centre.at[k]);
                to[k] = std::max(to[k], slots[i].centre.at[k]);
            }
        }
        uint8_t axis = 0;
        for (uint8_t k = 1; k < 3; ++k) axis = to[k] - from[k] > to[axis] - from[axis] ? k : axis;
        int32_t middle = low + (high - low) / 2;
        std::nth_element(slots + low, slots + middle, slots + high,
                         [axis](const Slot& a, const Slot& b) { return a.centre.at[axis] < b.centre.at[axis]; });
        axes[middle] = axis;
        free[middle] = high - low;
        Build(low, middle);
        Build(middle + 1, high);
    }

    void Take(int32_t slot) {
        for (int32_t low = 0, high = m;;) {
            int32_t middle = low + (high - low) / 2;
            --free[middle];
            if (slot == middle) return;
            (slot < middle ? high : low) = slot < middle ? middle : middle + 1;
        }
    }

    // The nearest two free slots to `at` (-1 when none) and their squared
    // distances.
    void Nearest(const Centre& at, const uint8_t* taken, int32_t low, int32_t high, int32_t best[2],
                 double distance[2]) const {
        if (high <= low) return;
        int32_t middle = low + (high - low) / 2;
        if (free[middle] == 0) return;
        if (!taken[middle]) {
            double d = Squared(at, slots[middle].centre);
            if (d < distance[0]) {
                best[1] = best[0], distance[1] = distance[0], best[0] = middle, distance[0] = d;
            } else if (d < distance[1]) {
                best[1] = middle, distance[1] = d;
            }
        }
        double across = at.at[axes[middle]] - slots[middle].centre.at[axes[middle]];
        bool below = across < 0;
        Nearest(at, taken, below ? low : middle + 1, below ? middle : high, best, distance);
        if (across * across >= distance[1]) return;
        Nearest(at, taken, below ? middle + 1 : low, below ? high : middle, best, distance);
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
        if (m == 0 || n == 0 || (m == 1 && n == 1)) return true;
        ScopedBlock<uint8_t> taken(AllocateTable<uint8_t>(size_t(m)));
        if (!taken.Get()) return false;
        if (!original_positions || !shape_positions) {
            for (int32_t i = 0; i < n && i < m; ++i) Give(shapes[i], originals[i], m > 1);
            return true;
        }
        ScopedBlock<Centre> centres(AllocateUnclearedTable<Centre>(size_t(n)));
        ScopedBlock<Slot> slots(AllocateUnclearedTable<Slot>(size_t(m)));
        ScopedBlock<int32_t> free(AllocateUnclearedTable<int32_t>(size_t(m)));
        ScopedBlock<uint8_t> axes(AllocateUnclearedTable<uint8_t>(size_t(m)));
        if (!centres.Get() || !slots.Get() || !free.Get() || !axes.Get()) return false;
        Centre* s = centres.Get();
        double shift[3] = {};
        for (int32_t i = 0; i < m; ++i) {
            slots[size_t(i)] = {CentreOf(original, alike.original_parts, originals[i], original_positions), i};
        }
        for (int32_t i = 0; i < n; ++i) s[i] = CentreOf(shape, parts, shapes[i], shape_positions);
        for (int32_t axis = 0; axis < 3; ++axis) {
            double sum_o = 0, sum_s = 0;
            for (int32_t i = 0; i < m; ++i) sum_o += slots[size_t(i)].centre.at[axis];
            for (int32_t i = 0; i < n; ++i) sum_s += s[i].at[axis];
            shift[axis] = std::isfinite(sum_s / n - sum_o / m) ? sum_s / n - sum_o / m : 0;
        }
        ClassTree tree{slots.Get(), axes.Get(), free.Get(), m};
        tree.Build(0, m);
        for (int32_t i = 0; i < n; ++i) {
            Centre at = s[i];
            for (int32_t axis = 0; axis < 3; ++axis) at.at[axis] -= shift[axis];
            int32_t best[2] = {-1, -1};
            double distance[2] = {HUGE_VAL, HUGE_VAL};
            tree.Nearest(at, taken.Get(), 0, m, best, distance);
            if (best[0] < 0) break;
            bool near = Near(shapes[i], s[i], originals, slots.Get(), best, distance);
            taken[best[0]] = 1;
            tree.Take(best[0]);
            Give(shapes[i], originals[slots[size_t(best[0])].part], near);
        }
        return true;
    }

    // Whether the second nearest centre leaves a choice. Two within the
    // margin are told apart by how their parts spread, when those differ;
    // `best` then starts with the one that fits.
    bool Near(int32_t shape_part, const Centre& centre, const int32_t* originals, const Slot* slots, int32_t best[2],
              const double distance[2]) const {
        if (best[1] < 0 || distance[1] > kAlikeMargin * kAlikeMargin * distance[0]) return false;
        Centre spread = SpreadOf(shape, parts, shape_part, shape_positions, centre);
        double fit[2];
        for (int32_t k = 0; k < 2; ++k) {
            const Slot& slot = slots[size_t(best[k])];
            fit[k] = distance[k] + Squared(spread, SpreadOf(original, alike.original_parts, originals[slot.part],
                                                            original_positions, slot.centre));
        }
        if (fit[1] < fit[0]) std::swap(best[0], best[1]), std::swap(fit[0], fit[1]);
        return fit[1] <= kAlikeMargin * kAlikeMargin * fit[0];
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
