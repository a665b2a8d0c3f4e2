#pragma once
// Seeds from colour refinement, for the parts of a shape that nothing else
// seeds: in each, the vertex whose colour the fewest vertices share, and the
// original vertices of that colour as its candidate partners.
#include <cstdint>

#include "pairing/topology/colour_refinement.h"
#include "pairing/topology/mesh_parts.h"
#include "pairing/topology/topology_mesh.h"

struct ColourSeeds {
    uint64_t* original = nullptr;  // the last colours of the original vertices
    uint64_t* shape = nullptr;     // and of the shape vertices
    ColourCounts counts;
    ColourClasses classes;
    int32_t* part_vertex = nullptr;  // per part in need: its seed vertex, or -1 when no colour is shared
};

// Refines until the colours are stable, every part in need has a colour held
// once in each mesh, or the rarest colour of each is held by at most `few`
// vertices of either mesh and has stopped getting rarer. `needs` holds
// nonzero for each part that wants a seed. Returns 0 when memory can't be had.
int32_t FindColourSeeds(const MeshAdjacency& original, const MeshAdjacency& shape, const MeshParts& parts,
                        const uint8_t* needs, uint32_t few, ColourSeeds& seeds);

constexpr int32_t kMostColourCandidates = 128;

// Up to `capacity` (at most kMostColourCandidates) original vertices of shape vertex b's colour that are not
// claimed yet, the nearest to b less `shift` first when both positions are
// known. Returns how many.
int32_t ColourCandidates(const ColourSeeds& seeds, int32_t b, const int32_t* claimed, const float* original_positions,
                         const float* shape_positions, const double shift[3], int32_t* candidates,
                         int32_t capacity);

// A seed away from shape face `face`, where the tries of a part stopped: of
// the part's faces reached last breadth first from it (or failing those, of
// all its faces), the vertex whose colour the fewest vertices share, at most
// `few` of either mesh. Returns the vertex, -1 when there is none, -2 when
// memory can't be had.
int32_t FarColourSeed(const ColourSeeds& seeds, const MeshAdjacency& shape, int32_t face, uint32_t few);

void ReleaseColourSeeds(ColourSeeds& seeds);
