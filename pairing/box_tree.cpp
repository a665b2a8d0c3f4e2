// Each node splits its run of points at the median along the axis of the
// run's widest extent: the points before the middle of the run are not
// above that value along the axis, and those from the middle on not below. A query first counts the points in its box, stopping at two: one
// point is the answer, and in a dense cluster two are met at once. Only
// then does it look for the nearest, nearer subtrees first.
#include "pairing/box_tree.h"

#include <algorithm>
#include <cmath>

#include "platform/block.h"

namespace {

constexpr int32_t kLeaf = 8;

float Coordinate(const TreePoint& p, int axis) { return axis == 0 ? p.x : axis == 1 ? p.y : p.z; }

// The offset along one axis as a plain scan computes it.
double Offset(float a, float b) { return a == b ? 0.0 : double(a) - double(b); }

void Split(TreePoint* points, uint8_t* axes, float* splits, int32_t lo, int32_t hi) {
    while (hi - lo > kLeaf) {
        float low[3] = {points[lo].x, points[lo].y, points[lo].z}, high[3] = {low[0], low[1], low[2]};
        for (int32_t k = lo + 1; k < hi; ++k) {
            for (int a = 0; a < 3; ++a) {
                low[a] = std::min(low[a], Coordinate(points[k], a));
                high[a] = std::max(high[a], Coordinate(points[k], a));
            }
        }
        int axis = 0;
        double widest = -1;
        for (int a = 0; a < 3; ++a) {
            double extent = double(high[a]) - double(low[a]);
            if (!(extent <= widest)) widest = extent, axis = a;  // an infinite extent is the widest
        }
        const int32_t mid = lo + (hi - lo) / 2;
        std::nth_element(points + lo, points + mid, points + hi, [axis](const TreePoint& p, const TreePoint& q) {
            return Coordinate(p, axis) < Coordinate(q, axis);
        });
        axes[mid] = uint8_t(axis);
        splits[mid] = Coordinate(points[mid], axis);
        Split(points, axes, splits, lo, mid);
        lo = mid;
    }
}

struct Query {
    const BoxTree& tree;
    float q[3];
    double tolerance;
    int32_t found[2] = {-1, -1};
    int32_t count = 0;
    int32_t best = -1;
    double best_distance = 0;

    // The squared distance of a point within the box, else -1.
    double Distance(const TreePoint& p) const {
        double dx = Offset(p.x, q[0]), dy = Offset(p.y, q[1]), dz = Offset(p.z, q[2]);
        if (std::fabs(dx) > tolerance || std::fabs(dy) > tolerance || std::fabs(dz) > tolerance) return -1;
        return dx * dx + dy * dy + dz * dz;
    }

    // How far below (side 0) or above (side 1) the split value the query
    // lies: a bound on every offset along the axis in that subtree; 0 when
    // the query is on that side.
    double Gap(float split, int axis, int side) const {
        float value = q[axis];
        bool beyond = side == 0 ? split < value : split > value;
        return beyond ? std::fabs(Offset(split, value)) : 0.0;
    }

    void Count(int32_t lo, int32_t hi) {
        if (count >= 2) return;
        if (hi - lo <= kLeaf) {
            for (int32_t k = lo; k < hi && count < 2; ++k)
                if (Distance(tree.points[k]) >= 0) found[count++] = k;
            return;
        }
        const int32_t mid = lo + (hi - lo) / 2;
        const int axis = tree.axes[mid];
        const float split = tree.splits[mid];
        if (Gap(split, axis, 0) <= tolerance) Count(lo, mid);
        if (Gap(split, axis, 1) <= tolerance) Count(mid, hi);
    }

    void Consider(int32_t k) {
        double distance = Distance(tree.points[k]);
        int32_t index = tree.points[k].index;
        if (distance < 0) return;
        if (best < 0 || distance < best_distance || (distance == best_distance && index < best)) {
            best = index;
            best_distance = distance;
        }
    }

    // `gaps`: how far the query lies outside the run's region along each
    // axis, a bound on the offsets of its points; their squares summed as
    // Distance sums the offsets' bound the distance of every point there.
    void Nearest(int32_t lo, int32_t hi, const double gaps[3]) {
        // At distance 0 the query sits on a point, and no other point is
        // at its position.
        if (best >= 0 && best_distance == 0) return;
        if (hi - lo <= kLeaf) {
            for (int32_t k = lo; k < hi; ++k) Consider(k);
            return;
        }
        const int32_t mid = lo + (hi - lo) / 2;
        const int axis = tree.axes[mid];
        const float split = tree.splits[mid];
        const int first = q[axis] < split ? 0 : 1;
        for (int side : {first, 1 - first}) {
            double side_gaps[3] = {gaps[0], gaps[1], gaps[2]};
            side_gaps[axis] = std::max(gaps[axis], Gap(split, axis, side));
            double bound = side_gaps[0] * side_gaps[0] + side_gaps[1] * side_gaps[1] + side_gaps[2] * side_gaps[2];
            if (side_gaps[axis] > tolerance || (best >= 0 && bound > best_distance)) continue;
            side == 0 ? Nearest(lo, mid, side_gaps) : Nearest(mid, hi, side_gaps);
        }
    }
};

}  // namespace

BoxTree::~BoxTree() {
    ReleaseBlock(points);
    ReleaseBlock(axes);
    ReleaseBlock(splits);
}

int32_t BoxTree::Build(const TreePoint* given, int32_t given_count) {
    ReleaseBlock(points);
    ReleaseBlock(axes);
    ReleaseBlock(splits);
    count = 0;
    size_t records = given_count > 0 ? size_t(given_count) : 1;
    points = AllocateUnclearedTable<TreePoint>(records);
    axes = AllocateTable<uint8_t>(records);
    splits = AllocateUnclearedTable<float>(records);
    if (!points || !axes || !splits) return 0;
    std::copy(given, given + given_count, points);
    count = given_count;
    for (int a = 0; a < 3; ++a) {
        low[a] = count > 0 ? Coordinate(points[0], a) : 0;
        high[a] = low[a];
        for (int32_t k = 1; k < count; ++k) {
            low[a] = std::min(low[a], Coordinate(points[k], a));
            high[a] = std::max(high[a], Coordinate(points[k], a));
        }
    }
    Split(points, axes, splits, 0, count);
    return 1;
}

int32_t BoxTree::Nearest(float x, float y, float z, double tolerance, bool& ambiguous, int32_t equal) const {
    Query query{*this, {x, y, z}, tolerance};
    query.Count(0, count);
    ambiguous = query.count >= 2;
    if (equal >= 0) return equal;
    if (query.count == 0) return -1;
    if (query.count == 1) return points[query.found[0]].index;
    // A query beyond the points' box is that far from every point.
    double gaps[3];
    for (int a = 0; a < 3; ++a) gaps[a] = std::max(query.Gap(low[a], a, 1), query.Gap(high[a], a, 0));
    query.Nearest(0, count, gaps);
    return query.best;
}
