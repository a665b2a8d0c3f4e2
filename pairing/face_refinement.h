#pragma once
// Vertices at one position told apart by the shape of their faces. Every
// vertex of such a position starts with the position's colour (every other
// vertex is its own colour: an original vertex its index, a matching vertex
// its partner's), and each round a vertex's colour becomes that of the
// faces round it: for each face, the colours of its other corners in order
// from the vertex on. Rounds repeat while they tell more vertices apart.
// A colour then held by one original and one matching vertex pairs them:
// the tip of a tooth whose ring and centre collapsed to a point, where every
// face holds the tip two or three times and no single face decides, comes
// apart this way. O(c log c) a round in the corners of the faces round the
// position's vertices.
#include <cstdint>

#include "model/model.h"

// `clustered` marks the original vertices whose position is in question
// (those of a position several share, or that an unsure matching vertex
// might take); `key` gives each original vertex its position's lowest
// vertex. A matching vertex whose partner is clustered is in question too.
// Rechooses partner[q] where a colour pairs q alone with an original vertex
// and sets decided[q] (n entries, left as they are elsewhere). Both models
// need their faces. 1, or 0 with `partner` unchanged when memory can't be
// had.
int32_t RefineByFaces(const Model& original, const Model& matching, const uint8_t* clustered, const int32_t* key,
                      int32_t* partner, uint8_t* decided);
