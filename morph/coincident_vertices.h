#pragma once
// Pairing among coincident original vertices by the faces, for the
// operations that pair by position: the faces each model lacks (a model
// loaded for its positions alone) are read again from its file, only when
// some position is shared.
#include <cstdint>

#include "model/model.h"
#include "pairing/coincident_ties.h"

// The model itself when it has its faces (or has none), else the same file
// read whole into `whole`; null when that file no longer holds the same
// positions or can't be read.
const Model* WithFaces(const Model& model, Model& whole);

// Rechooses, by the faces, the partner of every matching vertex whose
// position several original vertices share (pairing/coincident_ties.h).
// `partner` holds the search's partner of every matching vertex, all found.
// `counts` gets how many the faces chose and how many went by index; both
// stay 0 when no position is shared, which costs one pass over `partner`
// for equal counts. A model without its face records is read again from
// its file (which must still hold the same positions; otherwise every tie
// goes by index). Returns 1, or 0 with `partner` unchanged when memory
// can't be had.
// Matching vertices flagged in `ambiguous` (had original vertices at two or
// more positions within `tolerance`) are rechosen by the faces as well,
// among the original vertices within the tolerance (pairing/face_repair.h).
int32_t SettleCoincidentVertices(const Model& original, const Model& matching, int32_t* partner, TieCounts& counts,
                                 const uint8_t* ambiguous = nullptr, double tolerance = 0);
