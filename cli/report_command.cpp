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
#include "morph/convert.h"
#include "morph/convert_messages.h"
#include "morph/report.h"
#include "platform/files/interrupt.h"
#include "platform/files/output_file.h"
#include "platform/text.h"

namespace {

const char kReportUsage[] = "report takes ORIGINAL MATCHING [--output PATH] [--details] [--json] [--quiet]";
const char* const kReportOptions[] = {"--output", "--details", "--json", nullptr};
const char kNotCreated[] = "There was an error creating the report file.";
const char kNotWritten[] =
    "There was an error creating the report file.  If another application\r\n"
    "has this file open, please close it and try again.\r\n";

// The message of a report file that was not written: the dialog's words
// where another program holding the file may be why (Windows' sharing
// refusals), else the file named, its reason said after it.
void WriteNotWritten(char (&message)[kMessageCapacity], const char* path, int32_t reason) {
#ifdef _WIN32
    if (reason == 32 || reason == 33) {  // ERROR_SHARING_VIOLATION, ERROR_LOCK_VIOLATION
        CopyText(message, kNotWritten);
        return;
    }
#endif
    (void)reason;
    std::snprintf(message, sizeof message, "There was an error creating the report file:\r\n\r\nfilepath: \"%s\"\r\n",
                  path);
}

// The run as JSON: what the text and the messages after it say. `output`:
// the --output path as made absolute, or null.
// `not_loaded`: the message for a file that didn't load, or "".
void PrintJson(int status, int32_t code, const ReportText& report, const char* output, int32_t reason,
               const char* not_loaded, const char* not_written) {
    JsonWriter json(stdout);
    json.BeginObject();
    WriteJsonHeading(json, "report");
    json.Integer("status", status);
    json.Boolean("success", status == 0);
    json.Message("message", code == 0 ? kNotCreated : code == -1 ? not_written : not_loaded[0] ? not_loaded : nullptr);
    json.Text("output", output);
    WriteReason(json, code == -1 ? reason : 0);
    if (code != 0) WriteReportSections(json, report);
    json.End();
}

// A report is made even when a file didn't load, but a script must be able
// to tell: the status and message convert gives for that file (3 original,
// 4 matching; 3 when neither loaded) with the reason of each, printed
// when `print`. `first` gets the message of the first file that didn't load.
int NotLoadedStatus(const ReportText& report, const char (&paths)[3][kPathCapacity], bool print,
                    char (&first)[kMessageCapacity]) {
    int status = 0;
    first[0] = '\0';
    for (int i = 0; i < 2; ++i) {
        if (report.loaded[i]) continue;
        char message[kMessageCapacity];
        (i == 0 ? WriteOriginalNotLoaded : WriteMatchingNotLoaded)(message, paths[i]);
        if (print) PrintMessage(stderr, message);
        if (print) PrintReason(stderr, report.reason[i]);
        if (status == 0) CopyText(first, message);
        if (status == 0) status = 3 + i;
    }
    return status;
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
    // A path too long to keep is named whole, as it would have been used.
    char absolute[4096] = "";
    if (output) AbsoluteText(output, absolute, sizeof absolute);
    if (output_fits && (SameFile(paths[2], paths[0]) || SameFile(paths[2], paths[1])))
        return Usage("--output names one of the files to report on");

    ConsoleHost host;
    host.Attach(false);
    host.quiet = arguments.Has("--quiet");
    if (output) {  // Ctrl-C leaves nothing of the --output file's writing behind
        const char* start = host.terminal ? "\n" : "";
        char untouched[96], written[96];
        std::snprintf(untouched, sizeof untouched, "%squandrelistaphor: interrupted: the --output file was not written\n",
                      start);
        std::snprintf(written, sizeof written, "%squandrelistaphor: interrupted just after the --output file was "
                      "written\n", start);
        EndRunOnInterrupt(untouched, written);
    }
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
    const bool json = arguments.Has("--json");
    char not_loaded[kMessageCapacity] = "";
    const int status = code == 1 ? NotLoadedStatus(report, paths, false, not_loaded) : 1 - code;
    char not_written[kMessageCapacity] = "";
    if (code == -1) WriteNotWritten(not_written, absolute, fault.error);
    if (json) {
        PrintJson(status, code, report, output ? absolute : nullptr, fault.error, not_loaded, not_written);
    } else if (code == 0) {
        std::fprintf(stderr, "%s\n", kNotCreated);
    } else {
        WriteText(stdout, report.text, size_t(report.length));
        std::fflush(stdout);
        if (code == -1) {
            PrintMessage(stderr, not_written);
            PrintReason(stderr, fault.error);
            if (fault.notice[0]) std::fprintf(stderr, "%s\n", fault.notice);
        }
    }
    if (code == 1 && !json) NotLoadedStatus(report, paths, true, not_loaded);  // after the report, as convert says it
    return status;
}
