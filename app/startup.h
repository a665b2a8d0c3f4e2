#pragma once
// Start-up: common controls, program directory, Workspace, the main dialog.
#include <windows.h>

// The module the dialog templates are loaded from.
extern HINSTANCE g_instance;

// Runs the program with the given module: everything WinMain does. Returns 0.
int RunProgram(HINSTANCE instance);
