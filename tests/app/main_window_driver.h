#pragma once
// Drives the Windows program's real dialogs from a second thread: start-up
// runs the main window on one thread as it would in the program, the tests
// find its controls, type paths, click, and answer the message boxes they
// find by their class and title.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "app/resource_ids.h"
#include "app/settings.h"
#include "app/startup.h"
#include "app/workspace.h"

const char kMainCaption[] = "Quandrelistaphor v1.0 - www.quandrelistaphor.example";
const char kDialogClass[] = "#32770";

template <typename Condition>
inline bool WaitFor(Condition condition, int milliseconds = 10000) {
    for (int waited = 0; waited < milliseconds; waited += 10) {
        if (condition()) return true;
        Sleep(10);
    }
    return condition();
}

// A dialog is found once created, but ready only once WM_INITDIALOG has run
// and it shows.
inline HWND WaitForDialog(const char* title, int milliseconds = 10000) {
    HWND found = nullptr;
    WaitFor([&] { return (found = FindWindowA(kDialogClass, title)) != nullptr && IsWindowVisible(found); },
            milliseconds);
    return found;
}

inline std::string ItemText(HWND window, int id) {
    char text[1024] = "";
    GetDlgItemTextA(window, id, text, sizeof text);
    return text;
}

// The static control of a box with text (a message box has one), or null.
inline HWND TextControl(HWND box) {
    HWND found = nullptr;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM found) -> BOOL {
            char class_name[32] = "";
            GetClassNameA(child, class_name, sizeof class_name);
            if (lstrcmpiA(class_name, "Static") == 0 && GetWindowTextLengthA(child) > 0) {
                *reinterpret_cast<HWND*>(found) = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

inline std::string BoxText(HWND box) {
    char content[1024] = "";
    if (HWND control = TextControl(box)) GetWindowTextA(control, content, sizeof content);
    return content;
}

// A static text shows whole: laid out in its width with its font, it needs
// no more lines than it has and no more height than the control.
inline void ExpectTextFits(HWND control, int lines) {
    char text[256] = "";
    GetWindowTextA(control, text, sizeof text);
    RECT client, needed;
    GetClientRect(control, &client);
    needed = client;
    HDC context = GetDC(control);
    HGDIOBJ old_font = SelectObject(context, HGDIOBJ(SendMessageA(control, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics = {};
    GetTextMetricsA(context, &metrics);
    DrawTextA(context, text, -1, &needed, DT_CALCRECT | DT_CENTER | DT_WORDBREAK);
    SelectObject(context, old_font);
    ReleaseDC(control, context);
    EXPECT_EQ(needed.bottom - needed.top, lines * metrics.tmHeight) << text;
    EXPECT_LE(needed.bottom, client.bottom) << text;
    EXPECT_LE(needed.right, client.right) << text;
}

// The dialog's picture fills its frame: the bitmap shown has the frame's size.
inline void ExpectPictureFillsFrame(HWND dialog) {
    HWND picture = nullptr;
    for (HWND child = GetWindow(dialog, GW_CHILD); child && !picture; child = GetWindow(child, GW_HWNDNEXT))
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP) picture = child;
    ASSERT_NE(picture, nullptr);
    BITMAP bitmap = {};
    RECT frame;
    GetObjectA(HGDIOBJ(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0)), sizeof bitmap, &bitmap);
    GetClientRect(picture, &frame);
    EXPECT_EQ(bitmap.bmWidth, frame.right);
    EXPECT_EQ(bitmap.bmHeight, frame.bottom);
}

inline void Click(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    ASSERT_NE(button, nullptr) << id;
    PostMessageA(button, BM_CLICK, 0, 0);
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The folder of this test program, as start-up should find it.
inline std::string ProgramFolder() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.rfind('\\') + 1);
}

// A square of two triangles, and the same square with its corners listed in
// another order; the faces of the copy name the same corners.
const char kOriginalObj[] =
    "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
    "f 1 2 3\nf 1 3 4\n";
const char kMatchingObj[] =
    "v 1 1 0\nv 0 0 0\nv 0 1 0\nv 1 0 0\n"
    "g copy\nf 2 4 1\nf 2 1 3\n";

// A folder of this process, ending in a backslash, holding the example pair
// (original.obj, matching.obj) and the copy with one face more (extra_face.obj).
inline std::string ExampleFolder() {
    char temp[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "quandre_" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    WriteFile(folder + "original.obj", kOriginalObj);
    WriteFile(folder + "matching.obj", kMatchingObj);
    WriteFile(folder + "extra_face.obj", std::string(kMatchingObj) + "f 1 3 4\n");
    return folder;
}

// The program running as it does after WinMain: start-up on its own thread.
// keep_settings: start with what the last run kept; otherwise with none.
struct RunningProgram {
    // program_directory: the folder the program stands for being in; null: this test's.
    explicit RunningProgram(bool keep_settings = false, const std::string* program_directory = nullptr) {
        if (!keep_settings) RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
        thread = std::thread([this, program_directory] {
            RunProgram(GetModuleHandleA(nullptr), program_directory ? program_directory->c_str() : nullptr);
            finished = true;
        });
        window = WaitForDialog(kMainCaption);
    }
    ~RunningProgram() {
        // A failed test may leave a box open: answer every dialog of the
        // program's thread, then quit.
        DWORD thread_id = window ? GetWindowThreadProcessId(window, nullptr) : 0;
        while (!finished && thread_id) {
            std::vector<HWND> windows;
            EnumThreadWindows(
                thread_id,
                [](HWND found, LPARAM list) -> BOOL {
                    reinterpret_cast<std::vector<HWND>*>(list)->push_back(found);
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&windows));
            for (HWND open : windows) PostMessageA(open, WM_COMMAND, IDCANCEL, 0);
            if (windows.empty()) break;
            WaitFor([&] { return finished.load(); }, 200);
        }
        thread.join();
    }

    // Presses a command's button; its handler leaves the status line at
    // "Progress:" once it has returned.
    void Press(int id) {
        SetDlgItemTextA(window, IDC_STATUS_LINE, "(running)");
        Click(window, id);
    }
    void WaitForStatus() {
        ASSERT_TRUE(WaitFor([&] { return ItemText(window, IDC_STATUS_LINE) == "Progress:"; }));
    }

    std::thread thread;
    std::atomic<bool> finished{false};
    HWND window = nullptr;
};

// Each test drives a freshly started program.
class MainWindow : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(window, nullptr); }
    RunningProgram program;
    HWND window = program.window;
};

inline int ProgressPosition(HWND window) {
    return int(SendMessageA(GetDlgItem(window, IDC_PROGRESS_BAR), PBM_GETPOS, 0, 0));
}

// A grid of columns x rows vertices, two triangles a cell, as original.obj
// and as matching.obj with its vertices listed backwards, in folder\\grid\\.
// With a spacing, the corners sit that far apart (up to 25.8 for a spacing
// of 0.43) and the copy's coordinates have six decimals, as a default
// Blender export writes them.
inline std::string WriteGridPair(const std::string& folder, int columns, int rows, float spacing = 0) {
    std::string grid = folder + "grid\\", original, matching;
    CreateDirectoryA(grid.c_str(), nullptr);
    const int count = columns * rows;
    auto line = [](const char* key, int a, int b, int c) {
        return key + std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c) + "\n";
    };
    auto vertex = [&](int i, const char* format) {
        char text[96];
        std::snprintf(text, sizeof text, format, spacing * float(i % columns), spacing * float(i / columns),
                      spacing * float(i % 7) / 3.0f);
        return spacing > 0 ? std::string(text) : line("v ", i % columns, i / columns, 0);
    };
    for (int i = 0, j = count - 1; i < count; ++i, --j) {
        original += vertex(i, "v %.9g %.9g %.9g\n");
        matching += vertex(j, "v %.6f %.6f %.6f\n");
    }
    for (int a = 1; a + columns <= count; ++a) {  // a, b, c, d: a cell's corners, counted from 1
        if (a % columns == 0) continue;
        int b = a + 1, c = a + columns, d = c + 1, m = count + 1;
        original += line("f ", a, b, d) + line("f ", a, d, c);
        matching += line("f ", m - a, m - b, m - d) + line("f ", m - a, m - d, m - c);
    }
    WriteFile(grid + "original.obj", original);
    WriteFile(grid + "matching.obj", matching);
    return grid;
}

inline std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
        names.push_back(found.cFileName);
    FindClose(search);
    return names;
}

// Opens a chooser through its button and answers it: OK on a typed name, or
// Cancel when there is none.
inline void Choose(HWND window, int button, const char* title, const std::string& name) {
    Click(window, button);
    HWND chooser = WaitForDialog(title);
    ASSERT_NE(chooser, nullptr);
    if (name.empty()) return Click(chooser, IDCANCEL);
    // The file-name box: the combo box of the explorer-style chooser, or its edit field.
    HWND box = GetDlgItem(chooser, cmb13);
    if (!box) box = GetDlgItem(chooser, edt1);
    ASSERT_NE(box, nullptr);
    SetWindowTextA(box, name.c_str());
    Click(chooser, IDOK);
}

// A path of exactly length characters in folder, naming an OBJ file.
inline std::string PathOfLength(const std::string& folder, size_t length) {
    return folder + std::string(length - folder.size() - 4, 'p') + ".obj";
}

const int kFields[] = {IDC_ORIGINAL_FIELD, IDC_MATCHING_FIELD, IDC_NEW_FIELD};

// Expects the error box whose text begins with text, and answers it.
inline void AnswerError(const std::string& text) {
    HWND box = WaitForDialog("Error");
    std::string shown = box ? BoxText(box) : "(no box)";
    EXPECT_EQ(shown.substr(0, text.size()), text) << shown;
    if (box) Click(box, IDOK);
    EXPECT_TRUE(WaitFor([&] { return FindWindowA(kDialogClass, "Error") == nullptr; }));
}

// What the shell posts when files are dropped at point (client coordinates).
inline HGLOBAL MakeDrop(const std::vector<std::string>& paths, POINT point) {
    std::string list;
    for (const std::string& path : paths) list += path + '\0';
    list += '\0';
    HGLOBAL drop = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size());
    auto* header = static_cast<DROPFILES*>(GlobalLock(drop));
    *header = DROPFILES{sizeof(DROPFILES), point, FALSE, FALSE};  // ANSI names, client coordinates
    memcpy(reinterpret_cast<char*>(header) + sizeof(DROPFILES), list.data(), list.size());
    GlobalUnlock(drop);
    return drop;
}

// The index of the first character the box shows.
inline int FirstShownCharacter(HWND window, int id) {
    return LOWORD(SendDlgItemMessageA(window, id, EM_CHARFROMPOS, 0, MAKELPARAM(3, 3)));
}

inline POINT FieldCentre(HWND window, int id) {
    RECT rect;
    GetWindowRect(GetDlgItem(window, id), &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// Presses and lets go of Escape over the window as the keyboard would, and
// returns the question it brought up (null: none within a second).
inline HWND PressEscape(HWND window) {
    SetForegroundWindow(window);
    SendMessageA(window, WM_NEXTDLGCTL, WPARAM(GetDlgItem(window, IDC_CONVERT)), TRUE);
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_ESCAPE;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(1, &keys[0], sizeof(INPUT));
    HWND question = WaitForDialog("Quit", 1000);
    SendInput(1, &keys[1], sizeof(INPUT));
    return question;
}

// The folder of a chooser's dialog as it shows it, with a backslash.
inline std::string ChooserFolder(HWND chooser) {
    char shown[MAX_PATH] = "";
    WaitFor([&] { return SendMessageA(chooser, CDM_GETFOLDERPATH, MAX_PATH, LPARAM(shown)) > 0; });
    return std::string(shown) + "\\";
}

// A box of the program's, whatever its title, once it shows; null after ten seconds.
inline HWND WaitForAnyBox(const std::vector<const char*>& titles, std::string* title) {
    HWND found = nullptr;
    WaitFor([&] {
        for (const char* candidate : titles)
            if ((found = FindWindowA(kDialogClass, candidate)) && IsWindowVisible(found)) return *title = candidate, true;
        return false;
    });
    return found && IsWindowVisible(found) ? found : nullptr;
}
