// quandrelistaphor: the command-line front end. Runs the same operations as
// the dialog program, and more, through a console host.
#include <cstdio>
#include <cstring>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/help_text.h"
#include "cli/patterns.h"

#ifndef QUANDRE_VERSION
#define QUANDRE_VERSION "1.0"
#endif

namespace {

struct Command {
    const char* name;
    int (*run)(const Arguments&);
};

const Command kCommands[] = {
    {"convert", RunConvertCommand},
    {"report", RunReportCommand},
    {"shapes", RunShapesCommand},
    {"batch", RunBatchCommand},
    {"pair", RunPairCommand},
};

// help [COMMAND], or COMMAND --help.
int Help(const char* command) {
    if (!command) {
        PrintHelp(stdout);
        return 0;
    }
    if (PrintCommandHelp(stdout, command)) return 0;
    char problem[320];
    std::snprintf(problem, sizeof problem, "no help on %.200s: it is not a command", command);
    return Usage(problem);
}

}  // namespace

int main(int argc, char** argv) {
    static Arguments arguments;  // room for many file names: kept off the stack
    if (int status = ParseArguments(argc, argv, arguments)) return status;
    ExpandedNames expanded;
    if (int status = ExpandPatterns(arguments, expanded)) return status;
    if (arguments.help) return Help(arguments.command);
    if (arguments.command && std::strcmp(arguments.command, "help") == 0)
        return arguments.positional_count > 1 ? Usage("help takes one COMMAND")
                                              : Help(arguments.positional_count ? arguments.positional[0] : nullptr);
    if (arguments.version) {
        std::printf("quandrelistaphor %s\n", QUANDRE_VERSION);
        return 0;
    }
    if (!arguments.command) return Usage(nullptr);
    for (const Command& command : kCommands)
        if (std::strcmp(command.name, arguments.command) == 0) return command.run(arguments);
    char problem[320];
    std::snprintf(problem, sizeof problem, "unknown command %.200s", arguments.command);
    return Usage(problem);
}
