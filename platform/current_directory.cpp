#include "platform/current_directory.h"

#if defined(_WIN32)
extern "C" __declspec(dllimport) int __stdcall SetCurrentDirectoryA(const char* path);
#else
#include <unistd.h>
#endif

int MakeCurrentDirectory(const char* folder) {
    if (!folder || !folder[0]) return 0;
#if defined(_WIN32)
    return SetCurrentDirectoryA(folder) ? 1 : 0;
#else
    return chdir(folder) == 0 ? 1 : 0;
#endif
}

int IsFullPath(const char* path) {
    if (!path || !path[0]) return 0;
#if defined(_WIN32)
    auto separator = [](char c) { return c == '/' || c == '\\'; };
    bool drive = ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) && path[1] == ':';
    return (drive && separator(path[2])) || (separator(path[0]) && separator(path[1])) ? 1 : 0;
#else
    return path[0] == '/' ? 1 : 0;
#endif
}
