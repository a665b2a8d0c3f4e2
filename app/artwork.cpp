#include "app/artwork.h"

// The dialog's one static picture control, or null.
static HWND FindPicture(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char class_name[16] = "";
        GetClassNameA(child, class_name, sizeof class_name);
        if (lstrcmpiA(class_name, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP)
            return child;
    }
    return nullptr;
}

static HBITMAP LoadPicture(int id) {
    return HBITMAP(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                              LR_CREATEDIBSECTION));
}

static SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP info = {};
    GetObjectA(bitmap, sizeof info, &info);
    return SIZE{info.bmWidth, info.bmHeight};
}

// A 24-bit device-independent bitmap: stretching into one is done by the
// system's own pixel code, the same on every display.
static HBITMAP NewBitmap(HDC context, int width, int height) {
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 24;
    format.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    return CreateDIBSection(context, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
}

// A new bitmap of width x height holding source scaled with the halftone
// filter, which averages the pixels a shrink drops instead of skipping them.
static HBITMAP ScaleBitmap(HBITMAP source, int width, int height) {
    SIZE size = BitmapSize(source);
    HDC screen = GetDC(nullptr);
    HDC from = CreateCompatibleDC(screen), to = CreateCompatibleDC(screen);
    HBITMAP scaled = NewBitmap(screen, width, height);
    HGDIOBJ old_from = SelectObject(from, source), old_to = SelectObject(to, scaled);
    if (size.cx == width && size.cy == height) {
        BitBlt(to, 0, 0, width, height, from, 0, 0, SRCCOPY);
    } else {
        SetStretchBltMode(to, HALFTONE);
        SetBrushOrgEx(to, 0, 0, nullptr);
        StretchBlt(to, 0, 0, width, height, from, 0, 0, size.cx, size.cy, SRCCOPY);
    }
    SelectObject(from, old_from);
    SelectObject(to, old_to);
    DeleteDC(from);
    DeleteDC(to);
    ReleaseDC(nullptr, screen);
    return scaled;
}

void FitPicture(HWND dialog, int bitmap_id, int large_bitmap_id) {
    HWND picture = FindPicture(dialog);
    RECT frame;
    if (!picture || !GetClientRect(picture, &frame) || frame.right <= 0 || frame.bottom <= 0) return;
    HBITMAP source = LoadPicture(bitmap_id);
    if (source && BitmapSize(source).cx < frame.right) {
        if (HBITMAP large = LoadPicture(large_bitmap_id)) {
            DeleteObject(source);
            source = large;
        }
    }
    if (!source) return;
    HBITMAP scaled = ScaleBitmap(source, frame.right, frame.bottom);
    DeleteObject(source);
    if (!scaled) return;
    // The control gives back the bitmap it had; from now on it is ours to delete.
    HGDIOBJ previous = HGDIOBJ(SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, LPARAM(scaled)));
    if (previous && previous != scaled) DeleteObject(previous);
}

void ReleasePicture(HWND dialog) {
    HWND picture = FindPicture(dialog);
    if (!picture) return;
    HGDIOBJ bitmap = HGDIOBJ(SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, 0));
    if (bitmap) DeleteObject(bitmap);
}
