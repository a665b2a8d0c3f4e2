#include "cli/patterns.h"

#ifdef _WIN32
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/path_text.h"

namespace {

bool IsPattern(const char* argument) {
    const char* name = FileNamePart(argument);
    return std::strpbrk(name, "*?") != nullptr;
}

// The files the pattern matches, with its folder part, in name order.
std::vector<std::string> Matches(const char* pattern) {
    std::vector<std::string> found;
    std::string folder(pattern, FileNameOffset(pattern));
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE) return found;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) found.push_back(folder + entry.cFileName);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace

int ExpandPatterns(Arguments& arguments, ExpandedNames& store) {
    const char* given[kMaxPositional];
    int count = arguments.positional_count;
    std::copy(arguments.positional, arguments.positional + count, given);
    arguments.positional_count = 0;
    for (int k = 0; k < count; ++k) {
        if (!IsPattern(given[k])) {
            if (arguments.positional_count == kMaxPositional) return Usage("too many arguments");
            arguments.positional[arguments.positional_count++] = given[k];
            continue;
        }
        std::vector<std::string> matches = Matches(given[k]);
        if (matches.empty()) {
            char problem[320];
            std::snprintf(problem, sizeof problem, "no file matches %.200s", given[k]);
            return Usage(problem);
        }
        for (const std::string& match : matches) {
            if (arguments.positional_count == kMaxPositional) return Usage("too many arguments");
            store.names.emplace_back(new char[match.size() + 1]);
            std::memcpy(store.names.back().get(), match.c_str(), match.size() + 1);
            arguments.positional[arguments.positional_count++] = store.names.back().get();
        }
    }
    return 0;
}

#else

int ExpandPatterns(Arguments&, ExpandedNames&) { return 0; }

#endif
