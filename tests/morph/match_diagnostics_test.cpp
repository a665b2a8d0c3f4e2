// The suggested tolerance rounds up on the decimal text the user reads; the
// vertex-count comparison tells a split copy from a welded one.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "morph/match_diagnostics.h"

namespace {

TEST(MatchDiagnostics, SuggestedToleranceRoundsUpToTwoDigits) {
    struct Case {
        double distance, suggested;
    };
    const Case cases[] = {{4.1234e-6, 4.2e-6}, {5e-6, 5e-6},     {4.2e-6, 4.2e-6},   {4.2000001e-6, 4.3e-6},
                          {9.91e-7, 1e-6},     {9.9e-7, 9.9e-7}, {0.1, 0.1},         {123456.0, 130000.0},
                          {1.05, 1.1},         {7.0, 7.0},       {3e-45, 3e-45},     {1.7e308, 1.7e308},
                          {0.0, 0.0},          {-2.5, -2.5},     {INFINITY, INFINITY}};
    for (const Case& c : cases) EXPECT_EQ(SuggestedTolerance(c.distance), c.suggested) << c.distance;
    EXPECT_TRUE(std::isnan(SuggestedTolerance(NAN)));
    EXPECT_TRUE(ToleranceIsSafe(4.9e-6, 1e-5));
    EXPECT_FALSE(ToleranceIsSafe(5e-6, 1e-5));
}

TEST(MatchDiagnostics, VertexCountsTellSplitsFromWelds) {
    const float nan = NAN;
    const std::vector<Vertex> original = {{0, 0, 0, 0, 0}, {0, 0, 1, 0, 0}, {0, 0, 1, 0, 0},
                                          {0, 0, 2, 0, 0}, {0, 0, nan, 0, 0}};
    struct Case {
        std::vector<Vertex> matching;
        int32_t missing, shared, unpaired;
    };
    // Original positions: 0 once, 1 twice, 2 once, NaN once.
    const Case cases[] = {
        {{{0, 0, -0.0f, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 1, 0, 0}, {0, 0, 2, 0, 0}, {0, 0, 2, 0, 0}}, 0, 2, 2},  // split
        {{{0, 0, 2, 0, 0}, {0, 0, 1, 0, 0}}, 0, 0, 3},                                      // welded
        {{{0, 0, 1, 0, 0}, {0, 0, 1, 0, 0}, {0, 0, 1, 0, 0}, {0, 0, 1, 0, 0}, {0, 0, 1, 0, 0}}, 0, 2, 3},
        {{{0, 0, 2, 0, 0}, {0, 0, 3, 0, 0}, {0, 0, nan, 0, 0}}, 2, 0, 4},                   // another mesh
        {{}, 0, 0, 5},
    };
    for (const Case& c : cases) {
        CountDiagnosis diagnosis{-1, {-1, -1}};
        ASSERT_EQ(DiagnoseVertexCounts(original.data(), 5, c.matching.data(), int32_t(c.matching.size()), diagnosis),
                  1);
        EXPECT_EQ(diagnosis.missing_count, c.missing) << c.matching.size();
        EXPECT_EQ(diagnosis.sharing.shared_count, c.shared) << c.matching.size();
        EXPECT_EQ(diagnosis.sharing.unpaired_count, c.unpaired) << c.matching.size();
    }
    // Partners within a tolerance may name any vertex at a position: 2 stands for 1.
    const int32_t partner[] = {2, 3, -1, 2, 2};
    VertexSharing sharing{-1, -1};
    ASSERT_EQ(CountVertexSharing(original.data(), 5, partner, 5, sharing), 1);
    EXPECT_EQ(sharing.shared_count, 1);
    EXPECT_EQ(sharing.unpaired_count, 2);
}

}  // namespace
