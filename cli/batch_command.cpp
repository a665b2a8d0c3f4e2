// batch ORIGINAL MATCHING... --out-dir DIR [--jobs N] [--yes] [--tolerance EPS|auto] [--strict]
//       [--allow-count-change] [--force] [--json] [--quiet]
#include <cmath>
#include <cstdio>
#include <cstring>

#include "cli/commands.h"
#include "cli/console_host.h"
#include "cli/convert_diagnostics.h"
#include "cli/file_list.h"
#include "cli/file_run.h"
#include "cli/run_options.h"
#include "platform/text.h"
#include "cli/reasons.h"
#include "morph/diagnosis_text.h"
#include "morph/convert.h"
#include "pairing/tolerant_partners.h"
#include "platform/block.h"
#include "platform/parallel.h"

namespace {

const char kBatchUsage[] =
    "batch takes ORIGINAL MATCHING... --out-dir DIR [--jobs N] [--yes] [--tolerance EPS|auto] [--strict] "
    "[--allow-count-change] [--force] [--json] [--quiet]";
const char* const kBatchOptions[] = {"--out-dir", "--jobs",   "--yes", "--tolerance", "--strict", "--allow-count-change",
                                     "--force",   "--json",   nullptr};

// The original, loaded once for every file; 0, or the exit status.
int LoadBatchOriginal(const char* path, Model& original, const ConvertOptions& options, RunOutput output) {
    ConsoleHost host;
    host.Attach(false);
    host.quiet = output.quiet;
    char message[kMessageCapacity];
    host.ResetProgress();
    ConvertDiagnostics diagnostics;
    ConvertOptions loading = options;
    loading.diagnostics = &diagnostics;
    int32_t code = LoadOriginal(original, path, &host, message, &loading);
    host.FinishLine();
    if (code == 1) return 0;
    if (output.json) {
        PrintRunFailureJson("batch", ExitStatus(code), message, diagnostics.reason, output);
    } else {
        PrintMessage(stderr, message);
        PrintReason(stderr, diagnostics.reason);
    }
    return ExitStatus(code);
}

// What a failed file's line adds, as convert says it after the message: the
// system's reason, how many vertices paired and what would pair the rest,
// or how a copy with another vertex count shares the original's vertices.
void NoteFailure(int32_t code, const ConvertDiagnostics& d, char (&note)[kReasonNoteCapacity]) {
    if (code == -2 || code == -3 || code == -4) FormatReason(d.reason, note, sizeof note);
    char line[kReasonNoteCapacity];
    if (code == -7 && d.paired_count >= 0) {
        std::snprintf(note, sizeof note, "matched %d of %d vertices", d.paired_count,
                      d.paired_count + d.unpaired_count);
        if (d.listed_count > 0 && d.listed[0].nearest > 0)
            std::snprintf(line, sizeof line, "; vertex %d is %.3g from the nearest original vertex",
                          d.listed[0].number, d.listed[0].distance);
        else
            line[0] = '\0';
        AppendText(note, line);
        if (d.suggested_tolerance > 0 && !std::isinf(d.suggested_tolerance)) {
            WriteSafetyText(d.suggestion_safe, d.smallest_distance, line, sizeof line);
            AppendText(note, d.suggestion_safe ? "; suggested: --tolerance " : "; --tolerance ");
            AppendText(note, ExactNumber(d.suggested_tolerance).text);
            AppendText(note, " (");
            AppendText(note, line);
            AppendText(note, ")");
        }
        if (!d.suggestion_safe) {
            AppendText(note, "; suggested: convert --by topology, ");
            AppendText(note, kConnectivityReason);
        }
    } else if (code == -5 && d.missing_count >= 0) {
        WriteCountLine(d.missing_count, note, sizeof note);
        std::snprintf(line, sizeof line, "; split %d, welded %d; ", d.sharing.shared_count, d.sharing.unpaired_count);
        AppendText(note, line);
        WriteCountAdvice("--allow-count-change", "--tolerance", d.missing_count != 0, d.smallest_distance, line,
                         sizeof line);
        AppendText(note, line);
    }
}

// What a file's line adds to its outcome: why it failed, or what a done
// run noticed.
void NoteOutcome(int32_t code, const ConvertDiagnostics& diagnostics, char (&note)[kReasonNoteCapacity]) {
    note[0] = '\0';
    if (code != 1) NoteFailure(code, diagnostics, note);
    if (code == -4) return;  // the message names what was in the way
    int used = int(std::strlen(note));
    if (diagnostics.repaired > 0 && size_t(used) < sizeof note)
        used += std::snprintf(note + used, sizeof note - size_t(used), "%sfinished an interrupted earlier write of "
                              "the new file", used ? "; " : "");
    if (code == 1 && diagnostics.ambiguous_count > 0 && used >= 0 && size_t(used) < sizeof note)
        used += std::snprintf(note + used, sizeof note - size_t(used), "%s%d vertices ambiguous within the tolerance",
                              used ? ", " : "", diagnostics.ambiguous_count);
    if (diagnostics.write_notice[0]) {  // cut to the note's room
        if (note[0]) AppendText(note, "; ");
        AppendText(note, diagnostics.write_notice);
    }
    if (code != 1) return;
    char line[kReasonNoteCapacity];
    WritePartLine(diagnostics.sharing, diagnostics.original_vertices, line, sizeof line);
    if (line[0]) {
        if (note[0]) AppendText(note, "; ");
        AppendText(note, line);
    } else if (diagnostics.sharing.shared_count >= 0 && diagnostics.original_vertices != diagnostics.matching_vertices) {
        std::snprintf(line, sizeof line, "%ssplit %d, welded %d", note[0] ? "; " : "",
                      diagnostics.sharing.shared_count, diagnostics.sharing.unpaired_count);
        AppendText(note, line);
    }
    for (int32_t k = 0; k <= kWarningKinds; ++k) {
        if (k < kWarningKinds)
            FormatWarning(diagnostics, k, line, sizeof line);
        else
            WriteFacesCheckLine(diagnostics.check, line, sizeof line);
        if (!line[0]) continue;
        if (note[0]) AppendText(note, "; ");
        if (k < kWarningKinds) AppendText(note, "warning: ");
        AppendText(note, line);
    }
}

// One matching file of the run, on whichever thread takes it.
// It holds one of the run's processor places until its new file is
// formatted: the flushes to the disk then wait while another file computes.
void ConvertOne(const FileList& list, int32_t k, const Model& original, const ConvertOptions& options,
                ProcessorSlots& slots, FileRun& run) {
    const int32_t file = k - list.first_output;
    SlotHold hold;
    hold.Take(slots);
    run.Begin(file);
    FileHost host(run, file);
    char message[kMessageCapacity];
    CopyText(message, "There was an error creating the morph.");
    ConvertDiagnostics diagnostics;
    ConvertOptions own = options;
    own.diagnostics = &diagnostics;
    own.hold = &hold;
    const FileList::Entry& entry = list.entries[size_t(k)];
    int32_t code = MayWrite(list, k, message)
                       ? ConvertAgainstOriginal(original, entry.input, entry.output, &host, message, &own)
                       : -4;
    char note[kReasonNoteCapacity];
    NoteOutcome(code, diagnostics, note);
    run.End(file, code, message, note, code == 1 && diagnostics.checked ? &diagnostics.check : nullptr, &diagnostics);
}

}  // namespace

int RunBatchCommand(const Arguments& arguments) {
    if (arguments.positional_count < 2) return Usage(kBatchUsage);
    if (int status = CheckOptions(arguments, kBatchOptions, kBatchUsage)) return status;
    int32_t jobs = 1;
    ConvertOptions options;
    bool automatic = false;
    if (int status = ReadJobs(arguments, jobs)) return status;
    if (int status = ReadTolerance(arguments, options.tolerance, automatic)) return status;
    options.strict = arguments.Has("--strict");
    options.allow_count_change = arguments.Has("--allow-count-change");
    options.keep_directory = true;  // the files run at once
    options.threads = 1;            // each of them on one thread
    const RunOutput output{arguments.Has("--json"), arguments.Has("--quiet"), options.tolerance, automatic};
    FileList list;
    if (int status = MakeFileList(arguments, 1, list)) {
        if (output.json && status != kUsageError) PrintRunFailureJson("batch", status, list.problem, list.reason, output);
        return status;
    }
    EndFilesOnInterrupt();

    Model original;
    if (int status = LoadBatchOriginal(list.entries[0].input, original, options, output)) return status;
    SizeOutliers outliers;
    if (automatic) options.tolerance = AutoTolerance(original.vertices, original.vertex_count, &outliers);
    if (!output.json) ReportTolerance(options.tolerance, automatic, &outliers, output.quiet);  // the document says it

    const int32_t count = arguments.positional_count - 1;
    RunFacts facts{options.tolerance, automatic, -1};
    facts.strict = options.strict;
    FileRun run(list.shown.data(), count, arguments.Has("--yes"), output, facts);
    ProcessorSlots slots(jobs);
    RunInParallel(count, ThreadsForSlots(jobs),
                  [&](int32_t file) { ConvertOne(list, file + 1, original, options, slots, run); });
    original.Release();
    ReleaseSpareBlocks();
    return run.Finish("batch");
}
