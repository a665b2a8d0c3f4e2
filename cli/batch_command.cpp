// batch ORIGINAL MATCHING... --out-dir DIR [--jobs N] [--yes] [--tolerance EPS|auto]
//       [--allow-count-change] [--force]
#include <cstdio>

#include "cli/commands.h"
#include "cli/console_host.h"
#include "cli/file_list.h"
#include "cli/file_run.h"
#include "cli/run_options.h"
#include "model/text.h"
#include "morph/batch.h"
#include "morph/tolerant_partners.h"
#include "platform/block.h"
#include "platform/parallel.h"

namespace {

const char kBatchUsage[] =
    "batch takes ORIGINAL MATCHING... --out-dir DIR [--jobs N] [--yes] [--tolerance EPS|auto] "
    "[--allow-count-change] [--force]";
const char* const kBatchOptions[] = {"--out-dir", "--jobs", "--yes", "--tolerance", "--allow-count-change", "--force",
                                     nullptr};

// The original, loaded once for every file; 0, or the exit status.
int LoadBatchOriginal(const char* path, Model& original) {
    ConsoleHost host;
    host.Attach(false);
    char message[kMessageCapacity];
    host.ResetProgress();
    int32_t code = LoadOriginal(original, path, &host, message);
    host.FinishLine();
    if (code == 1) return 0;
    PrintMessage(stderr, message);
    return ExitStatus(code);
}

// One matching file of the run, on whichever thread takes it.
void ConvertOne(const FileList& list, int32_t k, const Model& original, const PairingChoice& choice,
                FileRun& run) {
    const int32_t file = k - list.first_output;
    run.Begin(file);
    FileHost host(run);
    char message[kMessageCapacity];
    CopyText(message, "There was an error creating the morph.");
    ConvertNotes notes;
    const FileList::Entry& entry = list.entries[size_t(k)];
    int32_t code = MayWrite(list, k, message)
                       ? ConvertAgainstOriginal(original, entry.input, entry.output, choice, &host, message, &notes)
                       : -4;
    char note[64] = {};
    if (notes.ambiguous_count > 0)
        std::snprintf(note, sizeof note, "%d vertices ambiguous within the tolerance", notes.ambiguous_count);
    run.End(file, code, message, note);
}

}  // namespace

int RunBatchCommand(const Arguments& arguments) {
    if (arguments.positional_count < 2) return Usage(kBatchUsage);
    if (int status = CheckOptions(arguments, kBatchOptions, kBatchUsage)) return status;
    int32_t jobs = 1;
    PairingChoice choice;
    bool automatic = false;
    if (int status = ReadJobs(arguments, jobs)) return status;
    if (int status = ReadTolerance(arguments, choice.tolerance, automatic)) return status;
    choice.allow_count_change = arguments.Has("--allow-count-change");
    FileList list;
    if (int status = MakeFileList(arguments, 1, list)) return status;

    Model original;
    if (int status = LoadBatchOriginal(list.entries[0].input, original)) return status;
    if (automatic) choice.tolerance = AutoTolerance(original.vertices, original.vertex_count);
    ReportTolerance(choice.tolerance, automatic);

    const int32_t count = arguments.positional_count - 1;
    FileRun run(list.shown.data(), count, arguments.Has("--yes"));
    RunInParallel(count, jobs, [&](int32_t file) { ConvertOne(list, file + 1, original, choice, run); });
    original.Release();
    ReleaseSpareBlocks();
    return run.Finish("batch");
}
