// report ORIGINAL MATCHING [--output PATH] [--details]
#include <cstdio>

#include "cli/commands.h"
#include "cli/console_host.h"
#include "cli/paths.h"
#include "morph/report.h"

namespace {

const char kReportUsage[] = "report takes ORIGINAL MATCHING [--output PATH] [--details]";
const char* const kReportOptions[] = {"--output", "--details", nullptr};

}  // namespace

int RunReportCommand(const Arguments& arguments) {
    if (arguments.positional_count != 2) return Usage(kReportUsage);
    if (int status = CheckOptions(arguments, kReportOptions, kReportUsage)) return status;
    char paths[2][kPathCapacity] = {};
    if (int status = MakeAbsolutePaths(arguments.positional, 2, paths)) return status;
    const char* output = arguments.Option("--output");
    char output_path[kPathCapacity];
    // A path too long to keep is one the report can't be written to, as an
    // empty one is.
    if (output && !MakeAbsolute(output, output_path)) output_path[0] = '\0';

    ConsoleHost host;
    host.Attach(false);
    static ReportText report;
    host.ResetProgress();
    int32_t code = MakeReport(paths[0], paths[1], output ? output_path : nullptr, &host, &report, arguments.Has("--details"));
    host.FinishLine();
    if (code == 0) {
        std::fprintf(stderr, "There was an error creating the report file.\n");
    } else {
        std::fwrite(report.text, 1, size_t(report.length), stdout);
        std::fflush(stdout);
        if (code == -1)
            PrintMessage(stderr,
                         "There was an error creating the report file.  If another application\r\n"
                         "has this file open, please close it and try again.\r\n");
    }
    return 1 - code;
}
