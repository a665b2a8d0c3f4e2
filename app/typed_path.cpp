#include "app/typed_path.h"

#include <cstring>

#include "model/records.h"
#include "platform/text.h"

void TidyTypedPath(char* path) {
    size_t begin = 0;
    size_t end = std::strlen(path);
    auto trim = [&] {
        while (begin < end && (path[begin] == ' ' || path[begin] == '\t')) ++begin;
        while (end > begin && (path[end - 1] == ' ' || path[end - 1] == '\t')) --end;
    };
    trim();
    if (end - begin >= 2 && path[begin] == '"' && path[end - 1] == '"') {
        ++begin;
        --end;
        trim();
    }
    std::memmove(path, path + begin, end - begin);
    path[end - begin] = '\0';
}

void SplitTypedPath(const char* path, char* directory, char* file_name) {
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/') name = p + 1;
    CopyText(directory, kPathCapacity, path, size_t(name - path));
    CopyText(file_name, kPathCapacity, name);
}
