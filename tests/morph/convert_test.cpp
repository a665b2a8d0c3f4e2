#include <gtest/gtest.h>

#include <cstring>

#include "app/workspace.h"
#include "model/text.h"
#include "morph/convert.h"
#include "test_models.h"

namespace {

const char kGeneric[] = "There was an error creating the morph.";
const char kTriangleOriginal[] = "v 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 2 3\n";
const char kTrianglePermuted[] = "v 0 0 1\nv 1 0 0\nv 0 1 0\nf 2 3 1\n";

std::vector<std::string> Loading() {
    return {"text 3004 Loading original file...(please wait)", "step",
            "text 3004 Loading matching file...(please wait)", "step"};
}

std::vector<std::string> Matching(int32_t search_steps) {
    std::vector<std::string> events = {"text 3004 Matching vertices...(please wait)", "step"};
    for (int32_t i = 0; i < search_steps; ++i) events.push_back("step");
    events.push_back("step");
    events.push_back("step");
    return events;
}

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct ConvertRun : ::testing::Test {
    TempFolder folder;
    RecordingHost host;
    Workspace workspace;
    char message[kMessageCapacity];

    void SetUp() override {
        SetWorkspaceDefaults(workspace, "dir/");
        g_workspace = &workspace;
        CopyText(message, kGeneric);
    }
    void TearDown() override { g_workspace = nullptr; }

    int32_t Run(const std::string& original, const std::string& matching, const std::string& new_path) {
        host.fields[0] = original;
        host.fields[1] = matching;
        host.fields[2] = new_path;
        return Convert(&host, &host, message);
    }
};

TEST_F(ConvertRun, SuccessWritesTheMatchingFacesInTheOriginalOrder) {
    std::string original = folder.Write("original.obj", kTriangleOriginal);
    std::string matching = folder.Write("matching.obj", kTrianglePermuted);
    std::string result = folder.Join("new.obj");
    ASSERT_EQ(Run(original, matching, result), 1);
    EXPECT_EQ(host.events, (Loading() + Matching(3) +
                               std::vector<std::string>{"pos 100", "text 3004 Saving file...(please wait)"}));
    EXPECT_STREQ(message, kGeneric);
    std::string text = ReadBytes(result);
    EXPECT_NE(text.find("v 1.000000 0.000000 0.000000\r\nv 0.000000 1.000000 0.000000\r\nv 0.000000 0.000000 1.000000\r\n"),
              std::string::npos) << text;
    EXPECT_NE(text.find("\r\nf 1 2 3 "), std::string::npos) << text;
}

TEST_F(ConvertRun, NullArgumentsGiveZeroAndEmptyWorkspacePartsMinusOne) {
    EXPECT_EQ(Convert(nullptr, &host, message), 0);
    EXPECT_EQ(Convert(&host, nullptr, message), 0);
    EXPECT_EQ(Convert(&host, &host, nullptr), 0);
    EXPECT_TRUE(host.events.empty());

    std::string original = folder.Write("original.obj", kTriangleOriginal);
    char* parts[] = {workspace.original_directory, workspace.original_file_name, workspace.matching_directory,
                     workspace.matching_file_name, workspace.new_directory, workspace.new_file_name};
    for (char* part : parts) {
        SetWorkspaceDefaults(workspace, "dir/");
        part[0] = '\0';
        host.events.clear();
        EXPECT_EQ(Run(original, original, folder.Join("new.obj")), -1);
        EXPECT_TRUE(host.events.empty());
        EXPECT_STREQ(message, kGeneric);
    }
    EXPECT_FALSE(std::filesystem::exists(folder.Join("new.obj")));
}

TEST_F(ConvertRun, MissingOriginalStopsBeforeTheMatchingFile) {
    std::string missing = folder.Join("missing.obj");
    std::string matching = folder.Write("matching.obj", kTrianglePermuted);
    EXPECT_EQ(Run(missing, matching, folder.Join("new.obj")), -2);
    EXPECT_EQ(host.events, (std::vector<std::string>{"text 3004 Loading original file...(please wait)", "step"}));
    EXPECT_EQ(std::string(message),
              "There was an error loading the original morph file:\r\n\r\nfilepath: \"" + missing + "\"\r\n");
}

TEST_F(ConvertRun, MatchingFileThatDoesNotLoad) {
    std::string original = folder.Write("original.obj", kTriangleOriginal);
    // A file without v lines does not load, so the empty-model test is never reached.
    std::string matching = folder.Write("matching.obj", "f 1 2 3\n");
    EXPECT_EQ(Run(original, matching, folder.Join("new.obj")), -3);
    EXPECT_EQ(host.events, Loading());
    EXPECT_EQ(std::string(message),
              "There was an error loading the matching morph file:\r\n\r\nfilepath: \"" + matching + "\"\r\n");
}

TEST_F(ConvertRun, VertexCountsDiffer) {
    std::string original = folder.Write("original.obj", kTriangleOriginal);
    std::string matching = folder.Write("matching.obj", "v 0 0 1\nv 1 0 0\nv 0 1 0\nv 5 5 5\nf 2 3 1\n");
    EXPECT_EQ(Run(original, matching, folder.Join("new.obj")), -5);
    EXPECT_EQ(host.events, Loading());
    EXPECT_STREQ(message,
                 "There was an error creating the new morph file.\r\nVertex count does not match:\r\n\r\n"
                 "original: 3 vertices\r\nmatching: 4 vertices\r\n");
}

TEST_F(ConvertRun, UnmatchedVertexReportsHowManyMatchedBeforeIt) {
    std::string original = folder.Write("original.obj", kTriangleOriginal);
    std::string matching = folder.Write("matching.obj", "v 0 0 1\nv 1 0 0.0000001\nv 0 1 0\nf 2 3 1\n");
    EXPECT_EQ(Run(original, matching, folder.Join("new.obj")), -7);
    EXPECT_EQ(host.events, (Loading() + std::vector<std::string>{"text 3004 Matching vertices...(please wait)", "step",
                                                                 "step"}));
    EXPECT_STREQ(message,
                 "There was an error creating the new morph file.\r\nUnable to match all vertices:\r\n\r\n"
                 "num_matches: 1\r\ntotal_vertices: 3\r\n");
    EXPECT_FALSE(std::filesystem::exists(folder.Join("new.obj")));
}

TEST_F(ConvertRun, NewPathInAMissingFolderFailsAfterMatching) {
    std::string original = folder.Write("original.obj", kTriangleOriginal);
    std::string matching = folder.Write("matching.obj", kTrianglePermuted);
    std::string result = folder.Join("no_such_folder") + "/new.obj";
    EXPECT_EQ(Run(original, matching, result), -4);
    EXPECT_EQ(host.events, (Loading() + Matching(3) +
                               std::vector<std::string>{"pos 100", "text 3004 Saving file...(please wait)"}));
    EXPECT_EQ(std::string(message),
              "There was an error saving the new morph file:\r\n\r\nfilepath: \"" + result + "\"\r\n");
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
        EXPECT_EQ(host.events, (Loading() + std::vector<std::string>{question}));
        EXPECT_STREQ(message, kGeneric);
        EXPECT_FALSE(std::filesystem::exists(folder.Join("new.obj")));
    }
    host.events.clear();
    host.answer = kAnswerOk;
    EXPECT_EQ(Run(original, matching, folder.Join("new.obj")), 1);
    EXPECT_EQ(host.events, (Loading() + std::vector<std::string>{question} + Matching(3) +
                               std::vector<std::string>{"pos 100", "text 3004 Saving file...(please wait)"}));
}

TEST_F(ConvertRun, EqualFaceTotalsInOtherGroupsAskNothing) {
    std::string original = folder.Write("original.obj", "v 1 0 0\nv 0 1 0\nv 0 0 1\ng a\nf 1 2 3\nf 3 2 1\n");
    std::string matching = folder.Write("matching.obj", "v 0 0 1\nv 1 0 0\nv 0 1 0\ng b\nf 2 3 1\ng c\nf 1 3 2\n");
    EXPECT_EQ(Run(original, matching, folder.Join("new.obj")), 1);
    for (const std::string& event : host.events) EXPECT_NE(event.rfind("ask", 0), 0u) << event;
}

}  // namespace
