// The vertex table of the original and each corner moved to its vertex's
// partner; the exact matcher's rule for coincident original vertices holds.
#include "pairing/renumber_vertices.h"

#include "platform/block.h"
#include "platform/parallel.h"
#include "model/corners.h"
#include "pairing/equal_positions.h"

// The new index of each vertex is looked up where each corner asks for it.
// Corners of a re-exported file name their vertices in any order, and past
// the cache's size these are trips to memory; translating the corners a
// slice of the table at a time (sorted out by slice and back) moves more
// bytes than those trips take on the machines measured, so they stay plain
// lookups.
void RenumberCornerVertices(Model& model, const int32_t* renumbered, int32_t count, int32_t threads) {
    auto renumber = [&](int32_t& v) {
        if (v >= 0 && v < count) v = renumbered[v];
    };
    ForEachPolylineVertex(model, renumber);
    if (threads <= 1 || !model.vertex_lists_packed || !model.corner_pool) {
        ForEachCornerVertex(model, renumber);
        return;
    }
    // Packed lists are one run of indices, cut into a slice a thread.
    const int64_t corners = model.corner_pool_fill / 3;
    RunInParallel(threads, threads, [&](int32_t k) {
        int32_t* v = model.corner_pool + corners * k / threads;
        int32_t* const end = model.corner_pool + corners * (k + 1) / threads;
        for (; v < end; ++v) renumber(*v);
    });
}

int32_t RenumberColours(Model& matching, const Model& original, const int32_t* target) {
    const int32_t n = matching.vertex_count;
    const int32_t m = original.vertex_count;
    const bool own = original.colours && original.colour_count == m;
    if (!matching.colours || matching.colour_count != n) return 1;
    if (m <= 0 || !target) return 0;
    VertexColour* colours = AllocateUnclearedTable<VertexColour>(size_t(m));
    if (!colours) return 0;
    // A vertex no coloured matching vertex pairs with has none.
    for (int32_t k = 0; k < m; ++k) colours[k] = own ? original.colours[k] : NoColour();
    // From the last matching vertex to the first, so that the first one
    // paired with a vertex gives it its colour.
    for (int32_t i = n - 1; i >= 0; --i) {
        if (target[i] >= 0 && target[i] < m) colours[target[i]] = matching.colours[i];
    }
    ReleaseBlock(matching.colours);
    matching.colours = colours;
    matching.colour_count = m;
    return 1;
}

int32_t RenumberToOriginal(Model& matching, const Model& original, const int32_t* partner,
                           bool keep_own_index) {
    const int32_t n = matching.vertex_count;
    const int32_t m = original.vertex_count;
    if (n <= 0 || m <= 0 || !matching.vertices || !original.vertices || !partner) return 0;
    for (int32_t i = 0; i < n; ++i) {
        if (partner[i] < 0 || partner[i] >= m) return 0;
    }
    ScopedBlock<Vertex> working(AllocateUnclearedTable<Vertex>(size_t(m)));  // every field is set below
    ScopedBlock<int32_t> renumbered(AllocateUnclearedTable<int32_t>(size_t(n)));
    if (!working.Get() || !renumbered.Get()) return 0;
    for (int32_t k = 0; k < m; ++k) {
        const Vertex& at = original.vertices[k];
        working[k] = {0, k < n ? partner[k] : -1, at.x, at.y, at.z};
    }
    // The new index depends on the vertex alone, so it is worked out once a
    // vertex rather than once a corner.
    for (int32_t i = 0; i < n; ++i) {
        bool own = keep_own_index && i < m && PositionsEqual(matching.vertices[i], original.vertices[i]);
        renumbered[i] = own ? i : partner[i];
    }
    if (!RenumberColours(matching, original, renumbered.Get())) return 0;
    RenumberCornerVertices(matching, renumbered.Get(), n);
    renumbered.Reset();
    ReleaseBlock(matching.vertices);
    matching.vertices = working.Take();
    matching.vertex_count = m;
    return 1;
}
