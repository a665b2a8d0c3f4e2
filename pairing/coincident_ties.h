#pragma once
// Ties among coincident original vertices: where the original holds several
// vertices at one position (a seam split in the base, a leg touching a
// body), a search by position gives every matching vertex there the lowest
// of them, which welds the base. Each such matching vertex is given instead
// the one whose faces correspond to its own: a face of the matching model
// and a face of the original whose corners lie at the same positions in the
// same cyclic order, and no other face of either lies there so, pair their
// corners. Only where no face tells the candidates apart does the vertex
// take the original vertex of its own index (when that one is among them
// and still free), else the lowest one still free: with as many matching as
// original vertices at a position the pairing there is one to one.
#include <cstdint>

#include "model/model.h"

struct TieCounts {
    int32_t broken = 0;    // matching vertices at a shared position whose faces chose their partner
    int32_t unbroken = 0;  // those that nothing told apart, paired by index
    int32_t ambiguous_by_faces = 0;  // vertices ambiguous within a tolerance whose faces chose among the candidates
    // Whether the faces chose any partner: the partners are then final, and
    // no vertex goes back to the original vertex of its own index.
    bool Settled() const { return broken + unbroken + ambiguous_by_faces > 0; }
};

// 1 when some original vertex is the partner of two or more matching
// vertices: without that no original position is shared by partners
// (when every matching vertex has one and the counts are equal). n
// partners into m original vertices; entries outside 0..m-1 are skipped.
// -1 when memory can't be had.
int32_t PartnersRepeat(const int32_t* partner, int32_t n, int32_t m);

// The search's partners at shared positions, rechosen by the faces.
struct CoincidentTies {
    int32_t* first = nullptr;  // for each original vertex, the lowest one at its position
    int32_t tied = 0;          // matching vertices whose partner's position other original vertices share

    CoincidentTies() = default;
    CoincidentTies(const CoincidentTies&) = delete;
    CoincidentTies& operator=(const CoincidentTies&) = delete;
    ~CoincidentTies();

    // Finds which matching vertices are tied. `partner` holds, for each of n
    // matching vertices, an original vertex at (or nearest to) its position,
    // each one the lowest at its position, as both searches give. 1, or 0
    // when memory can't be had.
    int32_t Find(const Vertex* original, int32_t m, const int32_t* partner, int32_t n);

    // Rechooses the partner of every tied matching vertex. `original_faces`
    // and `matching_faces` are Models whose faces index the original's and
    // the matching vertex tables (null, or without faces: every tie is then
    // broken by index). 1, or 0 with `partner` unchanged when memory can't
    // be had.
    int32_t Break(int32_t m, const Model* original_faces, const Model* matching_faces, int32_t n, int32_t* partner,
                  TieCounts& counts);
};
