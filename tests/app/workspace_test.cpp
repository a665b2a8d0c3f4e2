#include "app/workspace.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/workspace_slots.h"

namespace {

std::string ProgramDirectory(const char* program_path, const char* current_directory) {
    char directory[kPathCapacity];
    std::memset(directory, 'x', sizeof directory);
    FindProgramDirectory(program_path, current_directory, directory);
    return directory;
}

TEST(FindProgramDirectory, Table) {
    std::string fits(254, 'a');      // 254 + backslash fits exactly
    std::string too_long(255, 'a');  // no room left for the backslash: refused
    std::string long_path = "C:\\" + std::string(300, 'b') + "\\app.exe";
    struct Row { const char* program_path; const char* current_directory; std::string expected; } rows[] = {
        {"C:\\Tools\\app.exe", "D:\\Other", "C:\\Tools\\"}, {"C:\\app.exe", nullptr, "C:\\"},
        {nullptr, "D:\\Work", "D:\\Work\\"}, {"", "D:\\Work", "D:\\Work\\"}, {nullptr, "C:\\", "C:\\"},
        {nullptr, nullptr, ""}, {"C:\\Tools\\\\Bin\\\\\\app.exe", nullptr, "C:\\Tools\\Bin\\"},
        {"\\C:\\Tools\\app.exe\\", nullptr, "C:\\Tools\\"},
        {"app.exe", "D:\\Work", ""},  // a path was given: no fallback
        {"\\\\srv\\tools\\app.exe", nullptr, "\\\\srv\\tools\\"},
        {"\\\\\\srv\\\\tools\\app.exe", nullptr, "\\\\srv\\tools\\"},
        {"/usr/bin/app", nullptr, ""},  // only the backslash separates
        {nullptr, fits.c_str(), fits + "\\"}, {nullptr, too_long.c_str(), ""}, {long_path.c_str(), nullptr, ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ProgramDirectory(row.program_path, row.current_directory), row.expected)
            << (row.program_path ? row.program_path : "(none)") << " / "
            << (row.current_directory ? row.current_directory : "(none)");
}

Workspace Defaults() {
    Workspace workspace;
    std::memset(&workspace, 'x', sizeof workspace);
    SetWorkspaceDefaults(workspace, "C:\\Prog\\");
    return workspace;
}

const Slot kSlots[] = {Slot::kOriginal, Slot::kMatching, Slot::kNew};

// A chosen file replaces only its own pair; a path that does not fit is
// refused, not cut, and nothing is written. Every other slot keeps its
// default: the program directory and "Untitled.obj" or "New.obj".
TEST(WorkspaceSlots, TakeChosenFile) {
    // The field shows folder and name together in at most 255 characters.
    std::string folder = "C:\\" + std::string(246, 'a') + "\\";  // 250 characters
    std::string slash_folder = "C:\\" + std::string(246, 'b') + "/";  // 250, and a separator to add
    struct Case {
        Slot slot;
        std::string path;
        int32_t offset;
        const char* title;
        int32_t result;
        std::string directory;
    } cases[] = {
        {Slot::kOriginal, "D:\\Meshes\\Head.OBJ", 10, "Head.OBJ", 1, "D:\\Meshes\\"},
        {Slot::kMatching, "E:\\copy.obj", 3, "copy.obj", 1, "E:\\"},  // a drive's root: no second backslash
        {Slot::kNew, "\\\\srv\\share\\out\\New Morph.obj", 16, "New Morph.obj", 1, "\\\\srv\\share\\out\\"},
        // An offset that stops short of the separator still gives a folder ending in one.
        {Slot::kMatching, "D:\\Meshes\\x.obj", 9, "x.obj", 1, "D:\\Meshes\\"},
        {Slot::kOriginal, folder + "m.obj", 250, "m.obj", 1, folder},      // 255 in all
        {Slot::kMatching, folder + "mm.obj", 250, "mm.obj", 0, ""},        // 256
        {Slot::kNew, slash_folder + "m.obj", 250, "m.obj", 0, ""},         // 256 with the separator
    };
    for (const Case& c : cases) {
        Workspace workspace = Defaults();
        ASSERT_EQ(TakeChosenFile(workspace, c.slot, c.path.c_str(), c.offset, c.title), c.result) << c.path;
        for (Slot slot : kSlots) {
            if (slot == c.slot && c.result == 1) {
                EXPECT_EQ(std::string(SlotDirectory(workspace, slot)), c.directory) << c.path;
                EXPECT_STREQ(SlotFileName(workspace, slot), c.title) << c.path;  // case kept
            } else {
                EXPECT_STREQ(SlotDirectory(workspace, slot), "C:\\Prog\\") << c.path;
                EXPECT_STREQ(SlotFileName(workspace, slot), slot == Slot::kNew ? "New.obj" : "Untitled.obj") << c.path;
            }
        }
    }
}

}  // namespace
