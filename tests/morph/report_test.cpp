#include <gtest/gtest.h>

#include <cstring>

#include "app/workspace.h"
#include "model/text.h"
#include "morph/report.h"
#include "test_models.h"
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
    std::string text = ReadBytes(QUANDRE_TEST_DATA "/morph/report_golden.txt");
    for (size_t at; (at = text.find("@DIR@")) != std::string::npos;) text.replace(at, 5, directory);
    return text;
}

std::vector<std::string> Sequence() {
    return {"text 3004 Loading original file...(please wait)",
            "pos 0",
            "text 3004 Loading matching file...(please wait)",
            "pos 20",
            "text 3004 Getting isolated vertices...(please wait)",
            "pos 40",
            "text 3004 Getting isolated vertices...(please wait)",
            "pos 60",
            "text 3004 Getting duplicate vertices...(please wait)",
            "pos 80",
            "text 3004 Getting duplicate vertices...(please wait)",
            "pos 90",
            "pos 100"};
}

struct ReportRun : ::testing::Test {
    TempFolder folder;
    RecordingHost host;
    void SetUp() override { CopyText(g_program_directory, folder.Directory().c_str()); }
    void TearDown() override { g_program_directory[0] = '\0'; }
    std::string ReportPath() const { return folder.Join("report.txt"); }
};

TEST_F(ReportRun, WritesTheGoldenReportAndHandsItToTheShell) {
    host.fields[0] = folder.Write("report_original.obj", kOriginal);
    folder.Write("report_original.mtl", kOriginalMtl);
    host.fields[1] = folder.Write("report_matching.obj", kMatching);
    ASSERT_EQ(Report(&host, &host), 1);
    std::vector<std::string> expected = Sequence();
    expected.push_back("shell " + ReportPath());
    EXPECT_EQ(host.events, expected);
    EXPECT_EQ(ReadBytes(ReportPath()), Golden(folder.Directory()));
}

TEST_F(ReportRun, EmptyFieldsReportTwoFilesThatFailedToLoad) {
    ASSERT_EQ(Report(&host, &host), 1);
    std::string expected =
        "\r\nQuandrelistaphor Report\r\n=======================\r\n\r\n";
    const char* titles[] = {"Original File", "Matching File"};
    for (int k = 0; k < 2; ++k) {
        if (k) expected += "\r\n\r\n";
        expected += std::string(titles[k]) +
                    "\r\n-------------\r\n     object filepath: \"\"\r\n              loaded: Failed to load or file "
                    "does not exist\r\n\r\n   material filepath: \"\"\r\n              loaded: Failed to load or file "
                    "does not exist\r\n\r\n     total vertices: 0\r\n  isolated vertices: 0\r\n duplicate vertices: "
                    "0\r\n              faces: 0\r\n             groups: 0\r\n          materials: 0\r\n            "
                    "normals: 0\r\ntexture coordinates: 0\r\n";
    }
    EXPECT_EQ(ReadBytes(ReportPath()), expected);
}

TEST_F(ReportRun, SecondReportReplacesTheFirst) {
    host.fields[0] = folder.Write("report_original.obj", kOriginal);
    folder.Write("report_original.mtl", kOriginalMtl);
    host.fields[1] = folder.Write("report_matching.obj", kMatching);
    ASSERT_EQ(Report(&host, &host), 1);
    std::string first = ReadBytes(ReportPath());
    host.fields[0] = host.fields[1] = "";
    ASSERT_EQ(Report(&host, &host), 1);
    std::string second = ReadBytes(ReportPath());
    EXPECT_NE(second, first);
    EXPECT_EQ(second.find(folder.Directory()), std::string::npos);
    EXPECT_EQ(second.find("Quandrelistaphor Report"), 2u);  // nothing appended after the old text
    EXPECT_LT(second.size(), first.size());
}

TEST_F(ReportRun, NullHandlesGiveZero) {
    EXPECT_EQ(Report(nullptr, &host), 0);
    EXPECT_EQ(Report(&host, nullptr), 0);
    EXPECT_TRUE(host.events.empty());
    EXPECT_FALSE(std::filesystem::exists(ReportPath()));
}

// A report that can't be written is a failure, never a silent success.
TEST_F(ReportRun, ReportThatCannotBeWrittenGivesMinusOne) {
    CopyText(g_program_directory, (folder.Join("no_such_folder") + "/").c_str());
    EXPECT_EQ(Report(&host, &host), -1);
    EXPECT_EQ(host.events, Sequence());  // counted, then no shell

    // A program directory with no room left for the file name.
    host.events.clear();
    std::string long_directory(250, 'd');
    CopyText(g_program_directory, (long_directory + "/").c_str());
    EXPECT_EQ(Report(&host, &host), -1);
    EXPECT_EQ(host.events, Sequence());
}

TEST_F(ReportRun, FailedWriteKeepsTheEarlierReport) {
    ASSERT_EQ(Report(&host, &host), 1);
    std::string before = ReadBytes(ReportPath());
    const char text[] = "line one\nline two\n";
    for (int64_t at : {0, 5, 10, 19}) {
        OutputFault fault;
        fault.fail_at_byte = at;
        EXPECT_EQ(WriteReportFile(ReportPath().c_str(), text, std::strlen(text), &fault), 0) << at;
        EXPECT_EQ(ReadBytes(ReportPath()), before) << at;
    }
    OutputFault rename_fault;
    rename_fault.fail_at_rename = 0;
    EXPECT_EQ(WriteReportFile(ReportPath().c_str(), text, std::strlen(text), &rename_fault), 0);
    EXPECT_EQ(ReadBytes(ReportPath()), before);
    size_t files = 0;
    for (auto& entry : std::filesystem::directory_iterator(folder.root)) files += entry.is_regular_file();
    EXPECT_EQ(files, 1u);  // no temporary left behind

    EXPECT_EQ(WriteReportFile(ReportPath().c_str(), text, std::strlen(text)), 1);
    EXPECT_EQ(ReadBytes(ReportPath()), "line one\r\nline two\r\n");
}

TEST(MakeReport, FormatsWithoutWritingWhenNoPathIsGiven) {
    RecordingHost host;
    static ReportText report;
    EXPECT_EQ(MakeReport(&host, &host, nullptr, &report), 1);
    EXPECT_EQ(std::string(report.text, size_t(report.length)).find("\nQuandrelistaphor Report\n====="), 0u);
    EXPECT_EQ(report.text[report.length - 1], '\n');
    EXPECT_EQ(host.events, Sequence());
}

}  // namespace
