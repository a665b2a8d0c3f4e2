// Real write failures at every byte of every file the tool writes, through
// the operations the user runs: the process's file size limit (RLIMIT_FSIZE)
// makes the write that would pass byte k of any file fail, as a full disk
// does, for root too. Convert must answer -4 with its message and Report -1;
// every earlier target keeps its bytes (or stays absent) and no temporary is
// left. From the limit at which every file fits, the run succeeds and writes
// exactly what an unlimited run writes.
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>

#include "app/dialog_commands.h"
#include "app/workspace.h"
#include "platform/text.h"
#include "morph/convert.h"
#include "morph/report.h"
#include "tests/app/recording_host.h"
#include "tests/wavefront/file_test_support.h"
#include "platform/files/output_file.h"

namespace {

namespace fs = std::filesystem;

// Runs `run` with no file allowed to grow past `limit` bytes. SIGXFSZ keeps
// its default action, which ends the process: the writers themselves must
// turn it into an ordinary failed write (EFBIG).
template <typename Run>
auto WithFileSizeLimit(rlim_t limit, Run run) {
    rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    void (*previous)(int) = std::signal(SIGXFSZ, SIG_DFL);
    rlimit limited = saved;
    limited.rlim_cur = limit;
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    auto result = run();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    return result;
}

struct Pair {
    const char* name;
    std::string original, matching, original_mtl, matching_mtl;
};

// The first writes an OBJ file larger than its library; the second a library
// larger than its OBJ file, so each file is the only one to fail at some limits.
std::vector<Pair> Pairs() {
    Pair small_library{"obj larger",
                       "mtllib o.mtl\nv 1 0 0\nv 0 1 0\nv 0 0 1\nv 1 1 1\nvt 0 0\nvn 0 0 1\n"
                       "g body\nusemtl skin\nf 1/1/1 2/1/1 3/1/1\ng head\nf 2 3 4\n",
                       "mtllib m.mtl\nv 0 0 1\nv 1 1 1\nv 1 0 0\nv 0 1 0\nvt 0.5 0.5\nvn 0 1 0\n"
                       "g head\nusemtl skin\nf 3/1/1 4/1/1 1/1/1\ng body\nf 4 1 2\n",
                       "newmtl skin\n", "newmtl skin\nKd 1 0 0\n"};
    std::string many;
    for (int i = 0; i < 6; ++i) many += "newmtl material" + std::to_string(i) + "\nKd 0.25 0.5 0.75\nmap_Kd tex.bmp\n";
    Pair large_library{"library larger", "v 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 2 3\n",
                       "mtllib m.mtl\nv 0 0 1\nv 1 0 0\nv 0 1 0\nusemtl material3\nf 2 3 1\n", "", many};
    return {small_library, large_library};
}

struct WriteFaults : ::testing::Test {
    RecordingHost host;
    Workspace workspace;

    void SetUp() override {
        SetWorkspaceDefaults(workspace, "dir/");
        g_workspace = &workspace;
    }
    void TearDown() override {
        g_workspace = nullptr;
        g_program_directory[0] = '\0';
    }
};

TEST_F(WriteFaults, ConvertFailingAtEveryByteOfTheObjAndTheLibraryKeepsTheEarlierFiles) {
    for (const Pair& pair : Pairs()) {
        SCOPED_TRACE(pair.name);
        ScratchFolder folder;
        host.fields[0] = folder.Write("original.obj", pair.original);
        host.fields[1] = folder.Write("matching.obj", pair.matching);
        host.fields[2] = folder.Join("new.obj");
        folder.Write("o.mtl", pair.original_mtl);
        folder.Write("m.mtl", pair.matching_mtl);

        // What an unlimited run writes.
        char message[kMessageCapacity] = "generic";
        ASSERT_EQ(Convert(&host, &host, message), 1);
        const std::string obj = Slurp(folder.Join("new.obj"));
        const std::string mtl = Slurp(folder.Join("new.mtl"));
        ASSERT_FALSE(mtl.empty());
        const size_t largest = std::max(obj.size(), mtl.size());
        const std::string expected_message =
            "There was an error saving the new morph file:\r\n\r\nfilepath: \"" + host.fields[2] + "\"\r\n";

        for (bool earlier : {true, false}) {
            for (size_t limit = 0; limit <= largest; ++limit) {
                SCOPED_TRACE(testing::Message() << "earlier " << earlier << " limit " << limit);
                fs::remove(folder.Join("new.obj"));
                fs::remove(folder.Join("new.mtl"));
                if (earlier) {
                    folder.Write("new.obj", "earlier obj");
                    folder.Write("new.mtl", "earlier mtl");
                }
                auto before = folder.Contents();
                CopyText(message, "generic");
                int32_t code = WithFileSizeLimit(limit, [&] { return Convert(&host, &host, message); });
                if (limit < largest) {
                    ASSERT_EQ(code, -4);
                    EXPECT_EQ(std::string(message), expected_message);
                    ASSERT_EQ(folder.Contents(), before);  // no target changed, no temporary left
                } else {
                    ASSERT_EQ(code, 1);
                    EXPECT_EQ(Slurp(folder.Join("new.obj")), obj);
                    EXPECT_EQ(Slurp(folder.Join("new.mtl")), mtl);
                    EXPECT_EQ(folder.Contents().size(), 6u);
                }
            }
        }
    }
}

TEST_F(WriteFaults, ReportFailingAtEveryByteKeepsTheEarlierReport) {
    ScratchFolder folder;
    host.fields[0] = folder.Write("original.obj", Pairs()[0].original);
    host.fields[1] = folder.Write("matching.obj", Pairs()[0].matching);
    folder.Write("o.mtl", Pairs()[0].original_mtl);
    CopyText(g_program_directory, folder.path().c_str());
    const std::string report_path = folder.Join("report.txt");

    ASSERT_EQ(Report(&host, &host), 1);
    const std::string report = Slurp(report_path);
    ASSERT_GT(report.size(), 500u);
    EXPECT_EQ(host.events.back(), "shell " + report_path);

    for (bool earlier : {true, false}) {
        for (size_t limit = 0; limit <= report.size(); ++limit) {
            SCOPED_TRACE(testing::Message() << "earlier " << earlier << " limit " << limit);
            fs::remove(report_path);
            if (earlier) folder.Write("report.txt", "earlier report");
            auto before = folder.Contents();
            host.events.clear();
            int32_t code = WithFileSizeLimit(limit, [&] { return Report(&host, &host); });
            if (limit < report.size()) {
                ASSERT_EQ(code, -1);
                ASSERT_EQ(folder.Contents(), before);
                EXPECT_NE(host.events.back().rfind("shell ", 0), 0u);  // nothing handed to the shell
                OutputFault fault;  // and the system's reason is kept
                WithFileSizeLimit(limit, [&] {
                    return WriteReportFile(report_path.c_str(), report.data(), report.size(), &fault);
                });
                EXPECT_EQ(fault.error, EFBIG);
            } else {
                ASSERT_EQ(code, 1);
                EXPECT_EQ(Slurp(report_path), report);
            }
        }
    }
}

}  // namespace
#endif
