// What ConvertFiles reports beyond its code when asked, on cases the corpus
// runs of the command line don't reach: a position that no tolerance can
// pair, materials a loaded library lacks, a strict run's num_matches.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "morph/convert.h"
#include "tests/morph/test_models.h"
#include <vector>
#include "morph/match_diagnostics.h"

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

// The suggested tolerance rounds up on the decimal text the user reads.
TEST(MatchDiagnostics, SuggestedToleranceRoundsUpToTwoDigits) {
    struct Case { double distance, suggested; };
    const Case cases[] = {{4.1234e-6, 4.2e-6}, {5e-6, 5e-6},     {4.2e-6, 4.2e-6},   {4.2000001e-6, 4.3e-6},
                          {9.91e-7, 1e-6},     {9.9e-7, 9.9e-7}, {0.1, 0.1},         {123456.0, 130000.0},
                          {1.05, 1.1},         {7.0, 7.0},       {3e-45, 3e-45},     {1.7e308, 1.7e308},
                          {0.0, 0.0},          {-2.5, -2.5},     {INFINITY, INFINITY}};
    for (const Case& c : cases) EXPECT_EQ(SuggestedTolerance(c.distance), c.suggested) << c.distance;
    EXPECT_TRUE(std::isnan(SuggestedTolerance(NAN)));
    EXPECT_TRUE(ToleranceIsSafe(4.9e-6, 1e-5));
    EXPECT_FALSE(ToleranceIsSafe(5e-6, 1e-5));
}

}  // namespace
