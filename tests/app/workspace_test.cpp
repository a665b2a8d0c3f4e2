#include "app/workspace.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/chooser_start.h"
#include "app/workspace_slots.h"
#include "platform/text.h"

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

// Where each chooser starts, from what the boxes show: a box's own path
// when the user gave it (typed, or a file that exists); otherwise the
// folder of the last file chosen, and for New a name made from MATCHING.
TEST(ChooserStart, FollowsTheUser) {
    Workspace defaults = Defaults(), chosen = Defaults(), named = Defaults();
    CopyText(chosen.chosen_directory, "D:\\meshes\\");
    named.new_named = 1;
    CopyText(named.new_directory, "E:\\out\\");
    CopyText(named.new_file_name, "kept.obj");
    struct Case {
        const Workspace* workspace;
        Slot slot;
        const char* box;
        int32_t box_exists;
        const char* matching;
        int32_t matching_exists;
        const char* directory;
        const char* name;
    } cases[] = {
        // the default box of a file that isn't there
        {&defaults, Slot::kMatching, "C:\\Prog\\Untitled.obj", 0, "", 0, "C:\\Prog\\", "Untitled.obj"},
        {&chosen, Slot::kMatching, "C:\\Prog\\Untitled.obj", 0, "", 0, "D:\\meshes\\", ""},
        {&chosen, Slot::kOriginal, "", 0, "", 0, "D:\\meshes\\", ""},
        // the box's own: typed, or naming a file that exists
        {&chosen, Slot::kOriginal, "C:\\typed\\a.obj", 0, "", 0, "C:\\typed\\", "a.obj"},
        {&chosen, Slot::kOriginal, "C:\\Prog\\Untitled.obj", 1, "", 0, "C:\\Prog\\", "Untitled.obj"},
        {&chosen, Slot::kOriginal, "C:\\typed\\", 0, "", 0, "C:\\typed\\", "Untitled.obj"},
        // New: proposed from MATCHING until the user names it
        {&chosen, Slot::kNew, "C:\\Prog\\New.obj", 0, "D:\\meshes\\big_blender.obj", 1, "D:\\meshes\\",
         "big_blender_morph.obj"},
        {&chosen, Slot::kNew, "C:\\Prog\\New.obj", 0, "D:\\meshes\\gone.obj", 0, "D:\\meshes\\", "Untitled"},
        {&defaults, Slot::kNew, "", 0, "", 0, "C:\\Prog\\", "Untitled"},
        {&chosen, Slot::kNew, "F:\\typed\\mine.obj", 0, "D:\\meshes\\big.obj", 1, "F:\\typed\\", "mine.obj"},
        {&named, Slot::kNew, "E:\\out\\kept.obj", 1, "D:\\meshes\\big.obj", 1, "E:\\out\\", "kept.obj"},
    };
    for (const Case& c : cases) {
        char directory[kPathCapacity], name[kPathCapacity];
        ChooserStart(*c.workspace, c.slot, ChooserView{c.box, c.box_exists, c.matching, c.matching_exists},
                     directory, name);
        EXPECT_EQ(std::string(directory) + "|" + name, std::string(c.directory) + "|" + c.name)
            << int(c.slot) << " " << c.box;
    }
    const std::pair<const char*, const char*> names[] = {
        {"big_blender.obj", "big_blender_morph.obj"}, {"a.b.OBJ", "a.b_morph.obj"}, {"plain", "plain_morph.obj"},
        {".obj", ".obj_morph.obj"}};
    for (const auto& [matching, expected] : names) {
        char made[kPathCapacity];
        MorphFileName(matching, made);
        EXPECT_STREQ(made, expected);
    }
    // A choice is where the next chooser with nothing of its own starts.
    Workspace workspace = Defaults();
    ASSERT_EQ(TakeChosenFile(workspace, Slot::kNew, "D:\\m\\x.obj", 5, "x.obj"), 1);
    EXPECT_STREQ(workspace.chosen_directory, "D:\\m\\");
    EXPECT_EQ(workspace.new_named, 1);
}
