#include <gtest/gtest.h>

#include <cstring>

#include "wavefront/path_text.h"

TEST(PathText, SplitsAtEitherSeparatorOrADrive) {
    struct Case {
        const char* path;
        const char* file_name;
        const char* folder;
        int absolute;
        const char* extension;
    } cases[] = {
        {"D:\\models\\head.obj", "head.obj", "D:\\models\\", 1, ".obj"},
        {"/home/a/head.obj", "head.obj", "/home/a/", 1, ".obj"},
        {"models/sub\\head.obj", "head.obj", "models/sub\\", 0, ".obj"},
        {"models\\sub/head.obj", "head.obj", "models\\sub/", 0, ".obj"},
        {"C:head.obj", "head.obj", "C:", 1, ".obj"},
        {"head.obj", "head.obj", "", 0, ".obj"},
        {"\\head.obj", "head.obj", "\\", 1, ".obj"},
        {"/head.obj", "head.obj", "/", 1, ".obj"},
        {"dir/", "", "dir/", 0, ""},
        {"dir.d\\", "", "dir.d\\", 0, ""},  // a dot in a folder is no extension
        {"a.d/name", "name", "a.d/", 0, ""},
        {"a/b.tar.gz", "b.tar.gz", "a/", 0, ".gz"},
        {"a/.mtl", ".mtl", "a/", 0, ".mtl"},
        {"a/b:c.obj", "b:c.obj", "a/", 0, ".obj"},  // a colon past the start is part of the name
        {"", "", "", 0, ""},
        {"1:x.obj", "1:x.obj", "", 0, ".obj"},  // only a letter makes a drive
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(FileNamePart(c.path), c.file_name) << c.path;
        EXPECT_STREQ(ExtensionPart(c.path), c.extension) << c.path;
        char folder[256];
        EXPECT_EQ(FolderPart(c.path, folder, sizeof folder), 1) << c.path;
        EXPECT_STREQ(folder, c.folder) << c.path;
        EXPECT_EQ(IsAbsolutePath(c.path), c.absolute) << c.path;
    }
    EXPECT_STREQ(FileNamePart(nullptr), "");
    EXPECT_STREQ(ExtensionPart(nullptr), "");
    EXPECT_EQ(IsAbsolutePath(nullptr), 0);
}

TEST(PathText, FolderIsCutToItsCapacity) {
    struct Case {
        const char* path;
        int fitted;
        const char* folder;
    } cases[] = {
        {"abcdefghij/x.obj", 0, "abcdefg"},
        {"abcdefghij\\x.obj", 0, "abcdefg"},
        {"abcdef/x.obj", 1, "abcdef/"},  // separator and NUL take the last two places
        {"abcdefg/x.obj", 0, "abcdefg"},
    };
    for (const Case& c : cases) {
        char folder[8];
        EXPECT_EQ(FolderPart(c.path, folder, sizeof folder), c.fitted) << c.path;
        EXPECT_STREQ(folder, c.folder) << c.path;
    }
}
