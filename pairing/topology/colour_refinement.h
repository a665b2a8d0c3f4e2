#pragma once
// Colours that tell vertices apart by their neighbourhood alone, computed
// over two meshes with one rule so that equal colours mean the same thing in
// both: first from a vertex's number of corners, then each round from its own
// colour and the colours of its neighbours along every face edge. A pairing
// that carries the faces of one mesh onto the other keeps every colour.
#include <cstdint>

#include "pairing/topology/topology_mesh.h"
#include "platform/hash_table.h"

// The first colours, from each vertex's corners and the sizes of their faces.
void StartColours(const MeshAdjacency& mesh, uint64_t* colours);

// One round: `refined` gets each vertex's next colour. No colour is 0.
void RefineColours(const MeshAdjacency& mesh, const uint64_t* colours, uint64_t* refined);

// How many vertices of each mesh hold one colour that some shape vertex holds.
struct ColourCount {
    uint64_t colour;  // 0 for a free slot
    uint32_t original;
    uint32_t shape;
};

struct ColourCountTraits {
    static bool IsEmpty(const ColourCount& slot) { return slot.colour == 0; }
    static bool Matches(const ColourCount& slot, uint64_t colour) { return slot.colour == colour; }
};

// Filed by the colour itself: colours are hashes already.
struct ColourCounts {
    HashTable<ColourCount, ColourCountTraits> table;
    int64_t distinct = 0;  // colours held by shape vertices
};

// Counts the colours of both meshes, reusing the table's memory. Returns 0
// when memory can't be had.
int32_t CountColours(const uint64_t* original, int32_t original_count, const uint64_t* shape, int32_t shape_count,
                     ColourCounts& counts);

// The entry of a colour; a zero entry when no vertex holds it.
ColourCount FindColour(const ColourCounts& counts, uint64_t colour);

void ReleaseColourCounts(ColourCounts& counts);

// The original vertices of each colour a shape vertex holds, each list in
// ascending order.
struct ColourClasses {
    int32_t* head = nullptr;  // per slot of the counts: its first vertex, or -1
    int32_t* next = nullptr;  // per original vertex: the next of its colour, or -1
};

// Returns 0 when memory can't be had.
int32_t LinkColourClasses(const ColourCounts& counts, const uint64_t* original, int32_t original_count,
                          ColourClasses& classes);

// The first original vertex of a colour, or -1.
int32_t FirstOfColour(const ColourCounts& counts, const ColourClasses& classes, uint64_t colour);

void ReleaseColourClasses(ColourClasses& classes);
