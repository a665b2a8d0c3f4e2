#pragma once
// The main window's three path fields: which Workspace slot each shows, how
// much may be typed into it, and files dropped onto it from the shell.
#include <windows.h>
#include <shellapi.h>

#include "app/workspace_slots.h"

struct PathField {
    int id;
    Slot slot;
};
extern const PathField kPathFields[3];

// Limits every field to the characters a path may have and lets the window
// take files dropped from the shell.
void PreparePathFields(HWND window);

// WM_DROPFILES: the first dropped file fills the field it was dropped on; a
// path too long for the field is refused with that field's chooser error and
// the field keeps its text. A drop beside the fields changes nothing.
// Releases the drop.
void TakeDroppedFile(HWND window, HDROP drop);
