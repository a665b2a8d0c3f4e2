#pragma once
// Distinct positions in a k-d tree, for the tolerant search where many of
// them lie within the tolerance of a query (a dense cluster, or a tolerance
// far above the mesh's spacing): within the box of a query, whether two
// positions lie there and which is nearest, without testing them all.
//
// A point is within the box when each coordinate's offset (0 for equal
// floats, else the difference of the two values in double) is at most the
// tolerance; the nearest is the least sum of the squared offsets, the lower
// index on equal sums. That is exactly the test of a plain scan: the
// subtrees are left out only where rounding, which is monotonic, keeps every
// point of them beyond the box or beyond the nearest found.
#include <cstdint>

struct TreePoint {
    float x, y, z;
    int32_t index;
};

struct BoxTree {
    TreePoint* points = nullptr;
    // The node whose run of points is split at k: its axis, and the median
    // value along it (the point at k may move when the run above it is split).
    uint8_t* axes = nullptr;
    float* splits = nullptr;
    int32_t count = 0;
    float low[3] = {}, high[3] = {};  // the points' bounding box

    BoxTree() = default;
    BoxTree(const BoxTree&) = delete;
    BoxTree& operator=(const BoxTree&) = delete;
    ~BoxTree();

    // Copies `count` points, no two at one position and none with a NaN, and
    // builds the tree in O(n log n). 0 when memory can't be had.
    int32_t Build(const TreePoint* given, int32_t count);

    // The index of the nearest point within the box of half-width
    // `tolerance` around (x, y, z), or -1; `ambiguous` when two or more
    // points lie within it. `equal`: the index of a point at the query's
    // very position when the caller knows one (it is the nearest), else -1.
    int32_t Nearest(float x, float y, float z, double tolerance, bool& ambiguous, int32_t equal = -1) const;
};
