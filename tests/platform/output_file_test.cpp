#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "tests/wavefront/file_test_support.h"
#include "platform/files/output_file.h"

TEST(OutputFileTest, OpenRefusesPathsItCannotUse) {
    ScratchFolder folder;
    folder.Write("file", "a file");
    OutputFile file;
    // Null, empty, too long, in a missing folder, in a "folder" that is a
    // file, a device: each fails with the system's reason kept.
    const struct {
        std::string path;
        int32_t error;
    } cases[] = {{"", kErrorInvalid}, {"", kErrorInvalid}, {folder.Join(std::string(300, 'a')), kErrorNameTooLong},
#if !defined(_WIN32)
                 {folder.Join("missing/out.txt"), ENOENT}, {folder.Join("file/out.txt"), ENOTDIR},
                 {"/dev/null", kErrorInvalid}  // nothing is made beside a device
#endif
    };
    for (const auto& c : cases) {
        OutputFault fault;
        EXPECT_EQ(OpenOutputFile(file, &c == cases ? nullptr : c.path.c_str(), &fault), 0) << c.path;
        EXPECT_EQ(fault.error, c.error) << c.path;
        EXPECT_EQ(file.error, c.error) << c.path;
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
        int32_t fail_at_sync = -1;  // 0, 1: the files; 2: the commit record
    } cases[] = {{0, -1, false},           {1, -1, false},  {1048575, -1, false}, {1048576, -1, false},
                 {1048577, -1, false},     {total - 1, -1, false}, {total, -1, false}, {-1, 0, false}, {-1, 1, false},
                 {-1, -1, true},           {-1, -1, false, 0},     {-1, -1, false, 1}, {-1, -1, false, 2},
                 {-1, -1, false}};
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
            fault.fail_at_sync = c.fail_at_sync;
            OutputFile one, two;
            ASSERT_EQ(OpenOutputFile(one, folder.Join("one").c_str(), &fault), 1);
            // A folder in the way fails already when opening.
            ASSERT_EQ(OpenOutputFile(two, folder.Join("two").c_str(), &fault), c.folder_at_second ? 0 : 1);
            WriteOutput(&one, first.data(), first.size());
            WriteOutput(&two, second.data(), second.size());
            OutputFile* set[] = {&one, &two};
            const bool sound =
                (c.fail_at_byte < 0 || c.fail_at_byte >= total) && c.fail_at_rename < 0 && !c.folder_at_second &&
                c.fail_at_sync < 0;  // byte `total` lies past the last one: nothing fails there
            EXPECT_EQ(CommitOutputFiles(set, 2), sound ? 1 : 0);
            EXPECT_TRUE(folder.Contents() == (sound ? Files{{"one", first}, {"two", second}} : before));
            const int32_t reason = c.fail_at_byte >= 0 ? kErrorNoSpace
                                   : c.folder_at_second ? kErrorIsFolder
                                                        : kErrorInputOutput;
            EXPECT_EQ(fault.error, sound ? 0 : reason);
            if (sound) {
                EXPECT_EQ(fault.bytes_stored, total);
                // On the disk: both files and the record before the renames,
                // the folder after the record and once after the renames.
                EXPECT_EQ(fault.syncs_done, 5);
            }
        }
    }
}

// A file longer than the page cache it may hold while written has its
// older bytes dropped from the cache on the way, and flushed to the disk
// behind the writing; every byte still arrives. A flush behind that fails
// fails the commit, which then creates nothing.
TEST(OutputFileTest, LongFileArrivesWhole) {
    std::string text(size_t(2 * kCachedOutputBytes) + 3 * kOutputBufferBytes + 7, 'x');
    for (size_t i = 0; i < text.size(); i += 4093) text[i] = static_cast<char>('a' + i % 23);
    const struct { int64_t flush_behind_bytes; int32_t fails; } cases[] = {
        {kFlushBehindBytes, 0}, {int64_t(3) << 20, 0}, {int64_t(3) << 20, 1}};
    for (const auto& c : cases) {
        ScratchFolder folder;
        OutputFault fault;
        fault.fail_flush_behind = c.fails;
        OutputFile file;
        ASSERT_EQ(OpenOutputFile(file, folder.Join("long").c_str(), &fault), 1);
        file.flush_behind_bytes = c.flush_behind_bytes;
        for (size_t at = 0, piece = 999983; at < text.size(); at += piece) {
            if (!WriteOutput(&file, text.data() + at, std::min(piece, text.size() - at))) break;
        }
        EXPECT_EQ(CommitOutputFile(file), 1 - c.fails) << c.flush_behind_bytes;
        EXPECT_TRUE(folder.Contents() == (c.fails ? Files{} : Files{{"long", text}})) << c.flush_behind_bytes;
        EXPECT_EQ(fault.error, c.fails ? kErrorInputOutput : 0);
    }
}

#if !defined(_WIN32)
// A replaced file keeps its mode (without set-id and sticky bits) and
// owner; a target that is a symbolic
// link (relative, absolute, chained, dangling) stays a link, and the file
// it leads to gets the new contents.
TEST(OutputFileTest, ReplacedFilesKeepModeOwnerAndLinks) {
    for (mode_t mode : {0600, 0640, 0755, 0444, 04755, 02750, 01777, 06755}) {
        ScratchFolder folder;
        std::string target = folder.Write("out", "old");
        // Only root can give the earlier file another owner to keep.
        const uid_t owner = geteuid() == 0 ? 1234 : geteuid();
        ASSERT_EQ(chown(target.c_str(), owner, owner), 0);
        ASSERT_EQ(chmod(target.c_str(), mode), 0);
        OutputFile file;
        ASSERT_EQ(OpenOutputFile(file, target.c_str()), 1);
        ASSERT_EQ(CommitOutputFile(file), 1);
        struct stat info;
        ASSERT_EQ(stat(target.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, mode & 0777);
        EXPECT_EQ(info.st_uid, owner);
        EXPECT_EQ(info.st_gid, owner);
    }
    const struct {
        std::vector<std::pair<std::string, std::string>> links;  // name, leads to
        std::string file;                                         // where the contents land
    } cases[] = {{{{"out", "real"}}, "real"},
                 {{{"out", "sub/real"}}, "sub/real"}, {{{"out", "@/real"}}, "real"},
                 {{{"out", "hop"}, {"sub/hop", "../real"}, {"hop", "sub/hop"}}, "real"},
                 {{{"out", "absent"}}, "absent"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        ScratchFolder folder;
        folder.Write("real", "old");
        folder.Write("sub/real", "old");
        for (auto [name, to] : c.links) {
            if (to[0] == '@') to = folder.path() + to.substr(2);
            std::filesystem::create_symlink(to, folder.Join(name));
        }
        Files before = folder.Contents();
        OutputFile file;
        ASSERT_EQ(OpenOutputFile(file, folder.Join("out").c_str()), 1);
        WriteOutputText(&file, "new");
        ASSERT_EQ(CommitOutputFile(file), 1);
        EXPECT_EQ(Slurp(folder.Join(c.file)), "new");
        Files after = folder.Contents();
        after[c.file.substr(0, c.file.find('/'))] = before[c.file.substr(0, c.file.find('/'))];
        EXPECT_EQ(after, before);  // every link as it was, nothing else written
    }
}
#endif
