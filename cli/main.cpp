// quandrelistaphor: the command-line front end. Runs the same Convert and
// Report operations as the dialog program, through a console host.
#include <cstdio>
#include <cstring>

#include "cli/console_host.h"
#include "model/text.h"
#include "morph/convert.h"
#include "morph/report.h"

#ifdef _WIN32
#include <direct.h>
#include <io.h>
#define getcwd _getcwd
#define isatty _isatty
#define fileno _fileno
const char kSeparator = '\\';
#else
#include <unistd.h>
const char kSeparator = '/';
#endif

#ifndef QUANDRE_VERSION
#define QUANDRE_VERSION "1.0"
#endif

namespace {

constexpr int kUsageError = 64;

const char kUsage[] =
    "Usage:\n"
    "  quandrelistaphor convert ORIGINAL MATCHING NEW [--yes]\n"
    "  quandrelistaphor report  ORIGINAL MATCHING [--output PATH]\n"
    "  quandrelistaphor --help | --version\n";

const char kHelp[] =
    "\n"
    "convert  writes NEW (an OBJ file, and its .mtl beside it when it has materials):\n"
    "         the faces, texture coordinates, normals, groups and materials of MATCHING\n"
    "         with the vertices in the order of ORIGINAL. Every vertex of MATCHING must\n"
    "         sit at exactly the position (as 32-bit floats) of a vertex of ORIGINAL.\n"
    "         When the face counts differ it asks \"Continue anyway? [y/N]\" on a\n"
    "         terminal; without a terminal it declines unless --yes is given.\n"
    "report   prints the vertex, face, group and material counts of both files,\n"
    "         with their isolated and duplicate vertices; --output PATH also writes\n"
    "         the report to PATH (CR LF line ends).\n"
    "\n"
    "Status and progress go to standard error. Paths of at most 255 characters;\n"
    "a relative path is taken relative to the current directory at start.\n"
    "\n"
    "Exit status:\n"
    "  0   success\n"
    "  1   internal error (the operation got no window, progress bar or buffer)\n"
    "  2   convert: an argument is empty; report: the --output file can't be written\n"
    "  3   ORIGINAL didn't load (missing, unreadable or not an OBJ with vertices)\n"
    "  4   MATCHING didn't load\n"
    "  5   NEW couldn't be written (any earlier NEW is kept as it was)\n"
    "  6   the vertex counts differ\n"
    "  7   no vertices\n"
    "  8   not every vertex of MATCHING has a vertex of ORIGINAL at its position\n"
    "  9   declined at the face-count question\n"
    "  64  usage error\n";

int Usage(const char* problem) {
    if (problem) std::fprintf(stderr, "quandrelistaphor: %s\n", problem);
    std::fputs(kUsage, stderr);
    return kUsageError;
}

bool IsSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

bool IsAbsolute(const char* path) {
#ifdef _WIN32
    if (((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) && path[1] == ':') return true;
#endif
    return IsSeparator(path[0]);
}

// The argument made absolute: the current directory, a separator and the
// argument when it is relative; nothing else is changed. An empty argument
// stays empty. Returns false when the result does not fit a path.
bool MakeAbsolute(const char* argument, char (&path)[kPathCapacity]) {
    path[0] = '\0';
    if (argument[0] == '\0') return true;
    if (!IsAbsolute(argument)) {
        char directory[4096];
        if (getcwd(directory, sizeof directory)) {
            if (!AppendText(path, directory)) return false;
            size_t length = std::strlen(path);
            if (length == 0 || !IsSeparator(path[length - 1])) {
                char separator[2] = {kSeparator, '\0'};
                if (!AppendText(path, separator)) return false;
            }
        }
    }
    return AppendText(path, argument) == 1;
}

// The dialog refuses to convert while any of its file slots lacks a folder or
// a file name; a path given here lacks one when it is empty, names no
// folder, or ends in a separator. Such a run ends as that refusal does.
bool LacksFolderOrName(const char* path) {
    size_t length = std::strlen(path);
    if (length == 0 || IsSeparator(path[length - 1])) return true;
    for (size_t i = 0; i < length; ++i)
        if (IsSeparator(path[i])) return false;
    return true;
}

int RunConvert(ConsoleHost& host, const char (&paths)[3][kPathCapacity]) {
    char message[kMessageCapacity];
    CopyText(message, "There was an error creating the morph.");
    host.ResetProgress();
    int32_t code = -1;
    if (!LacksFolderOrName(paths[0]) && !LacksFolderOrName(paths[1]) && !LacksFolderOrName(paths[2]))
        code = ConvertFiles(paths[0], paths[1], paths[2], &host, message);
    host.FinishLine();

    if (code == 1) {
        std::printf("The morph was created successfully.\n");
    } else if (code != -8) {
        PrintMessage(stderr, message);
        if (message[0] && message[std::strlen(message) - 1] != '\n') std::fputc('\n', stderr);
    }
    return 1 - code;
}

int RunReport(ConsoleHost& host, const char (&paths)[3][kPathCapacity], const char* output_path) {
    static ReportText report;
    host.ResetProgress();
    int32_t code = MakeReport(paths[0], paths[1], output_path, &host, &report);
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

}  // namespace

int main(int argc, char** argv) {
    const char* positional[4] = {};
    int positional_count = 0;
    bool yes = false, options_done = false;
    const char* output = nullptr;
    bool has_output = false;

    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (!options_done && a[0] == '-' && a[1] == '-') {
            if (std::strcmp(a, "--") == 0) {
                options_done = true;
            } else if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
                std::fputs(kUsage, stdout);
                std::fputs(kHelp, stdout);
                return 0;
            } else if (std::strcmp(a, "--version") == 0) {
                std::printf("quandrelistaphor %s\n", QUANDRE_VERSION);
                return 0;
            } else if (std::strcmp(a, "--yes") == 0) {
                yes = true;
            } else if (std::strcmp(a, "--output") == 0) {
                if (i + 1 >= argc) return Usage("--output needs a PATH");
                output = argv[++i];
                has_output = true;
            } else {
                char problem[kPathCapacity];
                std::snprintf(problem, sizeof problem, "unknown option %s", a);
                return Usage(problem);
            }
            continue;
        }
        if (!options_done && std::strcmp(a, "-h") == 0) {
            std::fputs(kUsage, stdout);
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (positional_count == 4) return Usage("too many arguments");
        positional[positional_count++] = a;
    }

    if (positional_count == 0) return Usage(nullptr);
    const char* command = positional[0];
    bool convert = std::strcmp(command, "convert") == 0;
    bool report = std::strcmp(command, "report") == 0;
    if (!convert && !report) {
        char problem[kPathCapacity];
        std::snprintf(problem, sizeof problem, "unknown command %s", command);
        return Usage(problem);
    }
    if (convert && (positional_count != 4 || has_output)) return Usage("convert takes ORIGINAL MATCHING NEW [--yes]");
    if (report && (positional_count != 3 || yes)) return Usage("report takes ORIGINAL MATCHING [--output PATH]");

    // Every path is made absolute now: loading a file that names a material
    // library changes the current directory.
    char paths[3][kPathCapacity] = {};  // original, matching, new
    for (int k = 1; k < positional_count; ++k) {
        if (!MakeAbsolute(positional[k], paths[k - 1])) {
            char problem[kPathCapacity];
            std::snprintf(problem, sizeof problem, "path too long (at most %d characters): %.160s",
                          kPathCapacity - 1, positional[k]);
            return Usage(problem);
        }
    }
    char output_path[kPathCapacity];
    if (has_output && !MakeAbsolute(output, output_path)) return Usage("--output path too long");

    ConsoleHost host;
    host.terminal = isatty(fileno(stderr)) != 0;
    host.interactive = host.terminal && isatty(fileno(stdin)) != 0;
    host.assume_yes = yes;

    return convert ? RunConvert(host, paths) : RunReport(host, paths, has_output ? output_path : nullptr);
}
