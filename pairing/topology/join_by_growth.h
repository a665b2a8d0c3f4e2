#pragma once
// Joining a triangulated copy whose faces lie in any order (sorted at random
// after the split): the original's faces are grown over from a seed, across
// the edges they share, and for each the shape's faces that cover it are
// taken wherever they stand in the file. Each original face is reached
// across an edge whose two vertices are paired already; where that leaves a
// choice (a quad has two diagonals) the face waits until a neighbour pairs
// more of its corners or the mesh's border decides. Seeds are vertices paired by the caller's candidates (or by
// positions each mesh holds once), else a few vertices of the kind the
// original has fewest of (a corner of a sheet, the pole of a sphere), each
// tried in turn until one covers its whole part.
#include <cstdint>

#include "pairing/topology/split_quads.h"

// Fills `joined` and sets `view` to the shape's faces joined into the
// original's, in the original's face order, and returns 1; -1 when they
// can't be, or not surely (faces left with a choice that nothing decides:
// a closed mesh every position of which moved), naming in `joined` the
// shape face where the best try stopped;
// 0 when memory can't be had. `candidates`: per shape vertex the original
// vertex it likely pairs with, or -1; may be null.
int32_t JoinByGrowth(const TopologyMesh& original, const TopologyMesh& shape, const int32_t* candidates,
                     JoinedQuads& joined, TopologyMesh& view);
