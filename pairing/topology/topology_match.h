#pragma once
// Matching by connectivity: pairs the vertices of a shape with those of the
// original mesh when every position may have moved, from how the faces hang
// together alone. Two meshes correspond when a one-to-one map of vertices
// carries every face of one onto a face of the other, corner cycles equal up
// to where they start and which way round they run: a part may be turned
// over as a whole, and single faces of it too (an exporter or a tool that
// flipped some normals), which are counted. Vertex order, face order and
// start corners may all differ.
// A shape whose quads (and polygons) were split into triangles is matched
// with them joined again: by where the file writes them, or, when they lie
// in any order, by the edges they share.
#include <cstdint>

#include "pairing/topology/topology_mesh.h"

// Three vertices of one original face and the shape vertices they
// correspond to, 0-based.
struct TopologySeed {
    int32_t original[3];
    int32_t shape[3];
};

struct TopologyOptions {
    // Per shape vertex, the original vertex it is believed to pair with (from
    // position matching with a tolerance, say), or -1; a vertex named twice is
    // ignored. Null: vertices at exactly equal positions, each position held
    // once in each mesh.
    const int32_t* candidates = nullptr;
    const TopologySeed* seeds = nullptr;  // each decides its part, before anything found
    int32_t seed_count = 0;
    // Faces turned over against the rest of their part fail the match
    // (kTopologyTurnedFaces) instead of being counted.
    bool refuse_turned_faces = false;
};

enum TopologyFailure : int32_t {
    kTopologyPaired = 0,
    kTopologyBadInput,        // a malformed mesh or a seed out of range
    kTopologyNoMemory,
    kTopologyCountsDiffer,    // the vertex counts
    kTopologyBadSeed,         // a seed's vertices are not of one face in each mesh, in one order
    kTopologyFaceDiffers,     // the connectivity differs at first_difference
    kTopologyUnseeded,        // parts of the shape no seed was found for
    kTopologyUnpairedVertices,  // vertices in no face, without a candidate
    kTopologyTurnedFaces,       // faces turned over, refused; everything else paired
};

constexpr int32_t kTopologyListCapacity = 8;    // parts listed in each list below
constexpr int32_t kTopologyCornerCapacity = 8;  // corners listed of a face

// A connected part of the shape (faces joined by edges two faces share).
struct TopologyPart {
    int32_t first_face;  // its lowest shape face
    int32_t face_count;
    double chosen;  // symmetric parts: sum of squared distances of the chosen pairing
    double other;   // and of the other one; both 0 without positions
};

// A face where the connectivity differs; face numbers and vertices 0-based.
struct TopologyFace {
    int32_t face;  // -1 when there is none
    int32_t corner_count;
    int32_t vertices[kTopologyCornerCapacity];  // the first corners
};

struct TopologyMatch {
    int32_t failure = kTopologyPaired;  // the first problem met
    int32_t paired_count = 0;           // shape vertices paired
    int32_t part_count = 0;
    int32_t reversed_part_count = 0;    // parts whose faces mostly run the other way round
    // Faces that run the other way round from most of their part's, and the
    // lowest numbered of them (vertices in the caller's numbers).
    int32_t turned_face_count = 0;
    TopologyFace turned_face{-1, 0, {}};
    // Where a part stopped first: the shape face and the original face it met
    // there (face -1 for an original face no shape face reached).
    TopologyFace shape_face{-1, 0, {}};
    TopologyFace original_face{-1, 0, {}};
    // Other alignments of that part differ in as many places: the face named
    // may be a mirror image (or a turn) of the one that differs.
    bool symmetric_difference = false;
    int32_t unseeded_count = 0;  // parts no seed was found for
    TopologyPart unseeded[kTopologyListCapacity] = {};
    // Parts with two pairings within 1 % of each other's distance, or that
    // nothing but positions could tell apart; the nearer one was taken.
    int32_t symmetric_count = 0;
    TopologyPart symmetric[kTopologyListCapacity] = {};
    // Parts paired by position among parts alike (the same connectivity),
    // and of them those with another original part nearly as near.
    int32_t alike_part_count = 0;
    int32_t ambiguous_part_count = 0;
    // Faces of the original joined again from the shape's triangles (two for
    // a quad): a copy whose quads the exporter split.
    int32_t joined_face_count = 0;
    int32_t joined_polygon_count = 0;  // of them, faces of more than four corners joined from n - 2 triangles
    // Faces the shape has beyond the original's when its quads look split
    // (as many vertices, more faces, more triangles) but its triangles
    // could not be joined again into the original's faces; 0 otherwise.
    int32_t unjoined_face_count = 0;
    TopologyFace unjoined_face{-1, 0, {}};  // then the first shape face that couldn't be joined, when known
    int32_t unpaired_count = 0;      // shape vertices without a partner
    int32_t first_unpaired = -1;
};

// Fills partner[b] (shape vertex_count entries) with the original vertex
// paired with shape vertex b, or -1. Returns 1 when every shape vertex is
// paired one-to-one with an original vertex and every face of each mesh with
// a face of the other; otherwise 0, with the reasons in `result` and in
// partner what was paired: whole parts, and of a part that differs what
// paired before the face where it does. Works in time linear in the corners
// of both meshes, apart from the few seed alignments tried per part.
int32_t MatchByTopology(const TopologyMesh& original, const TopologyMesh& shape, const TopologyOptions& options,
                        int32_t* partner, TopologyMatch& result);
