#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reader_test_support.h"
#include "wavefront/line_scan.h"
#include "platform/path_text.h"

namespace {

std::vector<std::string> ReadAll(const std::string& content, int32_t capacity) {
    Model model;
    ObjReader reader(model);
    SetText(reader, content);
    std::vector<std::string> lines;
    std::vector<char> buffer(static_cast<size_t>(capacity), 'x');
    while (reader.ReadLine(buffer.data(), capacity)) lines.push_back(buffer.data());
    EXPECT_STREQ(buffer.data(), "");  // the end leaves an empty string
    return lines;
}

std::vector<std::string> ScanAll(const std::string& content) {
    LineScanner scanner(reinterpret_cast<const unsigned char*>(content.data()), static_cast<uint32_t>(content.size()));
    std::vector<std::string> lines;
    const char* line;
    const char* end;
    while (scanner.Next(line, end)) lines.emplace_back(line, end);
    return lines;
}

using Lines = std::vector<std::string>;

}  // namespace

TEST(ReadLine, TakesLinesAsTheReaderDefinesThem) {
    struct Case { std::string content; Lines lines; } cases[] = {
        {"v 1\nv 2\n", {"v 1\n", "v 2\n"}},              // LF kept at the end
        {"v 1\rv 2\r", {"v 1\r", "v 2\r"}},              // CR likewise
        {"v 1\r\nv 2\r\n", {"v 1\r", "v 2\r", ""}},      // the LF of CR LF opens the next line, dropped
        {"v 1\nv 2", {"v 1\n", "v 2"}},                  // last line without line end
        {"v 1\nx", {"v 1\n", ""}},                       // a single trailing byte is dropped
        {"x", {""}}, {"ab", {"ab"}}, {"", {}},
        {"a\nb\n", {"a", "b"}},                          // one-character lines lose their LF
        {"a\n\nb c\n", {"a", "b c\n"}},                  // an empty line joins the next one
        {"\r\n\r\nv 1\r\n", {"", "", "v 1\r", ""}},
        {"  \tg head\n", {"g head\n"}},                  // leading blanks and tabs hidden
        {" \n", {""}}, {"ab\rcd\nef", {"ab\r", "cd\n", "ef"}}, {"\n\n\n", {"", ""}},
        {"\xEF\xBB\xBFv 1\nv 2\n", {"v 1\n", "v 2\n"}},  // a byte-order mark first is skipped
        {"\xEF\xBB\xBF", {}},
        {"\xEF\xBB\xBF\xEF\xBB\xBFv", {"\xEF\xBB\xBFv"}},  // only one, and only at the start
        {"v 1\n\xEF\xBB\xBFv 2", {"v 1\n", "\xEF\xBB\xBFv 2"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadAll(c.content, 1024), c.lines) << c.content;
        EXPECT_EQ(ScanAll(c.content), c.lines) << c.content;
    }
}

// The passes' scanner must give exactly ReadLine's lines on any mix of ends.
TEST(ReadLine, ScannerAgreesWithReadLineOnRandomText) {
    const char alphabet[] = {'\r', '\n', ' ', '\t', 'v', '1', 'g'};
    uint64_t state = 99;
    for (int round = 0; round < 3000; ++round) {
        std::string content;
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        int length = static_cast<int>((state >> 33) % 40);
        for (int i = 0; i < length; ++i) {
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            content += alphabet[(state >> 33) % sizeof alphabet];
        }
        ASSERT_EQ(ScanAll(content), ReadAll(content, 1024)) << "round " << round;
    }
}

TEST(PathText, SplitsAtEitherSeparatorOrADrive) {
    struct Case { const char* path; const char* file_name; const char* folder; int absolute; const char* extension; };
    const Case cases[] = {
        {"D:\\models\\head.obj", "head.obj", "D:\\models\\", 1, ".obj"}, {"/home/a/head.obj", "head.obj", "/home/a/", 1, ".obj"},
        {"models/sub\\head.obj", "head.obj", "models/sub\\", 0, ".obj"}, {"C:head.obj", "head.obj", "C:", 1, ".obj"},
        {"head.obj", "head.obj", "", 0, ".obj"}, {"\\head.obj", "head.obj", "\\", 1, ".obj"},
        {"dir.d\\", "", "dir.d\\", 0, ""},  // a dot in a folder is no extension
        {"a/b.tar.gz", "b.tar.gz", "a/", 0, ".gz"}, {"a/.mtl", ".mtl", "a/", 0, ".mtl"},
        {"a/b:c.obj", "b:c.obj", "a/", 0, ".obj"},  // a colon past the start is part of the name
        {"", "", "", 0, ""}, {"1:x.obj", "1:x.obj", "", 0, ".obj"},  // only a letter makes a drive
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
    struct Case { const char* path; int fitted; const char* folder; };
    const Case cases[] = {{"abcdefghij\\x.obj", 0, "abcdefg"}, {"abcdef/x.obj", 1, "abcdef/"}, {"abcdefg/x.obj", 0, "abcdefg"}};
    for (const Case& c : cases) {
        char folder[8];
        EXPECT_EQ(FolderPart(c.path, folder, sizeof folder), c.fitted) << c.path;
        EXPECT_STREQ(folder, c.folder) << c.path;
    }
}
