#include "cli/paths.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/arguments.h"
#include "platform/text.h"
#include "platform/path_text.h"

#ifdef _WIN32
#include <direct.h>
#define getcwd _getcwd
const char kSeparator = '\\';
#else
#include <unistd.h>
const char kSeparator = '/';
#endif

namespace {

// Whether the system takes path as it stands rather than against the
// current directory: on POSIX systems a backslash or a drive letter is part
// of a name, not a root.
bool IsAbsolute(const char* path) {
#ifdef _WIN32
    return IsAbsolutePath(path) == 1;
#else
    return path[0] == '/';
#endif
}

}  // namespace

bool MakeAbsolute(const char* argument, char (&path)[kPathCapacity]) {
    path[0] = '\0';
    if (argument[0] == '\0') return true;
    if (!IsAbsolute(argument)) {
        // A directory that can't be read whole would leave the path relative,
        // and a later change of directory would move it.
        char directory[4096];
        if (!getcwd(directory, sizeof directory)) return false;
        if (!AppendText(path, directory)) return false;
        size_t length = std::strlen(path);
        if (length == 0 || !IsPathSeparator(path[length - 1])) {
            char separator[2] = {kSeparator, '\0'};
            if (!AppendText(path, separator)) return false;
        }
    }
    return AppendText(path, argument) == 1;
}

bool EndsInSeparator(const char* path) {
    size_t length = std::strlen(path);
    return length > 0 && IsPathSeparator(path[length - 1]);
}

bool LacksFolderOrName(const char* path) {
    size_t folder = FileNameOffset(path);
    return folder == 0 || path[folder] == '\0';
}

void AbsoluteText(const char* argument, char* text, size_t capacity) {
    if (!text || capacity == 0) return;
    text[0] = '\0';
    if (!IsAbsolute(argument) && getcwd(text, capacity)) {
        size_t length = std::strlen(text);
        char separator[2] = {kSeparator, '\0'};
        if (length == 0 || !IsPathSeparator(text[length - 1])) AppendText(text, capacity, separator);
    }
    AppendText(text, capacity, argument);
}

int MakeAbsolutePaths(const char* const* arguments, int count, char (*paths)[kPathCapacity]) {
    for (int k = 0; k < count; ++k) {
        if (MakeAbsolute(arguments[k], paths[k])) continue;
        char problem[4096 + 128];
        char directory[4096];
        if (!IsAbsolute(arguments[k]) && !getcwd(directory, sizeof directory)) {
            std::snprintf(problem, sizeof problem,
                          "the current directory can't be read (%.120s): give absolute paths or change to a "
                          "shorter directory", std::strerror(errno));
        } else {  // named as it would be used: the whole absolute path
            char absolute[4096];
            AbsoluteText(arguments[k], absolute, sizeof absolute);
            std::snprintf(problem, sizeof problem, "path too long (at most %d characters, this one has %zu): %s",
                          kPathCapacity - 1, std::strlen(absolute), absolute);
        }
        return Usage(problem);
    }
    return 0;
}
