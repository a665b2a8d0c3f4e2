#pragma once
// Pairing two meshes face by face: from one seed face across every edge the
// face shares with exactly one other, breadth first, each step fixing the
// corner order of the next face and checking it.
#include <cstdint>

#include "pairing/topology/topology_mesh.h"

// A seed face: its shape corner paired with an original corner, and which
// way round the original face runs against the shape's: +1 the same way, -1
// the opposite way. Each face grown from it keeps that way unless its edges
// say it was turned over against the face it was reached from.
struct SeedAlignment {
    int32_t shape_corner;
    int32_t original_corner;
    int32_t direction;
};

// The working state, shared by every part and every try. All tables start
// at -1; a try leaves what it paired until it is undone.
struct Growth {
    const MeshAdjacency* original = nullptr;
    const MeshAdjacency* shape = nullptr;
    int32_t* partner = nullptr;       // per shape vertex: its original vertex
    int32_t* claimed = nullptr;       // per original vertex: its shape vertex
    int32_t* face_partner = nullptr;  // per shape face: the original corner paired with its first corner
    int32_t* face_claimed = nullptr;  // per original face: its shape face
    int8_t* face_direction = nullptr;  // per shape face paired: the way its original face runs against it
    int32_t* faces = nullptr;         // the shape faces the current try paired, in the order reached
    int32_t* vertices = nullptr;      // the shape vertices the current try paired
    // A try set aside: its lists, the partners its faces had in list order
    // (complemented for faces paired the opposite way round), and per shape
    // vertex of its list the partner it had.
    int32_t* parked_faces = nullptr;
    int32_t* parked_face_partners = nullptr;
    int32_t* parked_vertices = nullptr;
    int32_t* parked_partners = nullptr;
    // Only for strict tries, null when unknown: a likely partner per shape
    // vertex (or -1), and colours that paired vertices must share.
    const int32_t* hints = nullptr;
    const uint64_t* original_colours = nullptr;
    const uint64_t* shape_colours = nullptr;
    // When both are known, a try adds up the squared distances of the pairs
    // it makes, each less `shift` (the shape's mean position less the
    // original's: what a sculpt that moved the whole mesh added, and would
    // otherwise swamp the fit), and gives up once the sum passes
    // distance_limit.
    const float* original_positions = nullptr;
    const float* shape_positions = nullptr;
    double distance_limit = 0;
    double shift[3] = {};
    // With positions, a try also stops once it has paired this many
    // vertices: enough to rank the alignments of a part that many could seed
    // by how near they land.
    int32_t vertex_limit = INT32_MAX;
    // A try goes on past faces that differ, across the other edges, and
    // counts the differences: of tries that all fail, the right one differs
    // the least.
    bool past_differences = false;
    // The shape is a piece cut out of the original: an edge on its border
    // may have a face beyond it in the original, which the cut left out.
    bool cut_out = false;
    // A part whose checks can be had is paired only by strict tries: a piece
    // fits many places of a large original, and its positions say which.
    bool strict_only = false;
};

// What one try paired, and where it stopped.
struct GrowthOutcome {
    int32_t face_count = 0;       // entries of Growth::faces
    int32_t vertex_count = 0;     // entries of Growth::vertices
    int32_t shape_face = -1;      // where the connectivity first differs, -1 when it never did
    int32_t original_face = -1;   // the original face met there, -1 when there is none
    double distance = 0;          // summed over the pairs made, less the shift
    double offset[3] = {};        // the pairs' shape positions less their partners', summed
    bool too_far = false;         // stopped by the distance limit or the vertex limit
    bool patch_full = false;      // stopped by the vertex limit
    int32_t differences = 0;      // edges and faces where the connectivity differs
    bool against_checks = false;  // a strict try stopped where a pair went against a hint or a colour
    // Going on past differences: what it had paired where it first differed,
    // as a try that stops there would have (the first entries of the lists).
    int32_t first_face_count = 0;
    int32_t first_vertex_count = 0;
    double first_distance = 0;
    double first_offset[3] = {};
};

// The summed squared distances of a try's pairs less what moving them all
// by one offset accounts for: a part that a sculpt carried on its own ranks
// its alignments by their fit alone.
inline double Spread(const GrowthOutcome& outcome) {
    const double* o = outcome.offset;
    double moved = (o[0] * o[0] + o[1] * o[1] + o[2] * o[2]) / (outcome.vertex_count > 0 ? outcome.vertex_count : 1);
    return outcome.distance > moved ? outcome.distance - moved : 0;
}

// Of two failed tries, whether `a` differs less, or as little but pairs
// more, or as much but nearer.
bool DiffersLess(const GrowthOutcome& a, const GrowthOutcome& b);

// Pairs every face reachable from the seed's, breadth first in an order that
// depends on the shape alone: tries from one shape corner that get as far
// pair the same shape vertices in the same order. A strict try also stops
// where a vertex would pair against its hint or with another colour. Returns
// 1 when everything reached paired, 0 when it stopped at outcome.shape_face
// (or went on past it) or went too far.
int32_t GrowFromSeed(Growth& growth, const SeedAlignment& seed, bool strict, GrowthOutcome& outcome);

// Takes back every pair the try made.
void UndoGrowth(Growth& growth, const GrowthOutcome& outcome);

// Takes back what a try that went on past differences paired after the
// first, and makes `outcome` that of a try that stopped there.
void UndoPastFirstDifference(Growth& growth, GrowthOutcome& outcome);

// Takes back every pair the try made, keeping them aside; one try at a time.
void ParkGrowth(Growth& growth, const GrowthOutcome& outcome);

// Makes the pairs of the try set aside again, which must all be free.
void RestoreGrowth(Growth& growth, const GrowthOutcome& outcome);
