#pragma once
// The main window (dialog template 101) and the About dialog (template 102).
#include <windows.h>

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK AboutDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Sets the three edit fields from the Workspace and resets the progress bar.
// Returns 1, or 0 when window is null or has no progress bar (the fields are
// set all the same).
int FillPathFields(HWND window);
// Range 0..100, step 10, position 0, in that order.
void ResetProgress(HWND progress_bar);
// Centres window on parent within the screen; the move's result, or 0 when a
// handle is missing.
BOOL CenterWindow(HWND window, HWND parent);
void ShowAboutDialog(HWND owner);

// The text of the window's system-menu entry that sends command 200.
extern const char kAboutMenuText[];
// What Escape asks while a box holds a typed path.
extern const char kQuitQuestion[];
