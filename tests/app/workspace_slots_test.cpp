#include "app/workspace_slots.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

Workspace Defaults() {
    Workspace workspace;
    SetWorkspaceDefaults(workspace, "C:\\Prog\\");
    return workspace;
}

TEST(WorkspaceSlots, EachSlotUsesItsOwnPair) {
    Workspace workspace = Defaults();
    EXPECT_EQ(SlotDirectory(workspace, Slot::kOriginal), workspace.original_directory);
    EXPECT_EQ(SlotFileName(workspace, Slot::kOriginal), workspace.original_file_name);
    EXPECT_EQ(SlotDirectory(workspace, Slot::kMatching), workspace.matching_directory);
    EXPECT_EQ(SlotFileName(workspace, Slot::kMatching), workspace.matching_file_name);
    EXPECT_EQ(SlotDirectory(workspace, Slot::kNew), workspace.new_directory);
    EXPECT_EQ(SlotFileName(workspace, Slot::kNew), workspace.new_file_name);
}

TEST(WorkspaceSlots, ChosenFileReplacesOnlyItsOwnPair) {
    struct Case {
        Slot slot;
        const char* path;
        int32_t offset;
        const char* title;
        const char* directory;
    } cases[] = {
        {Slot::kOriginal, "D:\\Meshes\\Head.OBJ", 10, "Head.OBJ", "D:\\Meshes\\"},
        {Slot::kMatching, "E:\\copy.obj", 3, "copy.obj", "E:\\"},  // a drive's root: no second backslash
        {Slot::kNew, "\\\\srv\\share\\out\\New Morph.obj", 16, "New Morph.obj", "\\\\srv\\share\\out\\"},
        // An offset that stops short of the separator still gives a folder ending in one.
        {Slot::kMatching, "D:\\Meshes\\x.obj", 9, "x.obj", "D:\\Meshes\\"},
    };
    for (const Case& c : cases) {
        Workspace workspace = Defaults();
        Workspace before = workspace;
        ASSERT_EQ(TakeChosenFile(workspace, c.slot, c.path, c.offset, c.title), 1) << c.path;
        EXPECT_STREQ(SlotDirectory(workspace, c.slot), c.directory);
        EXPECT_STREQ(SlotFileName(workspace, c.slot), c.title);  // case kept
        for (Slot other : {Slot::kOriginal, Slot::kMatching, Slot::kNew}) {
            if (other == c.slot) continue;
            EXPECT_STREQ(SlotDirectory(workspace, other), SlotDirectory(before, other));
            EXPECT_STREQ(SlotFileName(workspace, other), SlotFileName(before, other));
        }
    }
}

TEST(WorkspaceSlots, ChosenFolderThatDoesNotFitIsRefusedNotCut) {
    // 254 characters of folder end in a backslash: fits exactly.
    std::string folder = "C:\\" + std::string(250, 'a') + "\\";
    ASSERT_EQ(folder.size(), 254u);
    Workspace workspace = Defaults();
    EXPECT_EQ(TakeChosenFile(workspace, Slot::kOriginal, (folder + "m.obj").c_str(), 254, "m.obj"), 1);
    EXPECT_EQ(std::string(workspace.original_directory), folder);

    // 255 characters without the separator would need 256: refused, nothing written.
    std::string long_folder = "C:\\" + std::string(252, 'b');
    workspace = Defaults();
    EXPECT_EQ(TakeChosenFile(workspace, Slot::kOriginal, (long_folder + "/m.obj").c_str(), 256, "m.obj"), 0);
    // 256 characters with the separator: refused.
    std::string longer = long_folder + "\\";
    EXPECT_EQ(TakeChosenFile(workspace, Slot::kMatching, (longer + "m.obj").c_str(), 256, "m.obj"), 0);
    EXPECT_STREQ(workspace.original_directory, "C:\\Prog\\");
    EXPECT_STREQ(workspace.matching_directory, "C:\\Prog\\");
    EXPECT_STREQ(workspace.original_file_name, "Untitled.obj");
}

TEST(WorkspaceSlots, FieldTextIsCutNeverOverrun) {
    char text[kPathCapacity + 8];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(BuildFieldText("C:\\Prog\\", "New.obj", text), 1);
    EXPECT_STREQ(text, "C:\\Prog\\New.obj");

    std::string directory = "C:\\" + std::string(247, 'd') + "\\";  // 251 characters
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(BuildFieldText(directory.c_str(), "Untitled.obj", text), 0);
    EXPECT_EQ(std::strlen(text), size_t(kPathCapacity - 1));
    EXPECT_EQ(std::string(text), directory + "Unti");
    EXPECT_EQ(text[kPathCapacity], 'x');  // nothing written past the capacity
}

}  // namespace
