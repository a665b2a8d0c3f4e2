#include "morph/convert.h"

#include <cstdio>
#include <functional>

#include "platform/block.h"
#include "platform/parallel.h"
#include "model/model.h"
#include "model/records.h"
#include "platform/text.h"
#include "morph/convert_messages.h"
#include "morph/input_guard.h"
#include "platform/reasons.h"
#include "pairing/equal_positions.h"
#include "pairing/nearest_positions.h"
#include "morph/load_together.h"
#include "pairing/match_diagnostics.h"
#include "morph/pair_vertices.h"
#include "morph/topology_convert.h"
#include "pairing/tolerant_partners.h"
#include "wavefront/library_folder.h"
#include "wavefront/named_materials.h"
#include "wavefront/obj_writer.h"
#include "platform/files/output_file.h"

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
    // Whether pairing by position can convert the copy at all.
    if (!SmallestPositionDistance(original.vertices, original.vertex_count, diagnostics.smallest_distance))
        diagnostics.smallest_distance = 0;
}

// The faces whose material the matching file's library doesn't give: the
// new file writes them without one.
void NoteMissingMaterials(const Model& matching, ConvertDiagnostics& diagnostics) {
    diagnostics.library_missing = matching.has_mtllib && !matching.mtl_loaded;
    CopyText(diagnostics.library_name, matching.mtllib_name);
    diagnostics.faces_without_material = 0;
    diagnostics.dropped_line_corners = matching.dropped_line_corners;
    for (int32_t g = 0; g < matching.group_count; ++g) {
        const Group& group = matching.groups[g];
        for (int32_t f = 0; group.faces && f < group.face_count; ++f)
            diagnostics.faces_without_material += group.faces[f].material_name != 0 && group.faces[f].material_index < 0;
    }
}

// A copy with fewer vertices, paired by position without leave to change
// the count, pairs only if it is a part of the original (IsPlainPart).
bool MayBePart(const Model& original, const Model& matching, const ConvertOptions& options) {
    return matching.vertex_count > 0 && matching.vertex_count < original.vertex_count &&
           !options.allow_count_change && !options.by_topology;
}

// The threads a run may use.
int32_t ThreadsOf(const ConvertOptions* options) {
    return options && options->threads > 0 ? options->threads : ProcessorCount();
}

// Vertex matching as the options ask: by connectivity when asked (-1 with
// its own message on failure), the exact matcher for equal counts without a
// tolerance, the partner pairing otherwise; coincident original vertices
// are told apart by the faces in both of the last two.
int32_t Match(Model& matching, const Model& original, const ConvertOptions& options, int32_t& match_count,
              OperationHost* host, char* message) {
    ConvertDiagnostics* diagnostics = options.diagnostics;
    SizeOutliers* outliers = diagnostics ? &diagnostics->tolerance_outliers : nullptr;
    double tolerance = options.automatic_tolerance
                           ? AutoTolerance(original.vertices, original.vertex_count, outliers)
                           : options.tolerance;
    if (diagnostics) diagnostics->tolerance = tolerance;
    if (options.by_topology) {
        TopologyPairingOptions topology{tolerance, options.seeds, options.seed_count, options.strict,
                                        options.accept_unsure};
        char* note = diagnostics ? diagnostics->topology_note : nullptr;
        int32_t* refused = diagnostics ? &diagnostics->refused_unsure : nullptr;
        return PairMatchingByTopology(matching, original, topology, match_count, message, note, refused) ? 1 : -1;
    }
    const bool part = MayBePart(original, matching, options);
    if (tolerance > 0 || options.allow_count_change || part) {
        PairingRules rules{tolerance, options.strict, options.allow_count_change, part};
        return PairVertices(matching, original, rules, match_count, host, diagnostics);
    }
    TieCounts ties;
    TieCounts& counted = diagnostics ? diagnostics->coincident : ties;
    if (matching.MatchVertices(original, match_count, host, ThreadsOf(&options), &counted)) return 1;
    if (diagnostics) DiagnoseExactMiss(original, matching, *diagnostics);
    return 0;
}

// The face-count question: 1 to go on, 0 declined.
int32_t AskAboutFaceCounts(const Model& original, const Model& matching, OperationHost* host) {
    int32_t original_faces = original.TotalFaceCount();
    int32_t matching_faces = matching.TotalFaceCount();
    if (original_faces == matching_faces) return 1;
    char question[kPathCapacity];
    WriteFaceCountQuestion(question, kPathCapacity, original_faces, matching_faces);
    return host->AskToContinue(question, "Warning") ? 1 : 0;
}

// The vertex-count checks and the face-count question: 1 to go on, or the
// code (-5, -6, -8) with its message. A copy with fewer vertices may be a
// part of the original (a head exported on its own): the pairing tells, and
// only a part is asked about its faces, after the pairing.
int32_t CheckCounts(const Model& original, const Model& matching, const ConvertOptions& options,
                    OperationHost* host, char* message) {
    if (original.vertex_count != matching.vertex_count && !options.allow_count_change &&
        !MayBePart(original, matching, options)) {
        WriteVertexCountsDiffer(message, original.vertex_count, matching.vertex_count);
        if (options.diagnostics) DiagnoseCounts(original, matching, *options.diagnostics);
        return -5;
    }
    if (original.vertex_count == 0 || matching.vertex_count == 0) {
        WriteNoVertices(message, original.vertex_count, matching.vertex_count);
        return -6;
    }
    if (MayBePart(original, matching, options)) return 1;
    return AskAboutFaceCounts(original, matching, host) ? 1 : -8;
}

// The host hears of a wait for another run writing the same file, and
// may end it.
struct SaveWait {
    OperationHost* host;
    bool waited = false;
    static void Waiting(void* context, const char* target) {
        SaveWait& wait = *static_cast<SaveWait*>(context);
        char text[kPathCapacity + 48];
        std::snprintf(text, sizeof text, "waiting for another run writing %s ...", target);
        wait.host->ShowStatus(text);
        wait.waited = true;
    }
    static int32_t Stop(void* context) { return static_cast<SaveWait*>(context)->host->ShouldStop(); }
};

// The progress bar through a save: from kSavingStart of its length to all
// of it as the records of the new file go in.
class SaveProgress {
public:
    static constexpr int32_t kSavingStart = 80;
    SaveProgress(const Model& model, OperationHost* host) : host_(host) {
        total_ = int64_t(model.vertex_count) + model.texcoord_count + model.normal_count + model.TotalFaceCount();
    }
    void Add(int32_t records) {
        done_ += records;
        if (total_ <= 0) return;
        int64_t done = done_ < total_ ? done_ : total_;
        int32_t position = int32_t(kSavingStart + (100 - kSavingStart) * done / total_);
        if (position == shown_) return;
        shown_ = position;
        host_->SetProgress(position, 100);
    }

private:
    OperationHost* host_;
    int64_t total_ = 0;
    int64_t done_ = 0;
    int32_t shown_ = -1;
};

// Writes the renumbered matching model: 1, or -4 with its message (-8 when
// the host stopped a wait for another run). Once the text is formatted the
// model is emptied, and only the flushes to the disk are waited for: a run
// over many files holds no model meanwhile. The diagnostics learn the
// library written, the write's reason on failure, the earlier half-done
// writes it finished and what beside the new file it refused.
// The host may stop the run until the new file is formatted, before any
// target is replaced, also between the blocks of the writing; the bar moves on from kSavingStart as the lines go in.
int32_t Save(Model& matching, const char* new_path, char* message, const ConvertOptions& options,
             OperationHost* host) {
    ConvertDiagnostics* diagnostics = options.diagnostics;
    OutputFault fault;
    SaveWait wait{host};
    fault.waiting = SaveWait::Waiting;
    fault.stop = SaveWait::Stop;
    fault.wait_context = &wait;
    WritePlan plan;
    plan.threads = ThreadsOf(&options);
    SaveProgress progress(matching, host);
    plan.on_written = [&](int32_t records) { progress.Add(records); };
    plan.stop = [host] { return host->ShouldStop(); };
    WrittenObjFiles files;
    int32_t written = FormatObjFiles(matching, new_path, &fault, plan, files);
    if (wait.waited && written) host->ShowStatus("Saving file...(please wait)");
    matching.Clear();
    if (options.hold) options.hold->Give();
    if (written && host->ShouldStop()) return -8;  // the formatted files go unused
    written = written && CommitObjFiles(files);
    if (diagnostics) {
        diagnostics->repaired = fault.repaired;
        diagnostics->reason = written ? 0 : fault.error;
        CopyText(diagnostics->write_notice, fault.notice);
        char library_name[kPathCapacity];
        if (written && files.with_library && !MakeLibraryPath(new_path, diagnostics->library_path, library_name))
            diagnostics->library_path[0] = '\0';
    }
    if (written) return 1;
    if (fault.error == kReasonStopped) return -8;
    WriteNewNotSaved(message, new_path);
    // What beside the new file was in the way, named.
    if (fault.notice[0]) {
        AppendText(message, kMessageCapacity, "\r\n");
        AppendText(message, kMessageCapacity, fault.notice);
        AppendText(message, kMessageCapacity, "\r\n");
    }
    return -4;
}

// The original as LoadOriginal loads it, without its status steps.
bool LoadOriginalModel(Model& original, const char* path, bool change_directory) {
    // The original's faces are needed for the check of the pairing (and by
    // the pairing itself, by connectivity or among coincident vertices).
    return original.LoadObj(path, change_directory);
}

// LoadOriginal's failure: -2 with its message and reason.
int32_t OriginalNotLoaded(const Model& original, const char* path, char* message, const ConvertOptions* options) {
    if (options && options->diagnostics) options->diagnostics->reason = original.load_error;
    WriteOriginalNotLoaded(message, path);
    return -2;
}

// Loads the matching model at the point of the run where it is due; 1 or 0.
using MatchingLoad = std::function<int32_t(Model& matching)>;

// ConvertAgainstOriginal with the matching model and its load given.
int32_t ConvertWith(const Model& original, Model& matching, const MatchingLoad& load, const char* matching_path,
                    const char* new_path, OperationHost* host, char* message, const ConvertOptions* given) {
    const ConvertOptions exact;
    const ConvertOptions& options = given ? *given : exact;
    ConvertDiagnostics* diagnostics = options.diagnostics;
    if (diagnostics) *diagnostics = ConvertDiagnostics{};
    auto finish = [&](int32_t code) {
        matching.Release();
        // -4: the new files were opened, or are an input's and stay alone.
        if (code != 1 && code != -4) ClearNewFiles(new_path, diagnostics);
        return code;
    };
    if (host->ShouldStop()) return finish(-8);

    host->ShowStatus("Loading matching file...(please wait)");
    host->StepProgress();
    if (!load(matching)) {
        if (diagnostics) diagnostics->reason = matching.load_error;
        WriteMatchingNotLoaded(message, matching_path);
        return finish(-3);
    }
    if (diagnostics) {
        diagnostics->original_vertices = original.vertex_count;
        diagnostics->matching_vertices = matching.vertex_count;
    }
    if (!SparesLoadedInputs(new_path, original, matching, message)) {
        if (diagnostics) diagnostics->reason = kReasonReplacesInput;
        return finish(-4);
    }
    if (int32_t code = CheckCounts(original, matching, options, host, message); code != 1) return finish(code);
    const bool part = MayBePart(original, matching, options);  // before the renumbering gives it all vertices

    if (host->ShouldStop()) return finish(-8);
    host->ShowStatus("Matching vertices...(please wait)");
    int32_t match_count = 0;
    if (int32_t matched = Match(matching, original, options, match_count, host, message); matched < 1) {
        if (matched == -5) {  // neither the whole nor a part of the original
            WriteVertexCountsDiffer(message, original.vertex_count, matching.vertex_count);
            if (diagnostics) {
                diagnostics->ambiguous_count = diagnostics->ambiguous_listed = 0;
                DiagnoseCounts(original, matching, *diagnostics);
            }
            return finish(-5);
        }
        if (matched == 0) WriteNotAllMatched(message, match_count, matching.vertex_count);
        return finish(-7);
    }

    if (part && !AskAboutFaceCounts(original, matching, host)) return finish(-8);
    // Without its library a copy's material names are still its own (without
    // memory for them its faces go without, as the warning then counts).
    KeepMaterialNames(matching);
    if (diagnostics) {
        NoteMissingMaterials(matching, *diagnostics);
        diagnostics->checked = CheckPairing(original, matching, nullptr, diagnostics->check);
    }
    if (host->ShouldStop()) return finish(-8);
    host->SetProgress(SaveProgress::kSavingStart, 100);
    host->ShowStatus("Saving file...(please wait)");
    return finish(Save(matching, new_path, message, options, host));
}

// ConvertFiles with both files read at once. The host hears the same steps
// in the same order as from one file after the other: the original's status
// before both loads, the matching file's once the original has loaded. The
// current directory ends as one load after the other leaves it; a relative
// matching path that the original's library folder would have changed the
// meaning of is read again from there.
int32_t ConvertLoadingTogether(const char* original_path, const char* matching_path, const char* new_path,
                               OperationHost* host, char* message, const ConvertOptions* options) {
    const bool keep_directory = options && options->keep_directory;
    Model original;
    Model matching;
    int32_t loaded[2] = {0, 0};
    host->ShowStatus("Loading original file...(please wait)");
    host->StepProgress();
    LoadTogether([&] { return LoadOriginalModel(original, original_path, false); }, matching, matching_path,
                 loaded);
    int32_t code = -2;
    if (!loaded[0]) {
        OriginalNotLoaded(original, original_path, message, options);
    } else {
        bool moved = !keep_directory && EnterLibraryFolder(original);
        MatchingLoad load = [&](Model& model) -> int32_t {
            return SettleMatchingLoad(model, matching_path, loaded[1], moved, !keep_directory);
        };
        code = ConvertWith(original, matching, load, matching_path, new_path, host, message, options);
    }
    matching.Release();
    if (code == 1) original.Clear();
    original.Release();
    return code;
}

}  // namespace

void ClearNewFiles(const char* new_path, ConvertDiagnostics* diagnostics) {
    char library_path[kPathCapacity];
    char library_name[kPathCapacity];
    const char* targets[2] = {new_path, library_path};
    OutputFault fault;
    ClearOutputTargets(targets, MakeLibraryPath(new_path, library_path, library_name) ? 2 : 1, &fault);
    if (!diagnostics) return;
    diagnostics->repaired += fault.repaired;
    if (!diagnostics->write_notice[0]) CopyText(diagnostics->write_notice, fault.notice);
}

int32_t LoadOriginal(Model& original, const char* path, OperationHost* host, char* message,
                     const ConvertOptions* options) {
    host->ShowStatus("Loading original file...(please wait)");
    host->StepProgress();
    if (LoadOriginalModel(original, path, !(options && options->keep_directory))) return 1;
    return OriginalNotLoaded(original, path, message, options);
}

int32_t ConvertAgainstOriginal(const Model& original, const char* matching_path, const char* new_path,
                               OperationHost* host, char* message, const ConvertOptions* given) {
    if (!matching_path || !new_path || !host || !message) return 0;
    const bool change_directory = !(given && given->keep_directory);
    Model matching;
    MatchingLoad load = [&](Model& model) -> int32_t { return model.LoadObj(matching_path, change_directory); };
    return ConvertWith(original, matching, load, matching_path, new_path, host, message, given);
}

int32_t ConvertFiles(const char* original_path, const char* matching_path, const char* new_path,
                     OperationHost* host, char* message, const ConvertOptions* options) {
    if (!original_path || !matching_path || !new_path || !host || !message) return 0;
    if (options && options->diagnostics) *options->diagnostics = ConvertDiagnostics{};
    const RunInput inputs[] = {{original_path, "original file"}, {matching_path, "matching file"}};
    if (!SparesInputs(new_path, inputs, 2, message)) {
        if (options && options->diagnostics) options->diagnostics->reason = kReasonReplacesInput;
        return -4;
    }
    int32_t code = 0;
    if (ThreadsOf(options) > 1) {
        code = ConvertLoadingTogether(original_path, matching_path, new_path, host, message, options);
    } else {
        // The matching model goes before the original, on every return.
        Model original;
        code = LoadOriginal(original, original_path, host, message, options);
        if (code == 1) code = ConvertAgainstOriginal(original, matching_path, new_path, host, message, options);
        if (code == 1) original.Clear();
        original.Release();
    }
    if (code == -2) ClearNewFiles(new_path, options ? options->diagnostics : nullptr);
    ReleaseSpareBlocks();
    return code;
}
