#include <gtest/gtest.h>

#include <cstring>

#include "wavefront/path_text.h"

TEST(PathText, SplitsAtEitherSeparatorOrADrive) {
    struct Case {
        const char* path;
        const char* file_name;
        const char* folder;
        int absolute;
    } cases[] = {
        {"D:\\models\\head.obj", "head.obj", "D:\\models\\", 1},
        {"/home/a/head.obj", "head.obj", "/home/a/", 1},
        {"models/sub\\head.obj", "head.obj", "models/sub\\", 0},
        {"models\\sub/head.obj", "head.obj", "models\\sub/", 0},
        {"C:head.obj", "head.obj", "C:", 1},
        {"head.obj", "head.obj", "", 0},
        {"\\head.obj", "head.obj", "\\", 1},
        {"/head.obj", "head.obj", "/", 1},
        {"dir/", "", "dir/", 0},
        {"", "", "", 0},
        {"1:x.obj", "1:x.obj", "", 0},  // only a letter makes a drive
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(FileNamePart(c.path), c.file_name) << c.path;
        char folder[256];
        EXPECT_EQ(FolderPart(c.path, folder, sizeof folder), 1) << c.path;
        EXPECT_STREQ(folder, c.folder) << c.path;
        EXPECT_EQ(IsAbsolutePath(c.path), c.absolute) << c.path;
    }
    EXPECT_STREQ(FileNamePart(nullptr), "");
    EXPECT_EQ(IsAbsolutePath(nullptr), 0);
}

TEST(PathText, FolderIsCutToItsCapacity) {
    char folder[8];
    EXPECT_EQ(FolderPart("abcdefghij/x.obj", folder, sizeof folder), 0);
    EXPECT_STREQ(folder, "abcdefg");
}
