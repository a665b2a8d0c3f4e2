// shapes ORIGINAL MATCHING SHAPE... --out-dir DIR [--jobs N] [--tolerance EPS|auto]
// shapes ORIGINAL SHAPE... --out-dir DIR --by topology [--seed O1,O2,O3=S1,S2,S3] [--jobs N] [--tolerance EPS|auto]
#include <cstdio>

#include "cli/commands.h"
#include "cli/console_host.h"
#include "cli/file_list.h"
#include "cli/file_run.h"
#include "cli/run_options.h"
#include "cli/pairing_way.h"
#include "model/text.h"
#include "morph/shapes.h"
#include "morph/topology_shapes.h"
#include "morph/tolerant_partners.h"
#include "platform/block.h"
#include "platform/parallel.h"

namespace {

const char kShapesUsage[] =
    "shapes takes ORIGINAL MATCHING SHAPE... --out-dir DIR [--jobs N] [--tolerance EPS|auto], or ORIGINAL SHAPE... "
    "--out-dir DIR --by topology [--seed O1,O2,O3=S1,S2,S3] [--jobs N] [--tolerance EPS|auto]";
const char* const kShapesOptions[] = {"--out-dir", "--jobs", "--tolerance", "--force", "--by", "--seed", nullptr};

// Loads and pairs the family; 0, or the exit status after the message.
int LearnFamily(const FileList& list, double tolerance, bool automatic, ShapeFamily& family) {
    ConsoleHost host;
    host.Attach(false);
    char message[kMessageCapacity];
    host.ResetProgress();
    int32_t code = LoadShapeFamily(list.entries[0].input, list.entries[1].input, family, &host, message);
    int32_t ambiguous = 0;
    if (code == 1) {
        if (automatic) tolerance = AutoTolerance(family.original.vertices, family.original.vertex_count);
        host.ShowStatus("Matching vertices...(please wait)");
        code = PairShapeFamily(family, tolerance, message, &ambiguous);
    }
    host.FinishLine();
    if (code == 1) {
        ReportTolerance(tolerance, automatic);
        if (ambiguous > 0) std::fprintf(stderr, "%d vertices ambiguous within the tolerance\n", ambiguous);
        return 0;
    }
    PrintMessage(stderr, message);
    return ExitStatus(code);
}

// Writes file k of the list with write(entry, message); a shape paired by
// connectivity may carry a note on its done line.
template <typename Write>
void WriteOne(const FileList& list, int32_t k, FileRun& run, bool noted, Write write) {
    const int32_t file = k - list.first_output;
    run.Begin(file);
    char message[kMessageCapacity];
    CopyText(message, "There was an error creating the morph.");
    const FileList::Entry& entry = list.entries[size_t(k)];
    int32_t code = MayWrite(list, k, message) ? write(entry, message) : -4;
    run.End(file, code, message, noted ? message : nullptr);
}

// Each shape paired with the original by connectivity on its own.
int RunByTopology(const FileList& list, TopologyPairingOptions options, bool automatic, int32_t jobs) {
    Model original;
    ConsoleHost host;
    host.Attach(false);
    char message[kMessageCapacity];
    host.ResetProgress();
    host.ShowStatus("Loading original file...(please wait)");
    int32_t code = LoadTopologyOriginal(list.entries[0].input, original, message);
    host.FinishLine();
    if (code != 1) {
        PrintMessage(stderr, message);
        return ExitStatus(code);
    }
    if (automatic) options.tolerance = AutoTolerance(original.vertices, original.vertex_count);
    ReportTolerance(options.tolerance, automatic);
    const int32_t count = int32_t(list.entries.size()) - 1;
    FileRun run(list.shown.data(), count, false);
    RunInParallel(count, jobs, [&](int32_t file) {
        WriteOne(list, file + 1, run, true, [&](const FileList::Entry& entry, char* text) {
            return WriteShapeByTopology(original, options, entry.input, entry.output, text);
        });
    });
    ReleaseSpareBlocks();
    return run.Finish("shapes");
}

}  // namespace

int RunShapesCommand(const Arguments& arguments) {
    if (int status = CheckOptions(arguments, kShapesOptions, kShapesUsage)) return status;
    TopologySeed seeds[kMaxSeeds];
    TopologyPairingOptions topology{0, seeds, 0};
    bool by_topology = false;
    if (int status = ReadPairingWay(arguments, by_topology, seeds, topology.seed_count)) return status;
    const int32_t first = by_topology ? 1 : 2;  // without a matching file
    if (arguments.positional_count <= first) return Usage(kShapesUsage);
    int32_t jobs = 1;
    bool automatic = false;
    if (int status = ReadJobs(arguments, jobs)) return status;
    if (int status = ReadTolerance(arguments, topology.tolerance, automatic)) return status;
    FileList list;
    if (int status = MakeFileList(arguments, first, list)) return status;
    if (by_topology) return RunByTopology(list, topology, automatic, jobs);

    ShapeFamily family;
    if (int status = LearnFamily(list, topology.tolerance, automatic, family)) return status;
    const int32_t count = arguments.positional_count - 2;
    FileRun run(list.shown.data(), count, false);
    RunInParallel(count, jobs, [&](int32_t file) {
        WriteOne(list, file + 2, run, false, [&](const FileList::Entry& entry, char* text) {
            return WriteShape(family, entry.input, entry.output, text);
        });
    });
    ReleaseSpareBlocks();
    return run.Finish("shapes");
}
