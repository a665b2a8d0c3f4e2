#pragma once
// Convert and Report run on a thread of their own, so that the main window
// keeps painting and answering while they work. While one runs, the command
// buttons and the choosers are disabled, and Quit asks whether to stop it
// after its current step; the window then closes once the command has ended.
#include <windows.h>

// Posted to the window by a command's thread as its last act.
constexpr UINT kCommandEndedMessage = WM_APP + 2;

// Resets the progress bar, disables the buttons and starts command
// (IDC_CONVERT or IDC_REPORT) on its thread. Nothing while a command runs.
void StartCommand(HWND window, int command);

// Quit while a command runs: asks whether to stop it and quit. Returns false
// when no command runs (the window may close now), true otherwise.
bool AskToStopCommand(HWND window);

// kCommandEndedMessage: shows the outcome's box, resets the progress bar and
// the status line and enables the buttons; closes the window when the user
// asked to quit meanwhile.
void EndCommand(HWND window);
