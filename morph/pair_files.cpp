// The pairing step of Convert without the renumbering and the write: the
// same matchers, the same rule for a vertex that sits where the original
// vertex of its own index sits, the same diagnostics.
#include "morph/pair_files.h"

#include "model/model.h"
#include "morph/coincident_vertices.h"
#include "morph/convert_messages.h"
#include "morph/pair_vertices.h"
#include "morph/topology_pairing.h"
#include "pairing/equal_positions.h"
#include "pairing/match_diagnostics.h"
#include "pairing/pairing.h"
#include "pairing/tolerant_partners.h"
#include "platform/block.h"
#include "platform/text.h"

FilePairing::~FilePairing() { ReleaseBlock(partner); }

namespace {

void NoteAmbiguity(const uint8_t* ambiguous, int32_t n, ConvertDiagnostics& diagnostics) {
    for (int32_t i = 0; i < n; ++i) {
        if (!ambiguous[i]) continue;
        if (diagnostics.ambiguous_listed < kListedVertexCount)
            diagnostics.ambiguous[diagnostics.ambiguous_listed++] = i + 1;
        ++diagnostics.ambiguous_count;
    }
}

// The first vertex without a partner, or n.
int32_t FirstUnpaired(const int32_t* partner, int32_t n) {
    int32_t i = 0;
    while (i < n && partner[i] >= 0) ++i;
    return i;
}

// Pairing by position: 1, or 0 with match_count the vertices before the
// first that failed (no partner, or ambiguous in a strict run).
int32_t PairByPosition(const Model& original, const Model& matching, double tolerance, const ConvertOptions& options,
                       int32_t* partner, int32_t& match_count) {
    const int32_t n = matching.vertex_count;
    ConvertDiagnostics* diagnostics = options.diagnostics;
    ScopedBlock<uint8_t> ambiguous(AllocateTable<uint8_t>(size_t(n)));
    if (!ambiguous.Get() || FindPartners(original, matching, tolerance, partner, ambiguous.Get()) < 0) return 0;
    if (diagnostics) NoteAmbiguity(ambiguous.Get(), n, *diagnostics);
    match_count = FirstUnpaired(partner, n);
    if (match_count < n) {
        if (diagnostics) DiagnoseUnpaired(original, matching, partner, *diagnostics);
        return 0;
    }
    if (options.strict) {
        match_count = 0;
        while (match_count < n && !ambiguous[size_t(match_count)]) ++match_count;
        if (match_count < n) return 0;
    }
    // Coincident original vertices go by the faces, as Convert's do; where
    // no position is shared, Convert keeps the index of a vertex already
    // where the original vertex of that index sits.
    TieCounts ties;
    if (!SettleCoincidentVertices(original, matching, partner, ties, ambiguous.Get(), tolerance)) return 0;
    if (diagnostics) diagnostics->coincident = ties;
    if (ties.Settled()) return 1;
    for (int32_t i = 0; i < n && i < original.vertex_count; ++i)
        if (PositionsEqual(matching.vertices[i], original.vertices[i])) partner[i] = i;
    return 1;
}

// Whether each original vertex is the partner of exactly one matching vertex.
int32_t IsOneToOne(const int32_t* partner, int32_t n, int32_t m) {
    if (n != m) return 0;
    ScopedBlock<uint8_t> taken(AllocateTable<uint8_t>(size_t(m)));
    if (!taken.Get()) return 0;
    for (int32_t i = 0; i < n; ++i) {
        if (partner[i] < 0 || partner[i] >= m || taken[size_t(partner[i])]) return 0;
        taken[size_t(partner[i])] = 1;
    }
    return 1;
}

// What every successful pairing reports: whether it is one to one, how
// the original's vertices are shared.
// the original's vertices are shared, and what the pairing does to the
// original's faces.
void NotePaired(const Model& original, const Model& matching, ConvertDiagnostics* diagnostics, FilePairing& pairing) {
    const int32_t n = pairing.matching_vertices;
    pairing.one_to_one = IsOneToOne(pairing.partner, n, original.vertex_count);
    if (!diagnostics) return;
    CountVertexSharing(original.vertices, original.vertex_count, pairing.partner, n, diagnostics->sharing);
    diagnostics->checked = CheckPairing(original, matching, pairing.partner, diagnostics->check);
}

// Convert's refusal of another vertex count: -5 with its message and
// diagnosis.
int32_t CountsDiffer(const Model& original, const Model& matching, const ConvertOptions& options, char* message) {
    WriteVertexCountsDiffer(message, original.vertex_count, matching.vertex_count);
    CountDiagnosis counts{};
    if (options.diagnostics && DiagnoseVertexCounts(original.vertices, original.vertex_count, matching.vertices,
                                                    matching.vertex_count, counts)) {
        options.diagnostics->missing_count = counts.missing_count;
        options.diagnostics->sharing = counts.sharing;
    }
    return -5;
}

// As Convert: a copy with fewer vertices, paired by position without leave
// to change the count, pairs only if it is a part of the original.
bool MayBePart(const Model& original, const Model& matching, const ConvertOptions& options) {
    return matching.vertex_count > 0 && matching.vertex_count < original.vertex_count &&
           !options.allow_count_change && !options.by_topology;
}

// Whether the pairing of a copy that MayBePart is a part.
bool PairedPart(const Model& original, const FilePairing& pairing) {
    VertexSharing sharing{-1, -1};
    return CountVertexSharing(original.vertices, original.vertex_count, pairing.partner, pairing.matching_vertices,
                              sharing) &&
           IsPlainPart(sharing);
}

// Convert's vertex-count checks, without the face-count question.
int32_t CheckCounts(const Model& original, const Model& matching, const ConvertOptions& options, char* message) {
    if (original.vertex_count != matching.vertex_count && !options.allow_count_change &&
        !MayBePart(original, matching, options))
        return CountsDiffer(original, matching, options, message);
    if (original.vertex_count == 0 || matching.vertex_count == 0) {
        WriteNoVertices(message, original.vertex_count, matching.vertex_count);
        return -6;
    }
    return 1;
}

// Both files loaded: the pairing as Convert's Match makes it.
int32_t PairLoaded(const Model& original, const Model& matching, const ConvertOptions& options, char* message,
                   FilePairing& pairing) {
    ConvertDiagnostics* diagnostics = options.diagnostics;
    if (diagnostics) {
        diagnostics->original_vertices = original.vertex_count;
        diagnostics->matching_vertices = matching.vertex_count;
    }
    if (int32_t code = CheckCounts(original, matching, options, message); code != 1) return code;
    const int32_t n = matching.vertex_count;
    double tolerance = options.automatic_tolerance ? AutoTolerance(original.vertices, original.vertex_count)
                                                   : options.tolerance;
    if (diagnostics) diagnostics->tolerance = tolerance;
    pairing.partner = AllocateUnclearedTable<int32_t>(size_t(n) + 1);
    if (!pairing.partner) return -7;
    pairing.matching_vertices = n;
    int32_t match_count = 0;
    if (options.by_topology) {
        TopologyPairingOptions topology{tolerance, options.seeds, options.seed_count, options.strict,
                                        options.accept_unsure};
        TopologyMatch result;
        char text[kMessageCapacity] = {};
        if (PairByTopology(original, matching, topology, pairing.partner, result, text, kMessageCapacity)) {
            if (diagnostics) CopyText(diagnostics->topology_note, text);
            NotePaired(original, matching, diagnostics, pairing);
            return 1;
        }
        if (diagnostics) diagnostics->refused_unsure = result.failure == kTopologyPaired;
        ReleaseBlock(pairing.partner);
        pairing.partner = nullptr;
        CopyText(message, kMessageCapacity, text[0] ? text : "There is not enough memory to pair the vertices.\r\n");
        return -7;
    }
    const bool part = MayBePart(original, matching, options);
    if (PairByPosition(original, matching, tolerance, options, pairing.partner, match_count) &&
        (!part || PairedPart(original, pairing))) {
        NotePaired(original, matching, diagnostics, pairing);
        return 1;
    }
    if (part) {  // neither the whole nor a part: the count is what differs
        ReleaseBlock(pairing.partner);
        pairing.partner = nullptr;
        return CountsDiffer(original, matching, options, message);
    }
    WriteNotAllMatched(message, match_count, n);
    return -7;
}

}  // namespace

int32_t PairFiles(const char* original_path, const char* matching_path, OperationHost* host, char* message,
                  const ConvertOptions* given, FilePairing& pairing) {
    if (!original_path || !matching_path || !host || !message) return 0;
    const ConvertOptions exact;
    const ConvertOptions& options = given ? *given : exact;
    if (options.diagnostics) *options.diagnostics = ConvertDiagnostics{};
    // The faces of both: for connectivity, for coincident vertices and for
    // the check of the pairing.
    using Load = int32_t (Model::*)(const char*, bool);
    Load load = static_cast<Load>(&Model::LoadObj);
    Model original;
    Model matching;
    host->ShowStatus("Loading original file...(please wait)");
    host->StepProgress();
    if (!(original.*load)(original_path, false)) {
        if (options.diagnostics) options.diagnostics->reason = original.load_error;
        WriteOriginalNotLoaded(message, original_path);
        return -2;
    }
    host->ShowStatus("Loading matching file...(please wait)");
    host->StepProgress();
    if (!(matching.*load)(matching_path, false)) {
        if (options.diagnostics) options.diagnostics->reason = matching.load_error;
        WriteMatchingNotLoaded(message, matching_path);
        return -3;
    }
    pairing.original_faces = original.TotalFaceCount();
    pairing.matching_faces = matching.TotalFaceCount();
    host->ShowStatus("Matching vertices...(please wait)");
    int32_t code = PairLoaded(original, matching, options, message, pairing);
    host->SetProgress(1, 1);
    matching.Release();
    original.Release();
    ReleaseSpareBlocks();
    return code;
}
