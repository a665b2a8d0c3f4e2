#include "app/outcome_box.h"

#include "app/centring.h"
#include "app/resource_ids.h"

namespace {

struct FailureBox {
    const char* text;
    const char* remedy_label;
};

// A control's rectangle in its dialog's client coordinates.
RECT PlaceOf(HWND dialog, int id) {
    RECT rect = {};
    GetWindowRect(GetDlgItem(dialog, id), &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The height the text needs at its control's width, with the control's font.
int TextHeight(HWND control, const char* text, int width) {
    HDC context = GetDC(control);
    HGDIOBJ old_font = SelectObject(context, HGDIOBJ(SendMessageA(control, WM_GETFONT, 0, 0)));
    RECT needed = {0, 0, width, 0};
    DrawTextA(context, text, -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    SelectObject(context, old_font);
    ReleaseDC(control, context);
    return needed.bottom;
}

void MoveBy(HWND dialog, int id, int down) {
    RECT rect = PlaceOf(dialog, id);
    SetWindowPos(GetDlgItem(dialog, id), nullptr, rect.left, rect.top + down, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

// The text control grows (or shrinks) to its text; the buttons and the box follow.
void FitToText(HWND dialog, const char* text) {
    HWND control = GetDlgItem(dialog, IDC_FAILURE_TEXT);
    RECT place = PlaceOf(dialog, IDC_FAILURE_TEXT);
    RECT icon = PlaceOf(dialog, IDC_FAILURE_ICON);
    int width = place.right - place.left;
    int height = TextHeight(control, text, width);
    if (height < icon.bottom - icon.top) height = icon.bottom - icon.top;
    int down = height - (place.bottom - place.top);
    SetWindowPos(control, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    MoveBy(dialog, IDC_REMEDY, down);
    MoveBy(dialog, IDOK, down);
    RECT frame;
    GetWindowRect(dialog, &frame);
    SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top + down,
                 SWP_NOMOVE | SWP_NOZORDER);
}

INT_PTR CALLBACK FailureBoxProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        const FailureBox& box = *reinterpret_cast<const FailureBox*>(lparam);
        SetDlgItemTextA(dialog, IDC_FAILURE_TEXT, box.text);
        SetDlgItemTextA(dialog, IDC_REMEDY, box.remedy_label);
        SendDlgItemMessageA(dialog, IDC_FAILURE_ICON, STM_SETICON, WPARAM(LoadIcon(nullptr, IDI_WARNING)), 0);
        FitToText(dialog, box.text);
        CenterOnOwner(dialog);
        MessageBeep(MB_ICONEXCLAMATION);
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL || LOWORD(wparam) == IDC_REMEDY)) {
        EndDialog(dialog, LOWORD(wparam) == IDC_REMEDY ? IDC_REMEDY : IDOK);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

INT_PTR ShowFailureBox(HWND owner, const char* text, const char* remedy_label) {
    FailureBox box = {text, remedy_label};
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_FAILURE), owner, FailureBoxProc,
                           LPARAM(&box));
}

void CenterOnOwner(HWND window) {
    HWND owner = GetWindow(window, GW_OWNER);
    RECT own, outer;
    GetWindowRect(window, &own);
    if (owner && IsWindowVisible(owner) && !IsIconic(owner))
        GetWindowRect(owner, &outer);
    else
        GetWindowRect(GetDesktopWindow(), &outer);
    int width = own.right - own.left, height = own.bottom - own.top;
    int x = CenteredCoordinate(outer.left, outer.right - outer.left, width, GetSystemMetrics(SM_CXSCREEN));
    int y = CenteredCoordinate(outer.top, outer.bottom - outer.top, height, GetSystemMetrics(SM_CYSCREEN));
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}
