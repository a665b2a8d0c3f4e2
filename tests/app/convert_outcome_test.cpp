#include <gtest/gtest.h>

#include <string>

#include "app/convert_outcome.h"
#include "app/dialog_commands.h"
#include "app/matching_choice.h"
#include "app/typed_path.h"
#include "app/workspace.h"
#include "platform/text.h"
#include "tests/app/recording_host.h"
#include "tests/wavefront/file_test_support.h"

namespace {

const std::string kCorpus = QUANDRE_TEST_DATA "/corpus/";

TEST(MatchingChoice, GivesTheCommandLinesOptions) {
    struct Case {
        MatchingWay way;
        const char* distance;
        bool count_change;
        int32_t accepted;
        double tolerance;
        bool automatic, by_topology;
    } cases[] = {
        {MatchingWay::kExact, "junk", false, 1, 0, false, false},
        {MatchingWay::kSmallDifferences, " automatic ", true, 1, 0, true, false},
        {MatchingWay::kSmallDifferences, "", false, 1, 0, true, false},
        {MatchingWay::kSmallDifferences, "1.2e-06", false, 1, 1.2e-06, false, false},
        {MatchingWay::kSmallDifferences, "-1", false, 0, 0, false, false},
        {MatchingWay::kSmallDifferences, "1e-6x", false, 0, 0, false, false},
        {MatchingWay::kSmallDifferences, "inf", false, 0, 0, false, false},
        {MatchingWay::kConnectivity, "junk", true, 1, 0, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.distance);
        MatchingChoice choice;
        choice.way = c.way;
        CopyText(choice.distance, c.distance);
        choice.count_change = c.count_change;
        ConvertOptions options;
        options.tolerance = 7;
        char problem[kMessageCapacity] = "";
        ASSERT_EQ(ChoiceOptions(choice, options, problem), c.accepted);
        if (!c.accepted) {
            EXPECT_EQ(options.tolerance, 7);
            EXPECT_NE(std::string(problem).find(std::string("\"") + c.distance + "\""), std::string::npos) << problem;
            continue;
        }
        EXPECT_EQ(options.tolerance, c.tolerance);
        EXPECT_EQ(options.automatic_tolerance, c.automatic);
        EXPECT_EQ(options.by_topology, c.by_topology);
        EXPECT_EQ(options.allow_count_change, c.count_change);
    }
}

TEST(TypedPath, LosesQuotesAndSpacesAndSplits) {
    const char* const cases[][4] = {
        {"\"C:\\Meshes\\head.obj\"", "C:\\Meshes\\head.obj", "C:\\Meshes\\", "head.obj"},
        {"  \" D:/a b/c.obj \"  ", "D:/a b/c.obj", "D:/a b/", "c.obj"},
        {"\"", "\"", "", "\""},
        {"head.obj", "head.obj", "", "head.obj"},
        {"C:\\", "C:\\", "C:\\", ""},
    };
    for (const auto& c : cases) {
        char path[kPathCapacity], directory[kPathCapacity], name[kPathCapacity];
        CopyText(path, c[0]);
        TidyTypedPath(path);
        EXPECT_STREQ(path, c[1]);
        SplitTypedPath(path, directory, name);
        EXPECT_STREQ(directory, c[2]);
        EXPECT_STREQ(name, c[3]);
    }
    char grouped[32];
    for (auto [count, text] : {std::pair<int64_t, const char*>{0, "0"}, {999, "999"}, {7958, "7,958"},
                               {-1234567, "-1,234,567"}}) {
        WriteGroupedCount(count, grouped, sizeof grouped);
        EXPECT_STREQ(grouped, text);
    }
}

// The failure box of the dialog: the design's message, then the diagnosis
// in the command line's words, and a remedy that converts when taken.
struct FailureBox : ::testing::Test {
    ScratchFolder folder;
    RecordingHost host;
    Workspace workspace;
    char message[kMessageCapacity];
    ConvertDiagnostics diagnostics;

    void SetUp() override {
        SetWorkspaceDefaults(workspace, "dir/");
        g_workspace = &workspace;
    }
    void TearDown() override { g_workspace = nullptr; }

    int32_t Run(const std::string& original, const std::string& matching, const MatchingChoice& choice) {
        host.fields[0] = "\"" + original + "\"";  // as Explorer's "Copy as path" gives it
        host.fields[1] = matching;
        host.fields[2] = folder.Join("new.obj");
        ConvertOptions options;
        char problem[kMessageCapacity];
        EXPECT_EQ(ChoiceOptions(choice, options, problem), 1);
        options.diagnostics = &diagnostics;
        CopyText(message, "There was an error creating the morph.");
        return Convert(&host, &host, message, &options);
    }
};

TEST_F(FailureBox, SaysWhatFailedAndOffersWhatConverts) {
    struct Case {
        const char* original;
        const char* matching;
        int32_t code;
        std::string tail;  // of the text, after the operation's message
        RemedyKind remedy;
        const char* label;
        std::string success;  // the success box's, once the remedy converted
    } cases[] = {
        {"sixdigits_base.obj", "sixdigits.obj", -7,
         "\r\n462 of 525 vertices found a partner; 63 have no original vertex at their position\r\n"
         "largest distance to the nearest original vertex: 2.28e-15\r\n"
         "suggested: tolerance 2.3e-15 (safe: below half the smallest distance between two original positions, "
         "0.898)\r\n",
         RemedyKind::kTolerance, "Convert with tolerance 2.3e-15", "The morph was created successfully."},
        {"original.obj", "split.obj", -5,
         "\r\nevery matching vertex sits at a position of the original: a copy whose vertices were split or welded\r\n"
         "split: 25 original vertices would be shared by several matching vertices\r\n"
         "welded: 0 original vertices would have no matching vertex\r\n"
         "\"The copy may split or weld vertices\" converts a copy whose vertices were split or welded\r\n",
         RemedyKind::kCountChange, "Convert with split or welded vertices",
         "The morph was created successfully.\r\n\r\nvertex counts: original 525, matching 550\r\n"
         "split: 25 original vertices are shared by several matching vertices\r\n"
         "welded: 0 original vertices have no matching vertex\r\n"},
        {"missing.obj", "split.obj", -2, "reason: ", RemedyKind::kNone, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.matching);
        MatchingChoice choice;
        ASSERT_EQ(Run(kCorpus + c.original, kCorpus + c.matching, choice), c.code) << message;
        char text[kOutcomeCapacity];
        Remedy remedy;
        WriteConvertFailure(c.code, message, ConvertOptions{}, diagnostics, text, sizeof text, remedy);
        std::string shown = text;
        ASSERT_EQ(shown.rfind(message, 0), 0u) << shown;
        if (c.code == -2)
            EXPECT_EQ(shown.substr(std::string(message).size(), c.tail.size()), c.tail) << shown;
        else
            EXPECT_EQ(shown.substr(std::string(message).size()), c.tail);
        EXPECT_EQ(remedy.kind, c.remedy);
        EXPECT_STREQ(remedy.label, c.label);
        if (remedy.kind == RemedyKind::kNone) continue;
        ApplyRemedy(remedy, choice);
        EXPECT_EQ(Run(kCorpus + c.original, kCorpus + c.matching, choice), 1) << message;
        ConvertOptions options;
        ChoiceOptions(choice, options, text);
        WriteConvertSuccess(options, diagnostics, text, sizeof text);
        EXPECT_EQ(std::string(text), c.success);
    }
}

}  // namespace
