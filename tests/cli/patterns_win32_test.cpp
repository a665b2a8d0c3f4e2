// The Windows command prompt hands `*.obj` over as typed: the program
// expands such patterns itself, folders left out, in name order.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/patterns.h"

TEST(PatternsTest, ExpandsFilesInNameOrder) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / "quandre_patterns";
    fs::remove_all(folder);
    fs::create_directories(folder / "d.obj");  // a folder that matches: left out
    for (const char* name : {"b.obj", "a.obj", "c.txt"}) std::fclose(std::fopen((folder / name).string().c_str(), "w"));
    const std::string base = folder.string() + "\\", objs = base + "*.obj", one = base + "?.txt", none = base + "*.mtl";
    const struct { std::vector<const char*> given; int status; std::vector<std::string> expanded; } cases[] = {
        {{"base.obj", objs.c_str()}, 0, {"base.obj", base + "a.obj", base + "b.obj"}},
        {{one.c_str(), "plain"}, 0, {base + "c.txt", "plain"}},
        {{"base.obj", none.c_str()}, kUsageError, {"base.obj"}},
    };
    for (const auto& c : cases) {
        Arguments arguments;
        for (const char* name : c.given) arguments.positional[arguments.positional_count++] = name;
        ExpandedNames store;
        EXPECT_EQ(ExpandPatterns(arguments, store), c.status);
        EXPECT_EQ(std::vector<std::string>(arguments.positional, arguments.positional + arguments.positional_count),
                  c.expanded);
    }
    fs::remove_all(folder);
}
