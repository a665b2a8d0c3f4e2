// A report that reads both files at once must tell its host the same steps,
// in the same order, and count the same files as one that reads them in turn.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "morph/report.h"
#include "tests/morph/test_models.h"

namespace {

struct RecordingHost : OperationHost {
    std::string calls;
    void ShowStatus(const char* text) override { calls += std::string(text) + "\n"; }
    void SetProgress(int32_t done, int32_t total) override { calls += std::to_string(done) + "/" + std::to_string(total) + " "; }
    void StepProgress() override { calls += "step "; }
    int32_t AskToContinue(const char*, const char*) override { return 1; }
};

std::string Counts(const ReportText& report, const char* section) {
    std::string text(report.text, size_t(report.length));
    size_t at = text.find(section);
    return at == std::string::npos ? "" : text.substr(text.find("total vertices", at), 120);
}

}  // namespace

// A relative matching path is read from the original's library folder, as
// after the original's load in turn; a matching file that fails still
// leaves the original's counts.
TEST(ReportLoading, BothFilesReadAsOneAfterTheOther) {
    ScratchFolder folder;
    folder.Write("swap.obj", "v 1 0 0\nv 0 0 0\nv 0 1 0\nf 2 1 3\nf 1 2 3\n");
    folder.Write("sub/lib.obj", "mtllib lib.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 1 0\nf 1 2 3\n");
    folder.Write("sub/lib.mtl", "newmtl red\n");
    folder.Write("sub/swap.obj", "v 0 1 0\nv 1 0 0\nv 0 0 0\nf 3 2 1\n");
    const struct { const char *matching, *faces; } cases[] = {{"swap.obj", "faces: 1\n"}, {"none.obj", "faces: 0\n"}};
    const std::string steps = "Loading original file...(please wait)\n0/100 Loading matching file...(please wait)\n"
                              "40/100 Getting isolated vertices...(please wait)\n80/100 Getting isolated vertices...(please "
                              "wait)\n85/100 Getting duplicate vertices...(please wait)\n90/100 Getting duplicate "
                              "vertices...(please wait)\n95/100 100/100 ";
    const std::filesystem::path start = std::filesystem::current_path();
    for (const auto& c : cases) {
        std::filesystem::current_path(folder.Join(""));
        RecordingHost host;
        ReportText report;
        EXPECT_EQ(MakeReport("sub/lib.obj", c.matching, nullptr, &host, &report), 1);
        std::filesystem::current_path(start);
        EXPECT_EQ(host.calls, steps);
        EXPECT_NE(Counts(report, "Matching File").find(c.faces), std::string::npos) << Counts(report, "Matching File");
        EXPECT_NE(Counts(report, "Original File").find("duplicate vertices: 1\n"), std::string::npos)
            << Counts(report, "Original File");
    }
}
