#include "app/main_window.h"

#include <commctrl.h>

#include "app/artwork.h"
#include "app/centring.h"
#include "app/command_run.h"
#include "app/file_choosers.h"
#include "app/matching_group.h"
#include "app/outcome_box.h"
#include "app/settings.h"
#include "app/path_fields.h"
#include "app/resource_ids.h"
#include "app/win32_host.h"
#include "app/workspace_slots.h"
#include "model/records.h"

const char kAboutMenuText[] = "About Quandrelistaphor...";
const char kQuitQuestion[] = "Quit now? The paths in the boxes are kept for the next start.";

void ResetProgress(HWND progress_bar) {
    SendMessageA(progress_bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendMessageA(progress_bar, PBM_SETSTEP, 10, 0);
    SendMessageA(progress_bar, PBM_SETPOS, 0, 0);
}

// Shows the Workspace's path of one field.
static void FillPathField(HWND window, const PathField& field) {
    char text[kPathCapacity];
    BuildFieldText(SlotDirectory(*g_workspace, field.slot), SlotFileName(*g_workspace, field.slot), text);
    SetDlgItemTextA(window, field.id, text);
    ShowPathEnd(window, field.id);
}

// After a chooser: a chosen file fills its own field; the other fields, and
// its own after a cancel, keep what was typed or dropped there.
static void TakeChooserResult(HWND window, int chosen, Slot slot) {
    for (const PathField& field : kPathFields)
        if (chosen && field.slot == slot) FillPathField(window, field);
    ResetProgress(GetDlgItem(window, IDC_PROGRESS_BAR));
}

int FillPathFields(HWND window) {
    if (!window) return 0;
    for (const PathField& field : kPathFields) FillPathField(window, field);
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
        CenterOnOwner(window);
        return TRUE;
    }
    if (message == WM_DESTROY) ReleasePicture(window);
    if (message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
        EndDialog(window, INT_PTR(wparam));
        return TRUE;
    }
    return FALSE;
}

// The window's icon, in its caption and on the taskbar.
static void SetProgramIcon(HWND window) {
    HINSTANCE module = GetModuleHandleA(nullptr);
    auto icon = [&](int metric_x, int metric_y) {
        return LPARAM(LoadImageA(module, MAKEINTRESOURCEA(IDI_PROGRAM), IMAGE_ICON, GetSystemMetrics(metric_x),
                                 GetSystemMetrics(metric_y), LR_SHARED));
    };
    SendMessageA(window, WM_SETICON, ICON_BIG, icon(SM_CXICON, SM_CYICON));
    SendMessageA(window, WM_SETICON, ICON_SMALL, icon(SM_CXSMICON, SM_CYSMICON));
}

// Escape is easily pressed by mistake: while a field holds a path that was
// typed, dropped or chosen since the window started, the Escape key asks
// before the window closes. Quit and the close box close it at once.
static bool MayQuit(HWND window) {
    if (!(GetKeyState(VK_ESCAPE) & 0x8000)) return true;
    bool changed = false;
    for (int k = 0; k < 3; ++k) {
        char shown[kPathCapacity];
        GetDlgItemTextA(window, kPathFields[k].id, shown, kPathCapacity);
        changed = changed || lstrcmpA(shown, g_workspace->start_text[k]) != 0;
    }
    return !changed ||
           MessageBoxA(window, kQuitQuestion, "Quit", MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2) == IDOK;
}

// What the boxes show once the window has started.
static void NoteStartTexts(HWND window) {
    for (int k = 0; k < 3; ++k) GetDlgItemTextA(window, kPathFields[k].id, g_workspace->start_text[k], kPathCapacity);
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
        RestoreSettings(window);
        FillPathFields(window);
        NoteStartTexts(window);
        SetProgramIcon(window);
        FitPicture(window, IDB_BANNER, IDB_BANNER_LARGE);
        AddAboutMenuEntry(window);
        CenterWindow(window, GetDesktopWindow());
        // Tab takes the file boxes first; the keyboard starts on Convert all the same.
        SetFocus(GetDlgItem(window, IDC_CONVERT));
        return FALSE;
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
        KeepSettings(window);
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
            if (!AskToStopCommand(window) && MayQuit(window)) EndDialog(window, INT_PTR(wparam));
            return TRUE;
        case IDC_ABOUT:
            ShowAboutDialog(window);
            return TRUE;
        case IDC_REPORT:
        case IDC_CONVERT:
            StartCommand(window, LOWORD(wparam));
            return TRUE;
        case IDC_BROWSE_ORIGINAL:
            TakeChooserResult(window, BrowseOriginalFile(window), Slot::kOriginal);
            return TRUE;
        case IDC_BROWSE_MATCHING:
            TakeChooserResult(window, BrowseMatchingFile(window), Slot::kMatching);
            return TRUE;
        case IDC_BROWSE_NEW:
            TakeChooserResult(window, BrowseNewFile(window), Slot::kNew);
            return TRUE;
        case IDC_MATCH_EXACT:
        case IDC_MATCH_SMALL:
        case IDC_MATCH_CONNECTIVITY:
            UpdateMatchingGroup(window);
            return TRUE;
        case IDC_ORIGINAL_FIELD:
        case IDC_MATCHING_FIELD:
        case IDC_NEW_FIELD:
            if (HIWORD(wparam) != EN_CHANGE) return FALSE;
            TidyPathField(window, LOWORD(wparam));
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
