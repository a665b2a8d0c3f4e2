// Pairing by a partner array: found for all matching vertices at once,
// checked, then handed to the renumbering.
#include "morph/pair_vertices.h"

#include "platform/block.h"
#include "morph/coincident_vertices.h"
#include "pairing/match_diagnostics.h"
#include "pairing/pairing.h"
#include "pairing/renumber_vertices.h"

namespace {

void Step(OperationHost* host) {
    if (host) host->StepProgress();
}

// The first index whose entry is `value`, or count.
template <typename T>
int32_t FirstOf(const T* entries, int32_t count, T value) {
    int32_t i = 0;
    while (i < count && entries[i] != value) ++i;
    return i;
}

void NoteAmbiguity(const uint8_t* ambiguous, int32_t n, ConvertDiagnostics& diagnostics) {
    diagnostics.ambiguous_count = 0;
    diagnostics.ambiguous_listed = 0;
    for (int32_t i = 0; i < n; ++i) {
        if (!ambiguous[i]) continue;
        if (diagnostics.ambiguous_listed < kListedVertexCount)
            diagnostics.ambiguous[diagnostics.ambiguous_listed++] = i + 1;
        ++diagnostics.ambiguous_count;
    }
}

}  // namespace

int32_t PairVertices(Model& matching, const Model& original, const PairingRules& rules, int32_t& match_count,
                     OperationHost* host, ConvertDiagnostics* diagnostics) {
    const int32_t n = matching.vertex_count;
    if (n <= 0 || original.vertex_count <= 0 || !matching.vertices || !original.vertices) return 0;
    ScopedBlock<int32_t> partner(AllocateUnclearedTable<int32_t>(size_t(n)));
    ScopedBlock<uint8_t> ambiguous(AllocateTable<uint8_t>(size_t(n)));  // stays clear for exact pairing
    if (!partner.Get() || !ambiguous.Get()) return 0;

    Step(host);
    if (FindPartners(original, matching, rules.tolerance, partner.Get(), ambiguous.Get()) < 0) return 0;
    Step(host);

    if (diagnostics) NoteAmbiguity(ambiguous.Get(), n, *diagnostics);
    match_count = FirstOf<int32_t>(partner.Get(), n, -1);
    if (match_count < n && rules.part_only) return -5;
    if (match_count < n) {
        if (diagnostics) DiagnoseUnpaired(original, matching, partner.Get(), *diagnostics);
        return 0;
    }
    if (rules.strict) {
        match_count = FirstOf<uint8_t>(ambiguous.Get(), n, 1);
        if (match_count < n) return 0;
    }
    TieCounts ties;
    if (!SettleCoincidentVertices(original, matching, partner.Get(), ties, ambiguous.Get(), rules.tolerance)) return 0;
    if (diagnostics) diagnostics->coincident = ties;
    VertexSharing sharing{-1, -1};
    if ((rules.part_only || (diagnostics && rules.count_sharing)) &&
        !CountVertexSharing(original.vertices, original.vertex_count, partner.Get(), n, sharing))
        return 0;
    if (rules.part_only && !IsPlainPart(sharing)) return -5;
    if (diagnostics && (rules.count_sharing || rules.part_only)) diagnostics->sharing = sharing;
    if (!RenumberToOriginal(matching, original, partner.Get(), !ties.Settled())) return 0;
    Step(host);
    return 1;
}
