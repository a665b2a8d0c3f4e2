// Colour refinement in linear time a round. A vertex's neighbours are
// summed as hashes, which makes the result independent of their order and of
// which way each face runs; the sizes of its faces go into its first colour
// so that a triangle and a quad around a vertex count differently. A round
// reads each vertex's neighbours from the adjacency's ring, in order.
#include "pairing/topology/colour_refinement.h"

#include <cstring>

#include "platform/block.h"

namespace {

uint64_t Mix(uint64_t h) {
    h ^= h >> 31;
    h *= 0x7FB5D329728EA185ull;
    h ^= h >> 27;
    h *= 0x81DADEF4BC2DD44Dull;
    h ^= h >> 33;
    return h;
}

uint64_t NonZero(uint64_t h) { return h ? h : 1; }

}  // namespace

void StartColours(const MeshAdjacency& mesh, uint64_t* colours) {
    for (int32_t v = 0; v < mesh.vertex_count; ++v) {
        colours[v] = uint64_t(mesh.vertex_starts[v + 1] - mesh.vertex_starts[v]);
    }
    for (int32_t f = 0; f < mesh.face_count; ++f) {
        uint64_t size = Mix(uint64_t(CornerCount(mesh, f)) + 0x51ED27ull);
        for (int32_t c = mesh.face_starts[f]; c < mesh.face_starts[f + 1]; ++c) {
            colours[mesh.corner_vertices[c]] += size;
        }
    }
    for (int32_t v = 0; v < mesh.vertex_count; ++v) colours[v] = NonZero(Mix(colours[v]));
}

void RefineColours(const MeshAdjacency& mesh, const uint64_t* colours, uint64_t* refined) {
    const int32_t* ring = mesh.ring;
    for (int32_t v = 0; v < mesh.vertex_count; ++v) {
        uint64_t sum = 0;
        for (int32_t k = 2 * mesh.vertex_starts[v]; k < 2 * mesh.vertex_starts[v + 1]; ++k) {
            sum += Mix(colours[ring[k]]);
        }
        refined[v] = NonZero(Mix(colours[v] * 0xC2B2AE3D27D4EB4Full + sum));
    }
}

int32_t CountColours(const uint64_t* original, int32_t original_count, const uint64_t* shape, int32_t shape_count,
                     ColourCounts& counts) {
    uint64_t capacity = HashCapacity(uint64_t(shape_count), 2);
    HashTable<ColourCount, ColourCountTraits>& table = counts.table;
    if (!table.slots || table.mask + 1 != capacity) {
        ReleaseColourCounts(counts);
        table.slots = AllocateUnclearedTable<ColourCount>(size_t(capacity));
        if (!table.slots) return 0;
        table.mask = capacity - 1;
    }
    std::memset(table.slots, 0, size_t(capacity) * sizeof(ColourCount));
    counts.distinct = 0;
    // Only the shape's colours are kept: an original colour no shape vertex
    // holds can seed nothing.
    for (int32_t v = 0; v < shape_count; ++v) {
        ColourCount& slot = *table.Place(shape[v], shape[v]);
        if (slot.colour == 0) ++counts.distinct;
        slot.colour = shape[v];
        ++slot.shape;
    }
    for (int32_t v = 0; v < original_count; ++v) {
        ColourCount* slot = table.Find(original[v], original[v]);
        if (slot) ++slot->original;
    }
    return 1;
}

namespace {

// The slot holding a colour, or -1.
int64_t FindSlot(const ColourCounts& counts, uint64_t colour) {
    return counts.table.slots ? counts.table.IndexOf(colour, colour) : -1;
}

}  // namespace

ColourCount FindColour(const ColourCounts& counts, uint64_t colour) {
    int64_t s = FindSlot(counts, colour);
    return s < 0 ? ColourCount{} : counts.table.slots[s];
}

int32_t LinkColourClasses(const ColourCounts& counts, const uint64_t* original, int32_t original_count,
                          ColourClasses& classes) {
    ReleaseColourClasses(classes);
    classes.head = AllocateUnclearedTable<int32_t>(size_t(counts.table.mask) + 1);
    classes.next = AllocateUnclearedTable<int32_t>(size_t(original_count) + 1);
    if (!classes.head || !classes.next) {
        ReleaseColourClasses(classes);
        return 0;
    }
    for (uint64_t s = 0; s <= counts.table.mask; ++s) classes.head[s] = -1;
    for (int32_t v = original_count - 1; v >= 0; --v) {
        int64_t slot = FindSlot(counts, original[v]);
        if (slot < 0) continue;
        classes.next[v] = classes.head[slot];
        classes.head[slot] = v;
    }
    return 1;
}

int32_t FirstOfColour(const ColourCounts& counts, const ColourClasses& classes, uint64_t colour) {
    int64_t s = FindSlot(counts, colour);
    return s < 0 || !classes.head ? -1 : classes.head[s];
}

void ReleaseColourClasses(ColourClasses& classes) {
    ReleaseBlock(classes.head);
    ReleaseBlock(classes.next);
    classes = ColourClasses{};
}

void ReleaseColourCounts(ColourCounts& counts) {
    ReleaseBlock(counts.table.slots);
    counts = ColourCounts{};
}
