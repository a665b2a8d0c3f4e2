#pragma once
// The files of a run over many files: every input made absolute, and for
// each file that is converted, its new file in the output folder under the
// input's own name.
#include <cstdint>
#include <vector>

#include "cli/arguments.h"
#include "model/records.h"
#include "morph/convert.h"

struct FileList {
    struct Entry {
        char input[kPathCapacity] = {};
        char output[kPathCapacity] = {};  // empty for the inputs that are not converted
        int32_t same_name_as = -1;        // an earlier entry whose new file has the same name
        int32_t same_library = 0;         // 1: that entry's files and this one's share a name
                                          // through a material library ("x.obj" and "x")
    };
    std::vector<Entry> entries;   // one per positional argument, in order
    std::vector<const char*> shown;  // the converted inputs as given, for the run's lines
    int32_t first_output = 0;     // the first entry that is converted
    char folder[kPathCapacity] = {};  // --out-dir, absolute, ending in a separator
    char problem[kMessageCapacity] = {};  // why MakeFileList refused with exit status 2
    int32_t reason = 0;  // and the system's reason, when one said why (platform/reasons.h)
};

// Fills `list` from the positional arguments (entries from first_output on
// are converted) and --out-dir, which is made when missing. Refuses, before
// anything is written, an empty argument, a path too long, a folder that
// can't be made, and (unless --force) a folder that holds an input file.
// Returns 0, or the exit status after saying why on standard error.
int MakeFileList(const Arguments& arguments, int32_t first_output, FileList& list);

// Why the folder can't take new files (a system reason), or 0. Where users'
// rights are not told apart by bits, the first file written says it.
int32_t FolderRefusal(const char* folder);

// Whether entry k's new file may be written: 1, or 0 with the message
// (kMessageCapacity bytes) when it is an input file or an earlier file of
// the run has its name or writes its material library. Looked at just before the file is written.
int32_t MayWrite(const FileList& list, int32_t k, char* message);
