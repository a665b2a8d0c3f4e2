#pragma once
// Start-up: common controls, program directory, Workspace, the main dialog.
#include <windows.h>

// The module the dialog templates are loaded from.
extern HINSTANCE g_instance;

// Runs the program with the given module: everything WinMain does. Returns 0.
// program_directory (ending with a backslash) stands for the folder the
// program is in, as where it is installed; null: that folder.
int RunProgram(HINSTANCE instance, const char* program_directory = nullptr);
