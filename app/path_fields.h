#pragma once
// The main window's three path fields: which Workspace slot each shows, how
// much may be typed into it, and files dropped onto it from the shell.
#include <windows.h>
#include <shellapi.h>

#include <cstddef>
#include <cstdint>

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

// The bytes the field's path (without the spaces and quotes around it)
// takes in the system's code page, and the path in `shown`, shortened in its
// middle to a length that a message box shows on one line.
int32_t PathFieldBytes(HWND window, int id, char* shown, size_t capacity);

// EN_CHANGE: a path pasted with the quotes of Explorer's "Copy as path"
// loses them.
void TidyPathField(HWND window, int id);

// Scrolls the field so that the end of its path, the file name, shows.
void ShowPathEnd(HWND window, int id);

// The box of a path too long for the field at index k of kPathFields (bytes
// in the system's code page, the path as `shown`): its reason and remedy.
void ReportPathTooLong(HWND window, int k, int32_t bytes, const char* shown);
