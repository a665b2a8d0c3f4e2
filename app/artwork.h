#pragma once
// The pictures of the dialogs (the main window's banner, About's logo) drawn
// at the size their frames have at the window's dpi.
#include <windows.h>

// Replaces the dialog's picture with the bitmap scaled to fill its frame,
// taken from large_bitmap_id when the frame is wider than bitmap_id.
void FitPicture(HWND dialog, int bitmap_id, int large_bitmap_id);
// Deletes the bitmap FitPicture gave the dialog; call on WM_DESTROY.
void ReleasePicture(HWND dialog);
