#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "wavefront/output_file.h"
#include "file_test_support.h"

namespace fs = std::filesystem;

namespace {

class OutputFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("quandre_output_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }
    std::string At(const char* name) const { return (folder / name).string(); }
    fs::path folder;
};

}  // namespace

TEST_F(OutputFileTest, CommitReplacesTargetWithEveryPiece) {
    Put(At("out.txt"), "old contents");
    OutputFile file;
    ASSERT_EQ(OpenOutputFile(file, At("out.txt").c_str()), 1);
    EXPECT_EQ(Slurp(At("out.txt")), "old contents");  // untouched while writing
    std::string big(3 << 20, 'x');                      // more than the buffer holds
    ASSERT_EQ(WriteOutputText(&file, "first\r\n"), 1);
    ASSERT_EQ(WriteOutput(&file, big.data(), big.size()), 1);
    char* room = ReserveOutput(&file, 4);
    ASSERT_NE(room, nullptr);
    std::memcpy(room, "end.", 4);
    AdvanceOutput(&file, 4);
    ASSERT_EQ(CommitOutputFile(file), 1);
    EXPECT_EQ(Slurp(At("out.txt")), "first\r\n" + big + "end.");
    EXPECT_EQ(Names(folder), std::vector<std::string>{"out.txt"});
}

TEST_F(OutputFileTest, UnfinishedFilesLeaveNothing) {
    Put(At("kept.txt"), "old");
    {
        OutputFile discarded;
        ASSERT_EQ(OpenOutputFile(discarded, At("kept.txt").c_str()), 1);
        WriteOutputText(&discarded, "new");
        DiscardOutputFile(discarded);
        OutputFile forgotten;  // neither committed nor discarded
        ASSERT_EQ(OpenOutputFile(forgotten, At("new.txt").c_str()), 1);
        WriteOutputText(&forgotten, "new");
        EXPECT_EQ(Names(folder).size(), 2u);  // kept.txt and the temporary
    }
    EXPECT_EQ(Slurp(At("kept.txt")), "old");
    EXPECT_EQ(Names(folder), std::vector<std::string>{"kept.txt"});
}

TEST_F(OutputFileTest, OpenRefusesPathsItCannotUse) {
    OutputFile file;
    EXPECT_EQ(OpenOutputFile(file, nullptr), 0);
    EXPECT_EQ(OpenOutputFile(file, ""), 0);
    EXPECT_EQ(OpenOutputFile(file, (folder / std::string(300, 'a')).string().c_str()), 0);
    EXPECT_EQ(OpenOutputFile(file, At("missing/out.txt").c_str()), 0);
    EXPECT_EQ(WriteOutputText(&file, "x"), 0);
    EXPECT_EQ(WriteOutputText(nullptr, "x"), 0);
    EXPECT_EQ(CommitOutputFile(file), 0);
    EXPECT_TRUE(Names(folder).empty());
}

// A short write at any byte, or a failed rename at any step, leaves both
// targets as they were, whether they existed before or not.
TEST_F(OutputFileTest, PairIsAllOrNothing) {
    const std::string first(1500000, 'a');  // crosses a buffer flush
    const std::string second = "second file";
    const int64_t total = static_cast<int64_t>(first.size() + second.size());
    struct Case {
        int64_t fail_at_byte;
        int32_t fail_at_rename;
    };
    std::vector<Case> cases = {{0, -1}, {1, -1}, {1048575, -1}, {1048576, -1}, {1048577, -1}, {total - 1, -1},
                               {-1, 0},  {-1, 1}};
    for (bool existed : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "existed " << existed << " byte " << c.fail_at_byte << " rename "
                                            << c.fail_at_rename);
            fs::remove_all(folder);
            fs::create_directories(folder);
            if (existed) {
                Put(At("one"), "old one");
                Put(At("two"), "old two");
            }
            OutputFault fault;
            fault.fail_at_byte = c.fail_at_byte;
            fault.fail_at_rename = c.fail_at_rename;
            OutputFile one, two;
            ASSERT_EQ(OpenOutputFile(one, At("one").c_str(), &fault), 1);
            ASSERT_EQ(OpenOutputFile(two, At("two").c_str(), &fault), 1);
            WriteOutput(&one, first.data(), first.size());
            WriteOutput(&two, second.data(), second.size());
            OutputFile* set[] = {&one, &two};
            EXPECT_EQ(CommitOutputFiles(set, 2), 0);
            if (existed) {
                EXPECT_EQ(Slurp(At("one")), "old one");
                EXPECT_EQ(Slurp(At("two")), "old two");
                EXPECT_EQ(Names(folder), (std::vector<std::string>{"one", "two"}));
            } else {
                EXPECT_TRUE(Names(folder).empty());
            }
        }
    }
    // The same set without a fault.
    OutputFault none;
    OutputFile one, two;
    ASSERT_EQ(OpenOutputFile(one, At("one").c_str(), &none), 1);
    ASSERT_EQ(OpenOutputFile(two, At("two").c_str(), &none), 1);
    WriteOutput(&one, first.data(), first.size());
    WriteOutput(&two, second.data(), second.size());
    OutputFile* set[] = {&one, &two};
    EXPECT_EQ(CommitOutputFiles(set, 2), 1);
    EXPECT_EQ(none.bytes_stored, total);
    EXPECT_EQ(Slurp(At("one")), first);
    EXPECT_EQ(Slurp(At("two")), second);
    EXPECT_EQ(Names(folder), (std::vector<std::string>{"one", "two"}));
}

TEST_F(OutputFileTest, DirectoryAtATargetFailsTheSetBeforeAnyTargetChanges) {
    Put(At("one"), "old one");
    fs::create_directory(At("two"));
    OutputFile one, two;
    ASSERT_EQ(OpenOutputFile(one, At("one").c_str()), 1);
    ASSERT_EQ(OpenOutputFile(two, At("two").c_str()), 1);
    WriteOutputText(&one, "new one");
    WriteOutputText(&two, "new two");
    OutputFile* set[] = {&one, &two};
    EXPECT_EQ(CommitOutputFiles(set, 2), 0);
    EXPECT_EQ(Slurp(At("one")), "old one");
    EXPECT_TRUE(fs::is_directory(At("two")));
    EXPECT_EQ(Names(folder), (std::vector<std::string>{"one", "two"}));
}
