// shapes ORIGINAL MATCHING SHAPE... --out-dir DIR [--jobs N] [--tolerance EPS|auto] [--gltf FAMILY.glb] [--json]
//        [--quiet]
// shapes ORIGINAL SHAPE... --out-dir DIR --by topology [--seed O1,O2,O3=S1,S2,S3] [--jobs N] [--tolerance EPS|auto]
//        [--strict]
#include <cstdio>

#include "cli/commands.h"
#include "cli/console_host.h"
#include "cli/convert_diagnostics.h"
#include "cli/file_list.h"
#include "cli/file_run.h"
#include "cli/run_options.h"
#include "cli/pairing_way.h"
#include "cli/reasons.h"
#include "cli/shapes_gltf.h"
#include "platform/text.h"
#include "morph/shapes.h"
#include "morph/topology_shapes.h"
#include "pairing/tolerant_partners.h"
#include "platform/block.h"
#include "platform/parallel.h"

namespace {

const char kShapesUsage[] =
    "shapes takes ORIGINAL MATCHING SHAPE... --out-dir DIR [--jobs N] [--tolerance EPS|auto] [--allow-count-change], "
    "or ORIGINAL SHAPE... --out-dir DIR --by topology [--seed O1,O2,O3=S1,S2,S3] [--jobs N] [--tolerance EPS|auto] "
    "[--strict] [--accept-unsure]; both take --gltf FAMILY.glb, --json and --quiet";
const char* const kShapesOptions[] = {"--out-dir", "--jobs", "--tolerance", "--force", "--by", "--seed", "--strict",
                                      "--accept-unsure", "--allow-count-change", "--gltf", "--json", nullptr};

// A run that ended before its shapes: 0 for code 1, else the exit status
// after the message and the reason of a file that didn't load (and its JSON
// document with --json).
int Refused(int32_t code, const char* message, int32_t reason, RunOutput output) {
    if (code == 1) return 0;
    if (output.json) {
        PrintRunFailureJson("shapes", ExitStatus(code), message, reason, output);
    } else {
        PrintMessage(stderr, message);
        PrintReason(stderr, reason);
    }
    return ExitStatus(code);
}

// How MATCHING shares the original's vertices, when it may change the
// count, and whether it is a part.
void PrintFamilySharing(const ShapeFamily& family) {
    const int32_t m = family.original.vertex_count;
    if (family.allow_count_change && family.sharing.shared_count >= 0)
        PrintCountChange(stderr, m, family.matching.vertex_count, family.sharing);
    PrintPartLine(stderr, family.sharing, m);
}

// Loads and pairs the family; 0, or the exit status after the message.
int LearnFamily(const FileList& list, RunOutput output, RunFacts& facts, ShapeFamily& family) {
    ConsoleHost host;
    host.Attach(false);
    host.quiet = output.quiet;
    double& tolerance = facts.tolerance;
    const bool automatic = facts.automatic;
    char message[kMessageCapacity];
    host.ResetProgress();
    int32_t code = LoadShapeFamily(list.entries[0].input, list.entries[1].input, family, &host, message);
    int32_t ambiguous = 0;
    TieCounts ties;
    SizeOutliers outliers;
    if (code == 1) {
        if (automatic) tolerance = AutoTolerance(family.original.vertices, family.original.vertex_count, &outliers);
        host.ShowStatus("Matching vertices...(please wait)");
        code = PairShapeFamily(family, tolerance, message, &ambiguous, &ties);
    }
    host.FinishLine();
    if (code == 1) {
        if (!output.json) ReportTolerance(tolerance, automatic, &outliers, output.quiet);  // the document says both
        if (ambiguous > 0 && !output.json)
            std::fprintf(stderr, "%d vertices ambiguous within the tolerance\n", ambiguous);
        if (!output.json) PrintFamilySharing(family);
        if (!output.json && !output.quiet) PrintCoincidentVertices(stderr, ties);
        // A part leaves the rest of the original unused by design: its line says so.
        const bool with_unused = !family.allow_count_change && family.sharing.outside_count <= 0;
        if (!output.json && family.checked) PrintPairingCheck(stderr, family.check, with_unused);
        facts.ambiguous = ambiguous;
        if (family.checked) facts.check = &family.check;
        facts.sharing = &family.sharing;
        facts.original_vertices = family.original.vertex_count;
    }
    output.tolerance = tolerance;  // `auto`'s, once ORIGINAL loaded
    const Model* unloaded = code == -2 ? &family.original : code == -3 ? &family.matching : nullptr;
    return Refused(code, message, unloaded ? unloaded->load_error : 0, output);
}

// Why the files of a shape were not written: the first file's reason.
int32_t WriteError(const WrittenObjFiles& files) { return files.obj.error ? files.obj.error : files.mtl.error; }

// Formats file k of the list with format(entry, files, message) while it
// holds a processor slot, then commits it without one: the flushes to the
// disk need no processor, and the next shape is formatted meanwhile. A shape
// paired by connectivity may carry a note on its done line.
template <typename Format>
void WriteOne(const FileList& list, int32_t k, FileRun& run, ProcessorSlots& slots, bool noted, GltfRequest& gltf,
              Format format) {
    const int32_t file = k - list.first_output;
    char message[kMessageCapacity];
    CopyText(message, "There was an error creating the morph.");
    const FileList::Entry& entry = list.entries[size_t(k)];
    WrittenObjFiles files;
    SlotHold hold;
    hold.Take(slots);
    run.Begin(file);
    int32_t load_error = 0;
    PairingCheck check;
    check.faces_not_in_original = -1;  // stays -1 where the shape's own pairing made no check
    float* keep = GltfPositions(&gltf, file);
    int32_t code = MayWrite(list, k, message) ? format(entry, files, message, &load_error, &check, keep) : -4;
    hold.Give();
    if (code == 1) code = CommitShape(files, entry.output, message);
    if (code == 1 && keep) gltf.targets.kept[size_t(file)] = 1;
    // -4: its files were opened, or it may not write them.
    ConvertDiagnostics cleared;
    if (code != 1 && code != -4) ClearNewFiles(entry.output, &cleared);
    // As batch does: a file that didn't load or couldn't be written says why.
    char reason[kReasonNoteCapacity] = "";
    if (code == -3 || code == -4) FormatReason(code == -3 ? load_error : WriteError(files), reason, sizeof reason);
    // What beside the new file was refused or left alone, or the file a link led to.
    char* note = code == 1 && noted ? message : reason;
    const size_t room = code == 1 && noted ? kMessageCapacity : sizeof reason;
    if (cleared.repaired) AppendText(note, room, note[0] ? "; finished an interrupted earlier write of the new file"
                                                         : "finished an interrupted earlier write of the new file");
    const char* said[] = {files.obj.notice, cleared.write_notice};
    for (const char* text : said) {
        if (!text[0]) continue;
        if (note[0]) AppendText(note, room, " ");
        AppendText(note, room, text);
    }
    const PairingCheck* checked = code == 1 && check.faces_not_in_original >= 0 ? &check : nullptr;
    cleared.reason = code == -3 ? load_error : code == -4 ? WriteError(files) : 0;  // the file's diagnosis
    run.End(file, code, message, code != 1 || noted || note[0] ? note : nullptr, checked, &cleared);
}

// Every shape of the list, `jobs` of them formatted at once.
template <typename Format>
int WriteAll(const FileList& list, int32_t jobs, bool noted, RunOutput output, RunFacts facts, GltfRequest& gltf,
             Format format) {
    const int32_t first = list.first_output;
    const int32_t count = int32_t(list.entries.size()) - first;
    FileRun run(list.shown.data(), count, false, output, facts);
    ProcessorSlots slots(jobs);
    RunInParallel(count, ThreadsForSlots(jobs),
                  [&](int32_t file) { WriteOne(list, file + first, run, slots, noted, gltf, format); });
    WriteGltf(gltf, run);
    ReleaseSpareBlocks();
    return run.Finish("shapes");
}

// Each shape paired with the original by connectivity on its own.
int RunByTopology(const FileList& list, TopologyPairingOptions options, bool automatic, int32_t jobs,
                  RunOutput output, GltfRequest& gltf) {
    Model original;
    ConsoleHost host;
    host.Attach(false);
    host.quiet = output.quiet;
    char message[kMessageCapacity];
    host.ResetProgress();
    host.ShowStatus("Loading original file...(please wait)");
    int32_t code = LoadTopologyOriginal(list.entries[0].input, original, message);
    host.FinishLine();
    if (code != 1) return Refused(code, message, original.load_error, output);
    SizeOutliers outliers;
    if (automatic) options.tolerance = AutoTolerance(original.vertices, original.vertex_count, &outliers);
    if (!output.json) ReportTolerance(options.tolerance, automatic, &outliers, output.quiet);
    const RunFacts facts{options.tolerance, automatic, -1};
    if (int status = PrepareGltf(gltf, original, list, output)) return status;
    return WriteAll(list, jobs, true, output, facts, gltf,
                    [&](const FileList::Entry& entry, WrittenObjFiles& files, char* text, int32_t* load_error,
                        PairingCheck* check, float* keep) {
        return FormatShapeByTopology(original, options, entry.input, entry.output, files, text, load_error, check,
                                     keep);
    });
}

}  // namespace

int RunShapesCommand(const Arguments& arguments) {
    if (int status = CheckOptions(arguments, kShapesOptions, kShapesUsage)) return status;
    TopologySeed seeds[kMaxSeeds];
    TopologyPairingOptions topology{0, seeds, 0};
    bool by_topology = false;
    if (int status = ReadPairingWay(arguments, by_topology, seeds, topology.seed_count)) return status;
    topology.accept_unsure = arguments.Has("--accept-unsure");
    topology.pieces = true;  // a sculpted head of the figure pairs as a piece cut out of it
    topology.refuse_turned_faces = arguments.Has("--strict");
    if (topology.refuse_turned_faces && !by_topology) {
        return Usage("--strict with shapes refuses faces turned over: give it with --by topology");
    }
    const int32_t first = by_topology ? 1 : 2;  // without a matching file
    if (arguments.positional_count <= first) return Usage(kShapesUsage);
    int32_t jobs = 1;
    bool automatic = false;
    if (int status = ReadJobs(arguments, jobs)) return status;
    if (int status = ReadTolerance(arguments, topology.tolerance, automatic)) return status;
    const RunOutput output{arguments.Has("--json"), arguments.Has("--quiet"), topology.tolerance, automatic};
    FileList list;
    if (int status = MakeFileList(arguments, first, list)) {
        if (output.json && status != kUsageError) PrintRunFailureJson("shapes", status, list.problem, list.reason, output);
        return status;
    }
    GltfRequest gltf;
    if (int status = ReadGltfOption(arguments, list, gltf)) {
        if (output.json && status != kUsageError) PrintRunFailureJson("shapes", status, list.problem, list.reason, output);
        return status;
    }
    EndFilesOnInterrupt();
    if (by_topology) return RunByTopology(list, topology, automatic, jobs, output, gltf);

    ShapeFamily family;
    family.allow_count_change = arguments.Has("--allow-count-change");
    RunFacts facts{topology.tolerance, automatic, 0};
    if (int status = LearnFamily(list, output, facts, family)) return status;
    if (int status = PrepareGltf(gltf, family.original, list, output)) return status;
    return WriteAll(list, jobs, false, output, facts, gltf,
                    [&](const FileList::Entry& entry, WrittenObjFiles& files, char* text, int32_t* load_error,
                        PairingCheck*, float* keep) {
        return FormatShape(family, entry.input, entry.output, files, text, load_error, keep);
    });
}
