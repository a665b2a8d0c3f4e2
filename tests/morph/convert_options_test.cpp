// A convert that reads both files at once must look, to its host and on
// the disk, exactly like one that reads them in turn.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "morph/convert.h"
#include "tests/morph/test_models.h"

namespace {

// Every call the run makes of its host, in order.
struct RecordingHost : OperationHost {
    std::string calls;
    void ShowStatus(const char* text) override { calls += std::string("status ") + text + "\n"; }
    void StepProgress() override { calls += "step\n"; }
    void SetProgress(int32_t done, int32_t total) override { calls += std::to_string(done) + "/" + std::to_string(total); }
    int32_t AskToContinue(const char* text, const char*) override { return calls += text, 1; }
};

}  // namespace

// Both files read at once give the run one thread gives: the same host calls in the same order, code, message, reason
// and new file; the original's failure wins when both fail, and a relative matching path resolves after the original's
// library folder became the current directory.
TEST(ConvertOptions, LoadingBothFilesAtOnceReportsAsOneAfterTheOther) {
    ScratchFolder folder;
    folder.Write("good.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    folder.Write("swap.obj", "v 1 0 0\nv 0 0 0\nv 0 1 0\nf 2 1 3\nf 1 2 3\n");
    folder.Write("bad.obj", "f 1 2 3\n");  // no vertices: fails to load
    folder.Write("sub/lib.obj", "mtllib lib.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    folder.Write("sub/lib.mtl", "newmtl red\n");
    folder.Write("sub/swap.obj", "v 0 1 0\nv 1 0 0\nv 0 0 0\nf 3 2 1\n");
    const struct { const char *original, *matching; int32_t code; } cases[] = {
        {"good.obj", "swap.obj", 1},      {"bad.obj", "swap.obj", -2},  {"good.obj", "bad.obj", -3},
        {"bad.obj", "bad.obj", -2},       {"none.obj", "none.obj", -2}, {"good.obj", "none.obj", -3},
        {"sub/lib.obj", "swap.obj", 1},  // reads sub/swap.obj, as the one-thread run does
    };
    const std::filesystem::path start = std::filesystem::current_path();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.original) + " + " + c.matching);
        std::string calls[2], messages[2], written[2];
        int32_t codes[2], reasons[2];
        for (int32_t k = 0; k < 2; ++k) {
            std::filesystem::current_path(folder.Join(""));
            RecordingHost host;
            char message[kMessageCapacity] = "unchanged";
            ConvertDiagnostics d;
            ConvertOptions options;
            options.diagnostics = &d, options.threads = k + 1;
            std::string out = folder.Join("new" + std::to_string(k) + ".obj");
            codes[k] = ConvertFiles(c.original, c.matching, out.c_str(), &host, message, &options);
            calls[k] = host.calls, messages[k] = message, reasons[k] = d.reason, written[k] = Slurp(out);
            std::filesystem::remove(out);
        }
        std::filesystem::current_path(start);
        EXPECT_TRUE(codes[0] == c.code && codes[1] == c.code) << codes[0] << " " << codes[1];
        EXPECT_TRUE(calls[1] == calls[0] && messages[1] == messages[0] && reasons[1] == reasons[0]);
        EXPECT_TRUE(written[1] == written[0] && written[0].empty() == (c.code != 1));
    }
}
