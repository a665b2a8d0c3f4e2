#include "app/startup.h"

#include <commctrl.h>

#include <new>

#include "app/main_window.h"
#include "app/resource_ids.h"
#include "app/user_folders.h"
#include "platform/text.h"
#include "app/workspace.h"

HINSTANCE g_instance = nullptr;

// The program directory from the program file's path, or from the current
// directory when the platform can't give that path.
static void FindProgramDirectory() {
    char program_path[kPathCapacity] = "";
    char current_directory[kPathCapacity] = "";
    DWORD length = GetModuleFileNameA(nullptr, program_path, kPathCapacity);
    // A path cut at the buffer's end is no path of the program.
    if (length == 0 || length >= DWORD(kPathCapacity)) program_path[0] = '\0';
    if (program_path[0] == '\0') {
        DWORD current = GetCurrentDirectoryA(kPathCapacity, current_directory);
        if (current == 0 || current >= DWORD(kPathCapacity)) current_directory[0] = '\0';
    }
    FindProgramDirectory(program_path, current_directory, g_program_directory);
}

int RunProgram(HINSTANCE instance, const char* program_directory) {
    InitCommonControls();
    FindProgramDirectory();
    if (program_directory) CopyText(g_program_directory, program_directory);
    g_instance = instance;

    g_workspace = new (std::nothrow) Workspace;
    if (!g_workspace) return 0;
    SetWorkspaceDefaults(*g_workspace, g_program_directory);
    // Installed where the user can't write (Program Files), the program
    // proposes new files among the user's own.
    int32_t reason = 0;
    char documents[kPathCapacity];
    if (!FolderWritable(g_program_directory, &reason)) {
        DocumentsFolder(documents);
        if (documents[0]) CopyText(g_workspace->new_directory, documents);
    }

    DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_MAIN), GetDesktopWindow(), MainDialogProc, 0);

    delete g_workspace;
    g_workspace = nullptr;
    return 0;
}
