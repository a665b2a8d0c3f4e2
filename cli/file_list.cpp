#include "cli/file_list.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "cli/paths.h"
#include "platform/text.h"
#include "morph/convert.h"
#include "platform/same_file.h"
#include "platform/path_text.h"
#include "wavefront/obj_writer.h"

#ifdef _WIN32
#include <direct.h>
#define MakeFolder(path) _mkdir(path)
#else
#include <unistd.h>
#define MakeFolder(path) mkdir(path, 0777)
#endif

namespace {

const char kProgram[] = "quandrelistaphor: ";

bool SameName(const char* a, const char* b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    for (; *a && *b; ++a, ++b)
        if (lower(*a) != lower(*b)) return false;
    return *a == *b;
}


// The folder made absolute, made when missing, ending in a separator.
int MakeOutputFolder(const char* argument, FileList& list) {
    char (&folder)[kPathCapacity] = list.folder;
    if (!argument || !argument[0]) return Usage("--out-dir DIR is needed");
    if (!MakeAbsolute(argument, folder)) return MakeAbsolutePaths(&argument, 1, &folder);
    size_t length = std::strlen(folder);
    if (!IsPathSeparator(folder[length - 1]) && !AppendText(folder, "/")) {
        char problem[kPathCapacity + 96];
        std::snprintf(problem, sizeof problem, "--out-dir path too long (at most %d characters and a separator): %s",
                      kPathCapacity - 2, folder);
        return Usage(problem);
    }
    struct stat status;
    int32_t made = 0;
    if (stat(folder, &status) != 0) made = MakeFolder(folder) == 0 ? 0 : errno;
    list.reason = made ? made : FolderRefusal(folder);
    if (list.reason) {
        std::snprintf(list.problem, sizeof list.problem, "the output folder %s: %s (%s)",
                      made ? "can't be made" : "can't be written to", folder, std::strerror(list.reason));
        std::fprintf(stderr, "%s%s\n", kProgram, list.problem);
#ifdef _WIN32
        list.reason = 0;  // a C library code, not the system's: the text has its words
#endif
        return 2;
    }
    return 0;
}

// 1 when the new files of two entries (each an OBJ file and, when it has
// materials, its library) would share a name; *library says whether a
// library is one of the two.
bool SameNewFiles(const char* a, const char* b, int32_t* library) {
    *library = 0;
    if (SameName(a, b)) return true;
    char a_library[kPathCapacity], b_library[kPathCapacity], name[kPathCapacity];
    if (!MakeLibraryPath(a, a_library, name) || !MakeLibraryPath(b, b_library, name)) return false;
    *library = SameName(a_library, b_library) || SameName(a_library, b) || SameName(a, b_library);
    return *library != 0;
}

}  // namespace

int MakeFileList(const Arguments& arguments, int32_t first_output, FileList& list) {
    if (int status = MakeOutputFolder(arguments.Option("--out-dir"), list)) return status;
    list.first_output = first_output;
    list.entries.resize(size_t(arguments.positional_count));
    for (int32_t k = 0; k < arguments.positional_count; ++k) {
        FileList::Entry& entry = list.entries[size_t(k)];
        if (int status = MakeAbsolutePaths(&arguments.positional[k], 1, &entry.input)) return status;
        if (LacksFolderOrName(entry.input)) {
            CopyText(list.problem, "There was an error creating the morph.");
            std::fprintf(stderr, "%s\n", list.problem);
            return 2;
        }
        const char* name = FileNamePart(entry.input);
        char inside[kPathCapacity];
        CopyText(inside, list.folder);
        if (!AppendText(inside, name)) return Usage("--out-dir path too long for the file names");
        if (SameFile(inside, entry.input) && !arguments.Has("--force")) {
            std::snprintf(list.problem, sizeof list.problem,
                          "the output folder holds the input file %s; choose another folder, or pass --force "
                          "(inputs are never written over)",
                          entry.input);
            std::fprintf(stderr, "%s%s\n", kProgram, list.problem);
            return 2;
        }
        if (k < first_output) continue;
        CopyText(entry.output, inside);
        list.shown.push_back(arguments.positional[k]);
        for (int32_t j = first_output; j < k && entry.same_name_as < 0; ++j)
            if (SameNewFiles(list.entries[size_t(j)].output, entry.output, &entry.same_library)) entry.same_name_as = j;
    }
    return 0;
}

// Why the folder can't take new files (a system reason), or 0. Where users'
// rights are not told apart by bits, the first file written says it.
int32_t FolderRefusal(const char* folder) {
    struct stat status;
    if (stat(folder, &status) != 0) return errno;
    if (!S_ISDIR(status.st_mode)) return ENOTDIR;
#ifndef _WIN32
    if (access(folder, W_OK | X_OK) != 0) return errno;
#endif
    return 0;
}

int32_t MayWrite(const FileList& list, int32_t k, char* message) {
    const FileList::Entry& entry = list.entries[size_t(k)];
    if (entry.same_name_as >= 0) {
        std::snprintf(message, kMessageCapacity, "Another file of this run has the same %s:\r\n\r\nfilepath: \"%s\"\r\n",
                      entry.same_library ? "name or material library" : "name",
                      list.entries[size_t(entry.same_name_as)].input);
        return 0;
    }
    for (const FileList::Entry& input : list.entries) {
        if (!SameFile(entry.output, input.input)) continue;
        std::snprintf(message, kMessageCapacity,
                      "The new morph file would replace an input file:\r\n\r\nfilepath: \"%s\"\r\n", entry.output);
        return 0;
    }
    return 1;
}
