#include "app/main_window.h"

#include <commctrl.h>

#include "app/artwork.h"
#include "app/centring.h"
#include "app/command_run.h"
#include "app/file_choosers.h"
#include "app/path_fields.h"
#include "app/resource_ids.h"
#include "app/win32_host.h"
#include "app/workspace_slots.h"
#include "model/records.h"

const char kAboutMenuText[] = "About Quandrelistaphor...";

void ResetProgress(HWND progress_bar) {
    SendMessageA(progress_bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendMessageA(progress_bar, PBM_SETSTEP, 10, 0);
    SendMessageA(progress_bar, PBM_SETPOS, 0, 0);
}

int FillPathFields(HWND window) {
    if (!window) return 0;
    for (const PathField& field : kPathFields) {
        char text[kPathCapacity];
        BuildFieldText(SlotDirectory(*g_workspace, field.slot), SlotFileName(*g_workspace, field.slot), text);
        SetDlgItemTextA(window, field.id, text);
    }
    HWND progress_bar = GetDlgItem(window, IDC_PROGRESS_BAR);
    if (!progress_bar) return 0;
    ResetProgress(progress_bar);
    return 1;
}

BOOL CenterWindow(HWND window, HWND parent) {
    if (!window || !parent) return 0;
    RECT own, outer;
    GetWindowRect(window, &own);
    GetWindowRect(parent, &outer);
    int32_t width = own.right - own.left, height = own.bottom - own.top;

    HDC context = GetDC(window);
    int32_t screen_width = GetDeviceCaps(context, HORZRES);
    int32_t screen_height = GetDeviceCaps(context, VERTRES);
    ReleaseDC(window, context);

    int32_t x = CenteredCoordinate(outer.left, outer.right - outer.left, width, screen_width);
    int32_t y = CenteredCoordinate(outer.top, outer.bottom - outer.top, height, screen_height);
    return SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void ShowAboutDialog(HWND owner) {
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), owner, AboutDialogProc, 0);
}

INT_PTR CALLBACK AboutDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM) {
    if (message == WM_INITDIALOG) {
        FitPicture(window, IDB_LOGO, IDB_LOGO_LARGE);
        return TRUE;
    }
    if (message == WM_DESTROY) ReleasePicture(window);
    if (message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
        EndDialog(window, INT_PTR(wparam));
        return TRUE;
    }
    return FALSE;
}

// The About dialog has no button in the window; its entry sits in the
// window's system menu and sends command 200.
static void AddAboutMenuEntry(HWND window) {
    HMENU menu = GetSystemMenu(window, FALSE);
    if (!menu) return;
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, IDC_ABOUT, kAboutMenuText);
}

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        PreparePathFields(window);
        FillPathFields(window);
        FitPicture(window, IDB_BANNER, IDB_BANNER_LARGE);
        AddAboutMenuEntry(window);
        CenterWindow(window, GetDesktopWindow());
        return TRUE;
    case WM_DROPFILES:
        TakeDroppedFile(window, HDROP(wparam));
        return TRUE;
    case kWindowCallMessage:
        reinterpret_cast<WindowCall*>(lparam)->Run(window);
        return TRUE;
    case kCommandEndedMessage:
        EndCommand(window);
        return TRUE;
    case WM_DESTROY:
        ReleasePicture(window);
        return FALSE;
    case WM_SYSCOMMAND:
        if (wparam == IDC_ABOUT) {
            SendMessageA(window, WM_COMMAND, IDC_ABOUT, 0);
            return TRUE;
        }
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDCANCEL:
            if (!AskToStopCommand(window)) EndDialog(window, INT_PTR(wparam));
            return TRUE;
        case IDC_ABOUT:
            ShowAboutDialog(window);
            return TRUE;
        case IDC_REPORT:
        case IDC_CONVERT:
            StartCommand(window, LOWORD(wparam));
            return TRUE;
        case IDC_BROWSE_ORIGINAL:
            BrowseOriginalFile(window);
            FillPathFields(window);
            return TRUE;
        case IDC_BROWSE_MATCHING:
            BrowseMatchingFile(window);
            FillPathFields(window);
            return TRUE;
        case IDC_BROWSE_NEW:
            BrowseNewFile(window);
            FillPathFields(window);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
