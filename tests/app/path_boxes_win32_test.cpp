// The Windows program's path boxes under Wine: the choosers, dropped and
// typed paths, what outlives the program, and a program installed where the
// user can't write.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/app/main_window_driver.h"

namespace {

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

}  // namespace
