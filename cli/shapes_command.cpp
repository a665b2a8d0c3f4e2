// shapes ORIGINAL MATCHING SHAPE... --out-dir DIR [--jobs N] [--tolerance EPS|auto]
#include <cstdio>

#include "cli/commands.h"
#include "cli/console_host.h"
#include "cli/file_list.h"
#include "cli/file_run.h"
#include "cli/run_options.h"
#include "model/text.h"
#include "morph/shapes.h"
#include "morph/tolerant_partners.h"
#include "platform/block.h"
#include "platform/parallel.h"

namespace {

const char kShapesUsage[] = "shapes takes ORIGINAL MATCHING SHAPE... --out-dir DIR [--jobs N] [--tolerance EPS|auto]";
const char* const kShapesOptions[] = {"--out-dir", "--jobs", "--tolerance", "--force", nullptr};

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

void WriteOne(const FileList& list, int32_t k, const ShapeFamily& family, FileRun& run) {
    const int32_t file = k - list.first_output;
    run.Begin(file);
    char message[kMessageCapacity];
    CopyText(message, "There was an error creating the morph.");
    const FileList::Entry& entry = list.entries[size_t(k)];
    int32_t code = MayWrite(list, k, message) ? WriteShape(family, entry.input, entry.output, message) : -4;
    run.End(file, code, message, nullptr);
}

}  // namespace

int RunShapesCommand(const Arguments& arguments) {
    if (arguments.positional_count < 3) return Usage(kShapesUsage);
    if (int status = CheckOptions(arguments, kShapesOptions, kShapesUsage)) return status;
    int32_t jobs = 1;
    double tolerance = 0;
    bool automatic = false;
    if (int status = ReadJobs(arguments, jobs)) return status;
    if (int status = ReadTolerance(arguments, tolerance, automatic)) return status;
    FileList list;
    if (int status = MakeFileList(arguments, 2, list)) return status;

    ShapeFamily family;
    if (int status = LearnFamily(list, tolerance, automatic, family)) return status;
    const int32_t count = arguments.positional_count - 2;
    FileRun run(list.shown.data(), count, false);
    RunInParallel(count, jobs, [&](int32_t file) { WriteOne(list, file + 2, family, run); });
    ReleaseSpareBlocks();
    return run.Finish("shapes");
}
