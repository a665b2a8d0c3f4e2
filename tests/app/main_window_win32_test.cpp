// The Windows program's main window under Wine: start-up, Convert and
// Report with their boxes, progress and stops, quitting, the Matching group.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "tests/app/main_window_driver.h"

namespace {

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
