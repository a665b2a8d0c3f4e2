#pragma once
// The Matching group of the main window: its radio buttons, the distance of
// small differences and the box for split or welded vertices.
#include <windows.h>

#include "app/matching_choice.h"

// Offers Automatic in the distance's list and shows `choice`.
void PrepareMatchingGroup(HWND window, const MatchingChoice& choice);
void ShowMatchingChoice(HWND window, const MatchingChoice& choice);
MatchingChoice ReadMatchingChoice(HWND window);
// The distance takes input only while small differences are chosen.
void UpdateMatchingGroup(HWND window);
// While a command runs the group and the path fields take no input.
void LockInputs(HWND window, bool locked);
