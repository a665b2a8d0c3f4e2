// --seed: what is read, and that everything else is refused with a reason.
#include <gtest/gtest.h>

#include <string>

#include "cli/seed_option.h"

TEST(SeedOption, ReadsSixVertexNumbersAndRefusesTheRest) {
    struct Case {
        const char* text;
        TopologySeed seed;    // when read
        const char* problem;  // a part of the problem text, or null when read
    };
    const Case cases[] = {
        {"1,2,3=4,5,6", {{0, 1, 2}, {3, 4, 5}}, nullptr},
        {"120,7,33=2147483647,1,9", {{119, 6, 32}, {2147483646, 0, 8}}, nullptr},
        {"1,2,3", {}, "--seed 1,2,3: expected O1,O2,O3=S1,S2,S3"},
        {"1,2,3=4,5,6=7", {}, "expected O1,O2,O3=S1,S2,S3"}, {"", {}, "expected O1,O2,O3=S1,S2,S3"},
        {"1,2=3,4,5", {}, "each side of '=' takes three vertex numbers"},
        {"1,2,3=4,5,6,7", {}, "each side of '=' takes three vertex numbers"},
        {"1,2,3=4,5,", {}, "\"\" is not a vertex number"},
        {"0,1,2=3,4,5", {}, "\"0\" is not a vertex number (they start at 1)"},
        {"1,2,-3=4,5,6", {}, "\"-3\" is not a vertex number"}, {"+1,2,3=4,5,6", {}, "\"+1\" is not a vertex number"},
        {"1, 2,3=4,5,6", {}, "\" 2\" is not a vertex number"}, {"1,2,3=4,5,6x", {}, "\"6x\" is not a vertex number"},
        {"1,2,3=4.0,5,6", {}, "\"4.0\" is not a vertex number"},
        {"1,2,3=4,5,2147483648", {}, "\"2147483648\" is too large"},
        {"1,2,1=4,5,6", {}, "vertex 1 is named twice on one side"},
        {"1,2,3=4,5,5", {}, "vertex 5 is named twice on one side"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TopologySeed seed{{-1, -1, -1}, {-1, -1, -1}};
        char problem[kSeedProblemCapacity] = "";
        EXPECT_EQ(ParseSeedText(c.text, seed, problem, sizeof problem), c.problem ? 0 : 1);
        EXPECT_TRUE(!c.problem || std::string(problem).find(c.problem) != std::string::npos) << problem;
        for (int i = 0; i < 3 && !c.problem; ++i) {
            EXPECT_EQ(seed.original[i], c.seed.original[i]);
            EXPECT_EQ(seed.shape[i], c.seed.shape[i]);
        }
    }
}
