#include <gtest/gtest.h>

#include <filesystem>

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
// as the triangle's vertex and face lines go into the new file. Matching's
// steps end below the save's 80, so the bar never runs back.
const Events kMatchingAndSaving = {"text 3004 Matching vertices...(please wait)",
                                   "step", "step", "step", "step", "step",
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
    // The writing asks between its blocks, and once more when all is written.
    EXPECT_EQ(Run(original, matching, folder.Join("counted.obj")), 1);
    const int32_t questions = host.stop_questions;
    ASSERT_GT(questions, 4);
    std::filesystem::remove(folder.Join("counted.obj"));
    const Events steps[] = {{kLoading[0], kLoading[1]}, kLoading, kLoading + matched,
                            kLoading + kMatchingAndSaving, kLoading + kMatchingAndSaving + kWritten};
    for (int32_t k = 0; k < 5; ++k) {
        const int32_t answered_no = k < 4 ? k : questions - 1;
        host.events.clear();
        host.stop_questions = 0;
        host.stop_after = answered_no;
        EXPECT_EQ(Run(original, matching, folder.Join("new.obj")), -8);
        EXPECT_EQ(host.events, steps[k]);
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
    // A binary file is no mesh; an original whose vertices all sit at one position pairs anything onto it: no
    // tolerance is safe and no button leads to such a run.
    const std::string point = folder.Write("point.obj", "v 0 0 0\nv 0 0 0\nv 0 0 0\nf 1 2 3\n");
    const std::string point_one = folder.Write("point1.obj", "v 5 5 5\n");
    const std::string triangle = folder.Write("t.obj", kTriangleOriginal);
    std::string bytes(512, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char((i * 2654435761u) >> 13);
    const std::string binary = folder.Write("binary.obj", bytes);
    struct Case {
        std::string original, matching;
        int32_t code;
        std::string tail;  // of the failure box's text, after the operation's message
        const char* label;
        std::string success;
    } cases[] = {
        {binary, triangle, -2, "reason: not an OBJ file: its opening lines hold NUL bytes or no OBJ statement\r\n", "",
         ""},
        {triangle, binary, -3, "reason: not an OBJ file: its opening lines hold NUL bytes or no OBJ statement\r\n", "",
         ""},
        {point, triangle, -7,
         "\r\n0 of 3 vertices found a partner; 3 have no original vertex at their position\r\n"
         "largest distance to the nearest original vertex: 1\r\n"
         "tolerance 1 (not safe: the original has fewer than two distinct positions)\r\n", "", ""},
        {point_one, triangle, -5,
         "\r\n3 matching vertices sit at no position of the original\r\n"
         "split: 0 original vertices would be shared by several matching vertices\r\n"
         "welded: 0 original vertices would have no matching vertex\r\n"
         "no pairing by position converts it: the original has fewer than two distinct positions\r\n", "", ""},
        {corpus + "sixdigits_base.obj", corpus + "sixdigits.obj", -7,
         "\r\n462 of 525 vertices found a partner; 63 have no original vertex at their position\r\n"
         "largest distance to the nearest original vertex: 2.28e-15\r\n"
         "suggested: tolerance 2.3e-15 (safe: below 0.449, half the smallest distance between two original "
         "positions)\r\n",
         "Convert with tolerance 2.3e-15", "The morph was created successfully."},
        {corpus + "original.obj", corpus + "split.obj", -5,
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
        SCOPED_TRACE(c.original);
        MatchingChoice choice;
        ConvertDiagnostics diagnostics;
        ConvertOptions options;
        options.diagnostics = &diagnostics;
        const std::string original = "\"" + c.original + "\"", new_path = folder.Join("new.obj");
        ASSERT_EQ(Run(original, c.matching, new_path, &options), c.code) << message;
        char text[kOutcomeCapacity];
        Remedy remedy;
        WriteConvertFailure(c.code, message, options, diagnostics, text, sizeof text, remedy);
        EXPECT_EQ(std::string(text), message + c.tail);
        EXPECT_STREQ(remedy.label, c.label);
        if (!c.label[0]) continue;
        ApplyRemedy(remedy, choice);
        ASSERT_EQ(ChoiceOptions(choice, options, text), 1);
        ASSERT_EQ(Run(original, c.matching, new_path, &options), 1) << message;
        WriteConvertSuccess(options, diagnostics, text, sizeof text);
        EXPECT_EQ(std::string(text), c.success);
    }
}

// An exact run's Success box says what the check before the write found: a
// copy whose vertex 11 came back at vertex 12's place.
TEST_F(ConvertRun, SuccessBoxSaysWhatTheCheckFound) {
    std::string base, copy;
    for (int x = 0; x < 5; ++x)
        for (int y = 0; y < 5; ++y) {
            base += "v " + std::to_string(x) + " " + std::to_string(y) + " 0\n";
            copy += x == 2 && y == 0 ? "v 2 1 0\n" : "v " + std::to_string(x) + " " + std::to_string(y) + " 0\n";
        }
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 4; ++y) {
            const int v = x * 5 + y + 1;
            const std::string face = "f " + std::to_string(v) + " " + std::to_string(v + 5) + " " +
                                     std::to_string(v + 6) + " " + std::to_string(v + 1) + "\n";
            base += face;
            copy += face;
        }
    ConvertDiagnostics diagnostics;
    ConvertOptions options;
    options.diagnostics = &diagnostics;
    ASSERT_EQ(Run(folder.Write("o.obj", base), folder.Write("m.obj", copy), folder.Join("new.obj"), &options), 1)
        << message;
    char text[kOutcomeCapacity];
    WriteConvertSuccess(options, diagnostics, text, sizeof text);
    EXPECT_EQ(std::string(text),
              "The morph was created successfully.\r\n\r\nwarning: 2 faces of the matching file are not faces of "
              "the original once renumbered; the first: f 6 12 12 7, f 12 16 17 12 (the original's vertex numbers)\r\n"
              "warning: 1 original vertex has no matching vertex and keeps the original's position; it is 11\r\n");
}

// A part of the figure (the left half of a 4 x 4 grid, shuffled) with "The copy may split or weld vertices": it
// converts as the command line does, and the success box says it is a part instead of welded or unused vertices.
TEST_F(ConvertRun, PartConvertsWithThePartsWords) {
    std::string grid, half;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) grid += "v " + std::to_string(x) + " " + std::to_string(y) + " 0\n";
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            grid += "f " + std::to_string(y * 4 + x + 1) + " " + std::to_string(y * 4 + x + 2) + " " +
                    std::to_string(y * 4 + x + 6) + " " + std::to_string(y * 4 + x + 5) + "\n";
    half = "v 1 0 0\nv 0 0 0\nv 0 1 0\nv 1 1 0\nv 1 2 0\nv 0 2 0\nv 0 3 0\nv 1 3 0\nf 2 1 4 3\nf 3 4 5 6\nf 6 5 8 7\n";
    const std::string original = folder.Write("original.obj", grid), matching = folder.Write("half.obj", half);
    ConvertDiagnostics diagnostics;
    ConvertOptions options;
    options.diagnostics = &diagnostics;
    options.allow_count_change = true;
    host.answer = kAnswerOk;
    ASSERT_EQ(Run(original, matching, folder.Join("new.obj"), &options), 1) << message;
    char text[kOutcomeCapacity];
    WriteConvertSuccess(options, diagnostics, text, sizeof text);
    EXPECT_EQ(std::string(text),
              "The morph was created successfully.\r\n\r\nvertex counts: original 16, matching 8\r\n"
              "split: 0 original vertices are shared by several matching vertices\r\n"
              "welded: 0 original vertices have no matching vertex\r\n"
              "part: 8 of 16 original vertices (the rest stay where ORIGINAL has them)\r\n");
}

}  // namespace
