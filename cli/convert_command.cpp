// convert ORIGINAL MATCHING NEW [--yes] [--tolerance EPS|auto] [--strict] [--allow-count-change]
//         [--by position|topology] [--seed O1,O2,O3=S1,S2,S3] [--jobs N] [--json] [--quiet]
#include <cstdio>
#include <cstring>

#include "cli/commands.h"
#include "cli/console_host.h"
#include "cli/convert_diagnostics.h"
#include "cli/convert_json.h"
#include "cli/file_run.h"
#include "cli/paths.h"
#include "cli/pairing_way.h"
#include "cli/run_options.h"
#include "platform/text.h"
#include "morph/convert.h"
#include "platform/files/interrupt.h"
#include "platform/reasons.h"

namespace {

const char kConvertUsage[] =
    "convert takes ORIGINAL MATCHING NEW [--yes] [--tolerance EPS|auto] [--strict] [--allow-count-change] "
    "[--by position|topology] [--seed O1,O2,O3=S1,S2,S3] [--jobs N] [--json] [--quiet]";
const char* const kConvertOptions[] = {"--yes", "--tolerance", "--strict", "--accept-unsure", "--allow-count-change", "--by", "--seed",
                                       "--jobs", "--json", nullptr};
const char kSuccess[] = "The morph was created successfully.";

void PrintJson(int32_t code, const char* message, char (*paths)[kPathCapacity], const ConvertOptions& options,
               const ConvertDiagnostics& diagnostics) {
    JsonWriter json(stdout);
    json.BeginObject();
    WriteJsonHeading(json, "convert");
    json.Text("original", paths[0]);
    json.Text("matching", paths[1]);
    json.Text("new", paths[2]);
    WriteConvertOutcome(json, code, message, kSuccess, options, diagnostics);
    json.End();
}

}  // namespace

int RunConvertCommand(const Arguments& arguments) {
    if (arguments.positional_count != 3) return Usage(kConvertUsage);
    if (int status = CheckOptions(arguments, kConvertOptions, kConvertUsage)) return status;
    static ConvertDiagnostics diagnostics;  // a few kilobytes: kept off the stack
    ConvertOptions options;
    options.diagnostics = &diagnostics;
    if (int status = ReadJobs(arguments, options.threads)) return status;
    TopologySeed seeds[kMaxSeeds];
    if (int status = ReadPairingOptions(arguments, options, seeds)) return status;
    // Every path is made absolute now: loading a file that names a material
    // library changes the current directory.
    if (EndsInSeparator(arguments.positional[2])) return Usage("NEW ends in a separator: give the new file's name");
    char paths[3][kPathCapacity] = {};  // original, matching, new
    if (int status = MakeAbsolutePaths(arguments.positional, 3, paths)) return status;

    ConsoleHost host;
    host.Attach(arguments.Has("--yes"));
    host.quiet = arguments.Has("--quiet");
    // Ctrl-C leaves nothing of the run behind and says what became of NEW.
    char untouched[kPathCapacity + 128];
    char written[kPathCapacity + 128];
    const char* start = host.terminal ? "\n" : "";
    std::snprintf(untouched, sizeof untouched,
                  "%squandrelistaphor: interrupted: nothing was written; the earlier %s, if any, is untouched\n", start,
                  paths[2]);
    std::snprintf(written, sizeof written, "%squandrelistaphor: interrupted just after %s was written\n", start,
                  paths[2]);
    EndRunOnInterrupt(untouched, written);
    char message[kMessageCapacity];
    CopyText(message, "There was an error creating the morph.");
    host.ResetProgress();
    int32_t code = -1;
    if (!LacksFolderOrName(paths[0]) && !LacksFolderOrName(paths[1]) && !LacksFolderOrName(paths[2]))
        code = ConvertFiles(paths[0], paths[1], paths[2], &host, message, &options);
    host.FinishLine();

    if (arguments.Has("--json")) {
        PrintJson(code, message, paths, options, diagnostics);
    } else if (code == 1) {
        if (!host.quiet) std::printf("%s\n", kSuccess);  // quiet: NEW says it
        std::fflush(stdout);
    } else if (code != -8) {
        PrintMessage(stderr, message);
        if (message[0] && message[std::strlen(message) - 1] != '\n') std::fputc('\n', stderr);
    }
    if (code != -1 && !arguments.Has("--json")) PrintConvertDiagnostics(stderr, code, options, diagnostics, host.quiet);
    return ConvertExitStatus(code, diagnostics.reason);
}
