#pragma once
// Pairing the vertices of two loaded Models by how their faces hang
// together, for a shape whose positions all moved (sculpted) as well as its
// order: the step the shapes and convert operations run before they renumber
// a model and write it.
#include <cstdint>

#include "model/model.h"
#include "pairing/topology/piece_match.h"
#include "pairing/topology/topology_match.h"

struct TopologyPairingOptions {
    // Above 0: a shape vertex's likely partner is its partner within this
    // tolerance (see FindTolerantPartners), unless another original position
    // is within it too. 0: the original vertex at an equal position, when
    // each mesh holds that position once.
    double tolerance = 0;
    const TopologySeed* seeds = nullptr;  // 0-based vertices; each decides its part
    int32_t seed_count = 0;
    bool refuse_turned_faces = false;  // --strict: a face turned over fails the pairing
    // A choice the match could not be sure of (alike parts with another
    // nearly as near, a mirror image or turn within the margin) is taken
    // with a note; without, the pairing fails naming the parts.
    bool accept_unsure = false;
    // A shape with fewer vertices than the original is a piece cut out of it
    // (a sculpted head): paired as MatchPieceByTopology pairs one.
    bool pieces = false;
};

// Fills partner[b] (shape.vertex_count entries) with the original vertex
// that shape vertex b pairs with. Both Models must hold their faces (loaded
// with LoadObj, not LoadObjPositions). Returns 1 when every vertex paired:
// `message` then holds a note for the user when a part was symmetric enough
// to need checking, else "". Returns 0 otherwise, with partner undefined and
// `message` saying why in the user's terms: the parts that couldn't be
// seeded, the first face where the connectivity differs with its vertex
// numbers in both files (1-based), how many vertices paired. Files are named
// by the Models' file names. `message` has `capacity` bytes; text is cut to
// fit. `result` gets the matcher's own account.
// With options.pieces, a piece leaves partner -1 for no vertex on success
// and `piece_seeding` (when given) says how it was seeded; a piece whose faces run
// the other way round from the original's (a mirrored export, which fits as
// well where its positions lie as where it was cut) is an unsure choice.
int32_t PairByTopology(const Model& original, const Model& shape, const TopologyPairingOptions& options,
                       int32_t* partner, TopologyMatch& result, char* message, int32_t capacity,
                       PieceSeeding* piece_seeding = nullptr);
