#pragma once
// What the main window keeps for the user from one run of the program to
// the next, under HKEY_CURRENT_USER\Software\Quandrelistaphor: the Matching
// choice and the folder of each path field.
#include <windows.h>

extern const char kSettingsKey[];  // "Software\\Quandrelistaphor"

// Before the fields are filled: the Workspace's paths from the kept ones
// whose folders still exist, and the Matching group as it was left.
void RestoreSettings(HWND window);
// As the window closes: the Matching group (a distance Convert would refuse
// keeps the last good one), the path of each field and the chosen folder.
void KeepSettings(HWND window);
