#pragma once
// Renumbering the matching model to the original's vertex table once every
// matching vertex has a partner, whatever the two vertex counts: a copy
// whose vertices were split holds several vertices with one partner, a copy
// whose vertices were welded leaves original vertices without any.
#include <cstdint>

#include "model/model.h"

// Replaces the matching model's vertex table by the original's positions in
// the original's order (mark 0; link: for record k below the matching
// model's old vertex count, partner[k], else -1) and rewrites each corner's
// vertex index: matching vertex i keeps index i when it sits exactly where
// original vertex i sits, and takes partner[i] otherwise, as exact matching
// does, so that a pair paired within a tolerance but never perturbed comes
// out exactly as exact matching makes it. `partner` holds one original
// index per matching vertex. Returns 0, changing nothing, when a partner is
// missing or out of range, a table is empty or memory can't be had.
// Without `keep_own_index` every vertex takes its partner (partners already
// chosen among coincident original vertices).
int32_t RenumberToOriginal(Model& matching, const Model& original, const int32_t* partner,
                           bool keep_own_index = true);

// The colours of the matching model's vertices once renumbered to the
// original's table, for a matching model that has colours: record k takes
// the colour of the first matching vertex whose corners move to k
// (target[i], one per matching vertex), else the original's own colour
// (white where it has none). Returns 1 (also, changing nothing, when the
// matching model has no colours), or 0, changing nothing, when memory can't
// be had.
int32_t RenumberColours(Model& matching, const Model& original, const int32_t* target);

// Rewrites every face corner's and `l` line corner's vertex index v of
// `model` (0 <= v < count) to renumbered[v]; other indices stay as they are. Up to `threads` threads
// share the corners when the vertex lists lie packed in the pool.
void RenumberCornerVertices(Model& model, const int32_t* renumbered, int32_t count, int32_t threads = 1);

