// report ORIGINAL MATCHING [--output PATH] [--details]
#include <cstdio>

#include "cli/commands.h"
#include "cli/console_host.h"
#include "cli/paths.h"
#include "cli/reasons.h"
#include "cli/report_output.h"
#include "cli/terminal_text.h"
#include "morph/convert.h"
#include "morph/convert_messages.h"
#include "morph/report.h"
#include "platform/files/interrupt.h"
#include "platform/files/output_file.h"

namespace {

const char kReportUsage[] = "report takes ORIGINAL MATCHING [--output PATH] [--details]";
const char* const kReportOptions[] = {"--output", "--details", nullptr};

// A report is made even when a file didn't load, but a script must be able
// to tell: the status and message convert gives for that file (3 original,
// 4 matching; 3 when neither loaded) with the reason of each.
int NotLoadedStatus(const ReportText& report, const char (&paths)[3][kPathCapacity]) {
    int status = 0;
    for (int i = 0; i < 2; ++i) {
        if (report.loaded[i]) continue;
        char message[kMessageCapacity];
        (i == 0 ? WriteOriginalNotLoaded : WriteMatchingNotLoaded)(message, paths[i]);
        PrintMessage(stderr, message);
        PrintReason(stderr, report.reason[i]);
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
    if (output_fits && (SameFile(paths[2], paths[0]) || SameFile(paths[2], paths[1])))
        return Usage("--output names one of the files to report on");

    ConsoleHost host;
    host.Attach(false);
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
    if (code == 0) {
        std::fprintf(stderr, "There was an error creating the report file.\n");
    } else {
        WriteText(stdout, report.text, size_t(report.length));
        std::fflush(stdout);
        if (code == -1) {
            PrintMessage(stderr,
                         "There was an error creating the report file.  If another application\r\n"
                         "has this file open, please close it and try again.\r\n");
            PrintReason(stderr, fault.error);
        }
    }
    if (code == 1) return NotLoadedStatus(report, paths);
    return 1 - code;
}
