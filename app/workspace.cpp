#include "app/workspace.h"

char g_program_directory[kPathCapacity];
Workspace* g_workspace = nullptr;
