#include "morph/convert.h"

#include <cstdio>

#include "platform/block.h"
#include "model/model.h"
#include "model/records.h"
#include "model/text.h"
#include "morph/equal_positions.h"
#include "morph/match_diagnostics.h"
#include "morph/pair_vertices.h"
#include "morph/topology_convert.h"
#include "morph/tolerant_partners.h"

namespace {

// Why exact matching failed: the partners it would have found, and what the
// vertices without one are like.
void DiagnoseExactMiss(const Model& original, const Model& matching, ConvertDiagnostics& diagnostics) {
    int32_t* partner = AllocateUnclearedTable<int32_t>(size_t(matching.vertex_count));
    if (partner && FindFirstEqualPositions(original.vertices, original.vertex_count, matching.vertices,
                                           matching.vertex_count, partner))
        DiagnoseUnpaired(original, matching, partner, diagnostics);
    ReleaseBlock(partner);
}

// How a copy with another vertex count relates to the original.
void DiagnoseCounts(const Model& original, const Model& matching, ConvertDiagnostics& diagnostics) {
    CountDiagnosis counts{};
    if (DiagnoseVertexCounts(original.vertices, original.vertex_count, matching.vertices, matching.vertex_count,
                             counts)) {
        diagnostics.missing_count = counts.missing_count;
        diagnostics.sharing = counts.sharing;
    }
}

// The faces whose material the matching file's library doesn't give: the
// new file writes them without one.
void NoteMissingMaterials(const Model& matching, ConvertDiagnostics& diagnostics) {
    diagnostics.library_missing = matching.has_mtllib && !matching.mtl_loaded;
    CopyText(diagnostics.library_name, matching.mtllib_name);
    diagnostics.faces_without_material = 0;
    for (int32_t g = 0; g < matching.group_count; ++g) {
        const Group& group = matching.groups[g];
        for (int32_t f = 0; group.faces && f < group.face_count; ++f)
            diagnostics.faces_without_material += group.faces[f].material_name != 0 && group.faces[f].material_index < 0;
    }
}

// Vertex matching as the options ask: by connectivity when asked (-1 with
// its own message on failure), the exact matcher for equal counts without a
// tolerance, the partner pairing otherwise.
int32_t Match(Model& matching, const Model& original, const ConvertOptions& options, int32_t& match_count,
              OperationHost* host, char* message) {
    ConvertDiagnostics* diagnostics = options.diagnostics;
    double tolerance = options.automatic_tolerance ? AutoTolerance(original.vertices, original.vertex_count)
                                                   : options.tolerance;
    if (diagnostics) diagnostics->tolerance = tolerance;
    if (options.by_topology) {
        TopologyPairingOptions topology{tolerance, options.seeds, options.seed_count};
        char* note = diagnostics ? diagnostics->topology_note : nullptr;
        return PairMatchingByTopology(matching, original, topology, match_count, message, note) ? 1 : -1;
    }
    if (tolerance > 0 || options.allow_count_change) {
        PairingRules rules{tolerance, options.strict, options.allow_count_change};
        return PairVertices(matching, original, rules, match_count, host, diagnostics);
    }
    if (matching.MatchVertices(original, match_count, host)) return 1;
    if (diagnostics) DiagnoseExactMiss(original, matching, *diagnostics);
    return 0;
}

}  // namespace

int32_t ConvertFiles(const char* original_path, const char* matching_path, const char* new_path,
                     OperationHost* host, char* message, const ConvertOptions* given) {
    if (!original_path || !matching_path || !new_path || !host || !message) return 0;
    const ConvertOptions exact;
    const ConvertOptions& options = given ? *given : exact;
    if (options.diagnostics) *options.diagnostics = ConvertDiagnostics{};

    Model original;
    Model matching;
    // Every return from here on releases both models, the matching one first.
    auto finish = [&](int32_t code) {
        matching.Release();
        original.Release();
        ReleaseSpareBlocks();
        return code;
    };

    host->ShowStatus("Loading original file...(please wait)");
    host->StepProgress();
    // From the original only its positions and its face count are needed:
    // its faces, texture coordinates and normals are counted, not stored.
    // Pairing by connectivity needs its faces as well.
    if (!(options.by_topology ? original.LoadObj(original_path) : original.LoadObjPositions(original_path))) {
        std::snprintf(message, kMessageCapacity,
                      "There was an error loading the original morph file:\r\n\r\nfilepath: \"%s\"\r\n", original_path);
        return finish(-2);
    }

    int32_t original_faces = original.TotalFaceCount();
    if (host->ShouldStop()) return finish(-8);

    host->ShowStatus("Loading matching file...(please wait)");
    host->StepProgress();
    if (!matching.LoadObj(matching_path)) {
        std::snprintf(message, kMessageCapacity,
                      "There was an error loading the matching morph file:\r\n\r\nfilepath: \"%s\"\r\n", matching_path);
        return finish(-3);
    }

    if (options.diagnostics) {
        options.diagnostics->original_vertices = original.vertex_count;
        options.diagnostics->matching_vertices = matching.vertex_count;
    }
    if (original.vertex_count != matching.vertex_count && !options.allow_count_change) {
        std::snprintf(message, kMessageCapacity,
                      "There was an error creating the new morph file.\r\nVertex count does not match:\r\n\r\n"
                      "original: %d vertices\r\nmatching: %d vertices\r\n",
                      original.vertex_count, matching.vertex_count);
        if (options.diagnostics) DiagnoseCounts(original, matching, *options.diagnostics);
        return finish(-5);
    }
    if (original.vertex_count == 0 || matching.vertex_count == 0) {
        std::snprintf(message, kMessageCapacity,
                      "There was an error creating the new morph file.\r\nNo vertices found:\r\n\r\n"
                      "original: %d vertices\r\nmatching: %d vertices\r\n",
                      original.vertex_count, matching.vertex_count);
        return finish(-6);
    }

    int32_t matching_faces = matching.TotalFaceCount();
    if (original_faces != matching_faces) {
        char warning[kPathCapacity];
        std::snprintf(warning, sizeof warning,
                      "The total face count does not match:\r\n\r\noriginal: %d faces\r\nmatching: %d faces\r\n\r\n"
                      "Continue anyway?\r\n",
                      original_faces, matching_faces);
        if (!host->AskToContinue(warning, "Warning")) return finish(-8);
    }

    if (host->ShouldStop()) return finish(-8);
    host->ShowStatus("Matching vertices...(please wait)");
    int32_t match_count = 0;
    if (int32_t matched = Match(matching, original, options, match_count, host, message); matched < 1) {
        if (matched == 0)
            std::snprintf(message, kMessageCapacity,
                      "There was an error creating the new morph file.\r\nUnable to match all vertices:\r\n\r\n"
                      "num_matches: %d\r\ntotal_vertices: %d\r\n",
                      match_count, matching.vertex_count);
        return finish(-7);
    }

    if (options.diagnostics) NoteMissingMaterials(matching, *options.diagnostics);
    if (host->ShouldStop()) return finish(-8);
    host->SetProgress(1, 1);
    host->ShowStatus("Saving file...(please wait)");
    if (!matching.WriteObjFile(new_path)) {
        std::snprintf(message, kMessageCapacity,
                      "There was an error saving the new morph file:\r\n\r\nfilepath: \"%s\"\r\n", new_path);
        return finish(-4);
    }

    original.Clear();
    matching.Clear();
    return finish(1);
}
