// What ConvertFiles reports beyond its code when asked, on cases the corpus
// runs of the command line don't reach: a position that no tolerance can
// pair, materials a loaded library lacks, a strict run's num_matches.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "morph/convert.h"
#include "tests/morph/test_models.h"

namespace {

TEST(ConvertOptions, DiagnosticsOfFailuresAndWarnings) {
    ScratchFolder folder;
    folder.Write("o.mtl", "newmtl red\n");
    std::string original =
        folder.Write("o.obj", "mtllib o.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 0.4 1 0\nusemtl red\nf 1 2 3 4\n");
    folder.Write("m.mtl", "newmtl red\n");
    std::string moved = folder.Write("m.obj", "mtllib m.mtl\nv 0.4 1 0\nv 1 0 0\nv nan 0 0\nv 0 1.001 0\n"
                                              "usemtl red\nf 1 2 3 4\nusemtl blue\nf 4 3 2\n");
    std::string near = folder.Write("n.obj", "mtllib m.mtl\nv 0.4 1 0\nv 1 0 0\nv 0 0 0.001\nv 0 1 0\n"
                                             "usemtl blue\nf 1 2 3 4\nf 4 3 2\n");
    QuietHost host;
    char message[kMessageCapacity];
    ConvertDiagnostics d;
    ConvertOptions options;
    options.diagnostics = &d;
    options.tolerance = 0.01;
    const std::string result = folder.Join("new.obj");

    // Vertex 3 has a NaN: no tolerance pairs it, whatever the others need.
    EXPECT_EQ(ConvertFiles(original.c_str(), moved.c_str(), result.c_str(), &host, message, &options), -7);
    EXPECT_EQ(d.paired_count, 3);
    EXPECT_EQ(d.unpaired_count, 1);
    ASSERT_EQ(d.listed_count, 1);
    EXPECT_EQ(d.listed[0].number, 3);
    EXPECT_EQ(d.listed[0].nearest, 0);
    EXPECT_TRUE(std::isinf(d.suggested_tolerance));

    // Within 0.5 vertex 1 (0.4 1 0) is ambiguous: (0 1 0) is within it too.
    options.tolerance = 0.5;
    options.strict = true;
    EXPECT_EQ(ConvertFiles(original.c_str(), near.c_str(), result.c_str(), &host, message, &options), -7);
    EXPECT_NE(std::string(message).find("num_matches: 0\r\n"), std::string::npos) << message;
    EXPECT_EQ(d.ambiguous_count, 2);  // and vertex 4, which (0.4 1 0) is within 0.5 of
    EXPECT_EQ(d.ambiguous[0], 1);
    EXPECT_EQ(d.paired_count, -1);

    // Not strict: written, with the faces whose material m.mtl lacks counted.
    options.strict = false;
    EXPECT_EQ(ConvertFiles(original.c_str(), near.c_str(), result.c_str(), &host, message, &options), 1);
    EXPECT_EQ(d.library_missing, 0);
    EXPECT_EQ(d.faces_without_material, 2);
    EXPECT_EQ(Slurp(result).find("usemtl"), std::string::npos);
}

}  // namespace

namespace {

// Every call the run makes of its host, in order.
struct RecordingHost : OperationHost {
    std::string calls;
    void ShowStatus(const char* text) override { calls += std::string("status ") + text + "\n"; }
    void StepProgress() override { calls += "step\n"; }
    void SetProgress(int32_t done, int32_t total) override {
        calls += "set " + std::to_string(done) + "/" + std::to_string(total) + "\n";
    }
    int32_t AskToContinue(const char* text, const char*) override {
        calls += std::string("ask ") + text + "\n";
        return 1;
    }
};

}  // namespace

// Both files read at once give the run one thread gives: the same host
// calls in the same order, code, message, reason and new file; the
// original's failure wins when both fail, and a relative matching path
// resolves after the original's library folder became the current directory.
TEST(ConvertOptions, LoadingBothFilesAtOnceReportsAsOneAfterTheOther) {
    ScratchFolder folder;
    folder.Write("good.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    folder.Write("swap.obj", "v 1 0 0\nv 0 0 0\nv 0 1 0\nf 2 1 3\nf 1 2 3\n");
    folder.Write("bad.obj", "f 1 2 3\n");  // no vertices: fails to load
    folder.Write("sub/lib.obj", "mtllib lib.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    folder.Write("sub/lib.mtl", "newmtl red\n");
    folder.Write("sub/swap.obj", "v 0 1 0\nv 1 0 0\nv 0 0 0\nf 3 2 1\n");
    const struct {
        const char *original, *matching;
        int32_t code;
    } cases[] = {
        {"good.obj", "swap.obj", 1},      {"bad.obj", "swap.obj", -2},  {"good.obj", "bad.obj", -3},
        {"bad.obj", "bad.obj", -2},       {"none.obj", "none.obj", -2}, {"good.obj", "none.obj", -3},
        {"sub/lib.obj", "swap.obj", 1},  // reads sub/swap.obj, as the one-thread run does
    };
    const std::filesystem::path start = std::filesystem::current_path();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.original) + " + " + c.matching);
        std::string calls[2], messages[2], written[2];
        int32_t codes[2], reasons[2];
        for (int32_t threads = 1; threads <= 2; ++threads) {
            std::filesystem::current_path(folder.Join(""));
            RecordingHost host;
            char message[kMessageCapacity] = "unchanged";
            ConvertDiagnostics d;
            ConvertOptions options;
            options.diagnostics = &d;
            options.threads = threads;
            std::string out = folder.Join("new" + std::to_string(threads) + ".obj");
            codes[threads - 1] = ConvertFiles(c.original, c.matching, out.c_str(), &host, message, &options);
            calls[threads - 1] = host.calls;
            messages[threads - 1] = message;
            reasons[threads - 1] = d.reason;
            written[threads - 1] = Slurp(out);
            std::filesystem::remove(out);
        }
        std::filesystem::current_path(start);
        EXPECT_EQ(codes[0], c.code);
        EXPECT_EQ(codes[1], c.code);
        EXPECT_EQ(calls[1], calls[0]);
        EXPECT_EQ(messages[1], messages[0]);
        EXPECT_EQ(reasons[1], reasons[0]);
        EXPECT_EQ(written[1], written[0]);
        EXPECT_EQ(written[0].empty(), c.code != 1);
    }
}
