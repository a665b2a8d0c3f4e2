#pragma once
// Partners made to agree with the original's faces. A search by position
// can't tell apart original vertices at one position (a seam, the collapsed
// tip of a tooth) or within one tolerance of a vertex, and a pairing by the
// faces' position cycles can't either where one face holds a position twice
// (a degenerate triangle) or several faces have the same cycle. Here every
// face of the matching model that holds such an unsure vertex asks the
// original: which vertex completes the face whose other corners, in this
// order, are the partners of mine? The answers are votes, and an unsure
// vertex moves to the candidate its faces vote for most, or swaps with the
// vertex holding it, whenever that makes more faces the original's. Rounds
// repeat while anything moves, so that vertices whose neighbours are unsure
// too settle once those have. Each round sorts the votes and the original's
// faces around the vertices in play: O(c log c) in their corners.
#include <cstdint>

#include "model/model.h"

struct FaceRepair {
    // Per matching vertex: 1 when the partner it ends with is the one its
    // faces vote for above every other candidate. Owned here.
    uint8_t* decided = nullptr;
    int32_t moved = 0;  // partners changed

    FaceRepair() = default;
    FaceRepair(const FaceRepair&) = delete;
    FaceRepair& operator=(const FaceRepair&) = delete;
    ~FaceRepair();

    // Rechooses partner[q] of every matching vertex q with unsure[q] set
    // among the original vertices within `tolerance` of it (each coordinate;
    // 0: at an equal position). `original` and `matching` must hold their
    // faces; partner has matching.vertex_count entries, all in range. With
    // as many matching as original vertices, a move never gives one
    // original vertex to two matching vertices that didn't share it before.
    // 1, or 0 with `partner` unchanged when memory can't be had.
    int32_t Run(const Model& original, const Model& matching, double tolerance, const uint8_t* unsure,
                int32_t* partner);
};
