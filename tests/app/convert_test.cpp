#include <gtest/gtest.h>

#include "app/convert_outcome.h"
#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

#include "app/dialog_commands.h"
#include "app/workspace.h"
#include "platform/text.h"
#include "morph/convert.h"
#include "tests/app/recording_host.h"
#include "tests/wavefront/file_test_support.h"

namespace {

using Events = std::vector<std::string>;

const char kGeneric[] = "There was an error creating the morph.";
const char kTriangleOriginal[] = "v 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 2 3\n";
const char kTrianglePermuted[] = "v 0 0 1\nv 1 0 0\nv 0 1 0\nf 2 3 1\n";
const Events kLoading = {"text 3004 Loading original file...(please wait)", "step",
                         "text 3004 Loading matching file...(please wait)", "step"};
// What follows the loading of a pair of triangles that match, and the bar
// as the triangle's vertex and face lines go into the new file.
const Events kMatchingAndSaving = {"text 3004 Matching vertices...(please wait)",
                                   "step", "step", "step", "step", "step", "step",
                                   "pos 80", "text 3004 Saving file...(please wait)"};
const Events kWritten = {"pos 95", "pos 100"};

Events operator+(Events a, const Events& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct ConvertRun : ::testing::Test {
    ScratchFolder folder;
    RecordingHost host;
    Workspace workspace;
    char message[kMessageCapacity];

    void SetUp() override {
        SetWorkspaceDefaults(workspace, "dir/");
        g_workspace = &workspace;
        CopyText(message, kGeneric);
    }
    void TearDown() override { g_workspace = nullptr; }

    int32_t Run(const std::string& original, const std::string& matching, const std::string& new_path,
                const ConvertOptions* options = nullptr) {
        host.fields[0] = original;
        host.fields[1] = matching;
        host.fields[2] = new_path;
        return Convert(&host, &host, message, options);
    }
};

// Each failure stops at its step with its message and writes nothing.
TEST_F(ConvertRun, FailuresSayWhereTheyStopped) {
    const std::string original = folder.Write("original.obj", kTriangleOriginal);
    const std::string matching = folder.Write("matching.obj", kTrianglePermuted);
    const std::string missing = folder.Join("missing.obj");
    // A file without v lines does not load, so the empty-model test is never reached.
    const std::string no_vertices = folder.Write("no_vertices.obj", "f 1 2 3\n");
    const std::string four = folder.Write("four.obj", "v 0 0 1\nv 1 0 0\nv 0 1 0\nv 5 5 5\nf 2 3 1\n");
    const std::string moved = folder.Write("moved.obj", "v 0 0 1\nv 1 0 0.0000001\nv 0 1 0\nf 2 3 1\n");
    const std::string result = folder.Join("new.obj");
    const std::string nowhere = folder.Join("no_such_folder/new.obj");
    const std::string file_error = "file:\r\n\r\nfilepath: \"";
    const std::string creating = "There was an error creating the new morph file.\r\n";
    struct Case {
        std::string original, matching, result;
        int32_t code;
        Events events;
        std::string message;
    } cases[] = {
        {missing, matching, result, -2, {kLoading[0], kLoading[1]},
         "There was an error loading the original morph " + file_error + missing + "\"\r\n"},
        {original, no_vertices, result, -3, kLoading,
         "There was an error loading the matching morph " + file_error + no_vertices + "\"\r\n"},
        {original, four, result, -5, kLoading,
         creating + "Vertex count does not match:\r\n\r\noriginal: 3 vertices\r\nmatching: 4 vertices\r\n"},
        {original, moved, result, -7, kLoading + Events{"text 3004 Matching vertices...(please wait)", "step", "step"},
         creating + "Unable to match all vertices:\r\n\r\nnum_matches: 1\r\ntotal_vertices: 3\r\n"},
        {original, matching, nowhere, -4, kLoading + kMatchingAndSaving,
         "There was an error saving the new morph " + file_error + nowhere + "\"\r\n"},
        // Refused before anything is loaded: the inputs are never written over.
        {original, matching, matching, -4, {},
         "There was an error saving the new morph " + file_error + matching +
             "\"\r\n\r\nThe new file is the matching file, which is never written over.\r\n"},
    };
    const Files before = folder.Contents();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        host.events.clear();
        CopyText(message, kGeneric);
        EXPECT_EQ(Run(c.original, c.matching, c.result), c.code);
        EXPECT_EQ(host.events, c.events);
        EXPECT_EQ(std::string(message), c.message);
        EXPECT_EQ(folder.Contents(), before);
    }
}

#if !defined(_WIN32)
// A new file another run is writing: after a second the status line says
// so, and the Quit question's stop ends the wait with nothing written.
TEST_F(ConvertRun, WaitForAnotherRunIsShownAndStops) {
    std::string original = folder.Write("original.obj", kTriangleOriginal);
    std::string matching = folder.Write("matching.obj", kTrianglePermuted);
    folder.Write("new.obj", "earlier");
    int lock = open(folder.Join("new.obj~lock").c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_EQ(flock(lock, LOCK_EX), 0);
    const Files before = folder.Contents();
    host.stop_after = 3 + 75;  // the steps' three questions, then 1.5 s of waiting
    EXPECT_EQ(Run(original, matching, folder.Join("new.obj")), -8);
    EXPECT_EQ(host.events.back(), "text 3004 waiting for another run writing " + folder.Join("new.obj") + " ...");
    EXPECT_EQ(folder.Contents(), before);
    close(lock);
}
#endif

// Asked to stop between two steps, Convert ends there as declined: no box,
// no message, and an earlier new file stays as it was; also once the new
// file is written but not yet put in the earlier one's place.
TEST_F(ConvertRun, StopsBetweenSteps) {
    std::string original = folder.Write("original.obj", kTriangleOriginal);
    std::string matching = folder.Write("matching.obj", kTrianglePermuted);
    folder.Write("new.obj", "earlier");
    const Files before = folder.Contents();
    const Events matched(kMatchingAndSaving.begin(), kMatchingAndSaving.end() - 2);
    const Events steps[] = {{kLoading[0], kLoading[1]}, kLoading, kLoading + matched,
                            kLoading + kMatchingAndSaving + kWritten};
    for (int32_t answered_no = 0; answered_no < 4; ++answered_no) {
        host.events.clear();
        host.stop_questions = 0;
        host.stop_after = answered_no;
        EXPECT_EQ(Run(original, matching, folder.Join("new.obj")), -8);
        EXPECT_EQ(host.events, steps[answered_no]);
        EXPECT_EQ(host.stop_questions, answered_no + 1);
        EXPECT_STREQ(message, kGeneric);
        EXPECT_EQ(folder.Contents(), before);
    }
}

TEST_F(ConvertRun, FaceCountQuestion) {
    std::string original = folder.Write("original.obj", kTriangleOriginal);
    std::string matching = folder.Write("matching.obj", std::string(kTrianglePermuted) + "f 1 2 3\n");
    const std::string question =
        "ask Warning\nThe total face count does not match:\r\n\r\noriginal: 1 faces\r\nmatching: 2 faces\r\n\r\n"
        "Continue anyway?\r\n";
    // Cancel, or a box that could not be shown: -8, no message, nothing written.
    for (int32_t answer : {kAnswerCancel, 0}) {
        host.events.clear();
        host.answer = answer;
        EXPECT_EQ(Run(original, matching, folder.Join("new.obj")), -8);
        EXPECT_EQ(host.events, kLoading + Events{question});
        EXPECT_STREQ(message, kGeneric);
        EXPECT_EQ(folder.Contents().size(), 2u);
    }
    host.events.clear();
    host.answer = kAnswerOk;
    EXPECT_EQ(Run(original, matching, folder.Join("new.obj")), 1);
    EXPECT_EQ(host.events, kLoading + Events{question} + kMatchingAndSaving + Events({"pos 92", "pos 100"}));
}

// The failure box: the operation's message, then the diagnosis in the command
// line's words, and a remedy that converts when taken; the success box then
// says what the other way of matching did. The original's path comes as
// Explorer's "Copy as path" gives it.
TEST_F(ConvertRun, FailureBoxOffersWhatConverts) {
    const std::string corpus = QUANDRE_TEST_DATA "/corpus/";
    struct Case {
        const char *original, *matching;
        int32_t code;
        std::string tail;  // of the failure box's text, after the operation's message
        const char* label;
        std::string success;
    } cases[] = {
        {"sixdigits_base.obj", "sixdigits.obj", -7,
         "\r\n462 of 525 vertices found a partner; 63 have no original vertex at their position\r\n"
         "largest distance to the nearest original vertex: 2.28e-15\r\n"
         "suggested: tolerance 2.3e-15 (safe: below 0.449, half the smallest distance between two original "
         "positions)\r\n",
         "Convert with tolerance 2.3e-15", "The morph was created successfully."},
        {"original.obj", "split.obj", -5,
         "\r\nevery matching vertex sits at a position of the original: a copy whose vertices were split or welded\r\n"
         "split: 25 original vertices would be shared by several matching vertices\r\n"
         "welded: 0 original vertices would have no matching vertex\r\n"
         "\"The copy may split or weld vertices\" converts a copy whose vertices were split or welded\r\n",
         "Convert with split or welded vertices",
         "The morph was created successfully.\r\n\r\nvertex counts: original 525, matching 550\r\n"
         "split: 25 original vertices are shared by several matching vertices\r\n"
         "welded: 0 original vertices have no matching vertex\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.matching);
        MatchingChoice choice;
        ConvertDiagnostics diagnostics;
        ConvertOptions options;
        options.diagnostics = &diagnostics;
        const std::string original = "\"" + corpus + c.original + "\"", new_path = folder.Join("new.obj");
        ASSERT_EQ(Run(original, corpus + c.matching, new_path, &options), c.code) << message;
        char text[kOutcomeCapacity];
        Remedy remedy;
        WriteConvertFailure(c.code, message, options, diagnostics, text, sizeof text, remedy);
        EXPECT_EQ(std::string(text), message + c.tail);
        EXPECT_STREQ(remedy.label, c.label);
        ApplyRemedy(remedy, choice);
        ASSERT_EQ(ChoiceOptions(choice, options, text), 1);
        ASSERT_EQ(Run(original, corpus + c.matching, new_path, &options), 1) << message;
        WriteConvertSuccess(options, diagnostics, text, sizeof text);
        EXPECT_EQ(std::string(text), c.success);
    }
}

}  // namespace
