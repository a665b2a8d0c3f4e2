#pragma once
// Pairing for copies that exact matching refuses: positions a little off (a
// tolerance) or another vertex count (split or welded vertices). The Convert
// operation runs it in place of MatchVertices when asked to.
#include <cstdint>

#include "model/model.h"
#include "morph/convert.h"
#include "morph/host.h"

struct PairingRules {
    double tolerance;     // 0: equal positions only
    bool strict;          // an ambiguous vertex fails the pairing
    bool count_sharing;   // work out the diagnostics' vertex sharing on success
    // The copy has fewer vertices and may only be a part of the original
    // (IsPlainPart); anything else is refused with -5.
    bool part_only = false;
};

// Pairs every matching vertex with an original vertex (the lowest-indexed
// one at an equal position, or the nearest within the tolerance; among
// coincident original vertices the one the faces choose) and, when
// all have one, renumbers the matching model to the original's vertex table
// (RenumberToOriginal). Returns 1; -5 with the matching model unchanged when
// the rules ask for a part and the copy is not one (nor is every vertex
// paired); or 0 with the matching model unchanged:
// a vertex has no partner (match_count: the vertices before it), the run is
// strict and a vertex is ambiguous (match_count: the vertices before it), or
// memory ran out. Fills the ambiguity and coincident vertices of
// `diagnostics` and, on a failed pairing, its unpaired vertices, when given.
int32_t PairVertices(Model& matching, const Model& original, const PairingRules& rules, int32_t& match_count,
                     OperationHost* host, ConvertDiagnostics* diagnostics);

// Fills the failed-match part of `diagnostics` from `partner` (an original
// index per matching vertex, -1 for none): the true counts, the first
// vertices without a partner with their nearest original vertex, and the
// tolerance to suggest. Returns 0, leaving the nearest vertices and the
// suggestion unset, when the working memory can't be had.
int32_t DiagnoseUnpaired(const Model& original, const Model& matching, const int32_t* partner,
                         ConvertDiagnostics& diagnostics);
