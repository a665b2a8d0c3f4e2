#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/workspace.h"

namespace {

std::string ProgramDirectory(const char* program_path, const char* current_directory) {
    char directory[kPathCapacity];
    std::memset(directory, 'x', sizeof directory);
    FindProgramDirectory(program_path, current_directory, directory);
    return directory;
}

TEST(FindProgramDirectory, Table) {
    struct Row {
        const char* program_path;
        const char* current_directory;
        const char* expected;
    } rows[] = {
        {"C:\\Tools\\app.exe", "D:\\Other", "C:\\Tools\\"},
        {"C:\\app.exe", nullptr, "C:\\"},
        {nullptr, "D:\\Work", "D:\\Work\\"},
        {"", "D:\\Work", "D:\\Work\\"},
        {nullptr, "C:\\", "C:\\"},
        {nullptr, nullptr, ""},
        {"C:\\Tools\\\\Bin\\\\\\app.exe", nullptr, "C:\\Tools\\Bin\\"},
        {"\\C:\\Tools\\app.exe\\", nullptr, "C:\\Tools\\"},
        {"app.exe", "D:\\Work", ""},  // a path was given: no fallback
        {"\\\\srv\\tools\\app.exe", nullptr, "\\\\srv\\tools\\"},
        {"\\\\\\srv\\\\tools\\app.exe", nullptr, "\\\\srv\\tools\\"},
        {"/usr/bin/app", nullptr, ""},  // only the backslash separates
    };
    for (const Row& row : rows)
        EXPECT_EQ(ProgramDirectory(row.program_path, row.current_directory), row.expected)
            << (row.program_path ? row.program_path : "(none)");
}

TEST(FindProgramDirectory, NeverRunsPastTheCapacity) {
    std::string folder(254, 'a');  // 254 + backslash fits exactly
    EXPECT_EQ(ProgramDirectory(nullptr, folder.c_str()), folder + "\\");
    std::string too_long(255, 'a');  // no room left for the backslash: refused
    EXPECT_EQ(ProgramDirectory(nullptr, too_long.c_str()), "");
    std::string path = "C:\\" + std::string(300, 'b') + "\\app.exe";
    EXPECT_EQ(ProgramDirectory(path.c_str(), nullptr), "");
}

TEST(SetWorkspaceDefaults, EveryFolderIsTheProgramDirectory) {
    Workspace workspace;
    std::memset(&workspace, 'x', sizeof workspace);
    SetWorkspaceDefaults(workspace, "C:\\Tools\\");
    EXPECT_STREQ(workspace.original_directory, "C:\\Tools\\");
    EXPECT_STREQ(workspace.original_file_name, "Untitled.obj");
    EXPECT_STREQ(workspace.matching_directory, "C:\\Tools\\");
    EXPECT_STREQ(workspace.matching_file_name, "Untitled.obj");
    EXPECT_STREQ(workspace.new_directory, "C:\\Tools\\");
    EXPECT_STREQ(workspace.new_file_name, "New.obj");
}

}  // namespace
