#include <gtest/gtest.h>

#include <string>

#include "app/convert_outcome.h"
#include "app/matching_choice.h"
#include "app/typed_path.h"
#include "platform/text.h"

namespace {

// Way, distance, count change -> accepted, tolerance, automatic, by topology.
TEST(MatchingChoice, GivesTheCommandLinesOptions) {
    using W = MatchingWay;
    struct Case {
        W way;
        const char* distance;
        bool count_change;
        int32_t accepted;
        double tolerance;
        bool automatic, topology;
    };
    const Case cases[] = {{W::kExact, "junk", false, 1, 0, false, false},
                          {W::kSmallDifferences, " automatic ", true, 1, 0, true, false},
                          {W::kSmallDifferences, "", false, 1, 0, true, false},
                          {W::kSmallDifferences, "1.2e-06", false, 1, 1.2e-06, false, false},
                          {W::kSmallDifferences, "-1", false, 0, 7, false, false},
                          {W::kSmallDifferences, "1e-6x", false, 0, 7, false, false},
                          {W::kSmallDifferences, "inf", false, 0, 7, false, false},
                          {W::kConnectivity, "junk", true, 1, 0, false, true}};
    for (const Case& c : cases) {
        MatchingChoice choice{c.way, "", c.count_change};
        CopyText(choice.distance, c.distance);
        ConvertOptions options;
        options.tolerance = 7;  // kept on a refusal
        char problem[kMessageCapacity] = "";
        ASSERT_EQ(ChoiceOptions(choice, options, problem), c.accepted) << c.distance;
        const bool named = std::string(problem).find(std::string("\"") + c.distance + "\"") != std::string::npos;
        EXPECT_TRUE(c.accepted || named) << problem;
        EXPECT_EQ(options.tolerance, c.tolerance) << c.distance;
        EXPECT_EQ(options.automatic_tolerance, c.automatic) << c.distance;
        EXPECT_EQ(options.by_topology, c.topology) << c.distance;
        EXPECT_EQ(options.allow_count_change, c.accepted && c.count_change) << c.distance;
    }
}

// Typed -> tidied, folder, file name; and counts grouped by threes.
TEST(TypedPath, LosesQuotesAndSpacesAndSplits) {
    const char* const cases[][4] = {
        {"\"C:\\Meshes\\head.obj\"", "C:\\Meshes\\head.obj", "C:\\Meshes\\", "head.obj"},
        {"  \" D:/a b/c.obj \"  ", "D:/a b/c.obj", "D:/a b/", "c.obj"},
        {"\"", "\"", "", "\""},
        {"\"C:\\a.obj", "\"C:\\a.obj", "\"C:\\", "a.obj"},
        {"head.obj", "head.obj", "", "head.obj"},
        {"C:\\", "C:\\", "C:\\", ""}};
    for (const auto& c : cases) {
        char path[kPathCapacity], directory[kPathCapacity], name[kPathCapacity];
        CopyText(path, c[0]);
        TidyTypedPath(path);
        SplitTypedPath(path, directory, name);
        EXPECT_EQ(std::string(path) + "|" + directory + "|" + name, std::string(c[1]) + "|" + c[2] + "|" + c[3]);
    }
    char grouped[32];
    using Grouped = std::pair<int64_t, const char*>;
    for (auto [count, text] : {Grouped{0, "0"}, {999, "999"}, {7958, "7,958"}, {-1234567, "-1,234,567"}}) {
        WriteGroupedCount(count, grouped, sizeof grouped);
        EXPECT_STREQ(grouped, text);
    }
}

}  // namespace
