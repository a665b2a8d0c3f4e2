// report ORIGINAL MATCHING [--output PATH] [--details] [--json] [--quiet]
#include <cstdio>

#include "cli/commands.h"
#include "cli/console_host.h"
#include "cli/convert_json.h"
#include "cli/report_json.h"
#include "cli/paths.h"
#include "cli/reasons.h"
#include "cli/report_output.h"
#include "cli/terminal_text.h"
#include "morph/report.h"
#include "platform/files/output_file.h"

namespace {

const char kReportUsage[] = "report takes ORIGINAL MATCHING [--output PATH] [--details] [--json] [--quiet]";
const char* const kReportOptions[] = {"--output", "--details", "--json", nullptr};
const char kNotCreated[] = "There was an error creating the report file.";
const char kNotWritten[] =
    "There was an error creating the report file.  If another application\r\n"
    "has this file open, please close it and try again.\r\n";

// The run as JSON: what the text and the messages after it say. `output`:
// the --output path as made absolute, or null.
void PrintJson(int status, int32_t code, const ReportText& report, const char* output, int32_t reason) {
    JsonWriter json(stdout);
    json.BeginObject();
    WriteJsonHeading(json, "report");
    json.Integer("status", status);
    json.Boolean("success", status == 0);
    json.Message("message", code == 0 ? kNotCreated : code == -1 ? kNotWritten : nullptr);
    json.Text("output", output);
    WriteReason(json, code == -1 ? reason : 0);
    if (code != 0) WriteReportSections(json, report);
    json.End();
}

}  // namespace

int RunReportCommand(const Arguments& arguments) {
    if (arguments.positional_count != 2) return Usage(kReportUsage);
    if (int status = CheckOptions(arguments, kReportOptions, kReportUsage)) return status;
    const char* output = arguments.Option("--output");
    char paths[3][kPathCapacity] = {};  // original, matching, --output
    if (int status = MakeAbsolutePaths(arguments.positional, 2, paths)) return status;
    // A path too long to keep is one the report can't be written to: the
    // report is still made and shown, and the write fails with that reason.
    bool output_fits = output && MakeAbsolute(output, paths[2]);
    if (output_fits && (SameFile(paths[2], paths[0]) || SameFile(paths[2], paths[1])))
        return Usage("--output names one of the files to report on");

    ConsoleHost host;
    host.Attach(false);
    host.quiet = arguments.Has("--quiet");
    static ReportText report;
    host.ResetProgress();
    int32_t code = MakeReport(paths[0], paths[1], nullptr, &host, &report, arguments.Has("--details"));
    OutputFault fault;
    if (code == 1 && output && !output_fits) {
        fault.error = kErrorNameTooLong;
        code = -1;
    } else if (code == 1 && output && !WriteReportOutput(paths[2], report, &fault)) {
        code = -1;
    }
    host.FinishLine();
    if (arguments.Has("--json")) {
        PrintJson(1 - code, code, report, output ? paths[2] : nullptr, fault.error);
    } else if (code == 0) {
        std::fprintf(stderr, "%s\n", kNotCreated);
    } else {
        WriteText(stdout, report.text, size_t(report.length));
        std::fflush(stdout);
        if (code == -1) {
            PrintMessage(stderr, kNotWritten);
            PrintReason(stderr, fault.error);
        }
    }
    return 1 - code;
}
