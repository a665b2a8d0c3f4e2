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
