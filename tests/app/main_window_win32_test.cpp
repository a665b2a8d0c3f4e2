// The Windows program's real dialogs, driven from a second thread: start-up
// runs the main window on one thread as it would in the program, the test
// finds its controls, types paths, clicks, and answers the message boxes it
// finds by their class and title.
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

namespace {

const char kMainCaption[] = "Quandrelistaphor v1.0 - www.quandrelistaphor.example";
const char kDialogClass[] = "#32770";

template <typename Condition>
bool WaitFor(Condition condition, int milliseconds = 10000) {
    for (int waited = 0; waited < milliseconds; waited += 10) {
        if (condition()) return true;
        Sleep(10);
    }
    return condition();
}

// A dialog is found once created, but ready only once WM_INITDIALOG has run
// and it shows.
HWND WaitForDialog(const char* title, int milliseconds = 10000) {
    HWND found = nullptr;
    WaitFor([&] { return (found = FindWindowA(kDialogClass, title)) != nullptr && IsWindowVisible(found); },
            milliseconds);
    return found;
}

std::string ItemText(HWND window, int id) {
    char text[1024] = "";
    GetDlgItemTextA(window, id, text, sizeof text);
    return text;
}

// The static control of a box with text (a message box has one), or null.
HWND TextControl(HWND box) {
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

std::string BoxText(HWND box) {
    char content[1024] = "";
    if (HWND control = TextControl(box)) GetWindowTextA(control, content, sizeof content);
    return content;
}

// A static text shows whole: laid out in its width with its font, it needs
// no more lines than it has and no more height than the control.
void ExpectTextFits(HWND control, int lines) {
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
void ExpectPictureFillsFrame(HWND dialog) {
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

void Click(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    ASSERT_NE(button, nullptr) << id;
    PostMessageA(button, BM_CLICK, 0, 0);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The folder of this test program, as start-up should find it.
std::string ProgramFolder() {
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
std::string ExampleFolder() {
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

int ProgressPosition(HWND window) {
    return int(SendMessageA(GetDlgItem(window, IDC_PROGRESS_BAR), PBM_GETPOS, 0, 0));
}

TEST_F(MainWindow, StartUpShowsTheWorkspaceAndAnEmptyProgressBar) {
    std::string folder = ProgramFolder();
    EXPECT_EQ(std::string(g_program_directory), folder);
    EXPECT_EQ(ItemText(window, IDC_ORIGINAL_FIELD), folder + "Untitled.obj");
    EXPECT_EQ(ItemText(window, IDC_MATCHING_FIELD), folder + "Untitled.obj");
    EXPECT_EQ(ItemText(window, IDC_NEW_FIELD), folder + "New.obj");
    EXPECT_EQ(ItemText(window, IDC_STATUS_LINE), "Progress:");

    HWND bar = GetDlgItem(window, IDC_PROGRESS_BAR);
    PBRANGE range = {};
    SendMessageA(bar, PBM_GETRANGE, FALSE, LPARAM(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 100);
    EXPECT_EQ(ProgressPosition(window), 0);
    EXPECT_EQ(SendMessageA(bar, PBM_SETSTEP, 10, 0), 10);  // the step it had

    // Centred on the screen.
    RECT rect;
    GetWindowRect(window, &rect);
    int screen_width = GetSystemMetrics(SM_CXSCREEN), screen_height = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_NEAR(rect.left, (screen_width - (rect.right - rect.left)) / 2, 1);
    EXPECT_NEAR(rect.top, (screen_height - (rect.bottom - rect.top)) / 2, 1);

    // The keyboard focus is on the first tab stop, "Convert"; no button is a default one.
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    EXPECT_EQ(info.hwndFocus, GetDlgItem(window, IDC_CONVERT));
    for (int id : {IDC_CONVERT, IDC_REPORT, IDCANCEL, IDC_BROWSE_ORIGINAL, IDC_BROWSE_MATCHING, IDC_BROWSE_NEW})
        EXPECT_EQ(GetWindowLongA(GetDlgItem(window, id), GWL_STYLE) & BS_DEFPUSHBUTTON, 0) << id;

    // Tab goes through the file boxes top to bottom, the Matching group, then
    // Convert, Report and Quit; the window has a minimize box and an icon.
    std::vector<int> order;
    HWND item = GetDlgItem(window, IDC_ORIGINAL_FIELD);
    for (int k = 0; k < 11; ++k, item = GetNextDlgTabItem(window, item, FALSE)) order.push_back(GetDlgCtrlID(item));
    EXPECT_EQ(order, (std::vector<int>{IDC_ORIGINAL_FIELD, IDC_BROWSE_ORIGINAL, IDC_MATCHING_FIELD,
                                       IDC_BROWSE_MATCHING, IDC_NEW_FIELD, IDC_BROWSE_NEW, IDC_MATCH_EXACT,
                                       IDC_MATCH_COUNT_CHANGE, IDC_CONVERT, IDC_REPORT, IDCANCEL}));
    EXPECT_NE(GetWindowLongA(window, GWL_STYLE) & WS_MINIMIZEBOX, 0);
    EXPECT_NE(SendMessageA(window, WM_GETICON, ICON_SMALL, 0), 0);
    for (int id : {IDC_CONVERT, IDC_REPORT, IDCANCEL, IDC_MATCH_EXACT, IDC_MATCH_SMALL, IDC_MATCH_CONNECTIVITY,
                   IDC_MATCH_COUNT_CHANGE})
        EXPECT_NE(ItemText(window, id).find('&'), std::string::npos) << id;

    // The idle window handles no command without an entry.
    for (int id : {1, 3000, 3001, 3002, 3003, 3004, 203, 4000})
        EXPECT_EQ(MainDialogProc(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0), 0) << id;
    EXPECT_EQ(MainDialogProc(window, WM_TIMER, 1, 0), 0);

    // About is offered in the system menu and opens over the window.
    char entry[64] = "";
    GetMenuStringA(GetSystemMenu(window, FALSE), IDC_ABOUT, entry, sizeof entry, MF_BYCOMMAND);
    EXPECT_STREQ(entry, "About Quandrelistaphor...");
    PostMessageA(window, WM_SYSCOMMAND, IDC_ABOUT, 0);
    HWND about = WaitForDialog("About");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(GetWindow(about, GW_OWNER), window);
    RECT about_rect;
    GetWindowRect(about, &about_rect);
    EXPECT_NEAR(about_rect.left + about_rect.right, rect.left + rect.right, 2);
    EXPECT_NEAR(about_rect.top + about_rect.bottom, rect.top + rect.bottom, 2);
    EXPECT_EQ(BoxText(about), "Quandrelistaphor\r\nv1.0\r\nby\r\nthe Quandrelistaphor authors");
    ExpectTextFits(TextControl(about), 4);
    ExpectPictureFillsFrame(about);
    ExpectPictureFillsFrame(window);
    EXPECT_NE(GetWindowLongA(GetDlgItem(about, IDOK), GWL_STYLE) & BS_DEFPUSHBUTTON, 0);
    Click(about, IDOK);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(about); }));
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(program.finished.load());
}

// Convert ends in one box: an operation's error, the face-count question
// answered with Cancel, or success. No second box follows the answer, the bar
// is back at 0, and only success writes the new file, in the original's order.
// A failure to load or to save (a new file that another program holds open)
// gives the system's reason, and the held file stays as it was.
TEST_F(MainWindow, ConvertEndsInOneBox) {
    std::string folder = ExampleFolder();
    std::string original = folder + "original.obj", new_file = folder + "new.obj";
    std::string missing = folder + "missing.obj", extra_face = folder + "extra_face.obj";
    struct Case {
        std::string original, matching;
        const char* title;
        std::string text;
        int answer;
    } cases[] = {
        {missing, folder + "matching.obj", "Error",
         "There was an error loading the original morph file:\r\n\r\nfilepath: \"" + missing + "\"\r\nreason: ",
         IDOK},
        {original, extra_face, "Warning",
         "The total face count does not match:\r\n\r\noriginal: 2 faces\r\nmatching: 3 faces\r\n\r\n"
         "Continue anyway?\r\n",
         IDCANCEL},  // an OK/Cancel question
        {original, folder + "matching.obj", "Error",
         "There was an error saving the new morph file:\r\n\r\nfilepath: \"" + new_file + "\"\r\nreason: ", IDOK},
        {original, folder + "matching.obj", "Success", "The morph was created successfully.", IDOK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        DeleteFileA(new_file.c_str());
        const bool held = c.text.find("saving") != std::string::npos;
        if (held) WriteFile(new_file, "earlier");
        HANDLE holder = held ? CreateFileA(new_file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                             : INVALID_HANDLE_VALUE;
        SetDlgItemTextA(window, IDC_ORIGINAL_FIELD, c.original.c_str());
        SetDlgItemTextA(window, IDC_MATCHING_FIELD, c.matching.c_str());
        SetDlgItemTextA(window, IDC_NEW_FIELD, new_file.c_str());
        program.Press(IDC_CONVERT);
        HWND box = WaitForDialog(c.title);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(BoxText(box).substr(0, c.text.size()), c.text);  // the failure's reason follows
        Click(box, c.answer);
        program.WaitForStatus();
        EXPECT_TRUE(!held || (CloseHandle(holder) && ReadFile(new_file) == "earlier"));
        EXPECT_EQ(ProgressPosition(window), 0);
        Sleep(200);
        for (const char* title : {"Error", "Warning", "Success"})
            EXPECT_EQ(FindWindowA(kDialogClass, title), nullptr) << title;
        bool success = std::string(c.title) == "Success";
        ASSERT_EQ(FileExists(new_file), success || held);
        if (!success) continue;
        std::string written = ReadFile(new_file);
        size_t at = 0;
        for (const char* line : {"v 0.000000 0.000000 0.000000", "v 1.000000 0.000000 0.000000",
                                 "v 1.000000 1.000000 0.000000", "v 0.000000 1.000000 0.000000"}) {
            at = written.find(line, at);
            ASSERT_NE(at, std::string::npos) << line << " in order in\n" << written;
        }
    }
}

// A grid of columns x rows vertices, two triangles a cell, as original.obj
// and as matching.obj with its vertices listed backwards, in folder\\grid\\.
// With a spacing, the corners sit that far apart (up to 25.8 for a spacing
// of 0.43) and the copy's coordinates have six decimals, as a default
// Blender export writes them.
std::string WriteGridPair(const std::string& folder, int columns, int rows, float spacing = 0) {
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

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
        names.push_back(found.cFileName);
    FindClose(search);
    return names;
}

const int kLockedButtons[] = {IDC_CONVERT, IDC_REPORT, IDC_BROWSE_ORIGINAL, IDC_BROWSE_MATCHING, IDC_BROWSE_NEW};

int EnabledButtons(HWND window) {
    int enabled = 0;
    for (int id : kLockedButtons) enabled += IsWindowEnabled(GetDlgItem(window, id)) ? 1 : 0;
    return enabled;
}

// A long Convert: every 100 ms the window gets a paint and a plain message,
// each to be answered within 200 ms, and every one is; its command buttons
// are locked meanwhile, and the bar stands where each step's text says (the
// first load at 10 %, not 0).
// Quit asks whether to stop: Cancel lets the run finish and write, OK stops
// it after its step, the earlier new file untouched, and the window closes.
TEST_F(MainWindow, LongConvertKeepsTheWindowAnswering) {
    std::string folder = WriteGridPair(ExampleFolder(), 2000, 1000);
    std::string new_file = folder + "new.obj";
    SetDlgItemTextA(window, IDC_ORIGINAL_FIELD, (folder + "original.obj").c_str());
    SetDlgItemTextA(window, IDC_MATCHING_FIELD, (folder + "matching.obj").c_str());
    SetDlgItemTextA(window, IDC_NEW_FIELD, new_file.c_str());
    const std::pair<std::string, int> positions[] = {{"Loading original file...(please wait)", 10},
                                                     {"Loading matching file...(please wait)", 20},
                                                     {"Saving file...(please wait)", 80}};
    for (bool stop : {false, true}) {
        SCOPED_TRACE(stop);
        WriteFile(new_file, "earlier");
        const std::vector<std::string> names = FolderNames(folder);
        program.Press(IDC_CONVERT);
        ASSERT_TRUE(WaitFor([&] { return ItemText(window, IDC_STATUS_LINE) != "(running)"; }));
        int sent = 0, answered = 0, steps_seen = 0;
        std::string previous;
        bool asked = false;
        std::set<int> saving_positions;
        HWND outcome = nullptr;
        // Once told to stop, the window closes: nothing more to send.
        while (!(outcome = FindWindowA(kDialogClass, "Success")) && !(stop && asked) && sent < 600) {
            ++sent;
            DWORD_PTR result = 0;
            answered += SendMessageTimeoutA(window, WM_PAINT, 0, 0, SMTO_NORMAL, 200, &result) &&
                        SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 200, &result);
            EXPECT_EQ(EnabledButtons(window), 0);
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, IDCANCEL)));
            // A step's text comes just before its progress message: a text
            // seen twice in a row has had its step.
            int position = ProgressPosition(window);
            std::string status = ItemText(window, IDC_STATUS_LINE);
            bool settled = status == previous;
            previous = status;
            for (const auto& [text, expected] : positions) {
                if (!settled || status != text) continue;
                // The bar moves on from 80 % as the new file is written.
                if (expected == 80) {
                    EXPECT_GE(position, 80);
                    saving_positions.insert(position);
                } else {
                    EXPECT_EQ(position, expected) << text;
                }
                ++steps_seen;
            }
            if (!asked && status == positions[0].first) {
                asked = true;
                Click(window, IDCANCEL);
                HWND question = WaitForDialog("Quit");
                ASSERT_NE(question, nullptr);
                EXPECT_EQ(GetWindow(question, GW_OWNER), window);
                EXPECT_EQ(BoxText(question), "Convert is still running.\r\n\r\nStop it after its current step and quit?");
                Click(question, stop ? IDOK : IDCANCEL);
            }
            Sleep(100);
        }
        EXPECT_TRUE(asked);
        EXPECT_EQ(answered, sent);
        if (stop) {
            EXPECT_TRUE(WaitFor([&] { return program.finished.load(); }));
            EXPECT_EQ(outcome, nullptr);
            EXPECT_EQ(ReadFile(new_file).substr(0, 20), "earlier");
            EXPECT_EQ(FolderNames(folder), names);
            continue;
        }
        ASSERT_NE(outcome, nullptr);
        EXPECT_GE(sent, 5) << "a run long enough to tell";
        EXPECT_GE(steps_seen, 1);
        EXPECT_GE(saving_positions.size(), 2u) << "the bar moves while the file is written";
        EXPECT_EQ(GetWindow(outcome, GW_OWNER), window);
        Click(outcome, IDOK);
        program.WaitForStatus();
        EXPECT_EQ(EnabledButtons(window), 5);
        EXPECT_EQ(ReadFile(new_file).rfind("# ", 0), 0u);
    }
}

TEST_F(MainWindow, ReportWritesReportTxtBesideTheProgram) {
    std::string folder = ExampleFolder();
    std::string report = ProgramFolder() + "report.txt";
    DeleteFileA(report.c_str());

    SetDlgItemTextA(window, IDC_ORIGINAL_FIELD, (folder + "original.obj").c_str());
    program.Press(IDC_REPORT);
    // The shell shows the report in the system's text viewer, or says itself
    // that it has none (Wine's bare prefix); close whichever comes up. A
    // successful Report shows no box of its own.
    HWND viewer = nullptr, shell_box = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        viewer = FindWindowA("Notepad", nullptr);
        shell_box = FindWindowA(kDialogClass, "Error");
        return viewer || (shell_box && IsWindowVisible(shell_box));
    }));
    if (viewer) PostMessageA(viewer, WM_CLOSE, 0, 0);
    if (shell_box) {
        EXPECT_EQ(BoxText(shell_box).find("There was an error creating the report file."), std::string::npos);
        Click(shell_box, IDOK);
    }
    program.WaitForStatus();
    EXPECT_EQ(ProgressPosition(window), 0);
    EXPECT_EQ(FindWindowA(kDialogClass, "Error"), nullptr);

    std::string text = ReadFile(report);
    EXPECT_EQ(text.rfind("\r\nQuandrelistaphor Report\r\n", 0), 0u) << text;
    EXPECT_NE(text.find("object filepath: \"" + folder + "original.obj\"\r\n              loaded: yes"),
              std::string::npos)
        << text;
}

TEST(MainWindowQuits, OnEscapeAndTheCloseBox) {
    for (bool escape : {true, false}) {
        RunningProgram program;
        HWND window = program.window;
        ASSERT_NE(window, nullptr);
        if (escape)
            PostMessageA(GetDlgItem(window, IDC_CONVERT), WM_KEYDOWN, VK_ESCAPE, 0);
        else
            PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_TRUE(WaitFor([&] { return program.finished.load(); })) << escape;
        EXPECT_FALSE(IsWindow(window)) << escape;
        EXPECT_EQ(g_workspace, nullptr) << escape;  // released after the window closed
    }
}

// Opens a chooser through its button and answers it: OK on a typed name, or
// Cancel when there is none.
void Choose(HWND window, int button, const char* title, const std::string& name) {
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

TEST_F(MainWindow, FileChoosers) {
    // A cancelled chooser leaves every field as it was typed.
    std::string program_folder = ProgramFolder();
    for (int id : {IDC_ORIGINAL_FIELD, IDC_MATCHING_FIELD, IDC_NEW_FIELD}) SetDlgItemTextA(window, id, "typed");
    Choose(window, IDC_BROWSE_MATCHING, "Open File", "");
    ASSERT_TRUE(WaitFor([&] { return FindWindowA(kDialogClass, "Open File") == nullptr; }));
    Sleep(200);
    for (int id : {IDC_ORIGINAL_FIELD, IDC_MATCHING_FIELD, IDC_NEW_FIELD}) EXPECT_EQ(ItemText(window, id), "typed");
    EXPECT_EQ(std::string(g_workspace->matching_directory), program_folder);
    EXPECT_EQ(std::string(g_workspace->matching_file_name), "Untitled.obj");

    // A chosen file updates only its own slot, and the current directory
    // follows it; the open chooser keeps the name's case.
    std::string folder = ExampleFolder();
    WriteFile(folder + "Chosen.OBJ", kOriginalObj);
    Choose(window, IDC_BROWSE_ORIGINAL, "Open File", folder + "Chosen.OBJ");
    ASSERT_TRUE(WaitFor([&] { return ItemText(window, IDC_ORIGINAL_FIELD) == folder + "Chosen.OBJ"; }))
        << ItemText(window, IDC_ORIGINAL_FIELD);
    EXPECT_EQ(std::string(g_workspace->original_directory), folder);
    EXPECT_EQ(std::string(g_workspace->original_file_name), "Chosen.OBJ");
    EXPECT_EQ(ItemText(window, IDC_MATCHING_FIELD), "typed");
    char current[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, current);
    EXPECT_EQ(std::string(current) + "\\", folder);

    // The save chooser takes a name that does not exist yet and adds ".obj".
    DeleteFileA((folder + "Brand New.obj").c_str());
    Choose(window, IDC_BROWSE_NEW, "Save File", folder + "Brand New");
    ASSERT_TRUE(WaitFor([&] { return ItemText(window, IDC_NEW_FIELD) == folder + "Brand New.obj"; }))
        << ItemText(window, IDC_NEW_FIELD);
    EXPECT_EQ(std::string(g_workspace->new_directory), folder);
    EXPECT_EQ(std::string(g_workspace->new_file_name), "Brand New.obj");
}

// A path of exactly length characters in folder, naming an OBJ file.
std::string PathOfLength(const std::string& folder, size_t length) {
    return folder + std::string(length - folder.size() - 4, 'p') + ".obj";
}

const int kFields[] = {IDC_ORIGINAL_FIELD, IDC_MATCHING_FIELD, IDC_NEW_FIELD};

// Expects the error box whose text begins with text, and answers it.
void AnswerError(const std::string& text) {
    HWND box = WaitForDialog("Error");
    std::string shown = box ? BoxText(box) : "(no box)";
    EXPECT_EQ(shown.substr(0, text.size()), text) << shown;
    if (box) Click(box, IDOK);
    EXPECT_TRUE(WaitFor([&] { return FindWindowA(kDialogClass, "Error") == nullptr; }));
}

// A path longer than a field holds is refused with the chooser's own error,
// and the field keeps its text; nothing longer can be typed either.
TEST_F(MainWindow, PathsNeverCut) {
    std::string folder = ExampleFolder();
    std::string shown = ItemText(window, IDC_ORIGINAL_FIELD);
    for (size_t length : {255, 256, 259}) {
        SCOPED_TRACE(length);
        std::string path = PathOfLength(folder, length);
        WriteFile(path, kOriginalObj);
        Choose(window, IDC_BROWSE_ORIGINAL, "Open File", path);
        if (length > 255)
            AnswerError("There was an error opening the file.");
        else
            shown = path;
        ASSERT_TRUE(WaitFor([&] { return ItemText(window, IDC_ORIGINAL_FIELD) == shown; }))
            << ItemText(window, IDC_ORIGINAL_FIELD);
        DeleteFileA(path.c_str());
    }
    for (int id : kFields) {
        HWND field = GetDlgItem(window, id);
        SetWindowTextA(field, "");
        for (int typed = 0; typed < 300; ++typed) SendMessageA(field, WM_CHAR, 'a', 0);
        EXPECT_EQ(GetWindowTextLengthA(field), 255) << id;
    }
}

// What the shell posts when files are dropped at point (client coordinates).
HGLOBAL MakeDrop(const std::vector<std::string>& paths, POINT point) {
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
int FirstShownCharacter(HWND window, int id) {
    return LOWORD(SendDlgItemMessageA(window, id, EM_CHARFROMPOS, 0, MAKELPARAM(3, 3)));
}

POINT FieldCentre(HWND window, int id) {
    RECT rect;
    GetWindowRect(GetDlgItem(window, id), &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// A file dropped on a field fills it, the first of several; one too long for
// the field is refused like a chooser's; a drop beside the fields does nothing.
TEST_F(MainWindow, DroppedFilesFillTheirField) {
    const int kNoField = 0;
    std::string folder = "C:\\drops\\";
    struct Case {
        int id;
        size_t length;
        const char* error;
    } cases[] = {
        {IDC_ORIGINAL_FIELD, 255, nullptr},
        {IDC_MATCHING_FIELD, 256, "The path in the Matching File box is too long: it takes 256 bytes, and a path "
                                  "may take at most 255.\r\n\r\nC:\\drops\\ppp"},
        {IDC_NEW_FIELD, 259, "The path in the New File box is too long: it takes 259 bytes"},
        {IDC_NEW_FIELD, 40, nullptr},
        {kNoField, 40, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.id << " " << c.length);
        std::vector<std::string> before;
        for (int id : kFields) before.push_back(ItemText(window, id));
        std::string path = PathOfLength(folder, c.length);
        POINT point = c.id == kNoField ? POINT{4, 4} : FieldCentre(window, c.id);
        // Sent from a thread of its own, which returns once the drop is taken,
        // so this one can answer a box meanwhile.
        HGLOBAL drop = MakeDrop({path, folder + "second.obj"}, point);
        std::thread shell([&] { SendMessageA(window, WM_DROPFILES, WPARAM(drop), 0); });
        if (c.error) AnswerError(c.error);
        shell.join();
        for (int i = 0; i < 3; ++i) {
            bool filled = kFields[i] == c.id && !c.error;
            EXPECT_EQ(ItemText(window, kFields[i]), filled ? path : before[i]) << kFields[i];
        }
        // A long path shows its end, the file name, not its start.
        if (!c.error && c.id != kNoField && c.length > 100) {
            EXPECT_GT(FirstShownCharacter(window, c.id), 0);
        }
    }
}

// The Blender-style copy: exact positions fail in a box that says how far
// the copy moved and offers the tolerance that converts, and its button
// converts; Automatic converts it too. The original's path is given as
// Explorer's "Copy as path" copies it, and loses its quotes.
TEST_F(MainWindow, MatchingOptionsConvertAMovedCopy) {
    std::string folder = WriteGridPair(ExampleFolder(), 60, 40, 0.43f);
    std::string original = folder + "original.obj", new_file = folder + "new.obj";
    SetDlgItemTextA(window, IDC_ORIGINAL_FIELD, ("\"" + original + "\"").c_str());
    EXPECT_EQ(ItemText(window, IDC_ORIGINAL_FIELD), original);
    SetDlgItemTextA(window, IDC_MATCHING_FIELD, (folder + "matching.obj").c_str());
    SetDlgItemTextA(window, IDC_NEW_FIELD, new_file.c_str());
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, IDC_MATCH_DISTANCE)));
    std::string suggested;
    for (bool automatic : {false, true}) {
        SCOPED_TRACE(automatic);
        DeleteFileA(new_file.c_str());
        if (automatic) {
            Click(window, IDC_MATCH_SMALL);
            ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(GetDlgItem(window, IDC_MATCH_DISTANCE)) != 0; }));
            SetDlgItemTextA(window, IDC_MATCH_DISTANCE, "Automatic");
        }
        program.Press(IDC_CONVERT);
        if (!automatic) {
            HWND box = WaitForDialog("Error");
            ASSERT_NE(box, nullptr);
            std::string text = BoxText(box), remedy = ItemText(box, IDC_REMEDY);
            EXPECT_NE(text.find(" of 2,400 vertices found a partner; "), std::string::npos) << text;
            EXPECT_NE(text.find("\r\nlargest distance to the nearest original vertex: "), std::string::npos) << text;
            ASSERT_EQ(remedy.rfind("Convert with tolerance ", 0), 0u) << remedy;
            suggested = remedy.substr(23);
            EXPECT_NE(text.find("suggested: tolerance " + suggested + " (safe: "), std::string::npos) << text;
            // The boxes take no typing until the run's box is answered.
            EXPECT_NE(GetWindowLongA(GetDlgItem(window, IDC_ORIGINAL_FIELD), GWL_STYLE) & ES_READONLY, 0);
            Click(box, IDC_REMEDY);
        }
        HWND success = WaitForDialog("Success");
        ASSERT_NE(success, nullptr);
        EXPECT_EQ(BoxText(success).find("tolerance: ") != std::string::npos, automatic) << BoxText(success);
        Click(success, IDOK);
        program.WaitForStatus();
        EXPECT_TRUE(FileExists(new_file));
        EXPECT_EQ(IsDlgButtonChecked(window, IDC_MATCH_SMALL), BST_CHECKED);
        EXPECT_EQ(ItemText(window, IDC_MATCH_DISTANCE), automatic ? "Automatic" : suggested);
    }
}

// The Matching group, each box's path and the last chosen folder are there
// again after a restart; a distance Convert would refuse keeps the last good one.
TEST(MainWindowSettings, OutliveTheProgram) {
    std::string folder = ExampleFolder();
    const std::string typed = folder + "typed.obj", named = folder + "named.obj";
    for (int run = 0; run < 3; ++run) {
        SCOPED_TRACE(run);
        RunningProgram program(run > 0);
        HWND window = program.window;
        ASSERT_NE(window, nullptr);
        if (run == 0) {
            Click(window, IDC_MATCH_SMALL);
            Click(window, IDC_MATCH_COUNT_CHANGE);
            ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(GetDlgItem(window, IDC_MATCH_DISTANCE)) != 0; }));
            SetDlgItemTextA(window, IDC_MATCH_DISTANCE, "0.5");
            SetDlgItemTextA(window, IDC_MATCHING_FIELD, typed.c_str());
            Choose(window, IDC_BROWSE_NEW, "Save File", named);
            ASSERT_TRUE(WaitFor([&] { return ItemText(window, IDC_NEW_FIELD) == named; }));
        } else {
            EXPECT_EQ(IsDlgButtonChecked(window, IDC_MATCH_SMALL), BST_CHECKED);
            EXPECT_EQ(IsDlgButtonChecked(window, IDC_MATCH_COUNT_CHANGE), BST_CHECKED);
            EXPECT_EQ(ItemText(window, IDC_MATCH_DISTANCE), "0.5");
            EXPECT_EQ(ItemText(window, IDC_MATCHING_FIELD), typed);
            EXPECT_EQ(ItemText(window, IDC_NEW_FIELD), named);
            EXPECT_EQ(ItemText(window, IDC_ORIGINAL_FIELD), ProgramFolder() + "Untitled.obj");
            EXPECT_EQ(std::string(g_workspace->chosen_directory), folder);
            SetDlgItemTextA(window, IDC_MATCH_DISTANCE, "0,001");
        }
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(WaitFor([&] { return program.finished.load(); }));
    }
}

// A chooser starts in the folder of the path in its box, dropped there or
// typed, and a cancelled one changes no box.
TEST_F(MainWindow, ChoosersStartWhereTheBoxPoints) {
    std::string folder = ExampleFolder();
    HGLOBAL drop = MakeDrop({folder + "matching.obj"}, FieldCentre(window, IDC_MATCHING_FIELD));
    SendMessageA(window, WM_DROPFILES, WPARAM(drop), 0);
    SetDlgItemTextA(window, IDC_ORIGINAL_FIELD, "\"C:\\typed\\original.obj\"");
    for (int button : {IDC_BROWSE_ORIGINAL, IDC_BROWSE_MATCHING}) {
        Click(window, button);
        HWND chooser = WaitForDialog("Open File");
        ASSERT_NE(chooser, nullptr);
        if (button == IDC_BROWSE_MATCHING) {
            char shown[MAX_PATH] = "";
            ASSERT_TRUE(WaitFor([&] { return SendMessageA(chooser, CDM_GETFOLDERPATH, MAX_PATH, LPARAM(shown)) > 0; }));
            EXPECT_EQ(std::string(shown) + "\\", folder);
        }
        Click(chooser, IDCANCEL);
        ASSERT_TRUE(WaitFor([&] { return FindWindowA(kDialogClass, "Open File") == nullptr; }));
        Sleep(100);
        EXPECT_EQ(ItemText(window, IDC_MATCHING_FIELD), folder + "matching.obj");
        EXPECT_EQ(ItemText(window, IDC_ORIGINAL_FIELD), "C:\\typed\\original.obj");
    }
}

// A path longer than 255 bytes once in the system's code page is refused
// before anything is read, in a box no wider than the screen.
TEST_F(MainWindow, PathsTooLongForTheCodePageAreRefused) {
    std::wstring path = L"C:\\";
    while (path.size() < 240) path += L"\u00e9\u00e8\\";
    path += L"a.obj";
    int bytes = WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr) - 1;
    if (bytes <= 255) GTEST_SKIP() << "the code page " << GetACP() << " takes this path in " << bytes << " bytes";
    SetDlgItemTextW(window, IDC_NEW_FIELD, path.c_str());
    program.Press(IDC_CONVERT);
    HWND box = WaitForDialog("Error");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(BoxText(box).rfind("The path in the New File box is too long: it takes " + std::to_string(bytes) +
                                 " bytes, and a path may take at most 255.", 0),
              0u)
        << BoxText(box);
    RECT rect;
    EXPECT_TRUE(GetWindowRect(box, &rect) && rect.right - rect.left <= GetSystemMetrics(SM_CXSCREEN));
    Click(box, IDOK);
    ASSERT_TRUE(WaitFor([&] { return FindWindowA(kDialogClass, "Error") == nullptr; }));
    EXPECT_EQ(ItemText(window, IDC_STATUS_LINE), "(running)");  // no command ran
}

// The stop question left open while the run ends closes by itself, and the
// run's own outcome follows.
TEST_F(MainWindow, StopQuestionClosesWhenTheRunEnds) {
    std::string folder = WriteGridPair(ExampleFolder(), 1000, 500);
    SetDlgItemTextA(window, IDC_ORIGINAL_FIELD, (folder + "original.obj").c_str());
    SetDlgItemTextA(window, IDC_MATCHING_FIELD, (folder + "matching.obj").c_str());
    SetDlgItemTextA(window, IDC_NEW_FIELD, (folder + "new.obj").c_str());
    program.Press(IDC_CONVERT);
    ASSERT_TRUE(WaitFor([&] { return ItemText(window, IDC_STATUS_LINE) != "(running)"; }));
    Click(window, IDCANCEL);
    HWND question = WaitForDialog("Quit");
    ASSERT_NE(question, nullptr);
    HWND success = WaitForDialog("Success", 60000);
    ASSERT_NE(success, nullptr);
    EXPECT_FALSE(IsWindow(question));
    Click(success, IDOK);
    program.WaitForStatus();
    EXPECT_FALSE(program.finished.load());
}

// Presses and lets go of Escape over the window as the keyboard would, and
// returns the question it brought up (null: none within a second).
HWND PressEscape(HWND window) {
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

// The Escape key, pressed while a box holds a typed path, asks before the
// window closes; Cancel keeps it open with the path.
TEST_F(MainWindow, EscapeAsksBeforeForgettingTypedPaths) {
    SetDlgItemTextA(window, IDC_MATCHING_FIELD, "C:\\typed\\matching.obj");
    HWND question = PressEscape(window);
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(BoxText(question), kQuitQuestion);
    Click(question, IDCANCEL);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(question); }));
    Sleep(200);
    EXPECT_FALSE(program.finished.load());
    EXPECT_EQ(ItemText(window, IDC_MATCHING_FIELD), "C:\\typed\\matching.obj");
}

// The folder of a chooser's dialog as it shows it, with a backslash.
std::string ChooserFolder(HWND chooser) {
    char shown[MAX_PATH] = "";
    WaitFor([&] { return SendMessageA(chooser, CDM_GETFOLDERPATH, MAX_PATH, LPARAM(shown)) > 0; });
    return std::string(shown) + "\\";
}

// A first conversion as a user makes it: ORIGINAL picked in a folder of
// meshes; the Matching chooser, its box still on a file that isn't there,
// opens in that folder; the New chooser proposes MATCHING's name with
// "_morph" beside it. Escape then asks before the chosen paths go.
TEST_F(MainWindow, ChoosersFollowTheUser) {
    std::string meshes = ExampleFolder() + "meshes\\";
    CreateDirectoryA(meshes.c_str(), nullptr);
    WriteFile(meshes + "original.obj", kOriginalObj);
    WriteFile(meshes + "big_blender.obj", kMatchingObj);
    Choose(window, IDC_BROWSE_ORIGINAL, "Open File", meshes + "original.obj");
    ASSERT_TRUE(WaitFor([&] { return ItemText(window, IDC_ORIGINAL_FIELD) == meshes + "original.obj"; }));

    Click(window, IDC_BROWSE_MATCHING);
    HWND chooser = WaitForDialog("Open File");
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(ChooserFolder(chooser), meshes);
    Click(chooser, IDCANCEL);
    ASSERT_TRUE(WaitFor([&] { return FindWindowA(kDialogClass, "Open File") == nullptr; }));
    Choose(window, IDC_BROWSE_MATCHING, "Open File", "big_blender.obj");
    ASSERT_TRUE(WaitFor([&] { return ItemText(window, IDC_MATCHING_FIELD) == meshes + "big_blender.obj"; }));

    Click(window, IDC_BROWSE_NEW);
    chooser = WaitForDialog("Save File");
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(ChooserFolder(chooser), meshes);
    HWND name = GetDlgItem(chooser, cmb13) ? GetDlgItem(chooser, cmb13) : GetDlgItem(chooser, edt1);
    char proposed[MAX_PATH] = "";
    GetWindowTextA(name, proposed, MAX_PATH);
    EXPECT_STREQ(proposed, "big_blender_morph.obj");
    Click(chooser, IDOK);
    ASSERT_TRUE(WaitFor([&] { return ItemText(window, IDC_NEW_FIELD) == meshes + "big_blender_morph.obj"; }))
        << ItemText(window, IDC_NEW_FIELD);

    HWND question = PressEscape(window);
    ASSERT_NE(question, nullptr);
    Click(question, IDCANCEL);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(question); }));
    EXPECT_FALSE(program.finished.load());
}

// A box of the program's, whatever its title, once it shows; null after ten seconds.
HWND WaitForAnyBox(const std::vector<const char*>& titles, std::string* title) {
    HWND found = nullptr;
    WaitFor([&] {
        for (const char* candidate : titles)
            if ((found = FindWindowA(kDialogClass, candidate)) && IsWindowVisible(found)) return *title = candidate, true;
        return false;
    });
    return found && IsWindowVisible(found) ? found : nullptr;
}

// Installed where the user can't write: New starts in the user's Documents,
// Report writes and opens report.txt in Documents\Quandrelistaphor and says
// where and why, and a Convert into the program's folder fails at once with
// the system's reason instead of waiting on a lock it can't make.
TEST(MainWindowReadOnlyProgramFolder, UsesTheUsersOwnFolder) {
    const char* unix_folder = getenv("QUANDRE_READONLY_FOLDER");
    ASSERT_NE(unix_folder, nullptr) << "ctest makes the folder (tests/app/readonly_folder.sh)";
    std::string program_folder = "Z:" + std::string(unix_folder) + "/";
    for (char& c : program_folder) c = c == '/' ? '\\' : c;
    ASSERT_TRUE(CreateDirectoryA(program_folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_FALSE(CreateDirectoryA((program_folder + "probe").c_str(), nullptr)) << "the folder can be written";
    char documents[MAX_PATH] = "";
    ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents), S_OK);
    const std::string report = std::string(documents) + "\\Quandrelistaphor\\report.txt";
    DeleteFileA(report.c_str());

    RunningProgram program(false, &program_folder);
    HWND window = program.window;
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(ItemText(window, IDC_NEW_FIELD), std::string(documents) + "\\New.obj");
    std::string folder = ExampleFolder();
    SetDlgItemTextA(window, IDC_ORIGINAL_FIELD, (folder + "original.obj").c_str());
    SetDlgItemTextA(window, IDC_MATCHING_FIELD, (folder + "matching.obj").c_str());
    program.Press(IDC_REPORT);
    // The shell's viewer (or its own box in a bare prefix) comes and goes; the
    // program's box says where the report went.
    std::string title;
    HWND box = nullptr;
    while ((box = WaitForAnyBox({"Report", "Error"}, &title)) && title != "Report") Click(box, IDOK);
    ASSERT_NE(box, nullptr);
    if (HWND viewer = FindWindowA("Notepad", nullptr)) PostMessageA(viewer, WM_CLOSE, 0, 0);
    std::string text = BoxText(box);
    EXPECT_EQ(text.rfind("report.txt could not be written beside the program.\r\n\r\n" + program_folder +
                             "report.txt\r\nreason: ", 0), 0u) << text;
    EXPECT_NE(text.find("It was written to, and opened from:\r\n" + report), std::string::npos) << text;
    Click(box, IDOK);
    program.WaitForStatus();
    EXPECT_EQ(ReadFile(report).rfind("\r\nQuandrelistaphor Report\r\n", 0), 0u);

    SetDlgItemTextA(window, IDC_NEW_FIELD, (program_folder + "New.obj").c_str());
    program.Press(IDC_CONVERT);
    box = WaitForDialog("Error", 3000);  // no wait on a lock first
    ASSERT_NE(box, nullptr);
    text = BoxText(box);
    EXPECT_NE(text.find("\r\nreason: "), std::string::npos) << text;
    EXPECT_EQ(text.find("another application"), std::string::npos) << text;
    Click(box, IDOK);
    program.WaitForStatus();
}

// Stopped while the new file is written: the window stays, saying
// "Stopping...", until what was written is gone, and only then closes.
TEST_F(MainWindow, StopDuringTheSaveRemovesWhatWasWritten) {
    std::string folder = WriteGridPair(ExampleFolder(), 2000, 1000);
    std::string new_file = folder + "new.obj";
    WriteFile(new_file, "earlier");
    const std::vector<std::string> names = FolderNames(folder);
    SetDlgItemTextA(window, IDC_ORIGINAL_FIELD, (folder + "original.obj").c_str());
    SetDlgItemTextA(window, IDC_MATCHING_FIELD, (folder + "matching.obj").c_str());
    SetDlgItemTextA(window, IDC_NEW_FIELD, new_file.c_str());
    program.Press(IDC_CONVERT);
    ASSERT_TRUE(WaitFor([&] { return ProgressPosition(window) > 80; }, 60000));
    Click(window, IDCANCEL);
    HWND question = WaitForDialog("Quit");
    ASSERT_NE(question, nullptr);
    Click(question, IDOK);
    DWORD answered = GetTickCount();
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(question); }));
    bool stopping_shown = false;
    while (!program.finished.load() && IsWindow(window) && GetTickCount() - answered < 30000) {
        stopping_shown = stopping_shown || ItemText(window, IDC_STATUS_LINE) == "Stopping...";
        Sleep(5);
    }
    std::printf("closed %lu ms after the answer\n", GetTickCount() - answered);
    EXPECT_TRUE(WaitFor([&] { return program.finished.load(); }));
    EXPECT_TRUE(stopping_shown);
    EXPECT_EQ(FolderNames(folder), names) << "a temporary was left";
    EXPECT_EQ(ReadFile(new_file), "earlier");
}

// A retry from the failure box's button doesn't ask the face-count
// question the user answered for the same conversion.
TEST_F(MainWindow, FaceCountAskedOncePerConversion) {
    std::string folder = WriteGridPair(ExampleFolder(), 60, 40, 0.43f);
    std::ofstream(folder + "matching.obj", std::ios::app) << "f 1 2 3\n";
    SetDlgItemTextA(window, IDC_ORIGINAL_FIELD, (folder + "original.obj").c_str());
    SetDlgItemTextA(window, IDC_MATCHING_FIELD, (folder + "matching.obj").c_str());
    SetDlgItemTextA(window, IDC_NEW_FIELD, (folder + "new.obj").c_str());
    int asked = 0;
    for (int run = 0; run < 2; ++run) {
        program.Press(IDC_CONVERT);
        std::string title;
        HWND box = nullptr;
        while ((box = WaitForAnyBox({"Warning", "Error", "Success"}, &title)) && title == "Warning") {
            ++asked;
            Click(box, IDOK);
            WaitFor([&] { return !IsWindow(box); });
        }
        ASSERT_NE(box, nullptr);
        if (run == 0 && title == "Error") {
            ASSERT_NE(ItemText(box, IDC_REMEDY), "");
            Click(box, IDC_REMEDY);
            ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }));
            while ((box = WaitForAnyBox({"Warning", "Success", "Error"}, &title)) && title == "Warning") {
                ++asked;
                Click(box, IDOK);
                WaitFor([&] { return !IsWindow(box); });
            }
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(title, "Success") << BoxText(box);
            Click(box, IDOK);
            program.WaitForStatus();
            EXPECT_EQ(asked, 1);
        } else {
            // A conversion the user starts again asks again.
            Click(box, IDOK);
            program.WaitForStatus();
            EXPECT_EQ(asked, 2);
            break;
        }
    }
}

}  // namespace
