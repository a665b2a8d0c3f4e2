// Nearest positions through a balanced k-d tree over the table's distinct
// finite positions.
//
// A uniform grid suits a search within a fixed tolerance, but an unbounded
// one would need a cell size that fits both a finely detailed part of a mesh
// and the empty space inside it. The tree adapts to both and answers each
// question in about log(count) steps. Vertices at one position stand in it
// once, under their lowest index, so a pile of coincident vertices costs no
// more than one.
#include "pairing/nearest_positions.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/block.h"
#include "pairing/equal_positions.h"

namespace {

struct Point {
    float c[3];
    int32_t index;  // in the table
};

constexpr int32_t kLeafSize = 8;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

bool Finite(const Vertex& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

double SquaredDistance(const float* a, const float* b) {
    double dx = double(a[0]) - double(b[0]), dy = double(a[1]) - double(b[1]), dz = double(a[2]) - double(b[2]);
    return dx * dx + dy * dy + dz * dz;
}

// The tree in one array: a range of more than kLeafSize points is split by
// its middle point along the axis stored for that point, the points before
// it lying at or below it along that axis and the points after at or above.
struct Tree {
    Point* points = nullptr;
    uint8_t* axes = nullptr;
    int32_t size = 0;

    ~Tree() {
        ReleaseBlock(points);
        ReleaseBlock(axes);
    }

    bool Build(const Vertex* table, int32_t count);
    void Split(int32_t low, int32_t high);
};

bool Tree::Build(const Vertex* table, int32_t count) {
    size_t records = count > 0 ? size_t(count) : 1;
    ScopedBlock<int32_t> first(AllocateUnclearedTable<int32_t>(records));
    points = AllocateUnclearedTable<Point>(records);
    axes = AllocateUnclearedTable<uint8_t>(records);
    bool made = first.Get() && points && axes && FindFirstEqualPositions(table, count, table, count, first.Get());
    for (int32_t k = 0; made && k < count; ++k) {
        const Vertex& v = table[k];
        if (first[k] == k && Finite(v)) points[size++] = {{v.x, v.y, v.z}, k};
    }
    if (made) Split(0, size);
    return made;
}

// Splits along the axis of the widest spread, so that a flat or long mesh
// is not cut along an axis where all its points agree.
void Tree::Split(int32_t low, int32_t high) {
    if (high - low <= kLeafSize) return;
    float least[3], most[3];
    for (int a = 0; a < 3; ++a) least[a] = most[a] = points[low].c[a];
    for (int32_t k = low + 1; k < high; ++k) {
        for (int a = 0; a < 3; ++a) {
            least[a] = std::min(least[a], points[k].c[a]);
            most[a] = std::max(most[a], points[k].c[a]);
        }
    }
    int axis = 0;
    for (int a = 1; a < 3; ++a) {
        if (double(most[a]) - least[a] > double(most[axis]) - least[axis]) axis = a;
    }
    int32_t middle = low + (high - low) / 2;
    std::nth_element(points + low, points + middle, points + high,
                     [axis](const Point& a, const Point& b) { return a.c[axis] < b.c[axis]; });
    axes[middle] = uint8_t(axis);
    Split(low, middle);
    Split(middle + 1, high);
}

// One question to the tree: the nearest point other than `exclude`, closer
// than `best_distance` (squared) or as close with a lower index.
struct Nearest {
    const float* query;
    int32_t exclude;
    double best_distance;
    int32_t best = -1;

    void Consider(const Point& p) {
        if (p.index == exclude) return;
        double distance = SquaredDistance(query, p.c);
        if (distance < best_distance || (distance == best_distance && best >= 0 && p.index < best)) {
            best_distance = distance;
            best = p.index;
        }
    }
};

// The far side of a split is searched only when the splitting plane is no
// further than the best distance: every point there is at least that far.
void Descend(const Tree& tree, int32_t low, int32_t high, Nearest& nearest) {
    if (high - low <= kLeafSize) {
        for (int32_t k = low; k < high; ++k) nearest.Consider(tree.points[k]);
        return;
    }
    int32_t middle = low + (high - low) / 2;
    const Point& split = tree.points[middle];
    nearest.Consider(split);
    int axis = tree.axes[middle];
    double offset = double(nearest.query[axis]) - double(split.c[axis]);
    if (offset < 0) {
        Descend(tree, low, middle, nearest);
        if (offset * offset <= nearest.best_distance) Descend(tree, middle + 1, high, nearest);
    } else {
        Descend(tree, middle + 1, high, nearest);
        if (offset * offset <= nearest.best_distance) Descend(tree, low, middle, nearest);
    }
}

}  // namespace

int32_t FindNearestPositions(const Vertex* table, int32_t count, const Vertex* queries, int32_t query_count,
                             int32_t* nearest, double* distance) {
    if (count < 0 || query_count < 0 || (count > 0 && !table) ||
        (query_count > 0 && (!queries || !nearest || !distance)))
        return 0;
    Tree tree;
    if (!tree.Build(table, count)) return 0;
    for (int32_t i = 0; i < query_count; ++i) {
        const Vertex& q = queries[i];
        const float position[3] = {q.x, q.y, q.z};
        Nearest search{position, -1, kInfinity};
        if (Finite(q)) Descend(tree, 0, tree.size, search);
        nearest[i] = search.best;
        distance[i] = search.best >= 0 ? std::sqrt(search.best_distance) : kInfinity;
    }
    return 1;
}

// Each position asks only for a neighbour closer than the closest pair so
// far, which prunes most of the tree once a close pair is known.
int32_t SmallestPositionDistance(const Vertex* table, int32_t count, double& smallest) {
    if (count < 0 || (count > 0 && !table)) return 0;
    Tree tree;
    if (!tree.Build(table, count)) return 0;
    double best = kInfinity;
    for (int32_t k = 0; k < tree.size; ++k) {
        Nearest search{tree.points[k].c, tree.points[k].index, best};
        Descend(tree, 0, tree.size, search);
        if (search.best >= 0) best = search.best_distance;
    }
    smallest = std::sqrt(best);
    return 1;
}
