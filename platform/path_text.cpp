#include "platform/path_text.h"

#include <cstring>

#include "platform/text.h"

namespace {

bool HasDrive(const char* path) {
    char c = path[0];
    bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    return letter && path[1] == ':';
}

}  // namespace

size_t FileNameOffset(const char* path) {
    if (!path) return 0;
    size_t offset = 0;
    for (size_t i = 0; path[i]; ++i) {
        if (IsPathSeparator(path[i])) offset = i + 1;
    }
    if (offset == 0 && HasDrive(path)) offset = 2;
    return offset;
}

const char* FileNamePart(const char* path) {
    return path ? path + FileNameOffset(path) : "";
}

const char* ExtensionPart(const char* path) {
    const char* name = FileNamePart(path);
    const char* dot = std::strrchr(name, '.');
    return dot ? dot : name + std::strlen(name);
}

int IsAbsolutePath(const char* path) {
    if (!path) return 0;
    return (HasDrive(path) || IsPathSeparator(path[0])) ? 1 : 0;
}

int FolderPart(const char* path, char* folder, size_t capacity) {
    if (capacity == 0) return 0;
    size_t length = FileNameOffset(path);
    CopyText(folder, capacity, path ? path : "", length);
    return length < capacity ? 1 : 0;
}
