#include <gtest/gtest.h>

#include <filesystem>

#include "app/dialog_commands.h"
#include "app/workspace.h"
#include "platform/text.h"
#include "morph/diagnosis_text.h"
#include "morph/report.h"
#include "platform/reasons.h"
#include "tests/app/recording_host.h"
#include "tests/wavefront/file_test_support.h"

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
    const int positions[] = {0, 40, 80, 85, 90, 95};
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

// The golden report, handed to the shell.
TEST_F(ReportRun, WritesTheGoldenReportAndHandsItToTheShell) {
    host.fields[0] = folder.Write("report_original.obj", kOriginal);
    folder.Write("report_original.mtl", kOriginalMtl);
    host.fields[1] = folder.Write("report_matching.obj", kMatching);
    ASSERT_EQ(Report(&host, &host), 1);
    std::vector<std::string> expected = Sequence();
    expected.push_back("shell " + ReportPath());
    EXPECT_EQ(host.events, expected);
    EXPECT_EQ(Slurp(ReportPath()), Golden(folder.path()));
}

// Files of several read windows: the bar rises while they load, further
// than the steps alone would take it, and never moves back.
TEST_F(ReportRun, TheBarMovesDuringTheLoads) {
    std::string text;
    for (int i = 0; i < 400000; ++i) text += "v " + std::to_string(i) + ".5 0.25 1.125\n";
    for (int i = 1; i + 2 <= 400000; i += 3) text += "f " + std::to_string(i) + " " + std::to_string(i + 1) + " " + std::to_string(i + 2) + "\n";
    const std::string large = folder.Write("large_matching.obj", text);
    // Also while only the matching file is there to read.
    for (const std::string& original : {folder.Write("large_original.obj", text), folder.Join("missing.obj")}) {
        SCOPED_TRACE(original);
        host.events.clear();
        host.fields[0] = original;
        host.fields[1] = large;
        ASSERT_EQ(Report(&host, &host), 1);
        std::vector<int> loading;
        std::string seen;
        for (const std::string& event : host.events) {
            if (event.find("Getting isolated") != std::string::npos) break;
            if (event.rfind("pos ", 0) == 0) loading.push_back(std::stoi(event.substr(4)));
            seen += event + "; ";
        }
        EXPECT_GT(loading.size(), 3u) << seen;
        for (size_t i = 1; i < loading.size(); ++i) EXPECT_LT(loading[i - 1], loading[i]);
        EXPECT_LE(loading.back(), 80);
    }
}

// Places the program's folder can't take are passed over for the next; the
// box says why each failed and where the report went. With none that takes
// it the run fails with every reason named.
TEST_F(ReportRun, GoesToTheFirstPlaceThatTakesIt) {
    host.fields[0] = folder.Write("report_original.obj", kOriginal);
    folder.Write("report_original.mtl", kOriginalMtl);
    host.fields[1] = folder.Write("report_matching.obj", kMatching);
    const std::string missing = folder.Join("missing/"), user = folder.Join("user/");
    std::filesystem::create_directory(user);
    ReportPlaces places;
    places.folders[0] = g_program_directory;
    places.reasons[0] = kErrorNameTooLong;  // known before the run
    places.folders[1] = missing.c_str();
    places.folders[2] = user.c_str();
    places.count = 3;
    ASSERT_EQ(Report(&host, &host, &places), 1);
    EXPECT_EQ(places.written, 2);
    EXPECT_EQ(std::string(places.path), user + "report.txt");
    EXPECT_EQ(host.events.back(), "shell " + user + "report.txt");
    EXPECT_EQ(Slurp(user + "report.txt"), Golden(folder.path()));
    EXPECT_FALSE(std::filesystem::exists(ReportPath()));
    char text[2048], reason[256];
    WriteReportPlaces(places, 1, text, sizeof text);
    std::string expected = "report.txt could not be written beside the program.\r\n";
    for (int k : {0, 1}) {
        WriteReasonLine(places.reasons[k], reason, sizeof reason);
        ASSERT_NE(places.reasons[k], 0);
        expected += "\r\n" + std::string(places.folders[k]) + "report.txt\r\n" + reason + "\r\n";
    }
    EXPECT_EQ(std::string(text), expected + "\r\nIt was written to, and opened from:\r\n" + user + "report.txt");

    places.count = 2;
    places.reasons[1] = 0;
    ASSERT_EQ(Report(&host, &host, &places), -1);
    WriteReportPlaces(places, -1, text, sizeof text);
    EXPECT_EQ(std::string(text).rfind("There was an error creating the report file.\r\n\r\n", 0), 0u) << text;
    EXPECT_NE(std::string(text).find(missing + "report.txt\r\nreason: "), std::string::npos) << text;
}

}  // namespace
