// pair ORIGINAL MATCHING [--tolerance EPS|auto] [--strict] [--allow-count-change] [--by position|topology]
//      [--seed O1,O2,O3=S1,S2,S3] [--output FILE] [--quiet]
// The pairing alone, as JSON, for scripts and add-ons that apply it
// themselves.
#include <cstdio>
#include <cstring>

#include "cli/commands.h"
#include "cli/console_host.h"
#include "cli/convert_json.h"
#include "cli/pairing_way.h"
#include "cli/paths.h"
#include "cli/reasons.h"
#include "cli/report_output.h"
#include "cli/run_options.h"
#include "morph/pair_files.h"
#include "platform/files/output_file.h"
#include "platform/text.h"

namespace {

const char kPairUsage[] =
    "pair takes ORIGINAL MATCHING [--tolerance EPS|auto] [--strict] [--allow-count-change] [--by position|topology] "
    "[--seed O1,O2,O3=S1,S2,S3] [--output FILE] [--quiet]";
const char* const kPairOptions[] = {"--tolerance", "--strict", "--accept-unsure", "--allow-count-change", "--by", "--seed", "--output",
                                    "--json", nullptr};
const char kPaired[] = "Every vertex of the matching file was paired.";
const char kNotPaired[] = "There was an error pairing the vertices.";

// The pairing's failures are convert's, headed as convert's are; pair
// creates no file, so its heading says what failed.
void HeadAsPairing(char* message) {
    const char creating[] = "There was an error creating the new morph file.";
    static_assert(sizeof kNotPaired <= sizeof creating, "the heading only shortens the message");
    if (std::strncmp(message, creating, sizeof creating - 1) != 0) return;
    const char* rest = message + sizeof creating - 1;
    std::memmove(message + sizeof kNotPaired - 1, rest, std::strlen(rest) + 1);
    std::memcpy(message, kNotPaired, sizeof kNotPaired - 1);
}

void WritePairing(JsonWriter& json, const FilePairing& pairing, const ConvertOptions& options,
                  const ConvertDiagnostics& diagnostics, int32_t code) {
    json.BeginObject("faces");
    json.Integer("original", pairing.original_faces);
    json.Integer("matching", pairing.matching_faces);
    json.End();
    json.Text("by", options.by_topology ? "topology" : "position");
    json.Boolean("one_to_one", code == 1 && pairing.one_to_one);
    if (code == 1) {
        json.Integer("split", diagnostics.sharing.shared_count);
        json.Integer("welded", WeldedCount(diagnostics.sharing));
    } else {
        json.Null("split");
        json.Null("welded");
    }
    if (!pairing.partner) return json.Null("partner");
    json.BeginArray("partner");
    for (int32_t i = 0; i < pairing.matching_vertices; ++i) {
        if (pairing.partner[i] >= 0)
            json.Integer(nullptr, pairing.partner[i]);
        else
            json.Null(nullptr);
    }
    json.End();
}

void WriteDocument(JsonWriter& json, char (*paths)[kPathCapacity], int32_t code, const char* message,
                   const FilePairing& pairing, const ConvertOptions& options, const ConvertDiagnostics& diagnostics) {
    json.BeginObject();
    WriteJsonHeading(json, "pair");
    json.Text("original", paths[0]);
    json.Text("matching", paths[1]);
    WriteConvertOutcome(json, code, message, kPaired, options, diagnostics);
    WritePairing(json, pairing, options, diagnostics, code);
    json.End();
}

// The document into FILE, replacing it only when written whole; 1, or 0
// after saying why.
int32_t WriteToFile(const char* path, char (*paths)[kPathCapacity], int32_t code, const char* message,
                    const FilePairing& pairing, const ConvertOptions& options, const ConvertDiagnostics& diagnostics) {
    OutputFile file;
    OutputFault fault;
    if (OpenOutputFile(file, path, &fault)) {
        JsonWriter json(&file);
        WriteDocument(json, paths, code, message, pairing, options, diagnostics);
        if (CommitOutputFile(file)) return 1;
        fault.error = file.error;
    }
    std::fprintf(stderr, "There was an error writing the pairing file:\n\nfilepath: \"%s\"\n", path);
    PrintReason(stderr, fault.error);
    return 0;
}

}  // namespace

int RunPairCommand(const Arguments& arguments) {
    if (arguments.positional_count != 2) return Usage(kPairUsage);
    if (int status = CheckOptions(arguments, kPairOptions, kPairUsage)) return status;
    static ConvertDiagnostics diagnostics;  // a few kilobytes: kept off the stack
    ConvertOptions options;
    options.diagnostics = &diagnostics;
    TopologySeed seeds[kMaxSeeds];
    if (int status = ReadPairingOptions(arguments, options, seeds)) return status;
    char paths[3][kPathCapacity] = {};  // original, matching, --output
    if (int status = MakeAbsolutePaths(arguments.positional, 2, paths)) return status;
    const char* output = arguments.Option("--output");
    if (output && !MakeAbsolute(output, paths[2])) return Usage("the --output path is too long");
    if (output && (SameFile(paths[2], paths[0]) || SameFile(paths[2], paths[1])))
        return Usage("--output names one of the files to pair");

    ConsoleHost host;
    host.Attach(false);
    host.quiet = arguments.Has("--quiet");
    char message[kMessageCapacity];
    CopyText(message, kNotPaired);
    host.ResetProgress();
    FilePairing pairing;
    int32_t code = -1;
    if (!LacksFolderOrName(paths[0]) && !LacksFolderOrName(paths[1]))
        code = PairFiles(paths[0], paths[1], &host, message, &options, pairing);
    HeadAsPairing(message);
    host.FinishLine();
    if (code != 1 && code != -8 && !host.quiet) {
        PrintMessage(stderr, message);
        std::fputc('\n', stderr);
    }
    if (!output) {
        JsonWriter json(stdout);
        WriteDocument(json, paths, code, message, pairing, options, diagnostics);
    } else if (!WriteToFile(paths[2], paths, code, message, pairing, options, diagnostics)) {
        return 5;
    }
    return 1 - code;
}
