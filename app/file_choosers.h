#pragma once
// The three file choosers of the main window. Each shows the platform's
// chooser over owner and, on a successful choice, replaces its field's
// directory and file name in the Workspace. Returns 1 then, 0 otherwise.
#include <windows.h>

#include "app/workspace_slots.h"

int BrowseOriginalFile(HWND owner);
int BrowseMatchingFile(HWND owner);
int BrowseNewFile(HWND owner);

// The chooser's own error box for the field of slot: a path it cannot take.
void ReportChooserError(Slot slot);
