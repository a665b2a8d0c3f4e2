#pragma once
// The failure box of Convert when the diagnosis suggests another way of
// matching: the text with the warning icon, a button for the suggestion and
// OK, sized to the text and centred on its owner.
#include <windows.h>

// IDC_REMEDY when the user pressed the suggestion's button (remedy_label),
// IDOK otherwise.
INT_PTR ShowFailureBox(HWND owner, const char* text, const char* remedy_label);

// Centres window on its owner (on the screen when it has none), kept on the
// screen.
void CenterOnOwner(HWND window);
