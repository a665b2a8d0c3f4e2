#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "file_test_support.h"
#include "wavefront/output_file.h"

TEST(OutputFileTest, CommitReplacesTargetWithEveryPiece) {
    ScratchFolder folder;
    std::string target = folder.Write("out.txt", "old contents");
    OutputFile file;
    ASSERT_EQ(OpenOutputFile(file, target.c_str()), 1);
    EXPECT_EQ(Slurp(target), "old contents");  // untouched while writing
    std::string big(3 << 20, 'x');             // more than the buffer holds
    ASSERT_EQ(WriteOutputText(&file, "first\r\n"), 1);
    ASSERT_EQ(WriteOutput(&file, big.data(), big.size()), 1);
    char* room = ReserveOutput(&file, 4);
    ASSERT_NE(room, nullptr);
    std::memcpy(room, "end.", 4);
    AdvanceOutput(&file, 4);
    ASSERT_EQ(CommitOutputFile(file), 1);
    EXPECT_TRUE(folder.Contents() == (Files{{"out.txt", "first\r\n" + big + "end."}}));
}

TEST(OutputFileTest, UnfinishedFilesLeaveNothing) {
    ScratchFolder folder;
    folder.Write("kept.txt", "old");
    {
        OutputFile discarded;
        ASSERT_EQ(OpenOutputFile(discarded, folder.Join("kept.txt").c_str()), 1);
        WriteOutputText(&discarded, "new");
        DiscardOutputFile(discarded);
        OutputFile forgotten;  // neither committed nor discarded
        ASSERT_EQ(OpenOutputFile(forgotten, folder.Join("new.txt").c_str()), 1);
        WriteOutputText(&forgotten, "new");
        EXPECT_EQ(folder.Contents().size(), 3u);  // kept.txt, the temporary and its lock
    }
    EXPECT_EQ(folder.Contents(), (Files{{"kept.txt", "old"}}));
}

TEST(OutputFileTest, OpenRefusesPathsItCannotUse) {
    ScratchFolder folder;
    folder.Write("file", "a file");
    OutputFile file;
    EXPECT_EQ(OpenOutputFile(file, nullptr), 0);
    EXPECT_EQ(OpenOutputFile(file, ""), 0);
    // Too long, in a missing folder, in a "folder" that is a file.
    for (const std::string& path : {folder.Join(std::string(300, 'a')), folder.Join("missing/out.txt"),
                                     folder.Join("file/out.txt")}) {
        EXPECT_EQ(OpenOutputFile(file, path.c_str()), 0) << path;
    }
    EXPECT_EQ(WriteOutputText(&file, "x"), 0);
    EXPECT_EQ(WriteOutputText(nullptr, "x"), 0);
    EXPECT_EQ(CommitOutputFile(file), 0);
    EXPECT_EQ(folder.Contents(), (Files{{"file", "a file"}}));
}

// A short write at any byte, a failed rename at any step, or a folder in the
// way of the second target leaves both targets as they were, whether they
// existed before or not; without any of those both are replaced.
TEST(OutputFileTest, PairIsAllOrNothing) {
    const std::string first(1500000, 'a');  // crosses a buffer flush
    const std::string second = "second file";
    const int64_t total = static_cast<int64_t>(first.size() + second.size());
    struct Case {
        int64_t fail_at_byte;
        int32_t fail_at_rename;
        bool folder_at_second;
    } cases[] = {{0, -1, false},       {1, -1, false},     {1048575, -1, false}, {1048576, -1, false},
                 {1048577, -1, false}, {total - 1, -1, false}, {-1, 0, false},   {-1, 1, false},
                 {-1, -1, true},       {-1, -1, false}};
    for (bool existed : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "existed " << existed << " byte " << c.fail_at_byte << " rename "
                                            << c.fail_at_rename << " folder " << c.folder_at_second);
            ScratchFolder folder;
            if (existed) folder.Write("one", "old one");
            if (c.folder_at_second) std::filesystem::create_directory(folder.Join("two"));
            else if (existed) folder.Write("two", "old two");
            const Files before = folder.Contents();
            OutputFault fault;
            fault.fail_at_byte = c.fail_at_byte;
            fault.fail_at_rename = c.fail_at_rename;
            OutputFile one, two;
            ASSERT_EQ(OpenOutputFile(one, folder.Join("one").c_str(), &fault), 1);
            ASSERT_EQ(OpenOutputFile(two, folder.Join("two").c_str(), &fault), 1);
            WriteOutput(&one, first.data(), first.size());
            WriteOutput(&two, second.data(), second.size());
            OutputFile* set[] = {&one, &two};
            const bool sound = c.fail_at_byte < 0 && c.fail_at_rename < 0 && !c.folder_at_second;
            EXPECT_EQ(CommitOutputFiles(set, 2), sound ? 1 : 0);
            EXPECT_TRUE(folder.Contents() == (sound ? Files{{"one", first}, {"two", second}} : before));
            if (sound) {
                EXPECT_EQ(fault.bytes_stored, total);
            }
        }
    }
}
