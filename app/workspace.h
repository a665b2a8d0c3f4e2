#pragma once
// The Workspace (the three file slots of the main window) and the program
// directory. Both are process-wide and portable; only how the program's own
// path and the current directory are obtained belongs to the platform.
#include <cstdint>

#include "model/records.h"

struct Workspace {
    char original_file_name[kPathCapacity];
    char original_directory[kPathCapacity];
    char matching_directory[kPathCapacity];
    char matching_file_name[kPathCapacity];
    char new_directory[kPathCapacity];
    char new_file_name[kPathCapacity];
    // The folder of the last file chosen with any chooser ("" before the
    // first), where a chooser with nothing of its own to show starts.
    char chosen_directory[kPathCapacity];
    // 1 once the user named the New file (its chooser, or a name kept from
    // an earlier run); until then its chooser proposes one from MATCHING.
    int32_t new_named;
    // What the three boxes showed once the window had started: Escape asks
    // before quitting when any shows another path now.
    char start_text[3][kPathCapacity];
};

// The program directory: empty, or ending with a backslash.
extern char g_program_directory[kPathCapacity];
// The one Workspace of the process; null before start-up made it.
extern Workspace* g_workspace;

// The program directory as a pure function of the program file's path
// (null or empty when the platform could not give it) and the current
// directory. Writes at most kPathCapacity bytes to program_directory.
void FindProgramDirectory(const char* program_path, const char* current_directory, char* program_directory);

// The defaults: every directory the program directory; "Untitled.obj",
// "Untitled.obj", "New.obj".
void SetWorkspaceDefaults(Workspace& workspace, const char* program_directory);
