#include <gtest/gtest.h>

#include "app/dialog_commands.h"
#include "app/workspace.h"
#include "model/text.h"
#include "morph/report.h"
#include "tests/app/recording_host.h"
#include "tests/wavefront/file_test_support.h"
#include "wavefront/output_file.h"

namespace {

// One cube corner short of a cube: 5 vertices, one unused, one repeating an
// earlier position; two groups, two materials in its library.
const char kOriginal[] =
    "mtllib report_original.mtl\n"
    "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 0 0\nv 9 9 9\n"
    "vt 0 0\nvt 1 0\nvt 1 1\n"
    "vn 0 0 1\n"
    "g front\nusemtl red\nf 1/1/1 2/2/1 3/3/1\n"
    "g back\nusemtl blue\nf 3/3/1 2/2/1 4/1/1\nf 1 2 4\n";
const char kOriginalMtl[] = "newmtl red\nKd 1 0 0\nnewmtl blue\nKd 0 0 1\n";
// No groups, a library that doesn't exist.
const char kMatching[] = "mtllib missing.mtl\nv 0 0 0\nv 0 1 0\nv -0 1 0\nf 1 2 3\n";

std::string Golden(const std::string& directory) {
    std::string text = Slurp(QUANDRE_TEST_DATA "/morph/report_golden.txt");
    for (size_t at; (at = text.find("@DIR@")) != std::string::npos;) text.replace(at, 5, directory);
    return text;
}

// The progress of a report: each step's text and bar position.
std::vector<std::string> Sequence() {
    const char* steps[] = {"Loading original file", "Loading matching file", "Getting isolated vertices",
                           "Getting isolated vertices", "Getting duplicate vertices", "Getting duplicate vertices"};
    const int positions[] = {0, 20, 40, 60, 80, 90};
    std::vector<std::string> events;
    for (int i = 0; i < 6; ++i) {
        events.push_back(std::string("text 3004 ") + steps[i] + "...(please wait)");
        events.push_back("pos " + std::to_string(positions[i]));
    }
    events.push_back("pos 100");
    return events;
}

struct ReportRun : ::testing::Test {
    ScratchFolder folder;
    RecordingHost host;
    void SetUp() override { CopyText(g_program_directory, folder.path().c_str()); }
    void TearDown() override { g_program_directory[0] = '\0'; }
    std::string ReportPath() const { return folder.Join("report.txt"); }
};

// The golden report, handed to the shell; then a report of two empty fields
// replaces it whole.
TEST_F(ReportRun, WritesTheGoldenReportThenReplacesIt) {
    host.fields[0] = folder.Write("report_original.obj", kOriginal);
    folder.Write("report_original.mtl", kOriginalMtl);
    host.fields[1] = folder.Write("report_matching.obj", kMatching);
    ASSERT_EQ(Report(&host, &host), 1);
    std::vector<std::string> expected = Sequence();
    expected.push_back("shell " + ReportPath());
    EXPECT_EQ(host.events, expected);
    EXPECT_EQ(Slurp(ReportPath()), Golden(folder.path()));

    host.fields[0] = host.fields[1] = "";
    ASSERT_EQ(Report(&host, &host), 1);
    std::string empty = "\r\nQuandrelistaphor Report\r\n=======================\r\n\r\n";
    const char* titles[] = {"Original File", "Matching File"};
    for (int k = 0; k < 2; ++k) {
        if (k) empty += "\r\n\r\n";
        empty += std::string(titles[k]) +
                 "\r\n-------------\r\n     object filepath: \"\"\r\n              loaded: Failed to load or file "
                 "does not exist\r\n\r\n   material filepath: \"\"\r\n              loaded: Failed to load or file "
                 "does not exist\r\n\r\n     total vertices: 0\r\n  isolated vertices: 0\r\n duplicate vertices: "
                 "0\r\n              faces: 0\r\n             groups: 0\r\n          materials: 0\r\n            "
                 "normals: 0\r\ntexture coordinates: 0\r\n";
    }
    EXPECT_EQ(Slurp(ReportPath()), empty);
}

TEST_F(ReportRun, NullHandlesGiveZero) {
    EXPECT_EQ(Report(nullptr, &host), 0);
    EXPECT_EQ(Report(&host, nullptr), 0);
    EXPECT_TRUE(host.events.empty());
    EXPECT_TRUE(folder.Contents().empty());
}

// A report that can't be written is a failure, never a silent success: a
// missing folder, a program directory with no room left for the file name,
// a rename that fails (the earlier report stays, no temporary is left).
TEST_F(ReportRun, ReportThatCannotBeWrittenGivesMinusOne) {
    for (std::string directory : {folder.Join("no_such_folder") + "/", std::string(250, 'd') + "/"}) {
        CopyText(g_program_directory, directory.c_str());
        host.events.clear();
        EXPECT_EQ(Report(&host, &host), -1);
        EXPECT_EQ(host.events, Sequence());  // counted, then no shell
    }
    folder.Write("report.txt", "earlier report");
    OutputFault fault;
    fault.fail_at_rename = 0;
    EXPECT_EQ(WriteReportFile(ReportPath().c_str(), "text\n", 5, &fault), 0);
    EXPECT_EQ(folder.Contents(), (Files{{"report.txt", "earlier report"}}));
}

// Asked to stop between two steps, Report ends there: -8, the earlier
// report untouched, nothing handed to the shell.
TEST_F(ReportRun, StopsBetweenSteps) {
    folder.Write("report.txt", "earlier report");
    const std::vector<std::string> sequence = Sequence();
    const size_t events_before_stop[] = {2, 4, 8, 12};
    for (int32_t answered_no = 0; answered_no < 4; ++answered_no) {
        host.events.clear();
        host.stop_questions = 0;
        host.stop_after = answered_no;
        EXPECT_EQ(Report(&host, &host), -8);
        EXPECT_EQ(host.events, std::vector<std::string>(sequence.begin(),
                                                         sequence.begin() + long(events_before_stop[answered_no])));
        EXPECT_EQ(folder.Contents(), (Files{{"report.txt", "earlier report"}}));
    }
}

TEST(MakeReport, FormatsWithoutWritingWhenNoPathIsGiven) {
    RecordingHost host;
    static ReportText report;
    DialogOperationHost operation_host(host, host);
    EXPECT_EQ(MakeReport("", "", nullptr, &operation_host, &report), 1);
    EXPECT_EQ(std::string(report.text, size_t(report.length)).find("\nQuandrelistaphor Report\n====="), 0u);
    EXPECT_EQ(report.text[report.length - 1], '\n');
    EXPECT_EQ(host.events, Sequence());
}

}  // namespace
